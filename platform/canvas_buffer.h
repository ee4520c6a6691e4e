#pragma once
// The document window's back buffer: the magnified format with its checkerboard and grid, kept in
// the 32-bit layout of the window system's backing store (blue, green, red, 0xFF in memory), so a
// paint is a plain copy and never a conversion of every pixel on each repaint.
#include <cstdint>
#include <memory>

#include <QImage>

#include "platform/color.h"
#include "platform/rect.h"

class CanvasBuffer {
public:
    static constexpr int MaxSide = 65535;

    CanvasBuffer() = default;
    CanvasBuffer(const CanvasBuffer& other);
    CanvasBuffer& operator=(const CanvasBuffer& other);

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool IsEmpty() const { return width_ <= 0 || height_ <= 0; }
    Rect Bounds() const { return SizeRect(width_, height_); }
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    // Changes the size; pixels inside both sizes are kept, the rest become white.
    void SetSize(int width, int height);

    // Four bytes a pixel: blue, green, red, 0xFF.
    uint32_t* Row(int y) { return data_.get() + size_t(y) * size_t(width_); }
    const uint32_t* Row(int y) const { return data_.get() + size_t(y) * size_t(width_); }

    // Pixel as a colour value (r + g*256 + b*65536); outside reads 0 and writes nothing.
    TColor Pixel(int x, int y) const;
    void SetPixel(int x, int y, TColor c);
    void Fill(TColor c);

    // A read-only QImage (Format_RGB32) over our memory, no copy; valid until the next SetSize.
    QImage ConstImage() const;

    friend bool operator==(const CanvasBuffer& a, const CanvasBuffer& b);

private:
    int width_ = 0;
    int height_ = 0;
    std::unique_ptr<uint32_t[]> data_;
};

// A colour value as the buffer stores it.
inline uint32_t CanvasPixel(TColor c) { return 0xFF000000u | (uint32_t(ColorR(c)) << 16) | (uint32_t(ColorG(c)) << 8) | ColorB(c); }
inline uint32_t CanvasPixel(int b, int g, int r) { return 0xFF000000u | (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b); }
