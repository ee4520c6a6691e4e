#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "imaging/resample.h"
#include "support/test_support.h"

namespace {

Bitmap24 Uniform(int w, int h, TColor c)
{
    Bitmap24 b(w, h);
    b.Fill(c);
    return b;
}

bool AllEqual(const Bitmap24& b, const Rect& r, TColor c)
{
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x)
            if (b.Pixel(x, y) != c) return false;
    return true;
}

// The area average computed the slow, obvious way: every source pixel's overlap with every
// destination cell, divided by the cell's area, truncated.
int ReferenceAverage(const Bitmap24& src, int sw, int sh, int dw, int dh, int X, int Y, int channel)
{
    const double sx = double(sw) / dw, sy = double(sh) / dh;
    double sum = 0;
    for (int j = 0; j < sh; ++j)
        for (int i = 0; i < sw; ++i) {
            const double ox = std::max(0.0, std::min(i + 1.0, (X + 1) * sx) - std::max(double(i), X * sx));
            const double oy = std::max(0.0, std::min(j + 1.0, (Y + 1) * sy) - std::max(double(j), Y * sy));
            sum += src.Row(j)[i * 3 + channel] * ox * oy;
        }
    return int(sum / (sx * sy) + 1e-6);
}

} // namespace

TEST(CubicKernel, WeightsAndInterpolation)
{
    EXPECT_DOUBLE_EQ(CubicWeight(0), 1);
    EXPECT_DOUBLE_EQ(CubicWeight(1), 0);
    EXPECT_DOUBLE_EQ(CubicWeight(-1), 0);
    EXPECT_DOUBLE_EQ(CubicWeight(2), 0);
    EXPECT_DOUBLE_EQ(CubicWeight(0.5), 0.625);
    EXPECT_DOUBLE_EQ(CubicWeight(-1.5), -0.125);
    EXPECT_DOUBLE_EQ(CubicWeight(7), 0);

    const uint8_t p0[3] = {0, 255, 10}, p1[3] = {100, 255, 20}, p2[3] = {200, 255, 30}, p3[3] = {0, 255, 40};
    uint8_t out[3];
    CubicInterpolate(out, 0, p0, p1, p2, p3);
    EXPECT_EQ(out[0], 100);
    EXPECT_EQ(out[1], 255);
    CubicInterpolate(out, 0.5, p0, p1, p2, p3);
    // -0.125*0 + 0.625*100 + 0.625*200 - 0.125*0 = 187.5, truncated.
    EXPECT_EQ(out[0], 187);
    EXPECT_EQ(out[1], 255); // a flat signal stays flat
    EXPECT_EQ(out[2], 25);
    // Overshoot is clamped.
    const uint8_t lo[3] = {0, 0, 0}, hi[3] = {255, 255, 255};
    CubicInterpolate(out, 0.5, lo, hi, hi, lo);
    EXPECT_EQ(out[0], 255);
}

TEST(Resample, EqualSizesCopyExactly)
{
    const Bitmap24 src = NoiseBitmap(16, 16, 1);
    Bitmap24 dst(16, 16);
    ResampleBitmap(src, dst, 16, 16, 16, 16);
    EXPECT_TRUE(src == dst);
}

