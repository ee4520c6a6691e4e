#include "platform/bitmap24.h"

#include <algorithm>
#include <cstring>

void Bitmap24::SetSize(int width, int height)
{
    width = std::clamp(width, 0, MaxSide);
    height = std::clamp(height, 0, MaxSide);
    if (width == width_ && height == height_) return;

    const int stride = Bitmap24Stride(width);
    std::vector<uint8_t> data(size_t(stride) * size_t(height), 0xFF);
    const int keepW = std::min(width, width_);
    const int keepH = std::min(height, height_);
    for (int y = 0; keepW > 0 && y < keepH; ++y)
        std::memcpy(data.data() + size_t(y) * size_t(stride), Row(y), size_t(keepW) * 3);
    data_.swap(data);
    width_ = width;
    height_ = height;
    stride_ = stride;
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
    return QImage(data_.data(), width_, height_, stride_, QImage::Format_BGR888);
}

QImage Bitmap24::ConstImage() const
{
    if (IsEmpty()) return QImage();
    return QImage(data_.data(), width_, height_, stride_, QImage::Format_BGR888);
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
