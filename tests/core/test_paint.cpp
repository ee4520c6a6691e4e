#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include <QFont>

#include "imaging/icon_image.h"
#include "imaging/paint.h"
#include "support/test_support.h"

namespace {

int Grey(const Bitmap24& b, int x, int y) { return b.Byte0(x, y); }

Rect BoundsOf(const Bitmap24& b, const std::function<bool(TColor)>& hit)
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

// A one-pixel stamp (or a block) of coverage S.
Bitmap24 StampOf(int w, int h, int s)
{
    Bitmap24 b(w, h);
    b.Fill(MakeColor(s, s, s));
    return b;
}

} // namespace

TEST(WuLine, ValuesAlongAGentleSlope)
{
    Bitmap24 b(8, 8);
    b.Fill(MakeColor(9, 9, 9));
    DrawWuLine(b, 0, 0, 4, 2);
    EXPECT_EQ(Grey(b, 0, 0), 127);
    EXPECT_EQ(Grey(b, 4, 2), 127);
    EXPECT_EQ(Grey(b, 0, 1), 255);
    EXPECT_EQ(Grey(b, 4, 3), 255);
    EXPECT_EQ(Grey(b, 1, 0), 127);
    EXPECT_EQ(Grey(b, 1, 1), 127);
    EXPECT_EQ(Grey(b, 3, 1), 127);
    EXPECT_EQ(Grey(b, 3, 2), 127);
    EXPECT_EQ(Grey(b, 2, 1), 0);
    EXPECT_EQ(Grey(b, 2, 2), 255);
    EXPECT_EQ(b.Pixel(2, 1), 0u); // all three bytes
    EXPECT_EQ(b.Pixel(5, 5), MakeColor(9, 9, 9)); // nothing else touched
    // The ends may come in either order.
    Bitmap24 reversed(8, 8);
    reversed.Fill(MakeColor(9, 9, 9));
    DrawWuLine(reversed, 4, 2, 0, 0);
    EXPECT_TRUE(reversed == b);
}

TEST(WuLine, SteepLinesSwapTheAxes)
{
    Bitmap24 b(8, 8);
    b.Fill(MakeColor(9, 9, 9));
    DrawWuLine(b, 0, 0, 2, 4);
    EXPECT_EQ(Grey(b, 0, 0), 127);
    EXPECT_EQ(Grey(b, 1, 0), 255);
    EXPECT_EQ(Grey(b, 1, 2), 0);
    EXPECT_EQ(Grey(b, 2, 2), 255);
    EXPECT_EQ(Grey(b, 0, 1), 127);
    EXPECT_EQ(Grey(b, 1, 1), 127);
    EXPECT_EQ(Grey(b, 2, 4), 127);
    EXPECT_EQ(Grey(b, 3, 4), 255);
}

TEST(WuLine, StraightLinesAreSolidAndEndsOutsideAreSafe)
{
    Bitmap24 b(10, 10);
    DrawWuLine(b, 3, 8, 3, 2);
    for (int y = 2; y <= 8; ++y) EXPECT_EQ(Grey(b, 3, y), 0);
    EXPECT_EQ(Grey(b, 3, 1), 255);
    DrawWuLine(b, -50, 5, 50, 5);
    for (int x = 0; x < 10; ++x) EXPECT_EQ(Grey(b, x, 5), 0);

    // A line from far outside: the part inside matches the same line drawn in a larger bitmap.
    Bitmap24 small(10, 10), large(40, 40);
    DrawWuLine(small, -7, -3, 12, 9);
    DrawWuLine(large, 13, 17, 32, 29); // the same line moved by (20, 20)
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) ASSERT_EQ(small.Pixel(x, y), large.Pixel(x + 20, y + 20)) << x << "," << y;
    DrawWuLine(small, -2000000000, 1, 2000000000, 2);
    PlotCoveragePixel(-1, 0, small, 1);
    PlotCoveragePixel(0, 0, small, 3); // coverage above 1 counts as 1
    EXPECT_EQ(Grey(small, 0, 0), 0);
    EXPECT_DOUBLE_EQ(InvFrac(2.25), 0.75);
    EXPECT_DOUBLE_EQ(InvFrac(-0.25), 0.25);
}