TEST(Resample, HalvingAveragesTwoByTwoBlocks)
{
    const Bitmap24 src = NoiseBitmap(16, 16, 2);
    Bitmap24 dst(8, 8);
    ResampleBitmap(src, dst, 16, 16, 8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            for (int c = 0; c < 3; ++c) {
                const int sum = src.Row(2 * y)[6 * x + c] + src.Row(2 * y)[6 * x + 3 + c] + src.Row(2 * y + 1)[6 * x + c]
                    + src.Row(2 * y + 1)[6 * x + 3 + c];
                ASSERT_EQ(dst.Row(y)[3 * x + c], sum / 4) << x << "," << y;
            }
}

TEST(Resample, UnevenReductionMatchesTheAreaAverage)
{
    const Bitmap24 src = NoiseBitmap(23, 17, 3);
    Bitmap24 dst(7, 5);
    ResampleBitmap(src, dst, 23, 17, 7, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            for (int c = 0; c < 3; ++c) ASSERT_EQ(dst.Row(y)[3 * x + c], ReferenceAverage(src, 23, 17, 7, 5, x, y, c));
}

TEST(Resample, EnlargingSamplesWithoutHalfPixelOffset)
{
    const Bitmap24 src = NoiseBitmap(16, 16, 4);
    Bitmap24 dst(32, 32);
    ResampleBitmap(src, dst, 16, 16, 32, 32);
    // Every even destination pixel sits exactly on a source pixel.
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) ASSERT_EQ(dst.Pixel(2 * x, 2 * y), src.Pixel(x, y));
    // Odd ones are interpolated between their neighbours, as the kernel says.
    uint8_t expect[3];
    const uint8_t* row = src.Row(0);
    CubicInterpolate(expect, 0.5, row, row, row + 3, row + 6);
    EXPECT_EQ(dst.Row(0)[3], expect[0]);
    EXPECT_EQ(dst.Row(0)[4], expect[1]);
}

TEST(Resample, MixedDirectionsTakeTheBicubicPath)
{
    const Bitmap24 src = NoiseBitmap(48, 16, 5);
    Bitmap24 viaResample(32, 32), viaBicubic(32, 32);
    ResampleBitmap(src, viaResample, 48, 16, 32, 32);
    EnlargeBicubic(src, viaBicubic, SizeRect(48, 16), SizeRect(32, 32));
    EXPECT_TRUE(viaResample == viaBicubic);
}

TEST(Resample, OnePixelColumnIsRepeated)
{
    const Bitmap24 src = NoiseBitmap(1, 16, 6);
    Bitmap24 dst(5, 16);
    ResampleBitmap(src, dst, 1, 16, 5, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 5; ++x) ASSERT_EQ(dst.Pixel(x, y), src.Pixel(0, y));
}

TEST(Resample, UniformAreasStayUniformOnEveryPath)
{
    struct Case {
        int sw, sh, dw, dh;
    };
    const Case cases[] = {{16, 16, 256, 256}, {16, 16, 37, 23}, {3, 3, 250, 250}, {256, 256, 48, 48},
                          {256, 256, 17, 17}, {100, 30, 3, 7}, {48, 16, 32, 32}, {7, 7, 7, 13}};
    for (const TColor c : {0xFFFFFFu, 0u, MakeColor(1, 128, 254), MakeColor(255, 0, 255)}) {
        for (const Case& k : cases) {
            const Bitmap24 src = Uniform(k.sw, k.sh, c);
            Bitmap24 dst(k.dw, k.dh);
            dst.Fill(0x123456);
            ResampleBitmap(src, dst, k.sw, k.sh, k.dw, k.dh);
            EXPECT_TRUE(AllEqual(dst, SizeRect(k.dw, k.dh), c)) << k.sw << "x" << k.sh << " to " << k.dw << "x" << k.dh;
            Bitmap24 stretched(k.dw, k.dh);
            StretchBilinear(src, stretched, k.sw, k.sh, k.dw, k.dh);
            EXPECT_TRUE(AllEqual(stretched, SizeRect(k.dw, k.dh), c)) << "bilinear " << k.sw << " to " << k.dw;
        }
    }
}

TEST(Resample, EmptyRectanglesLeaveTheDestinationAlone)
{
    const Bitmap24 src = NoiseBitmap(16, 16, 7);
    Bitmap24 dst = Uniform(16, 16, 0x123456);
    ResampleRect(src, dst, Rect{4, 0, 4, 16}, SizeRect(16, 16));
    ResampleRect(src, dst, SizeRect(16, 16), Rect{0, 3, 16, 3});
    ResampleRect(src, dst, Rect{20, 20, 30, 30}, SizeRect(16, 16)); // entirely outside
    ResampleRect(Bitmap24(), dst, SizeRect(16, 16), SizeRect(16, 16));
    EXPECT_TRUE(AllEqual(dst, SizeRect(16, 16), 0x123456));
}

TEST(Resample, RectanglesAreNormalisedAndClipped)
{
    const Bitmap24 src = NoiseBitmap(16, 16, 8);
    Bitmap24 a(16, 16), b(16, 16);
    ResampleRect(src, a, Rect{16, 16, 0, 0}, Rect{-10, -10, 8, 8});
    ResampleRect(src, b, SizeRect(16, 16), SizeRect(8, 8));
    EXPECT_TRUE(a == b);
    // Enlarging reads neighbours from the whole bitmap, never beyond it.
    Bitmap24 big(64, 64);
    ResampleRect(src, big, Rect{14, 14, 40, 40}, SizeRect(64, 64));
    ResampleRect(src, big, Rect{0, 0, 1, 1}, Rect{60, 60, 90, 90});
    EXPECT_EQ(big.Pixel(60, 60), src.Pixel(0, 0));
}

TEST(Resample, SourceAndDestinationMayBeTheSameBitmap)
{
    Bitmap24 b = NoiseBitmap(32, 32, 9);
    const Bitmap24 original = b;
    Bitmap24 expected = b;
    ResampleRect(original, expected, SizeRect(16, 16), Rect{8, 8, 32, 32});
    ResampleRect(b, b, SizeRect(16, 16), Rect{8, 8, 32, 32});
    EXPECT_TRUE(b == expected);
    Bitmap24 shrunk = original;
    expected = original;
    ResampleRect(original, expected, SizeRect(32, 32), SizeRect(10, 10));
    ResampleRect(shrunk, shrunk, SizeRect(32, 32), SizeRect(10, 10));
    EXPECT_TRUE(shrunk == expected);
}

TEST(StretchBilinear, InterpolatesBetweenNeighbours)
{
    Bitmap24 src(2, 1);
    src.SetPixel(0, 0, 0);
    src.SetPixel(1, 0, MakeColor(100, 200, 255));
    Bitmap24 dst(4, 1);
    StretchBilinear(src, dst, 2, 1, 4, 1);
    EXPECT_EQ(dst.Pixel(0, 0), 0u);
    EXPECT_EQ(dst.Pixel(1, 0), MakeColor(50, 100, 127));
    EXPECT_EQ(dst.Pixel(2, 0), MakeColor(100, 200, 255));
    EXPECT_EQ(dst.Pixel(3, 0), MakeColor(100, 200, 255));
}

TEST(StretchBilinear, SizesBeyondTheBitmapsAreHeldInside)
{
    const Bitmap24 src = NoiseBitmap(8, 8, 10);
    Bitmap24 dst = Uniform(16, 16, 0x123456);
    StretchBilinear(src, dst, 8, 8, 0, 16);
    StretchBilinear(src, dst, -3, 8, 16, 16);
    EXPECT_TRUE(AllEqual(dst, SizeRect(16, 16), 0x123456));
    StretchBilinear(src, dst, 64, 64, 128, 128); // both larger than their bitmaps
    EXPECT_EQ(dst.Pixel(0, 0), src.Pixel(0, 0));
    EXPECT_EQ(dst.Pixel(14, 14), src.Pixel(7, 7));
}
