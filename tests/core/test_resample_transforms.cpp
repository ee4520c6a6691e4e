#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

#include "imaging/resample.h"
#include "imaging/transforms.h"
#include "support/bitmap_checks.h"
#include "support/test_support.h"

namespace {

// The area average computed the slow, obvious way: every source pixel's overlap with every
// destination cell, divided by the cell's area, truncated.
int ReferenceAverage(const Bitmap24& src, int dw, int dh, int X, int Y, int channel)
{
    const double sx = double(src.Width()) / dw, sy = double(src.Height()) / dh;
    double sum = 0;
    for (int j = 0; j < src.Height(); ++j)
        for (int i = 0; i < src.Width(); ++i) {
            const double ox = std::max(0.0, std::min(i + 1.0, (X + 1) * sx) - std::max(double(i), X * sx));
            const double oy = std::max(0.0, std::min(j + 1.0, (Y + 1) * sy) - std::max(double(j), Y * sy));
            sum += src.Row(j)[i * 3 + channel] * ox * oy;
        }
    return int(sum / (sx * sy) + 1e-6);
}


// dst(x, y) == src(map(x, y)) over the whole of dst.
::testing::AssertionResult Permuted(const Bitmap24& src, const Bitmap24& dst, const std::function<Point(int, int)>& map)
{
    for (int y = 0; y < dst.Height(); ++y)
        for (int x = 0; x < dst.Width(); ++x) {
            const Point p = map(x, y);
            if (dst.Pixel(x, y) != src.Pixel(p.X, p.Y)) return ::testing::AssertionFailure() << "at " << x << "," << y;
        }
    return ::testing::AssertionSuccess();
}

} // namespace

TEST(CubicKernel, WeightsAndInterpolation)
{
    const std::pair<double, double> weights[] = {{0, 1}, {1, 0}, {-1, 0}, {2, 0}, {0.5, 0.625}, {-1.5, -0.125}, {7, 0}};
    for (const auto& [x, w] : weights) EXPECT_DOUBLE_EQ(CubicWeight(x), w) << x;

    const uint8_t p0[3] = {0, 255, 10}, p1[3] = {100, 255, 20}, p2[3] = {200, 255, 30}, p3[3] = {0, 255, 40};
    uint8_t out[3];
    CubicInterpolate(out, 0, p0, p1, p2, p3);
    EXPECT_EQ(out[0], 100);
    EXPECT_EQ(out[1], 255);
    // -0.125*0 + 0.625*100 + 0.625*200 - 0.125*0 = 187.5, truncated; a flat signal stays flat.
    CubicInterpolate(out, 0.5, p0, p1, p2, p3);
    EXPECT_EQ(out[0], 187);
    EXPECT_EQ(out[1], 255);
    EXPECT_EQ(out[2], 25);
    const uint8_t lo[3] = {0, 0, 0}, hi[3] = {255, 255, 255};
    CubicInterpolate(out, 0.5, lo, hi, hi, lo); // overshoot is clamped
    EXPECT_EQ(out[0], 255);
}

TEST(Resample, ReductionMatchesTheAreaAverage)
{
    // Equal sizes copy exactly, halving averages 2 x 2 blocks, uneven reductions share pixels.
    for (auto [sw, sh, dw, dh] : {std::array{16, 16, 16, 16}, std::array{16, 16, 8, 8}, std::array{23, 17, 7, 5}}) {
        const Bitmap24 src = NoiseBitmap(sw, sh, unsigned(sw + dw));
        Bitmap24 dst(dw, dh);
        ResampleBitmap(src, dst, sw, sh, dw, dh);
        for (int y = 0; y < dh; ++y)
            for (int x = 0; x < dw; ++x)
                for (int c = 0; c < 3; ++c) ASSERT_EQ(dst.Row(y)[3 * x + c], ReferenceAverage(src, dw, dh, x, y, c)) << sw << " to " << dw;
    }
}