TEST(SmoothLine, WidthOneIsTheWuLineOnWhite)
{
    Bitmap24 target(20, 20), work(100, 100), expected(20, 20);
    target.Fill(0);
    DrawSmoothLine(target, work, SizeRect(20, 20), 2, 3, 15, 9, 1);
    DrawWuLine(expected, 2, 3, 15, 9);
    EXPECT_TRUE(target == expected);
}

TEST(SmoothLine, WideLinesAreSupersampled)
{
    Bitmap24 target(40, 40), work(800, 800);
    DrawSmoothLine(target, work, SizeRect(40, 40), 5, 20, 34, 20, 4);
    // Dark across the line's width, white well away from it, symmetric about its middle.
    EXPECT_LT(Grey(target, 20, 19), 60);
    EXPECT_LT(Grey(target, 20, 20), 60);
    EXPECT_EQ(Grey(target, 20, 14), 255);
    EXPECT_EQ(Grey(target, 20, 26), 255);
    EXPECT_EQ(Grey(target, 20, 5), 255);
    int dark = 0;
    for (int y = 0; y < 40; ++y) dark += 255 - Grey(target, 20, y);
    EXPECT_NEAR(dark / 255.0, 4.0, 0.7); // total coverage across is the width

    // A work bitmap too small for the enlarged rectangle gives the same result.
    Bitmap24 other(40, 40), tiny(8, 8);
    DrawSmoothLine(other, tiny, SizeRect(40, 40), 5, 20, 34, 20, 4);
    EXPECT_TRUE(other == target);
}

TEST(SmoothLine, RectanglesBeyondTheTargetKeepTheScale)
{
    Bitmap24 whole(60, 60), work(800, 800);
    DrawSmoothLine(whole, work, Rect{-20, -20, 40, 40}, -10, 10, 30, 10, 3);
    Bitmap24 cut(40, 40);
    DrawSmoothLine(cut, work, Rect{-20, -20, 40, 40}, -10, 10, 30, 10, 3);
    // The visible part equals the same drawing moved fully inside a larger target.
    Bitmap24 moved(60, 60);
    DrawSmoothLine(moved, work, Rect{0, 0, 60, 60}, 10, 30, 50, 30, 3);
    int differences = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) differences += std::abs(Grey(cut, x, y) - Grey(moved, x + 20, y + 20)) > 40;
    EXPECT_EQ(differences, 0);
    DrawSmoothLine(cut, work, Rect{10, 10, 10, 30}, 0, 0, 5, 5, 3); // empty: nothing
}

TEST(BrushTip, SoftAndHardTips)
{
    Bitmap24 b(8, 8);
    b.Fill(MakeColor(9, 9, 9));
    MakeBrushTip(b, 5, 0);
    EXPECT_EQ(Grey(b, 2, 2), 0);   // centre: full paint
    EXPECT_EQ(Grey(b, 4, 2), 255); // on the rim, k = 255
    EXPECT_EQ(Grey(b, 0, 0), 255); // corner, outside
    EXPECT_EQ(Grey(b, 3, 2), 128); // distance 1: round(1 * 255 / 2)
    EXPECT_EQ(b.Pixel(5, 5), MakeColor(9, 9, 9));

    MakeBrushTip(b, 5, 255);
    EXPECT_EQ(Grey(b, 3, 2), 0);
    EXPECT_EQ(Grey(b, 4, 2), 0);
    EXPECT_EQ(Grey(b, 0, 0), 255);
    MakeBrushTip(b, 5, 100);
    EXPECT_EQ(Grey(b, 4, 2), 155);

    for (int s : {0, 128, 255}) {
        Bitmap24 two(4, 4);
        MakeBrushTip(two, 2, s);
        EXPECT_EQ(two.Pixel(0, 0), 0u);
        EXPECT_EQ(two.Pixel(1, 1), 0u);
        EXPECT_EQ(two.Pixel(2, 2), 0xFFFFFFu);
    }
    Bitmap24 small(3, 3);
    MakeBrushTip(small, 40, 255); // larger than the bitmap: clipped
    EXPECT_EQ(small.Pixel(2, 2), 0xFFFFFFu); // still outside the disc's corner
    MakeBrushTip(small, 0, 0);
}

