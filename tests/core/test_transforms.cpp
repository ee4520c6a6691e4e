#include <gtest/gtest.h>

#include <functional>

#include "imaging/transforms.h"
#include "support/test_support.h"

namespace {

constexpr TColor OutsideBlue = 0xFF0000; // blue 255, green 0, red 0 as a colour value

// Checks dst(x, y) == src(map(x, y)) over the whole bitmap.
void ExpectPermutation(const Bitmap24& src, const Bitmap24& dst, const std::function<Point(int, int)>& map)
{
    for (int y = 0; y < dst.Height(); ++y)
        for (int x = 0; x < dst.Width(); ++x) {
            const Point p = map(x, y);
            ASSERT_EQ(dst.Pixel(x, y), src.Pixel(p.X, p.Y)) << "at " << x << "," << y;
        }
}

} // namespace

TEST(RotateRectBilinear, QuarterAndHalfTurnsOfSquaresAreExactPermutations)
{
    for (int n : {15, 16, 32}) {
        const Bitmap24 src = NoiseBitmap(n, n, unsigned(n));
        Bitmap24 b = src;
        // A positive angle turns counter-clockwise: the top right corner comes to the top left.
        RotateRectBilinear(b, SizeRect(n, n), 90);
        ExpectPermutation(src, b, [n](int x, int y) { return Point{n - 1 - y, x}; });
        b = src;
        RotateRectBilinear(b, SizeRect(n, n), 180);
        ExpectPermutation(src, b, [n](int x, int y) { return Point{n - 1 - x, n - 1 - y}; });
        b = src;
        RotateRectBilinear(b, SizeRect(n, n), 270);
        ExpectPermutation(src, b, [n](int x, int y) { return Point{y, n - 1 - x}; });
        b = src;
        RotateRectBilinear(b, SizeRect(n, n), -90);
        ExpectPermutation(src, b, [n](int x, int y) { return Point{y, n - 1 - x}; });
        for (int i = 0; i < 4; ++i) RotateRectBilinear(b, SizeRect(n, n), 90);
        ExpectPermutation(src, b, [n](int x, int y) { return Point{y, n - 1 - x}; });
        b = src;
        RotateRectBilinear(b, SizeRect(n, n), 360);
        EXPECT_TRUE(b == src);
    }
}

TEST(RotateRectBilinear, HalfTurnMovesTheCornerAndKeepsMaskValues)
{
    Bitmap24 mask(16, 16);
    mask.Fill(0);
    mask.SetPixel(0, 0, 0xFFFFFF);
    mask.SetPixel(1, 0, MakeColor(77, 77, 77));
    RotateRectBilinear(mask, SizeRect(16, 16), 180);
    EXPECT_EQ(mask.Pixel(15, 15), 0xFFFFFFu);
    EXPECT_EQ(mask.Pixel(14, 15), MakeColor(77, 77, 77));
    EXPECT_EQ(mask.Pixel(0, 0), 0u);
}

TEST(RotateRectBilinear, OtherAnglesBlendAndBringInWhite)
{
    Bitmap24 b(31, 31);
    b.Fill(MakeColor(200, 100, 0));
    RotateRectBilinear(b, SizeRect(31, 31), 30);
    EXPECT_EQ(b.Pixel(15, 15), MakeColor(200, 100, 0)); // the interior stays uniform
    EXPECT_EQ(b.Pixel(10, 20), MakeColor(200, 100, 0));
    EXPECT_EQ(b.Pixel(0, 0), 0xFFFFFFu); // a corner comes from outside
    Bitmap24 white(20, 20);
    RotateRectBilinear(white, SizeRect(20, 20), 17);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) ASSERT_EQ(white.Pixel(x, y), 0xFFFFFFu);
}

TEST(RotateRectBilinear, WorksInsideAClippedRectangle)
{
    const Bitmap24 src = NoiseBitmap(20, 20, 3);
    Bitmap24 b = src;
    RotateRectBilinear(b, Rect{4, 4, 12, 12}, 180);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            const bool inside = x >= 4 && x < 12 && y >= 4 && y < 12;
            ASSERT_EQ(b.Pixel(x, y), inside ? src.Pixel(15 - x, 15 - y) : src.Pixel(x, y));
        }
    Bitmap24 c = src;
    RotateRectBilinear(c, Rect{10, 10, 40, 40}, 180); // clipped to (10, 10, 20, 20)
    EXPECT_EQ(c.Pixel(10, 10), src.Pixel(19, 19));
    RotateRectBilinear(c, Rect{5, 5, 5, 9}, 90);
    RotateRectBilinear(c, Rect{30, 30, 40, 40}, 90);
}

