#pragma once
// The one working bitmap of the program: 24 bits per pixel, rows top to bottom, each row blue,
// green, red bytes padded to a multiple of four. A new bitmap is white. For drawing it hands out a
// QImage (Format_BGR888) over the same memory, so QPainter writes straight into our bytes.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include <QImage>

#include "platform/color.h"
#include "platform/rect.h"

class Bitmap24;

// Makes again the pixels of a bitmap that was parked (see Bitmap24::Park): e.g. one image of an
// icon file, decoded once when the file was read and dropped until someone looks at it.
class Bitmap24Source {
public:
    virtual ~Bitmap24Source() = default;
    // The pixels of the bitmap with this role, of exactly the size the parked bitmap has. Called
    // from any thread, at most once per parked bitmap.
    virtual Bitmap24 Produce(int role) const = 0;
};

class Bitmap24 {
public:
    // Largest side we accept; keeps every size computation far from overflow.
    static constexpr int MaxSide = 65535;

    // Picks the constructor for makers that write every pixel right away (file readers): the
    // pixel bytes start undefined instead of white, which spares a pass over memory that is
    // overwritten anyway. The row padding is white as in every other bitmap.
    struct UnsetPixels {};

    Bitmap24() = default;
    Bitmap24(int width, int height) { SetSize(width, height); }
    Bitmap24(int width, int height, UnsetPixels);
    Bitmap24(const Bitmap24& other);
    Bitmap24& operator=(const Bitmap24& other);
    // A moved-from bitmap is empty.
    Bitmap24(Bitmap24&& other) noexcept;
    Bitmap24& operator=(Bitmap24&& other) noexcept;

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Stride() const { return stride_; }
    bool IsEmpty() const { return width_ <= 0 || height_ <= 0; }
    Rect Bounds() const { return SizeRect(width_, height_); }
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    // Changes the size; pixels inside both the old and new size are kept, the rest become white.
    // Negative sizes count as 0; sides above MaxSide are clamped.
    void SetSize(int width, int height);

    uint8_t* Row(int y) { Unpark(); return data_.get() + size_t(y) * size_t(stride_); }
    const uint8_t* Row(int y) const { Unpark(); return data_.get() + size_t(y) * size_t(stride_); }
    uint8_t* Bits() { Unpark(); return data_.get(); }
    const uint8_t* Bits() const { Unpark(); return data_.get(); }
    size_t ByteCount() const { return size_; }

    // Pixel as a colour value (r + g*256 + b*65536); outside the bitmap reads 0 and writes nothing.
    TColor Pixel(int x, int y) const;
    void SetPixel(int x, int y, TColor c);
    // The first (blue) byte of a pixel: where masks keep their transparency.
    uint8_t Byte0(int x, int y) const { return Contains(x, y) ? Row(y)[x * 3] : 0; }

    void Fill(TColor c);

    // A QImage over our own memory (no copy). Valid until the next SetSize or destruction.
    QImage Image();
    // A read-only QImage over our memory (no copy).
    QImage ConstImage() const;
    // A deep copy as a QImage of the given format, for hand-over to Qt (clipboard, previews).
    QImage ToQImage(QImage::Format format = QImage::Format_RGB32) const;
    // Copies a QImage of any format in (size and pixels); alpha is dropped.
    void FromQImage(const QImage& image);

    friend bool operator==(const Bitmap24& a, const Bitmap24& b);

    // Drops the pixels, keeping the size: the source makes them again the first time anyone
    // reaches them, from any thread. A large icon holds only the images a person has looked at.
    // Copies of a parked bitmap share its source and stay parked.
    void Park(std::shared_ptr<const Bitmap24Source> source, int role);
    bool IsParked() const { return parked_.load(std::memory_order_acquire); }

private:
    void Unpark() const
    {
        if (parked_.load(std::memory_order_acquire)) UnparkSlow();
    }
    void UnparkSlow() const;
    // Takes the other bitmap's pixels or its parking.
    void CopyFrom(const Bitmap24& other);

    int width_ = 0;
    int height_ = 0;
    int stride_ = 0;
    // Plain new[] memory (std::vector would zero it first), size_ bytes.
    // Written by the one thread that unparks, under its lock, before parked_ is cleared.
    mutable std::unique_ptr<uint8_t[]> data_;
    size_t size_ = 0;
    mutable std::shared_ptr<const Bitmap24Source> source_;
    int role_ = 0;
    mutable std::atomic<bool> parked_{false};
};

inline int Bitmap24Stride(int width) { return ((width * 3) + 3) & ~3; }
