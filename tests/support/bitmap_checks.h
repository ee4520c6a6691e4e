#pragma once
// Bitmap helpers for tests: filled bitmaps, packed pixel bytes, and pixel checks whose failures
// name every pixel that differs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <vector>

#include <QByteArray>
#include <QFile>
#include <QString>

#include "platform/bitmap24.h"

inline Bitmap24 FilledBitmap(int width, int height, TColor color)
{
    Bitmap24 b(width, height);
    b.Fill(color);
    return b;
}

constexpr TColor GreyColor(int v) { return MakeColor(v, v, v); }

// The pixels as packed blue, green, red bytes, rows top to bottom, no padding.
inline std::vector<uint8_t> PackedPixels(const Bitmap24& b)
{
    const size_t rowBytes = size_t(std::max(b.Width(), 0)) * 3;
    std::vector<uint8_t> out(rowBytes * size_t(std::max(b.Height(), 0)));
    for (int y = 0; y < b.Height(); ++y) std::memcpy(out.data() + size_t(y) * rowBytes, b.Row(y), rowBytes);
    return out;
}

// Pixel (x, y) of a packed buffer of the given width, as a colour value.
inline TColor PackedPixel(const std::vector<uint8_t>& packed, int width, int x, int y)
{
    return ReadPixel(packed.data() + (size_t(y) * size_t(width) + size_t(x)) * 3);
}

// The smallest rectangle holding every pixel for which Hit holds; {W, H, 0, 0} when there is none.
inline Rect BoundsWhere(const Bitmap24& b, const std::function<bool(TColor)>& hit)
{
    Rect r{b.Width(), b.Height(), 0, 0};
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            if (hit(b.Pixel(x, y))) {
                r.Left = std::min(r.Left, x);
                r.Top = std::min(r.Top, y);
                r.Right = std::max(r.Right, x + 1);
                r.Bottom = std::max(r.Bottom, y + 1);
            }
    return r;
}

// The smallest rectangle holding every pixel that is not Background.
inline Rect ChangedRect(const Bitmap24& b, TColor background)
{
    return BoundsWhere(b, [background](TColor c) { return c != background; });
}

// Inner lies within Outer.
inline ::testing::AssertionResult RectWithin(const Rect& inner, const Rect& outer)
{
    if (inner.Left >= outer.Left && inner.Top >= outer.Top && inner.Right <= outer.Right && inner.Bottom <= outer.Bottom)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << inner.Left << "," << inner.Top << ")-(" << inner.Right << ","
                                         << inner.Bottom << ") is not within (" << outer.Left << "," << outer.Top
                                         << ")-(" << outer.Right << "," << outer.Bottom << ")";
}

inline int CountPixels(const Bitmap24& b, TColor color)
{
    int n = 0;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) n += b.Pixel(x, y) == color;
    return n;
}

struct PixelIs {
    int X;
    int Y;
    TColor Color;
};

// Every listed pixel holds its colour (all three bytes).
inline ::testing::AssertionResult PixelsAre(const Bitmap24& b, std::initializer_list<PixelIs> want)
{
    ::testing::AssertionResult result = ::testing::AssertionSuccess();
    bool ok = true;
    for (const PixelIs& p : want) {
        const TColor got = b.Pixel(p.X, p.Y);
        if (got == p.Color) continue;
        if (ok) result = ::testing::AssertionFailure();
        ok = false;
        result << "(" << p.X << "," << p.Y << ") is 0x" << std::hex << got << " not 0x" << p.Color << std::dec << "; ";
    }
    return result;
}

// Every pixel of Area holds Color.
inline ::testing::AssertionResult AreaIs(const Bitmap24& b, const Rect& area, TColor color)
{
    for (int y = area.Top; y < area.Bottom; ++y)
        for (int x = area.Left; x < area.Right; ++x)
            if (b.Pixel(x, y) != color)
                return ::testing::AssertionFailure() << "(" << x << "," << y << ") is 0x" << std::hex << b.Pixel(x, y)
                                                     << " not 0x" << color;
    return ::testing::AssertionSuccess();
}

inline QByteArray ReadFileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
