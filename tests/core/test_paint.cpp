#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>

#include <QFont>

#include "imaging/icon_image.h"
#include "imaging/paint.h"
#include "support/bitmap_checks.h"
#include "support/test_support.h"

namespace {

constexpr TColor Ground = MakeColor(9, 9, 9);

QFont TextFont(int points)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(points);
    return font;
}

} // namespace

TEST(WuLine, ValuesAlongGentleAndSteepSlopes)
{
    struct Case {
        int x0, y0, x1, y1;
        std::initializer_list<PixelIs> want;
    };
    const Case cases[] = {
        {0, 0, 4, 2, {{0, 0, GreyColor(127)}, {4, 2, GreyColor(127)}, {0, 1, GreyColor(255)}, {4, 3, GreyColor(255)},
                      {1, 0, GreyColor(127)}, {1, 1, GreyColor(127)}, {3, 1, GreyColor(127)}, {3, 2, GreyColor(127)},
                      {2, 1, 0}, {2, 2, GreyColor(255)}, {5, 5, Ground}}},
        {0, 0, 2, 4, {{0, 0, GreyColor(127)}, {1, 0, GreyColor(255)}, {1, 2, 0}, {2, 2, GreyColor(255)},
                      {0, 1, GreyColor(127)}, {1, 1, GreyColor(127)}, {2, 4, GreyColor(127)}, {3, 4, GreyColor(255)}}},
    };
    for (const Case& c : cases) {
        Bitmap24 b = FilledBitmap(8, 8, Ground);
        DrawWuLine(b, c.x0, c.y0, c.x1, c.y1);
        EXPECT_TRUE(PixelsAre(b, c.want)) << c.x1 << "," << c.y1;
        // The ends may come in either order.
        Bitmap24 reversed = FilledBitmap(8, 8, Ground);
        DrawWuLine(reversed, c.x1, c.y1, c.x0, c.y0);
        EXPECT_TRUE(reversed == b);
    }
}

TEST(WuLine, StraightLinesAreSolidAndEndsOutsideAreSafe)
{
    Bitmap24 b(10, 10);
    DrawWuLine(b, 3, 8, 3, 2);
    EXPECT_TRUE(AreaIs(b, Rect{3, 2, 4, 9}, 0));
    EXPECT_EQ(b.Pixel(3, 1), 0xFFFFFFu);
    DrawWuLine(b, -50, 5, 50, 5);
    EXPECT_TRUE(AreaIs(b, Rect{0, 5, 10, 6}, 0));

    // A line from far outside: the part inside matches the same line drawn in a larger bitmap.
    Bitmap24 small(10, 10), large(40, 40);
    DrawWuLine(small, -7, -3, 12, 9);
    DrawWuLine(large, 13, 17, 32, 29); // the same line moved by (20, 20)
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) ASSERT_EQ(small.Pixel(x, y), large.Pixel(x + 20, y + 20)) << x << "," << y;
    DrawWuLine(small, -2000000000, 1, 2000000000, 2);
    PlotCoveragePixel(-1, 0, small, 1);
    PlotCoveragePixel(0, 0, small, 3); // coverage above 1 counts as 1
    EXPECT_EQ(small.Pixel(0, 0), 0u);
    EXPECT_DOUBLE_EQ(InvFrac(2.25), 0.75);
    EXPECT_DOUBLE_EQ(InvFrac(-0.25), 0.25);
}

TEST(SmoothLine, WidthOneIsTheWuLineAndWideLinesAreSupersampled)
{
    Bitmap24 thin(20, 20), work(800, 800), expected(20, 20);
    thin.Fill(0);
    DrawSmoothLine(thin, work, SizeRect(20, 20), 2, 3, 15, 9, 1);
    DrawWuLine(expected, 2, 3, 15, 9);
    EXPECT_TRUE(thin == expected);

    Bitmap24 target(40, 40);
    DrawSmoothLine(target, work, SizeRect(40, 40), 5, 20, 34, 20, 4);
    // Dark across the line's width, white well away from it.
    EXPECT_LT(target.Byte0(20, 19), 60);
    EXPECT_LT(target.Byte0(20, 20), 60);
    EXPECT_TRUE(PixelsAre(target, {{20, 14, 0xFFFFFF}, {20, 26, 0xFFFFFF}, {20, 5, 0xFFFFFF}}));
    int dark = 0;
    for (int y = 0; y < 40; ++y) dark += 255 - target.Byte0(20, y);
    EXPECT_NEAR(dark / 255.0, 4.0, 0.7); // total coverage across is the width

    // A work bitmap too small for the enlarged rectangle gives the same result.
    Bitmap24 other(40, 40), tiny(8, 8);
    DrawSmoothLine(other, tiny, SizeRect(40, 40), 5, 20, 34, 20, 4);
    EXPECT_TRUE(other == target);
}