TEST(RotateBitmapNearest, QuarterTurnCopiesEveryPixel)
{
    const Bitmap24 src = NoiseBitmap(16, 16, 4);
    Bitmap24 dst(16, 16);
    RotateBitmapNearest(src, dst, SizeRect(16, 16), 90);
    ExpectPermutation(src, dst, [](int x, int y) { return Point{15 - y, x}; });
    RotateBitmapNearest(src, dst, SizeRect(16, 16), 0);
    EXPECT_TRUE(dst == src);
    // Indices are copied, never blended: a palette bitmap keeps its values.
    Bitmap24 indices(9, 9);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 9; ++x) indices.SetPixel(x, y, TColor((x * 9 + y) % 16));
    Bitmap24 turned(9, 9);
    RotateBitmapNearest(indices, turned, SizeRect(9, 9), 270);
    ExpectPermutation(indices, turned, [](int x, int y) { return Point{y, 8 - x}; });
}

TEST(RotateBitmapNearest, CornersOutsideTheSourceBecomeTransparentBlue)
{
    Bitmap24 src(16, 16);
    src.Fill(0);
    Bitmap24 dst(16, 16);
    RotateBitmapNearest(src, dst, SizeRect(16, 16), 45);
    EXPECT_EQ(dst.Pixel(0, 0), OutsideBlue);
    EXPECT_EQ(dst.Pixel(15, 15), OutsideBlue);
    EXPECT_EQ(dst.Pixel(7, 7), 0u);
    EXPECT_EQ(dst.Byte0(0, 15), 255); // reads as fully transparent in a mask
}

TEST(RotateBitmapNearest, SourceAndDestinationMayBeOneBitmap)
{
    const Bitmap24 src = NoiseBitmap(12, 12, 5);
    Bitmap24 b = src;
    RotateBitmapNearest(b, b, SizeRect(12, 12), 180);
    ExpectPermutation(src, b, [](int x, int y) { return Point{11 - x, 11 - y}; });
    // A destination smaller than the source is written only where it exists.
    Bitmap24 small(4, 4);
    RotateBitmapNearest(src, small, SizeRect(12, 12), 90);
    EXPECT_EQ(small.Pixel(0, 0), src.Pixel(11, 0));
    RotateBitmapNearest(src, small, Rect{3, 3, 3, 9}, 90); // empty: nothing
    EXPECT_EQ(small.Pixel(0, 0), src.Pixel(11, 0));
}

TEST(Flip, HorizontalSwapsColumnsAroundTheMiddle)
{
    const Bitmap24 src = NoiseBitmap(5, 3, 6);
    Bitmap24 b = src;
    FlipRectHorizontal(b, SizeRect(5, 3));
    for (int y = 0; y < 3; ++y) {
        EXPECT_EQ(b.Pixel(2, y), src.Pixel(2, y));
        EXPECT_EQ(b.Pixel(0, y), src.Pixel(4, y));
        EXPECT_EQ(b.Pixel(4, y), src.Pixel(0, y));
        EXPECT_EQ(b.Pixel(1, y), src.Pixel(3, y));
        EXPECT_EQ(b.Pixel(3, y), src.Pixel(1, y));
    }
    FlipRectHorizontal(b, SizeRect(5, 3));
    EXPECT_TRUE(b == src);
}

TEST(Flip, VerticalSwapsRows)
{
    const Bitmap24 src = NoiseBitmap(4, 6, 7);
    Bitmap24 b = src;
    FlipRectVertical(b, SizeRect(4, 6));
    ExpectPermutation(src, b, [](int x, int y) { return Point{x, 5 - y}; });
    FlipRectVertical(b, Rect{0, 0, 4, 0});
    FlipRectHorizontal(b, Rect{0, 0, 0, 6});
    FlipRectVertical(b, Rect{0, 0, 400, 600}); // clipped to the image
    EXPECT_TRUE(b == src);
}

TEST(ShiftRectContent, MovesAndFills)
{
    const Bitmap24 src = NoiseBitmap(10, 4, 8);
    Bitmap24 b = src;
    ShiftRectContent(b, SizeRect(10, 4), 3, 0, 0xFFFFFF);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 10; ++x) ASSERT_EQ(b.Pixel(x, y), x < 3 ? 0xFFFFFFu : src.Pixel(x - 3, y));

    b = src;
    ShiftRectContent(b, SizeRect(10, 4), -2, -1, MakeColor(1, 2, 3));
    EXPECT_EQ(b.Pixel(0, 0), src.Pixel(2, 1));
    EXPECT_EQ(b.Pixel(8, 0), MakeColor(1, 2, 3));
    EXPECT_EQ(b.Pixel(0, 3), MakeColor(1, 2, 3));

    b = src;
    ShiftRectContent(b, SizeRect(10, 4), 0, 0, 0);
    EXPECT_TRUE(b == src);
    ShiftRectContent(b, SizeRect(10, 4), 2147483647, 5, 0); // everything moves away
    for (int x = 0; x < 10; ++x) EXPECT_EQ(b.Pixel(x, 2), 0u);
}

TEST(ShiftRectContent, LargerThanTheScratchBitmap)
{
    Bitmap24 b(900, 3);
    for (int x = 0; x < 900; ++x) b.SetPixel(x, 1, TColor(x));
    ShiftRectContent(b, SizeRect(900, 3), 10, 0, 0xFFFFFF);
    EXPECT_EQ(b.Pixel(899, 1), TColor(889));
    EXPECT_EQ(b.Pixel(9, 1), 0xFFFFFFu);
}
