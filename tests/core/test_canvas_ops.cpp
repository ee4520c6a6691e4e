#include <gtest/gtest.h>

#include "platform/canvas_ops.h"
#include "support/test_support.h"

namespace {
int CountColor(const Bitmap24& b, TColor c)
{
    int n = 0;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) n += b.Pixel(x, y) == c;
    return n;
}
} // namespace

TEST(CopyBitmapRect, ClipsOnBothSides)
{
    const Bitmap24 src = NoiseBitmap(8, 8, 1);
    Bitmap24 dst(6, 6);
    dst.Fill(0x123456);
    CopyBitmapRect(src, Rect{-2, -2, 4, 4}, dst, 3, 3);
    // Source pixel (0, 0) lands at (5, 5); nothing from before the source's origin.
    EXPECT_EQ(dst.Pixel(5, 5), src.Pixel(0, 0));
    EXPECT_EQ(dst.Pixel(4, 4), 0x123456u);
    CopyBitmapRect(src, Rect{4, 4, 8, 8}, dst, -2, -3);
    EXPECT_EQ(dst.Pixel(0, 0), src.Pixel(6, 7));
    EXPECT_EQ(dst.Pixel(1, 0), src.Pixel(7, 7));
    EXPECT_EQ(dst.Pixel(2, 0), 0x123456u);
    CopyBitmapRect(src, Rect{4, 4, 2, 8}, dst, 0, 0); // inverted: nothing
    EXPECT_EQ(dst.Pixel(2, 0), 0x123456u);
}

TEST(CopyBitmapRect, OverlappingCopyWithinOneBitmap)
{
    Bitmap24 b = NoiseBitmap(10, 10, 2);
    const Bitmap24 before = b;
    CopyBitmapRect(b, SizeRect(8, 8), b, 2, 2);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) ASSERT_EQ(b.Pixel(x + 2, y + 2), before.Pixel(x, y));
}

TEST(StretchCopyNearest, PicksTheFlooredSourcePixel)
{
    Bitmap24 src(2, 1);
    src.SetPixel(0, 0, 1);
    src.SetPixel(1, 0, 2);
    Bitmap24 dst(5, 2);
    StretchCopyNearest(src, SizeRect(2, 1), dst, SizeRect(5, 2));
    const TColor expected[5] = {1, 1, 1, 2, 2}; // floor(u * 2 / 5)
    for (int x = 0; x < 5; ++x) {
        EXPECT_EQ(dst.Pixel(x, 0), expected[x]);
        EXPECT_EQ(dst.Pixel(x, 1), expected[x]);
    }
    Bitmap24 wide(5, 1);
    for (int x = 0; x < 5; ++x) wide.SetPixel(x, 0, TColor(x + 10));
    Bitmap24 narrow(2, 1);
    StretchCopyNearest(wide, SizeRect(5, 1), narrow, SizeRect(2, 1));
    EXPECT_EQ(narrow.Pixel(0, 0), 10u);
    EXPECT_EQ(narrow.Pixel(1, 0), 12u); // floor(1 * 5 / 2) = 2
}

TEST(StretchCopyNearest, ClipsAndIgnoresEmptyRectangles)
{
    const Bitmap24 src = NoiseBitmap(4, 4, 3);
    Bitmap24 dst(8, 8);
    dst.Fill(0x123456);
    StretchCopyNearest(src, SizeRect(4, 4), dst, Rect{-8, -8, 8, 8}); // doubled, only the lower right quarter visible
    EXPECT_EQ(dst.Pixel(0, 0), src.Pixel(2, 2));
    EXPECT_EQ(dst.Pixel(7, 7), src.Pixel(3, 3));
    Bitmap24 untouched(8, 8);
    untouched.Fill(0x123456);
    StretchCopyNearest(src, Rect{0, 0, 0, 4}, untouched, SizeRect(8, 8));
    StretchCopyNearest(src, SizeRect(4, 4), untouched, Rect{8, 0, 0, 8});
    StretchCopyNearest(src, Rect{2, 2, 10, 10}, untouched, SizeRect(8, 8)); // reads beyond the source skipped
    EXPECT_EQ(untouched.Pixel(7, 7), 0x123456u);
    EXPECT_EQ(untouched.Pixel(0, 0), src.Pixel(2, 2));
}

TEST(DrawPenLine, ThinLinesLeaveOutTheirLastPoint)
{
    Bitmap24 b(10, 10);
    DrawPenLine(b, 1, 1, 6, 1, 1, 0);
    EXPECT_EQ(CountColor(b, 0), 5);
    EXPECT_EQ(b.Pixel(1, 1), 0u);
    EXPECT_EQ(b.Pixel(6, 1), 0xFFFFFFu);
    Bitmap24 d(10, 10);
    DrawPenLine(d, 0, 0, 4, 4, 1, 0);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(d.Pixel(i, i), 0u);
    EXPECT_EQ(CountColor(d, 0), 4);
    Bitmap24 off(10, 10);
    DrawPenLine(off, -100, 5, 1000000, 5, 1, 0); // far ends: the visible row only
    EXPECT_EQ(CountColor(off, 0), 10);
}

TEST(DrawPenLine, WideLinesHaveTheirWidthAndRoundCaps)
{
    for (int width : {2, 3, 4, 7}) {
        Bitmap24 b(40, 40);
        DrawPenLine(b, 10, 20, 30, 20, width, 0);
        int rows = 0;
        for (int y = 0; y < 40; ++y) rows += b.Pixel(20, y) == 0;
        EXPECT_EQ(rows, width) << width;
        // Round caps: the ends reach half the width beyond the end points, less off the axis.
        EXPECT_EQ(b.Pixel(30 + (width - 1) / 2, 20), 0u) << width;
        EXPECT_EQ(b.Pixel(30 + width, 20), 0xFFFFFFu) << width;
    }
    // A square cap would fill the corner beyond the end point; a round one leaves it.
    Bitmap24 b(40, 40);
    DrawPenLine(b, 10, 20, 30, 20, 7, 0);
    EXPECT_EQ(b.Pixel(33, 20), 0u);
    EXPECT_EQ(b.Pixel(30, 17), 0u);
    EXPECT_EQ(b.Pixel(33, 17), 0xFFFFFFu);
}