// Tall reductions gather many whole rows into one cell row: up to some 200 of them the sums are
// kept in 16 bits, beyond in 32. White must stay white and noise must average right on both sides.
TEST(Resample, TallReductionsSumEveryRowWithoutOverflow)
{
    for (auto [sh, dh] : {std::array{200, 1}, std::array{201, 1}, std::array{300, 1}, std::array{1000, 3}}) {
        Bitmap24 white(3, sh);
        white.Fill(0xFFFFFF);
        Bitmap24 out(2, dh);
        ResampleBitmap(white, out, 3, sh, 2, dh);
        for (int y = 0; y < dh; ++y)
            for (int x = 0; x < 2; ++x) ASSERT_EQ(out.Pixel(x, y), TColor(0xFFFFFF)) << sh << " rows to " << dh;
        const Bitmap24 noise = NoiseBitmap(3, sh, unsigned(sh));
        ResampleBitmap(noise, out, 3, sh, 2, dh);
        for (int y = 0; y < dh; ++y)
            for (int x = 0; x < 2; ++x)
                for (int c = 0; c < 3; ++c)
                    ASSERT_EQ(out.Row(y)[3 * x + c], ReferenceAverage(noise, 2, dh, x, y, c)) << sh << " rows to " << dh;
    }
}

TEST(Resample, EnlargingSamplesWithoutHalfPixelOffsetAndMixedDirectionsGoBicubic)
{
    const Bitmap24 src = NoiseBitmap(16, 16, 4);
    Bitmap24 dst(32, 32);
    ResampleBitmap(src, dst, 16, 16, 32, 32);
    // Every even destination pixel sits exactly on a source pixel; odd ones are interpolated
    // between their neighbours, as the kernel says.
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) ASSERT_EQ(dst.Pixel(2 * x, 2 * y), src.Pixel(x, y));
    uint8_t expect[3];
    const uint8_t* row = src.Row(0);
    CubicInterpolate(expect, 0.5, row, row, row + 3, row + 6);
    EXPECT_EQ(dst.Row(0)[3], expect[0]);
    EXPECT_EQ(dst.Row(0)[4], expect[1]);
    // Down a column that sits on the source the odd rows come from the kernel too, truncated.
    const auto sourceRow = [&](int j) { return src.Row(std::clamp(j, 0, 15)); };
    for (int y = 0; y < 16; ++y) {
        CubicInterpolate(expect, 0.5, sourceRow(y - 1), sourceRow(y), sourceRow(y + 1), sourceRow(y + 2));
        ASSERT_EQ(dst.Row(2 * y + 1)[0], expect[0]) << y;
    }

    const Bitmap24 wide = NoiseBitmap(48, 16, 5);
    Bitmap24 viaResample(32, 32), viaBicubic(32, 32);
    ResampleBitmap(wide, viaResample, 48, 16, 32, 32);
    EnlargeBicubic(wide, viaBicubic, SizeRect(48, 16), SizeRect(32, 32));
    EXPECT_TRUE(viaResample == viaBicubic);

    // A one-pixel column is repeated.
    const Bitmap24 column = NoiseBitmap(1, 16, 6);
    Bitmap24 repeated(5, 16);
    ResampleBitmap(column, repeated, 1, 16, 5, 16);
    for (int y = 0; y < 16; ++y) ASSERT_TRUE(AreaIs(repeated, Rect{0, y, 5, y + 1}, column.Pixel(0, y)));
}

TEST(Resample, UniformAreasStayUniformOnEveryPath)
{
    const std::array<int, 4> cases[] = {{16, 16, 256, 256}, {16, 16, 37, 23}, {3, 3, 250, 250}, {256, 256, 48, 48},
                                        {256, 256, 17, 17}, {100, 30, 3, 7},   {48, 16, 32, 32}, {7, 7, 7, 13}};
    for (const TColor c : {0xFFFFFFu, 0u, MakeColor(1, 128, 254), MakeColor(255, 0, 255)}) {
        for (const auto& [sw, sh, dw, dh] : cases) {
            const Bitmap24 src = FilledBitmap(sw, sh, c);
            Bitmap24 dst = FilledBitmap(dw, dh, 0x123456), stretched(dw, dh);
            ResampleBitmap(src, dst, sw, sh, dw, dh);
            EXPECT_TRUE(AreaIs(dst, SizeRect(dw, dh), c)) << sw << "x" << sh << " to " << dw << "x" << dh;
            StretchBilinear(src, stretched, sw, sh, dw, dh);
            EXPECT_TRUE(AreaIs(stretched, SizeRect(dw, dh), c)) << "bilinear " << sw << " to " << dw;
        }
    }
}