TEST(SmoothLine, RectanglesBeyondTheTargetKeepTheScale)
{
    Bitmap24 work(800, 800), cut(40, 40), moved(60, 60);
    DrawSmoothLine(cut, work, Rect{-20, -20, 40, 40}, -10, 10, 30, 10, 3);
    // The visible part equals the same drawing moved fully inside a larger target.
    DrawSmoothLine(moved, work, Rect{0, 0, 60, 60}, 10, 30, 50, 30, 3);
    int differences = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) differences += std::abs(cut.Byte0(x, y) - moved.Byte0(x + 20, y + 20)) > 40;
    EXPECT_EQ(differences, 0);
    const Bitmap24 before = cut;
    DrawSmoothLine(cut, work, Rect{10, 10, 10, 30}, 0, 0, 5, 5, 3); // empty: nothing
    EXPECT_TRUE(cut == before);
}

TEST(BrushTip, SoftAndHardTips)
{
    Bitmap24 b = FilledBitmap(8, 8, Ground);
    MakeBrushTip(b, 5, 0);
    // Centre full paint, rim k = 255, corner outside, distance 1: round(1 * 255 / 2).
    EXPECT_TRUE(PixelsAre(b, {{2, 2, 0}, {4, 2, GreyColor(255)}, {0, 0, GreyColor(255)}, {3, 2, GreyColor(128)},
                              {5, 5, Ground}}));
    MakeBrushTip(b, 5, 255);
    EXPECT_TRUE(PixelsAre(b, {{3, 2, 0}, {4, 2, 0}, {0, 0, GreyColor(255)}}));
    MakeBrushTip(b, 5, 100);
    EXPECT_EQ(b.Pixel(4, 2), GreyColor(155));

    for (int s : {0, 128, 255}) {
        Bitmap24 two(4, 4);
        MakeBrushTip(two, 2, s);
        EXPECT_TRUE(PixelsAre(two, {{0, 0, 0}, {1, 1, 0}, {2, 2, 0xFFFFFF}})) << s;
    }
    Bitmap24 small(3, 3);
    MakeBrushTip(small, 40, 255); // larger than the bitmap: clipped
    EXPECT_EQ(small.Pixel(2, 2), 0xFFFFFFu); // still outside the disc's corner
    MakeBrushTip(small, 0, 0);
    EXPECT_EQ(small.Pixel(2, 2), 0xFFFFFFu);
}

TEST(PaintStamp, EraseAndPaletteIndices)
{
    TIconImageRec rec;
    InitIconImage(rec, 4, 4, ctTrueAlpha, -1);
    rec.Bitmap->Fill(MakeColor(10, 20, 30));
    rec.Mask->Fill(0);
    PaintStamp(FilledBitmap(2, 2, GreyColor(200)), *rec.Bitmap, *rec.Mask, ctTrueAlpha, StampErase, 0xFFFFFF,
               Rect{1, 1, 3, 3});
    EXPECT_TRUE(PixelsAre(*rec.Bitmap, {{1, 1, 0}, {0, 0, MakeColor(10, 20, 30)}, {3, 3, MakeColor(10, 20, 30)}}));
    EXPECT_EQ(rec.Mask->Pixel(1, 1), 0xFF0000u); // only the first (blue) byte of the mask

    // Palette formats get the index in the red byte; any partial coverage paints fully.
    Bitmap24 bitmap(3, 1), mask(3, 1), stamp(3, 1);
    stamp.SetPixel(0, 0, 0);
    stamp.SetPixel(1, 0, GreyColor(254));
    stamp.SetPixel(2, 0, 0xFFFFFF); // no coverage at all
    PaintStamp(stamp, bitmap, mask, ctColors16, 0xFF0000, 5, SizeRect(3, 1));
    EXPECT_TRUE(PixelsAre(bitmap, {{0, 0, 5}, {1, 0, 5}, {2, 0, 0xFFFFFF}}));
    EXPECT_EQ(mask.Byte0(1, 0), 0);
    EXPECT_EQ(mask.Byte0(2, 0), 255);
}