TEST(PaintStamp, EraseLeavesBlackTransparentPixels)
{
    TIconImageRec rec;
    InitIconImage(rec, 4, 4, ctTrueAlpha, -1);
    rec.Bitmap->Fill(MakeColor(10, 20, 30));
    rec.Mask->Fill(0);
    const Bitmap24 stamp = StampOf(2, 2, 200);
    PaintStamp(stamp, *rec.Bitmap, *rec.Mask, ctTrueAlpha, StampErase, 0xFFFFFF, Rect{1, 1, 3, 3});
    EXPECT_EQ(rec.Bitmap->Pixel(1, 1), 0u);
    EXPECT_EQ(rec.Mask->Byte0(1, 1), 255);
    EXPECT_EQ(rec.Mask->Pixel(1, 1), 0xFF0000u); // only the first (blue) byte of the mask
    EXPECT_EQ(rec.Bitmap->Pixel(0, 0), MakeColor(10, 20, 30));
    EXPECT_EQ(rec.Bitmap->Pixel(3, 3), MakeColor(10, 20, 30));
}

TEST(PaintStamp, PaletteFormatsGetTheIndexInTheRedByte)
{
    Bitmap24 bitmap(3, 1), mask(3, 1);
    Bitmap24 stamp(3, 1);
    stamp.SetPixel(0, 0, 0);
    stamp.SetPixel(1, 0, MakeColor(254, 254, 254)); // any partial coverage paints fully
    stamp.SetPixel(2, 0, 0xFFFFFF);                 // none at all
    PaintStamp(stamp, bitmap, mask, ctColors16, 0xFF0000, 5, SizeRect(3, 1));
    EXPECT_EQ(bitmap.Pixel(0, 0), 5u);
    EXPECT_EQ(bitmap.Row(0)[2], 5);
    EXPECT_EQ(bitmap.Pixel(1, 0), 5u);
    EXPECT_EQ(mask.Byte0(1, 0), 0);
    EXPECT_EQ(bitmap.Pixel(2, 0), 0xFFFFFFu);
    EXPECT_EQ(mask.Byte0(2, 0), 255);
}

TEST(PaintStamp, TrueColourBlendsOverWhiteWhereTransparent)
{
    Bitmap24 bitmap(2, 1), mask(2, 1);
    bitmap.Fill(MakeColor(0, 0, 200)); // a hidden colour under the transparent pixel
    mask.SetPixel(0, 0, 0xFFFFFF);
    mask.SetPixel(1, 0, 0);
    const Bitmap24 stamp = StampOf(2, 1, 128);
    PaintStamp(stamp, bitmap, mask, ctTrueColor, 0xFF0000, 0, SizeRect(2, 1));
    EXPECT_EQ(bitmap.Pixel(0, 0), MakeColor(128, 128, 128)); // (255 * 128) div 255
    EXPECT_EQ(bitmap.Pixel(1, 0), MakeColor(0, 0, 100));    // (200 * 128) div 255
    EXPECT_EQ(mask.Byte0(0, 0), 0);
}

