#include <gtest/gtest.h>

#include <functional>

#include "imaging/transforms.h"
#include "support/bitmap_checks.h"
#include "support/test_support.h"

namespace {

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
            {360, [](int x, int y) { return Point{x, y}; }}};
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