TEST(PaintStamp, TrueColourBlendsAndAlphaOverHonoursOpacity)
{
    Bitmap24 bitmap = FilledBitmap(2, 1, MakeColor(0, 0, 200)); // a hidden colour under the transparent pixel
    Bitmap24 mask(2, 1);
    mask.SetPixel(1, 0, 0);
    PaintStamp(FilledBitmap(2, 1, GreyColor(128)), bitmap, mask, ctTrueColor, 0xFF0000, 0, SizeRect(2, 1));
    // Over white where transparent: (255 * 128) div 255; else (200 * 128) div 255.
    EXPECT_TRUE(PixelsAre(bitmap, {{0, 0, GreyColor(128)}, {1, 0, MakeColor(0, 0, 100)}}));
    EXPECT_EQ(mask.Byte0(0, 0), 0);

    Bitmap24 a = FilledBitmap(4, 1, GreyColor(100)), am(4, 1);
    am.SetPixel(0, 0, 0); // opaque, transparent, transparent, opaque
    am.SetPixel(3, 0, 0);
    const Bitmap24 full = FilledBitmap(4, 1, 0);
    PaintStamp(full, a, am, ctTrueAlpha, 128u << 16, MakeColor(200, 0, 0), Rect{0, 0, 2, 1});
    // Opaque pixel: u = 128/255, colour = 100 (1 - u) + 200 u; transparent: the paint at its own alpha.
    EXPECT_TRUE(PixelsAre(a, {{0, 0, MakeColor(150, 50, 50)}, {1, 0, MakeColor(200, 0, 0)}}));
    EXPECT_EQ(am.Byte0(0, 0), 0);
    EXPECT_EQ(am.Byte0(1, 0), 127);
    // Opacity 0 over a transparent pixel: nothing to divide by, the pixel stays.
    PaintStamp(full, a, am, ctTrueAlpha, 0x00FF00, MakeColor(0, 255, 0), Rect{2, 0, 3, 1});
    EXPECT_EQ(a.Pixel(2, 0), GreyColor(100));
    EXPECT_EQ(am.Byte0(2, 0), 255);
    // Full opacity through a half stamp: u = 127/255.
    PaintStamp(FilledBitmap(1, 1, GreyColor(128)), a, am, ctTrueAlpha, 0xFF0000, 0, Rect{3, 0, 4, 1});
    EXPECT_EQ(a.Pixel(3, 0), GreyColor(50));
}

TEST(PaintStamp, ClippingAndUnknownColourTypes)
{
    Bitmap24 bitmap(4, 4), mask(4, 4);
    const Bitmap24 stamp = FilledBitmap(2, 2, 0);
    // A rectangle larger than the stamp paints only where the stamp has pixels.
    PaintStamp(stamp, bitmap, mask, ctColors256, 1, 7, Rect{-1, -1, 4, 4});
    EXPECT_TRUE(PixelsAre(bitmap, {{0, 0, 7}, {1, 0, 0xFFFFFF}, {0, 1, 0xFFFFFF}}));
    PaintStamp(stamp, bitmap, mask, ctColors256, 1, 7, Rect{3, 3, 10, 10});
    EXPECT_EQ(bitmap.Pixel(3, 3), 7u);
    const Bitmap24 before = bitmap;
    PaintStamp(stamp, bitmap, mask, 0, 1, 9, SizeRect(4, 4));
    PaintStamp(stamp, bitmap, mask, 6, 1, 9, SizeRect(4, 4));
    PaintStamp(stamp, bitmap, mask, ctColors256, 1, 9, Rect{3, 3, 1, 1});
    EXPECT_TRUE(bitmap == before);
}