TEST(PaintStamp, AlphaOverWithOpacity)
{
    Bitmap24 bitmap(4, 1), mask(4, 1);
    bitmap.Fill(MakeColor(100, 100, 100));
    mask.SetPixel(0, 0, 0);        // opaque
    mask.SetPixel(1, 0, 0xFFFFFF); // transparent
    mask.SetPixel(2, 0, 0xFFFFFF);
    mask.SetPixel(3, 0, 0);
    Bitmap24 stamp(4, 1);
    stamp.Fill(0);
    const uint32_t half = 128u << 16;
    PaintStamp(stamp, bitmap, mask, ctTrueAlpha, half, MakeColor(200, 0, 0), Rect{0, 0, 2, 1});
    // Opaque pixel: u = 128/255; colour = 100 (1 - u) + 200 u.
    EXPECT_EQ(bitmap.Pixel(0, 0), MakeColor(150, 50, 50));
    EXPECT_EQ(mask.Byte0(0, 0), 0);
    // Transparent pixel: the paint alone, at its own alpha.
    EXPECT_EQ(bitmap.Pixel(1, 0), MakeColor(200, 0, 0));
    EXPECT_EQ(mask.Byte0(1, 0), 127);
    // Opacity 0 over a transparent pixel: nothing to divide by, the pixel stays.
    PaintStamp(stamp, bitmap, mask, ctTrueAlpha, 0x00FF00, MakeColor(0, 255, 0), Rect{2, 0, 3, 1});
    EXPECT_EQ(bitmap.Pixel(2, 0), MakeColor(100, 100, 100));
    EXPECT_EQ(mask.Byte0(2, 0), 255);
    // Full opacity through a half stamp.
    PaintStamp(StampOf(1, 1, 128), bitmap, mask, ctTrueAlpha, 0xFF0000, 0, Rect{3, 0, 4, 1});
    EXPECT_EQ(bitmap.Pixel(3, 0), MakeColor(50, 50, 50)); // u = 127/255
}

TEST(PaintStamp, ClippingAndUnknownColourTypes)
{
    Bitmap24 bitmap(4, 4), mask(4, 4);
    const Bitmap24 stamp = StampOf(2, 2, 0);
    // A rectangle larger than the stamp paints only where the stamp has pixels.
    PaintStamp(stamp, bitmap, mask, ctColors256, 1, 7, Rect{-1, -1, 4, 4});
    EXPECT_EQ(bitmap.Pixel(0, 0), 7u);
    EXPECT_EQ(bitmap.Pixel(1, 0), 0xFFFFFFu);
    EXPECT_EQ(bitmap.Pixel(0, 1), 0xFFFFFFu);
    PaintStamp(stamp, bitmap, mask, ctColors256, 1, 7, Rect{3, 3, 10, 10});
    EXPECT_EQ(bitmap.Pixel(3, 3), 7u);
    Bitmap24 before = bitmap;
    PaintStamp(stamp, bitmap, mask, 0, 1, 9, SizeRect(4, 4));
    PaintStamp(stamp, bitmap, mask, 6, 1, 9, SizeRect(4, 4));
    PaintStamp(stamp, bitmap, mask, ctColors256, 1, 9, Rect{3, 3, 1, 1});
    EXPECT_TRUE(bitmap == before);
}

TEST(LinearGradient, BlackToWhiteOverHalfTheStrip)
{
    Bitmap24 b(512, 2);
    TNodeArray stops{{256, 0xFFFFFF, 1}, {0, 0, 1}};
    DrawLinearGradient(stops, SizeRect(512, 2), b);
    EXPECT_EQ(stops[0].Position, 0); // sorted in place
    for (int x = 0; x <= 256; ++x) {
        const int g = x * 255 / 256;
        ASSERT_EQ(b.Pixel(x, 0), MakeColor(g, g, g)) << x;
        ASSERT_EQ(b.Pixel(x, 1), MakeColor(g, g, g)) << x;
    }
    for (int x = 257; x < 512; ++x) ASSERT_EQ(b.Pixel(x, 1), 0xFFFFFFu);
}