TEST(Resample, RectanglesAreNormalisedAndClippedAndEmptyOnesChangeNothing)
{
    const Bitmap24 src = NoiseBitmap(16, 16, 7);
    Bitmap24 dst = FilledBitmap(16, 16, 0x123456);
    ResampleRect(src, dst, Rect{4, 0, 4, 16}, SizeRect(16, 16));
    ResampleRect(src, dst, SizeRect(16, 16), Rect{0, 3, 16, 3});
    ResampleRect(src, dst, Rect{20, 20, 30, 30}, SizeRect(16, 16)); // entirely outside
    ResampleRect(Bitmap24(), dst, SizeRect(16, 16), SizeRect(16, 16));
    EXPECT_TRUE(AreaIs(dst, SizeRect(16, 16), 0x123456));

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
    const Bitmap24 original = NoiseBitmap(32, 32, 9);
    for (auto [from, to] : {std::pair{SizeRect(16, 16), Rect{8, 8, 32, 32}}, std::pair{SizeRect(32, 32), SizeRect(10, 10)}}) {
        Bitmap24 same = original, expected = original;
        ResampleRect(original, expected, from, to);
        ResampleRect(same, same, from, to);
        EXPECT_TRUE(same == expected) << to.Right;
    }
}

TEST(StretchBilinear, InterpolatesAndHoldsSizesInsideTheBitmaps)
{
    Bitmap24 src(2, 1), dst(4, 1);
    src.SetPixel(0, 0, 0);
    src.SetPixel(1, 0, MakeColor(100, 200, 255));
    StretchBilinear(src, dst, 2, 1, 4, 1);
    EXPECT_TRUE(PixelsAre(dst, {{0, 0, 0}, {1, 0, MakeColor(50, 100, 127)}, {2, 0, MakeColor(100, 200, 255)},
                                {3, 0, MakeColor(100, 200, 255)}}));

    const Bitmap24 noise = NoiseBitmap(8, 8, 10);
    Bitmap24 out = FilledBitmap(16, 16, 0x123456);
    StretchBilinear(noise, out, 8, 8, 0, 16);
    StretchBilinear(noise, out, -3, 8, 16, 16);
    EXPECT_TRUE(AreaIs(out, SizeRect(16, 16), 0x123456));
    StretchBilinear(noise, out, 64, 64, 128, 128); // both larger than their bitmaps
    EXPECT_EQ(out.Pixel(0, 0), noise.Pixel(0, 0));
    EXPECT_EQ(out.Pixel(14, 14), noise.Pixel(7, 7));
}

TEST(RotateRectBilinear, QuarterAndHalfTurnsOfSquaresAreExactPermutations)
{
    for (int n : {15, 16, 32}) {
        const Bitmap24 src = NoiseBitmap(n, n, unsigned(n));
        const int m = n - 1;
        // A positive angle turns counter-clockwise: the top right corner comes to the top left.
        const std::pair<int, std::function<Point(int, int)>> turns[] = {
            {90, [m](int x, int y) { return Point{m - y, x}; }},
            {180, [m](int x, int y) { return Point{m - x, m - y}; }},
            {270, [m](int x, int y) { return Point{y, m - x}; }},
            {-90, [m](int x, int y) { return Point{y, m - x}; }},
            {360, [](int x, int y) { return Point{x, y}; }},
            {0, [](int x, int y) { return Point{x, y}; }},
            {-720, [](int x, int y) { return Point{x, y}; }}};
        for (const auto& [angle, map] : turns) {
            Bitmap24 b = src;
            RotateRectBilinear(b, SizeRect(n, n), angle);
            EXPECT_TRUE(Permuted(src, b, map)) << n << " by " << angle;
            if (angle != -90) continue;
            for (int i = 0; i < 4; ++i) RotateRectBilinear(b, SizeRect(n, n), 90);
            EXPECT_TRUE(Permuted(src, b, map)) << n << " four more quarter turns";
        }
    }
    // Mask values move unchanged.
    Bitmap24 mask = FilledBitmap(16, 16, 0);
    mask.SetPixel(0, 0, 0xFFFFFF);
    mask.SetPixel(1, 0, GreyColor(77));
    RotateRectBilinear(mask, SizeRect(16, 16), 180);
    EXPECT_TRUE(PixelsAre(mask, {{15, 15, 0xFFFFFF}, {14, 15, GreyColor(77)}, {0, 0, 0}}));
}