TEST(LinearGradient, StopsAndColumns)
{
    Bitmap24 b(512, 2);
    TNodeArray stops{{256, 0xFFFFFF, 1}, {0, 0, 1}};
    DrawLinearGradient(stops, SizeRect(512, 2), b);
    EXPECT_EQ(stops[0].Position, 0); // sorted in place
    for (int x = 0; x <= 256; ++x) {
        ASSERT_EQ(b.Pixel(x, 0), GreyColor(x * 255 / 256)) << x;
        ASSERT_EQ(b.Pixel(x, 1), GreyColor(x * 255 / 256)) << x;
    }
    EXPECT_TRUE(AreaIs(b, Rect{257, 0, 512, 2}, 0xFFFFFF));

    TNodeArray one{{300, MakeColor(1, 2, 3), 1}};
    DrawLinearGradient(one, SizeRect(100, 2), b);
    EXPECT_TRUE(AreaIs(b, SizeRect(100, 2), MakeColor(1, 2, 3)));

    Bitmap24 c = FilledBitmap(512, 1, 0x123456);
    TNodeArray skip{{0, MakeColor(255, 0, 0), 1}, {100, MakeColor(0, 0, 255), 0}, {200, 0, 1}};
    DrawLinearGradient(skip, SizeRect(512, 1), c);
    // The segment into the disabled stop is left alone.
    EXPECT_TRUE(PixelsAre(c, {{50, 0, 0x123456}, {150, 0, MakeColor(0, 0, 127)}, {300, 0, 0}}));
    TNodeArray none;
    DrawLinearGradient(none, SizeRect(512, 1), c);
    EXPECT_EQ(c.Pixel(300, 0), 0u);
}

TEST(LinearGradient, DegenerateRectanglesWildPositionsAndSorting)
{
    Bitmap24 b = FilledBitmap(50, 5, 0x123456);
    TNodeArray stops{{0, 0, 1}, {511, 0xFFFFFF, 1}};
    DrawLinearGradient(stops, Rect{10, 0, 10, 5}, b);
    DrawLinearGradient(stops, Rect{60, 0, 90, 5}, b);
    EXPECT_EQ(CountPixels(b, 0x123456), 250);
    TNodeArray wild{{-2147483647, 0, 1}, {2147483647, 0xFFFFFF, 1}};
    DrawLinearGradient(wild, Rect{5, 1, 45, 4}, b); // finishes at once, writes only inside
    EXPECT_TRUE(PixelsAre(b, {{4, 2, 0x123456}, {45, 2, 0x123456}, {5, 0, 0x123456}}));
    EXPECT_NE(b.Pixel(5, 2), 0x123456u);
    Bitmap24 narrow(3, 1);
    DrawLinearGradient(stops, Rect{-5, 0, 8, 1}, narrow); // clipped first, then spread over what is left
    EXPECT_TRUE(PixelsAre(narrow, {{0, 0, 0}, {1, 0, GreyColor(85)}, {2, 0, GreyColor(170)}}));

    std::mt19937 rng(1);
    TNodeArray many;
    for (int i = 0; i < 500; ++i) many.push_back({int32_t(rng() % 50), TColor(i), 1});
    SortGradientStops(many);
    EXPECT_TRUE(std::is_sorted(many.begin(), many.end(),
                               [](const TNodeRec& x, const TNodeRec& y) { return x.Position < y.Position; }));
    TNodeArray part{{5, 0, 1}, {3, 0, 1}, {9, 0, 1}, {1, 0, 1}};
    QuickSortGradientStops(part, 1, 2); // sorts only the given range
    EXPECT_EQ(std::tuple(part[0].Position, part[1].Position), std::tuple(5, 3));
    QuickSortGradientStops(part, -4, 40); // a range beyond the array is held to it
    EXPECT_EQ(std::tuple(part[0].Position, part[3].Position), std::tuple(1, 9));
}

