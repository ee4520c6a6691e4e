#pragma once
// Resampling between 24-bit bitmaps: plain copy at equal size, bicubic enlargement, area-average
// reduction, and a bilinear whole-bitmap stretch. Every channel is handled on its own, so colour
// bitmaps and masks are served alike.
#include <cstdint>

#include "platform/bitmap24.h"
#include "platform/rect.h"

// Resamples SrcRect of Src into DstRect of Dst. Both rectangles are normalised and clipped to
// their bitmaps first; nothing happens when either ends up empty.
void ResampleRect(const Bitmap24& src, Bitmap24& dst, Rect srcRect, Rect dstRect);
void ResampleBitmap(const Bitmap24& src, Bitmap24& dst, int srcWidth, int srcHeight, int dstWidth, int dstHeight);

void EnlargeBicubic(const Bitmap24& src, Bitmap24& dst, Rect srcRect, Rect dstRect);
// Only the part (in the enlargement's own coordinates) of the bicubic enlargement of SrcRect to
// Dw x Dh, written to Dst with the enlargement's origin at (DstX, DstY): the same pixels the whole
// enlargement holds there, without computing the rest.
void EnlargeBicubicPart(const Bitmap24& src, Rect srcRect, int dw, int dh, Rect part, Bitmap24& dst, int dstX,
                        int dstY);
void ShrinkAreaAverage(const Bitmap24& src, Bitmap24& dst, Rect srcRect, Rect dstRect);

// The cubic convolution kernel with a = -1.
double CubicWeight(double x);
// Four-point interpolation at fraction T between P1 and P2, each channel truncated and clamped.
void CubicInterpolate(uint8_t* result, double t, const uint8_t* p0, const uint8_t* p1, const uint8_t* p2,
                      const uint8_t* p3);

// Stretches the whole SrcWidth x SrcHeight source over DstWidth x DstHeight of Dst, bilinear.
void StretchBilinear(const Bitmap24& src, Bitmap24& dst, int srcWidth, int srcHeight, int dstWidth, int dstHeight);

// Truncation toward zero that forgives the last bits of float error, so a value computed as
// 254.99999999 from a uniform 255 area stays 255.
inline int TruncForgiving(double x)
{
    constexpr double slack = 1e-6;
    const double v = x >= 0 ? x + slack : x - slack;
    if (!(v > -2147483648.0)) return -2147483647 - 1;
    if (v >= 2147483647.0) return 2147483647;
    return int(v);
}
// The same for a channel value, clamped to 0..255 (NaN gives 0); free of branches so that
// loops over it vectorise.
inline uint8_t TruncForgivingByte(double x)
{
    double v = x + 1e-6;
    v = v > 0.0 ? v : 0.0;
    v = v < 255.0 ? v : 255.0;
    return uint8_t(int(v));
}