TEST(RotateRectBilinear, OtherAnglesBlendAndBringInWhite)
{
    Bitmap24 b = FilledBitmap(31, 31, MakeColor(200, 100, 0));
    RotateRectBilinear(b, SizeRect(31, 31), 30);
    // The interior stays uniform; a corner comes from outside.
    EXPECT_TRUE(PixelsAre(b, {{15, 15, MakeColor(200, 100, 0)}, {10, 20, MakeColor(200, 100, 0)}, {0, 0, 0xFFFFFF}}));
    Bitmap24 white(20, 20);
    RotateRectBilinear(white, SizeRect(20, 20), 17);
    EXPECT_TRUE(AreaIs(white, SizeRect(20, 20), 0xFFFFFF));

    // Every pixel is the bilinear sample at its turned position, with white beyond the rectangle:
    // positions just left of or above it blend with white, they are not stretched from inside.
    const Bitmap24 src = NoiseBitmap(9, 7, 3);
    Bitmap24 turned = src;
    RotateRectBilinear(turned, SizeRect(9, 7), 30);
    const double s = 0.5, c = std::sqrt(3.0) / 2, cx = 4, cy = 3;
    const auto at = [&](int i, int j, int ch) { return src.Contains(i, j) ? src.Row(j)[i * 3 + ch] : 255; };
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 9; ++x) {
            const double u = cx + (x - cx) * c - (y - cy) * s, v = cy + (y - cy) * c + (x - cx) * s;
            const int i = int(std::floor(u)), j = int(std::floor(v));
            const double fu = u - i, fv = v - j;
            for (int ch = 0; ch < 3; ++ch) {
                const double want = (1 - fv) * ((1 - fu) * at(i, j, ch) + fu * at(i + 1, j, ch))
                                  + fv * ((1 - fu) * at(i, j + 1, ch) + fu * at(i + 1, j + 1, ch));
                ASSERT_NEAR(turned.Row(y)[x * 3 + ch], want, 1.0) << x << "," << y;
            }
        }
}

TEST(RotateRectBilinear, WorksInsideAClippedRectangle)
{
    const Bitmap24 src = NoiseBitmap(20, 20, 3);
    Bitmap24 b = src;
    RotateRectBilinear(b, Rect{4, 4, 12, 12}, 180);
    EXPECT_TRUE(Permuted(src, b, [](int x, int y) {
        const bool inside = x >= 4 && x < 12 && y >= 4 && y < 12;
        return inside ? Point{15 - x, 15 - y} : Point{x, y};
    }));
    b = src;
    RotateRectBilinear(b, Rect{10, 10, 40, 40}, 180); // clipped to (10, 10, 20, 20)
    EXPECT_EQ(b.Pixel(10, 10), src.Pixel(19, 19));
    const Bitmap24 before = b;
    RotateRectBilinear(b, Rect{5, 5, 5, 9}, 90);
    RotateRectBilinear(b, Rect{30, 30, 40, 40}, 90);
    EXPECT_TRUE(b == before);
}

