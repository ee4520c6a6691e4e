#include "platform/bitmap24.h"

#include <algorithm>
#include <cstring>
#include <utility>

Bitmap24::Bitmap24(int width, int height, UnsetPixels)
    : width_(std::clamp(width, 0, MaxSide)), height_(std::clamp(height, 0, MaxSide)), stride_(Bitmap24Stride(width_)),
      size_(size_t(stride_) * size_t(height_))
{
    if (size_ > 0) data_ = std::make_unique_for_overwrite<uint8_t[]>(size_);
    const size_t rowBytes = size_t(width_) * 3;
    if (size_t(stride_) == rowBytes) return;
    for (int y = 0; y < height_; ++y) std::memset(Row(y) + rowBytes, 0xFF, size_t(stride_) - rowBytes);
}

Bitmap24::Bitmap24(const Bitmap24& other)
    : width_(other.width_), height_(other.height_), stride_(other.stride_), size_(other.size_)
{
    if (size_ == 0) return;
    data_ = std::make_unique_for_overwrite<uint8_t[]>(size_);
    std::memcpy(data_.get(), other.data_.get(), size_);
}

Bitmap24& Bitmap24::operator=(const Bitmap24& other)
{
    if (this == &other) return *this;
    if (size_ != other.size_) {
        data_ = other.size_ > 0 ? std::make_unique_for_overwrite<uint8_t[]>(other.size_) : nullptr;
        size_ = other.size_;
    }
    if (size_ > 0) std::memcpy(data_.get(), other.data_.get(), size_);
    width_ = other.width_;
    height_ = other.height_;
    stride_ = other.stride_;
    return *this;
}

Bitmap24::Bitmap24(Bitmap24&& other) noexcept
    : width_(std::exchange(other.width_, 0)), height_(std::exchange(other.height_, 0)),
      stride_(std::exchange(other.stride_, 0)), data_(std::move(other.data_)), size_(std::exchange(other.size_, 0))
{
}

Bitmap24& Bitmap24::operator=(Bitmap24&& other) noexcept
{
    if (this == &other) return *this;
    width_ = std::exchange(other.width_, 0);
    height_ = std::exchange(other.height_, 0);
    stride_ = std::exchange(other.stride_, 0);
    data_ = std::move(other.data_);
    size_ = std::exchange(other.size_, 0);
    return *this;
}

void Bitmap24::SetSize(int width, int height)
{
    width = std::clamp(width, 0, MaxSide);
    height = std::clamp(height, 0, MaxSide);
    if (width == width_ && height == height_) return;

    Bitmap24 resized(width, height, UnsetPixels{});
    if (resized.size_ > 0) std::memset(resized.data_.get(), 0xFF, resized.size_);
    const int keepW = std::min(width, width_);
    const int keepH = std::min(height, height_);
    for (int y = 0; keepW > 0 && y < keepH; ++y) std::memcpy(resized.Row(y), Row(y), size_t(keepW) * 3);
    *this = std::move(resized);
}

TColor Bitmap24::Pixel(int x, int y) const
{
    if (!Contains(x, y)) return 0;
    return ReadPixel(Row(y) + x * 3);
}

void Bitmap24::SetPixel(int x, int y, TColor c)
{
    if (!Contains(x, y)) return;
    WritePixel(Row(y) + x * 3, c);
}

void Bitmap24::Fill(TColor c)
{
    if (IsEmpty()) return;
    uint8_t* first = Row(0);
    for (int x = 0; x < width_; ++x) WritePixel(first + x * 3, c);
    for (int y = 1; y < height_; ++y) std::memcpy(Row(y), first, size_t(width_) * 3);
}

QImage Bitmap24::Image()
{
    if (IsEmpty()) return QImage();
    return QImage(Bits(), width_, height_, stride_, QImage::Format_BGR888);
}

QImage Bitmap24::ConstImage() const
{
    if (IsEmpty()) return QImage();
    return QImage(Bits(), width_, height_, stride_, QImage::Format_BGR888);
}

QImage Bitmap24::ToQImage(QImage::Format format) const
{
    if (IsEmpty()) return QImage();
    return ConstImage().convertToFormat(format);
}

void Bitmap24::FromQImage(const QImage& image)
{
    if (image.isNull()) {
        SetSize(0, 0);
        return;
    }
    const QImage src = image.convertToFormat(QImage::Format_BGR888);
    SetSize(src.width(), src.height());
    for (int y = 0; y < height_; ++y)
        std::memcpy(Row(y), src.constScanLine(y), size_t(width_) * 3);
}

bool operator==(const Bitmap24& a, const Bitmap24& b)
{
    if (a.width_ != b.width_ || a.height_ != b.height_) return false;
    for (int y = 0; y < a.height_; ++y)
        if (std::memcmp(a.Row(y), b.Row(y), size_t(a.width_) * 3) != 0) return false;
    return true;
}
