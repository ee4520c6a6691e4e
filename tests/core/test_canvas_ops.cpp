#include <gtest/gtest.h>

#include "platform/canvas_ops.h"
#include "support/bitmap_checks.h"
#include "support/test_support.h"

TEST(CopyBitmapRect, ClipsOnBothSidesAndOverlapsWithinOneBitmap)
{
    const Bitmap24 src = NoiseBitmap(8, 8, 1);
    Bitmap24 dst = FilledBitmap(6, 6, 0x123456);
    CopyBitmapRect(src, Rect{-2, -2, 4, 4}, dst, 3, 3);
    // Source pixel (0, 0) lands at (5, 5); nothing from before the source's origin.
    EXPECT_TRUE(PixelsAre(dst, {{5, 5, src.Pixel(0, 0)}, {4, 4, 0x123456}}));
    CopyBitmapRect(src, Rect{4, 4, 8, 8}, dst, -2, -3);
    EXPECT_TRUE(PixelsAre(dst, {{0, 0, src.Pixel(6, 7)}, {1, 0, src.Pixel(7, 7)}, {2, 0, 0x123456}}));
    CopyBitmapRect(src, Rect{4, 4, 2, 8}, dst, 0, 0); // inverted: nothing
    EXPECT_EQ(dst.Pixel(2, 0), 0x123456u);

    Bitmap24 b = NoiseBitmap(10, 10, 2);
    const Bitmap24 before = b;
    CopyBitmapRect(b, SizeRect(8, 8), b, 2, 2);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) ASSERT_EQ(b.Pixel(x + 2, y + 2), before.Pixel(x, y));
}

TEST(StretchCopyNearest, PicksTheFlooredSourcePixelClipsAndIgnoresEmptyRectangles)
{
    Bitmap24 src(2, 1), dst(5, 2);
    src.SetPixel(0, 0, 1);
    src.SetPixel(1, 0, 2);
    StretchCopyNearest(src, SizeRect(2, 1), dst, SizeRect(5, 2));
    // floor(u * 2 / 5) across both rows.
    EXPECT_TRUE(PixelsAre(dst, {{0, 0, 1}, {1, 0, 1}, {2, 0, 1}, {3, 0, 2}, {4, 0, 2}, {2, 1, 1}, {3, 1, 2}}));
    Bitmap24 wide(5, 1), narrow(2, 1);
    for (int x = 0; x < 5; ++x) wide.SetPixel(x, 0, TColor(x + 10));
    StretchCopyNearest(wide, SizeRect(5, 1), narrow, SizeRect(2, 1));
    EXPECT_TRUE(PixelsAre(narrow, {{0, 0, 10}, {1, 0, 12}})); // floor(1 * 5 / 2) = 2

    const Bitmap24 noise = NoiseBitmap(4, 4, 3);
    Bitmap24 big = FilledBitmap(8, 8, 0x123456);
    StretchCopyNearest(noise, SizeRect(4, 4), big, Rect{-8, -8, 8, 8}); // doubled, the lower right quarter visible
    EXPECT_TRUE(PixelsAre(big, {{0, 0, noise.Pixel(2, 2)}, {7, 7, noise.Pixel(3, 3)}}));
    Bitmap24 untouched = FilledBitmap(8, 8, 0x123456);
    StretchCopyNearest(noise, Rect{0, 0, 0, 4}, untouched, SizeRect(8, 8));
    StretchCopyNearest(noise, SizeRect(4, 4), untouched, Rect{8, 0, 0, 8});
    StretchCopyNearest(noise, Rect{2, 2, 10, 10}, untouched, SizeRect(8, 8)); // reads beyond the source skipped
    EXPECT_TRUE(PixelsAre(untouched, {{7, 7, 0x123456}, {0, 0, noise.Pixel(2, 2)}}));
}

TEST(DrawPenLine, ThinLinesLeaveOutTheirLastPoint)
{
    Bitmap24 b(10, 10);
    DrawPenLine(b, 1, 1, 6, 1, 1, 0);
    EXPECT_EQ(ChangedRect(b, 0xFFFFFF), (Rect{1, 1, 6, 2}));
    EXPECT_EQ(CountPixels(b, 0), 5);
    Bitmap24 d(10, 10);
    DrawPenLine(d, 0, 0, 4, 4, 1, 0);
    EXPECT_TRUE(PixelsAre(d, {{0, 0, 0}, {1, 1, 0}, {2, 2, 0}, {3, 3, 0}}));
    EXPECT_EQ(CountPixels(d, 0), 4);
    Bitmap24 off(10, 10);
    DrawPenLine(off, -100, 5, 1000000, 5, 1, 0); // far ends: the visible row only
    EXPECT_EQ(CountPixels(off, 0), 10);
    EXPECT_EQ(ChangedRect(off, 0xFFFFFF), (Rect{0, 5, 10, 6}));
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
        EXPECT_TRUE(PixelsAre(b, {{30 + (width - 1) / 2, 20, 0}, {30 + width, 20, 0xFFFFFF}})) << width;
        // A square cap would fill the corner beyond the end point; a round one leaves it.
        if (width == 7) EXPECT_TRUE(PixelsAre(b, {{33, 20, 0}, {30, 17, 0}, {33, 17, 0xFFFFFF}}));
    }
}