TEST(RotateBitmapNearest, QuarterTurnsCopyEveryPixelAndIndices)
{
    const Bitmap24 src = NoiseBitmap(16, 16, 4);
    Bitmap24 dst(16, 16);
    RotateBitmapNearest(src, dst, SizeRect(16, 16), 90);
    EXPECT_TRUE(Permuted(src, dst, [](int x, int y) { return Point{15 - y, x}; }));
    RotateBitmapNearest(src, dst, SizeRect(16, 16), 0);
    EXPECT_TRUE(dst == src);
    // Indices are copied, never blended: a palette bitmap keeps its values.
    Bitmap24 indices(9, 9), turned(9, 9);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 9; ++x) indices.SetPixel(x, y, TColor((x * 9 + y) % 16));
    RotateBitmapNearest(indices, turned, SizeRect(9, 9), 270);
    EXPECT_TRUE(Permuted(indices, turned, [](int x, int y) { return Point{y, 8 - x}; }));
    // Into itself.
    Bitmap24 b = src;
    RotateBitmapNearest(b, b, SizeRect(16, 16), 180);
    EXPECT_TRUE(Permuted(src, b, [](int x, int y) { return Point{15 - x, 15 - y}; }));
}

TEST(RotateBitmapNearest, CornersOutsideTheSourceAndSmallDestinations)
{
    Bitmap24 dst(16, 16);
    RotateBitmapNearest(FilledBitmap(16, 16, 0), dst, SizeRect(16, 16), 45);
    // Transparent blue (blue 255, green 0, red 0): reads as fully transparent in a mask.
    EXPECT_TRUE(PixelsAre(dst, {{0, 0, 0xFF0000}, {15, 15, 0xFF0000}, {0, 15, 0xFF0000}, {7, 7, 0}}));
    // A destination smaller than the source is written only where it exists.
    const Bitmap24 src = NoiseBitmap(12, 12, 5);
    Bitmap24 small(4, 4);
    RotateBitmapNearest(src, small, SizeRect(12, 12), 90);
    EXPECT_EQ(small.Pixel(0, 0), src.Pixel(11, 0));
    const Bitmap24 before = small;
    RotateBitmapNearest(src, small, Rect{3, 3, 3, 9}, 90); // empty: nothing
    EXPECT_TRUE(small == before);
}

TEST(Flip, SwapsColumnsOrRowsAndIgnoresEmptyRectangles)
{
    const Bitmap24 src = NoiseBitmap(5, 6, 6);
    Bitmap24 b = src;
    FlipRectHorizontal(b, SizeRect(5, 6));
    EXPECT_TRUE(Permuted(src, b, [](int x, int y) { return Point{4 - x, y}; })); // the middle column stays
    b = src;
    FlipRectVertical(b, SizeRect(5, 6));
    EXPECT_TRUE(Permuted(src, b, [](int x, int y) { return Point{x, 5 - y}; }));
    FlipRectVertical(b, Rect{0, 0, 5, 0});
    FlipRectHorizontal(b, Rect{0, 0, 0, 6});
    FlipRectVertical(b, Rect{0, 0, 400, 600}); // clipped to the image
    EXPECT_TRUE(b == src);
}

TEST(ShiftRectContent, MovesAndFills)
{
    const Bitmap24 src = NoiseBitmap(10, 4, 8);
    Bitmap24 b = src;
    ShiftRectContent(b, SizeRect(10, 4), 3, 0, 0xFFFFFF);
    EXPECT_TRUE(AreaIs(b, SizeRect(3, 4), 0xFFFFFF));
    for (int y = 0; y < 4; ++y)
        for (int x = 3; x < 10; ++x) ASSERT_EQ(b.Pixel(x, y), src.Pixel(x - 3, y));

    b = src;
    ShiftRectContent(b, SizeRect(10, 4), -2, -1, MakeColor(1, 2, 3));
    EXPECT_TRUE(PixelsAre(b, {{0, 0, src.Pixel(2, 1)}, {8, 0, MakeColor(1, 2, 3)}, {0, 3, MakeColor(1, 2, 3)}}));

    b = src;
    ShiftRectContent(b, SizeRect(10, 4), 0, 0, 0);
    EXPECT_TRUE(b == src);
    ShiftRectContent(b, SizeRect(10, 4), 2147483647, 5, 0); // everything moves away
    EXPECT_TRUE(AreaIs(b, SizeRect(10, 4), 0));

    // Larger than the scratch bitmap.
    Bitmap24 wide(900, 3);
    for (int x = 0; x < 900; ++x) wide.SetPixel(x, 1, TColor(x));
    ShiftRectContent(wide, SizeRect(900, 3), 10, 0, 0xFFFFFF);
    EXPECT_TRUE(PixelsAre(wide, {{899, 1, 889}, {9, 1, 0xFFFFFF}}));
}

