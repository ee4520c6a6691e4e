#include "platform/bitmap24.h"

#include <algorithm>
#include <cstring>
#include <mutex>
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

namespace {

// Unparking takes a lock of a few shared by all bitmaps, picked by address: a bitmap costs
// nothing more, and two threads reaching one parked bitmap make its pixels once.
std::mutex& LockOf(const Bitmap24* bitmap)
{
    static std::mutex locks[64];
    return locks[(reinterpret_cast<uintptr_t>(bitmap) >> 6) % 64];
}

} // namespace

Bitmap24::Bitmap24(const Bitmap24& other) { CopyFrom(other); }

Bitmap24& Bitmap24::operator=(const Bitmap24& other)
{
    if (this != &other) CopyFrom(other);
    return *this;
}

void Bitmap24::CopyFrom(const Bitmap24& other)
{
    if (other.parked_.load(std::memory_order_acquire)) {
        std::lock_guard lock(LockOf(&other));
        if (other.parked_.load(std::memory_order_relaxed)) {
            width_ = other.width_;
            height_ = other.height_;
            stride_ = other.stride_;
            size_ = other.size_;
            data_.reset();
            source_ = other.source_;
            role_ = other.role_;
            parked_.store(true, std::memory_order_release);
            return;
        }
    }
    source_.reset();
    parked_.store(false, std::memory_order_release);
    if (size_ != other.size_ || !data_) {
        data_ = other.size_ > 0 ? std::make_unique_for_overwrite<uint8_t[]>(other.size_) : nullptr;
        size_ = other.size_;
    }
    if (size_ > 0) std::memcpy(data_.get(), other.data_.get(), size_);
    width_ = other.width_;
    height_ = other.height_;
    stride_ = other.stride_;
}

Bitmap24::Bitmap24(Bitmap24&& other) noexcept
    : width_(std::exchange(other.width_, 0)), height_(std::exchange(other.height_, 0)),
      stride_(std::exchange(other.stride_, 0)), data_(std::move(other.data_)), size_(std::exchange(other.size_, 0)),
      source_(std::move(other.source_)), role_(other.role_),
      parked_(other.parked_.exchange(false, std::memory_order_acq_rel))
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
    source_ = std::move(other.source_);
    role_ = other.role_;
    parked_.store(other.parked_.exchange(false, std::memory_order_acq_rel), std::memory_order_release);
    return *this;
}

void Bitmap24::Park(std::shared_ptr<const Bitmap24Source> source, int role)
{
    if (!source || IsEmpty()) return;
    data_.reset();
    source_ = std::move(source);
    role_ = role;
    parked_.store(true, std::memory_order_release);
}

void Bitmap24::UnparkSlow() const
{
    std::lock_guard lock(LockOf(this));
    if (!parked_.load(std::memory_order_relaxed)) return;
    Bitmap24 made = source_->Produce(role_);
    // Sources are made from bytes that decoded once to this very size; should one still differ,
    // white pixels keep every reader inside the bitmap.
    if (made.width_ != width_ || made.height_ != height_ || made.IsParked()) made = Bitmap24(width_, height_);
    data_ = std::move(made.data_);
    source_.reset();
    parked_.store(false, std::memory_order_release);
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
    // Every pixel is written next: parked pixels need not be made first.
    if (IsParked()) {
        Bitmap24 fresh(width_, height_, UnsetPixels{});
        data_ = std::move(fresh.data_);
        source_.reset();
        parked_.store(false, std::memory_order_release);
    }
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