TEST(LinearGradient, SingleStopFillsAndDisabledStopsAreSkipped)
{
    Bitmap24 b(100, 3);
    TNodeArray one{{300, MakeColor(1, 2, 3), 1}};
    DrawLinearGradient(one, SizeRect(100, 3), b);
    for (int x = 0; x < 100; ++x) ASSERT_EQ(b.Pixel(x, 2), MakeColor(1, 2, 3));

    Bitmap24 c(512, 1);
    c.Fill(0x123456);
    TNodeArray stops{{0, MakeColor(255, 0, 0), 1}, {100, MakeColor(0, 0, 255), 0}, {200, 0, 1}};
    DrawLinearGradient(stops, SizeRect(512, 1), c);
    EXPECT_EQ(c.Pixel(50, 0), 0x123456u); // the segment into the disabled stop is left alone
    EXPECT_EQ(c.Pixel(150, 0), MakeColor(0, 0, 127));
    EXPECT_EQ(c.Pixel(300, 0), 0u);

    TNodeArray none;
    DrawLinearGradient(none, SizeRect(512, 1), c);
    EXPECT_EQ(c.Pixel(300, 0), 0u);
}

TEST(LinearGradient, DegenerateRectanglesAndWildPositions)
{
    Bitmap24 b(50, 5);
    b.Fill(0x123456);
    TNodeArray stops{{0, 0, 1}, {511, 0xFFFFFF, 1}};
    DrawLinearGradient(stops, Rect{10, 0, 10, 5}, b);
    DrawLinearGradient(stops, Rect{60, 0, 90, 5}, b);
    EXPECT_EQ(b.Pixel(10, 2), 0x123456u);
    TNodeArray wild{{-2147483647, 0, 1}, {2147483647, 0xFFFFFF, 1}};
    DrawLinearGradient(wild, Rect{5, 1, 45, 4}, b); // finishes at once, writes only inside
    EXPECT_EQ(b.Pixel(4, 2), 0x123456u);
    EXPECT_EQ(b.Pixel(45, 2), 0x123456u);
    EXPECT_EQ(b.Pixel(5, 0), 0x123456u);
    EXPECT_NE(b.Pixel(5, 2), 0x123456u);
    // A narrow rectangle through the whole range of positions.
    Bitmap24 narrow(3, 1);
    DrawLinearGradient(stops, Rect{-5, 0, 8, 1}, narrow);
}

TEST(LinearGradient, QuickSortOrdersAnyArray)
{
    std::mt19937 rng(1);
    TNodeArray stops;
    for (int i = 0; i < 500; ++i) stops.push_back({int32_t(rng() % 50), TColor(i), 1});
    SortGradientStops(stops);
    EXPECT_TRUE(std::is_sorted(stops.begin(), stops.end(),
                               [](const TNodeRec& a, const TNodeRec& b) { return a.Position < b.Position; }));
    TNodeArray part{{5, 0, 1}, {3, 0, 1}, {9, 0, 1}, {1, 0, 1}};
    QuickSortGradientStops(part, 1, 2);
    EXPECT_EQ(part[0].Position, 5);
    EXPECT_EQ(part[1].Position, 3);
    EXPECT_EQ(part[2].Position, 9);
    QuickSortGradientStops(part, -4, 40);
    EXPECT_EQ(part[0].Position, 1);
    EXPECT_EQ(part[3].Position, 9);
    TNodeArray empty;
    SortGradientStops(empty);
}

TEST(ReplaceColorByCompare, Modes)
{
    Bitmap24 b(4, 1);
    b.SetPixel(0, 0, 0);
    b.SetPixel(1, 0, MakeColor(1, 0, 0));
    b.SetPixel(2, 0, MakeColor(0, 0, 1));
    b.SetPixel(3, 0, MakeColor(230, 230, 230));
    Bitmap24 c = b;
    ReplaceColorByCompare(c, SizeRect(4, 1), CompareGreater, 0, MakeColor(9, 9, 9));
    EXPECT_EQ(c.Pixel(0, 0), 0u);
    for (int x = 1; x < 4; ++x) EXPECT_EQ(c.Pixel(x, 0), MakeColor(9, 9, 9));
    c = b;
    ReplaceColorByCompare(c, SizeRect(4, 1), CompareLess, int32_t(MakeColor(230, 230, 230)), 0);
    EXPECT_EQ(c.Pixel(2, 0), 0u); // blue 1 is 65536, still below
    EXPECT_EQ(c.Pixel(3, 0), MakeColor(230, 230, 230));
    c = b;
    ReplaceColorByCompare(c, SizeRect(4, 1), CompareEqual, 1, 7);
    EXPECT_EQ(c.Pixel(1, 0), 7u);
    c = b;
    ReplaceColorByCompare(c, Rect{10, 10, -10, -10}, CompareNotEqual, 1, 7); // normalised, clipped
    EXPECT_EQ(c.Pixel(0, 0), 7u);
    EXPECT_EQ(c.Pixel(1, 0), MakeColor(1, 0, 0));
    c = b;
    ReplaceColorByCompare(c, SizeRect(4, 1), 4, 0, 7);
    EXPECT_TRUE(c == b);
}

