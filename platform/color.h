#pragma once
// Colour values as the rest of the program passes them around: a 32-bit value with red in the
// low byte, green in the second and blue in the third (never QRgb, whose blue is low).
#include <cstdint>
#include <QColor>

using TColor = uint32_t;

constexpr TColor MakeColor(int r, int g, int b)
{
    return TColor(r & 0xFF) | (TColor(g & 0xFF) << 8) | (TColor(b & 0xFF) << 16);
}
constexpr int ColorR(TColor c) { return int(c & 0xFF); }
constexpr int ColorG(TColor c) { return int((c >> 8) & 0xFF); }
constexpr int ColorB(TColor c) { return int((c >> 16) & 0xFF); }

// A 24-bit pixel is stored blue, green, red; read as a colour value it is r + g*256 + b*65536.
inline TColor ReadPixel(const uint8_t* p) { return TColor(p[2]) | (TColor(p[1]) << 8) | (TColor(p[0]) << 16); }
inline void WritePixel(uint8_t* p, TColor c)
{
    p[0] = uint8_t(ColorB(c));
    p[1] = uint8_t(ColorG(c));
    p[2] = uint8_t(ColorR(c));
}

inline QColor ToQColor(TColor c) { return QColor(ColorR(c), ColorG(c), ColorB(c)); }
inline TColor FromQColor(const QColor& q)
{
    const QColor rgb = q.toRgb();
    return MakeColor(rgb.red(), rgb.green(), rgb.blue());
}

// Lays channel c over ground g with mask m (0 opaque .. 255 transparent). Dividing by 255 with
// rounding keeps opaque colours exactly as they are; every display, export and clipboard path uses it.
constexpr int CompositeChannel(int c, int g, int m)
{
    return (c * (255 - m) + g * m + 127) / 255;
}
