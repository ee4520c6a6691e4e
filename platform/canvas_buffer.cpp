#include "platform/canvas_buffer.h"

#include <algorithm>
#include <cstring>

CanvasBuffer::CanvasBuffer(const CanvasBuffer& other) : width_(other.width_), height_(other.height_)
{
    const size_t count = size_t(width_) * size_t(height_);
    if (count == 0) return;
    data_ = std::make_unique_for_overwrite<uint32_t[]>(count);
    std::memcpy(data_.get(), other.data_.get(), count * 4);
}

CanvasBuffer& CanvasBuffer::operator=(const CanvasBuffer& other)
{
    if (this != &other) {
        CanvasBuffer copy(other);
        width_ = copy.width_;
        height_ = copy.height_;
        data_ = std::move(copy.data_);
    }
    return *this;
}

void CanvasBuffer::SetSize(int width, int height)
{
    width = std::clamp(width, 0, MaxSide);
    height = std::clamp(height, 0, MaxSide);
    if (width == width_ && height == height_) return;
    const size_t count = size_t(width) * size_t(height);
    std::unique_ptr<uint32_t[]> resized = count ? std::make_unique_for_overwrite<uint32_t[]>(count) : nullptr;
    std::fill_n(resized.get(), count, CanvasPixel(0xFFFFFF));
    const int keepW = std::min(width, width_);
    const int keepH = std::min(height, height_);
    for (int y = 0; keepW > 0 && y < keepH; ++y)
        std::memcpy(resized.get() + size_t(y) * size_t(width), Row(y), size_t(keepW) * 4);
    data_ = std::move(resized);
    width_ = width;
    height_ = height;
}

TColor CanvasBuffer::Pixel(int x, int y) const
{
    if (!Contains(x, y)) return 0;
    const uint32_t p = Row(y)[x];
    return MakeColor(int((p >> 16) & 0xFF), int((p >> 8) & 0xFF), int(p & 0xFF));
}

void CanvasBuffer::SetPixel(int x, int y, TColor c)
{
    if (Contains(x, y)) Row(y)[x] = CanvasPixel(c);
}

void CanvasBuffer::Fill(TColor c)
{
    std::fill_n(data_.get(), size_t(width_) * size_t(height_), CanvasPixel(c));
}

QImage CanvasBuffer::ConstImage() const
{
    if (IsEmpty()) return QImage();
    return QImage(reinterpret_cast<const uchar*>(data_.get()), width_, height_, qsizetype(width_) * 4,
                  QImage::Format_RGB32);
}

bool operator==(const CanvasBuffer& a, const CanvasBuffer& b)
{
    if (a.width_ != b.width_ || a.height_ != b.height_) return false;
    if (a.IsEmpty()) return true;
    return std::memcmp(a.data_.get(), b.data_.get(), size_t(a.width_) * size_t(a.height_) * 4) == 0;
}