TEST(TextStamp, HardTextIsBlackAndWhiteInsideItsSquare)
{
    Bitmap24 stamp(200, 200);
    stamp.Fill(0x123456);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(20);
    Rect result;
    RenderTextStamp(stamp, QStringLiteral("Tavrin"), font, result, false, 0, 90, 30);
    EXPECT_EQ(result, SizeRect(94, 94));
    // Beyond the square nothing is written.
    EXPECT_EQ(stamp.Pixel(94, 0), 0x123456u);
    EXPECT_EQ(stamp.Pixel(0, 94), 0x123456u);
    int black = 0;
    for (int y = 0; y < 94; ++y)
        for (int x = 0; x < 94; ++x) {
            const TColor c = stamp.Pixel(x, y);
            ASSERT_TRUE(c == 0 || c == 0xFFFFFF) << x << "," << y;
            black += c == 0;
        }
    EXPECT_GT(black, 100);
    // The ink stays in the centred text block (2, 32)..(92, 62).
    const Rect ink = BoundsOf(stamp, [](TColor c) { return c == 0; });
    EXPECT_GE(ink.Left, 2);
    EXPECT_LE(ink.Right, 92);
    EXPECT_GE(ink.Top, 32);
    EXPECT_LE(ink.Bottom, 62);
    EXPECT_GT(ink.Width(), 60); // the text fills its block's width
}

TEST(TextStamp, RotationTurnsTheInk)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(20);
    Bitmap24 stamp(200, 200);
    Rect result;
    RenderTextStamp(stamp, QStringLiteral("Tavrin"), font, result, false, 90, 90, 30);
    const Rect ink = BoundsOf(stamp, [](TColor c) { return c == 0; });
    EXPECT_GT(ink.Height(), 60);
    EXPECT_LE(ink.Width(), 31);
}

TEST(TextStamp, AntialiasedTextHasGreysAndTheSameExtent)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(12);
    Bitmap24 stamp(200, 200);
    Rect result;
    RenderTextStamp(stamp, QStringLiteral("Tavrin"), font, result, true, 0, 60, 20);
    EXPECT_EQ(result, SizeRect(64, 64));
    int greys = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const int g = Grey(stamp, x, y);
            greys += g > 0 && g < 255;
        }
    EXPECT_GT(greys, 20);
    const Rect ink = BoundsOf(stamp, [](TColor c) { return ColorB(c) < 200; });
    EXPECT_GE(ink.Left, 2);
    EXPECT_LE(ink.Right, 62);
    EXPECT_GE(ink.Top, 22);
    EXPECT_LE(ink.Bottom, 42);
}

TEST(TextStamp, StampsLargerThanTheBitmapAreClipped)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(10);
    Bitmap24 stamp(50, 50);
    Rect result;
    RenderTextStamp(stamp, QStringLiteral("Tavrin"), font, result, false, 30, 300, 100);
    EXPECT_EQ(result, SizeRect(304, 304));
    RenderTextStamp(stamp, QString(), font, result, true, 0, 0, 0);
    EXPECT_EQ(result, SizeRect(4, 4));
    RenderTextStamp(stamp, QStringLiteral("x"), font, result, false, 0, -10, -20);
}