namespace {

// The bicubic enlargement the plain way: every destination pixel from its four source columns
// and rows in double, across first (truncated to bytes), then down.
Bitmap24 ReferenceEnlarge(const Bitmap24& src, int dw, int dh)
{
    const int sw = src.Width(), sh = src.Height();
    auto weights = [](double t) {
        return std::array<double, 4>{CubicWeight(t + 1), CubicWeight(t), CubicWeight(t - 1), CubicWeight(t - 2)};
    };
    auto across = [&](int row, int u, int c) {
        const double x = u / (double(dw) / double(sw));
        const int k = TruncForgiving(x);
        const auto w = weights(std::max(0.0, x - k));
        double sum = 0;
        for (int i = 0; i < 4; ++i) sum += src.Row(row)[std::clamp(k - 1 + i, 0, sw - 1) * 3 + c] * w[size_t(i)];
        return double(TruncForgivingByte(sum));
    };
    Bitmap24 out(dw, dh);
    for (int r = 0; r < dh; ++r) {
        const double y = r / (double(dh) / double(sh));
        const int k = TruncForgiving(y);
        const auto w = weights(std::max(0.0, y - k));
        for (int u = 0; u < dw; ++u)
            for (int c = 0; c < 3; ++c) {
                double sum = 0;
                for (int i = 0; i < 4; ++i) sum += across(std::clamp(k - 1 + i, 0, sh - 1), u, c) * w[size_t(i)];
                out.Row(r)[u * 3 + c] = TruncForgivingByte(sum);
            }
    }
    return out;
}

} // namespace

TEST(Resample, EnlargementMatchesThePlainBicubicByteForByteAtEveryKindOfScale)
{
    // Powers of two take whole-number arithmetic, other scales real numbers; noise with full
    // black and white reaches the clamps at both ends.
    for (auto [sw, sh, dw, dh] : {std::array{16, 16, 256, 256}, std::array{32, 8, 256, 64}, std::array{7, 5, 21, 40},
                                  std::array{16, 16, 48, 48}, std::array{3, 3, 200, 7}, std::array{1, 1, 8, 8}}) {
        SCOPED_TRACE(testing::Message() << sw << "x" << sh << " to " << dw << "x" << dh);
        Bitmap24 src = NoiseBitmap(sw, sh, unsigned(sw * 31 + dw));
        for (int x = 0; x < sw; x += 2) src.SetPixel(x, 0, (x / 2) % 2 ? 0xFFFFFF : 0);
        Bitmap24 dst(dw, dh);
        ResampleBitmap(src, dst, sw, sh, dw, dh);
        EXPECT_TRUE(dst == ReferenceEnlarge(src, dw, dh));
        // A part of the enlargement placed anywhere holds the same pixels, clipped to its bitmap.
        Bitmap24 part(dw / 2 + 3, dh / 2 + 2);
        part.Fill(0x123456);
        const Rect window{dw / 4, dh / 3, dw / 4 + dw / 2, dh / 3 + dh / 2};
        EnlargeBicubicPart(src, SizeRect(sw, sh), dw, dh, window, part, 5 - window.Left, 2 - window.Top);
        for (int y = 0; y < part.Height(); ++y)
            for (int x = 0; x < part.Width(); ++x) {
                const int ex = x - 5 + window.Left, ey = y - 2 + window.Top;
                const bool inside = x >= 5 && y >= 2 && ex < window.Right && ey < window.Bottom;
                ASSERT_EQ(part.Pixel(x, y), inside ? dst.Pixel(ex, ey) : 0x123456u) << x << "," << y;
            }
    }
}