TEST(ReplaceColorByCompare, Modes)
{
    Bitmap24 b(4, 1);
    b.SetPixel(0, 0, 0);
    b.SetPixel(1, 0, MakeColor(1, 0, 0));
    b.SetPixel(2, 0, MakeColor(0, 0, 1));
    b.SetPixel(3, 0, GreyColor(230));
    const TColor n = MakeColor(9, 9, 9);
    struct Case {
        Rect rect;
        int mode;
        int32_t key;
        TColor want[4];
    };
    const Case cases[] = {
        {SizeRect(4, 1), CompareGreater, 0, {0, n, n, n}},
        {SizeRect(4, 1), CompareLess, int32_t(GreyColor(230)), {n, n, n, GreyColor(230)}}, // blue 1 is 65536
        {SizeRect(4, 1), CompareEqual, 1, {0, n, MakeColor(0, 0, 1), GreyColor(230)}},
        {Rect{10, 10, -10, -10}, CompareNotEqual, 1, {n, MakeColor(1, 0, 0), n, n}}, // normalised, clipped
        {SizeRect(4, 1), 4, 0, {0, MakeColor(1, 0, 0), MakeColor(0, 0, 1), GreyColor(230)}},
    };
    for (const Case& c : cases) {
        Bitmap24 d = b;
        ReplaceColorByCompare(d, c.rect, c.mode, c.key, n);
        EXPECT_TRUE(PixelsAre(d, {{0, 0, c.want[0]}, {1, 0, c.want[1]}, {2, 0, c.want[2]}, {3, 0, c.want[3]}}))
            << "mode " << c.mode;
    }
}

TEST(TextStamp, HardTextIsBlackAndWhiteInsideItsSquare)
{
    Bitmap24 stamp = FilledBitmap(200, 200, 0x123456);
    Rect result;
    RenderTextStamp(stamp, QStringLiteral("Tavrin"), TextFont(20), result, false, 0, 90, 30);
    EXPECT_EQ(result, SizeRect(94, 94));
    EXPECT_TRUE(PixelsAre(stamp, {{94, 0, 0x123456}, {0, 94, 0x123456}})); // nothing beyond the square
    const int black = CountPixels(stamp, 0);
    EXPECT_EQ(black + CountPixels(stamp, 0xFFFFFF), 94 * 94); // hard edges: no greys
    EXPECT_GT(black, 100);
    // The ink stays in the centred text block (2, 32)..(92, 62) and fills its width.
    const Rect ink = BoundsWhere(stamp, [](TColor c) { return c == 0; });
    EXPECT_TRUE(RectWithin(ink, Rect{2, 32, 92, 62}));
    EXPECT_GT(ink.Width(), 60);

    // Turned by 90 degrees the ink stands upright.
    Bitmap24 turned(200, 200);
    RenderTextStamp(turned, QStringLiteral("Tavrin"), TextFont(20), result, false, 90, 90, 30);
    const Rect up = BoundsWhere(turned, [](TColor c) { return c == 0; });
    EXPECT_GT(up.Height(), 60);
    EXPECT_LE(up.Width(), 31);
}

TEST(TextStamp, AntialiasedTextHasGreysAndStampsBeyondTheBitmapAreClipped)
{
    Bitmap24 stamp(200, 200);
    Rect result;
    RenderTextStamp(stamp, QStringLiteral("Tavrin"), TextFont(12), result, true, 0, 60, 20);
    EXPECT_EQ(result, SizeRect(64, 64));
    EXPECT_LT(CountPixels(stamp, 0) + CountPixels(stamp, 0xFFFFFF), 200 * 200 - 20); // some greys
    EXPECT_TRUE(RectWithin(BoundsWhere(stamp, [](TColor c) { return ColorB(c) < 200; }), Rect{2, 22, 62, 42}));

    Bitmap24 small(50, 50);
    RenderTextStamp(small, QStringLiteral("Tavrin"), TextFont(10), result, false, 30, 300, 100);
    EXPECT_EQ(result, SizeRect(304, 304));
    RenderTextStamp(small, QString(), TextFont(10), result, true, 0, 0, 0);
    EXPECT_EQ(result, SizeRect(4, 4));
    RenderTextStamp(small, QStringLiteral("x"), TextFont(10), result, false, 0, -10, -20);
    EXPECT_EQ(small.Width(), 50);
}
