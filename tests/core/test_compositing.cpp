#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "imaging/compositing.h"
#include "imaging/imaging_state.h"
#include "imaging/resample.h"
#include "support/bitmap_checks.h"
#include "support/format_helpers.h"

namespace {

constexpr TColor Sentinel = 0xFF00FF;
constexpr Rect Unchanged(int w, int h) { return Rect{w, h, 0, 0}; }

} // namespace

TEST(Compositing, RoundingRuleMaskByteAndPalettes)
{
    Bitmap24 color(4, 1), mask(4, 1), dst(4, 1);
    color.SetPixel(0, 0, 0xFFFFFF); // opaque white
    mask.SetPixel(0, 0, 0);
    color.SetPixel(1, 0, MakeColor(10, 20, 30)); // fully transparent
    color.SetPixel(2, 0, 0);                     // half transparent black
    mask.SetPixel(2, 0, GreyColor(128));
    color.SetPixel(3, 0, MakeColor(200, 100, 50)); // opaque, first mask byte only
    mask.SetPixel(3, 0, MakeColor(255, 255, 0));
    CompositeOnColor(color, mask, nullptr, dst, 0xFFFFFF, SizeRect(4, 1));
    // Opaque colours keep their value; (255 * 128 + 127) / 255 = 128.
    EXPECT_TRUE(PixelsAre(dst, {{0, 0, 0xFFFFFF}, {1, 0, 0xFFFFFF}, {2, 0, GreyColor(128)}, {3, 0, MakeColor(200, 100, 50)}}));
    CompositeOnColor(color, mask, nullptr, dst, MakeColor(0, 0, 255), SizeRect(4, 1));
    EXPECT_TRUE(PixelsAre(dst, {{0, 0, 0xFFFFFF}, {1, 0, MakeColor(0, 0, 255)}}));

    Bitmap24 ground(4, 1);
    ground.SetPixel(1, 0, MakeColor(1, 2, 3));
    CompositeOnBitmap(color, mask, ground, dst, SizeRect(4, 1), nullptr);
    EXPECT_TRUE(PixelsAre(dst, {{0, 0, 0xFFFFFF}, {1, 0, MakeColor(1, 2, 3)}, {3, 0, MakeColor(200, 100, 50)}}));

    TIconImageRec mono = SolidFormat(2, 1, ctColors2, 0, 0);
    mono.Bitmap->SetPixel(1, 0, 1); // index 1: white
    CompositeOnColor(*mono.Bitmap, *mono.Mask, &mono.Palette, dst, GreyColor(9), SizeRect(2, 1));
    EXPECT_TRUE(PixelsAre(dst, {{0, 0, 0}, {1, 0, 0xFFFFFF}}));
    // Without a palette the index is shown as the colour value it is.
    CompositeOnColor(*mono.Bitmap, *mono.Mask, nullptr, dst, 0, SizeRect(2, 1));
    EXPECT_EQ(dst.Pixel(1, 0), 1u);
}

TEST(Compositing, EveryColourAndMaskByteMatchesTheRoundingRuleInPlaceAndThroughPalettes)
{
    // All 65536 pairs of channel value and mask byte, the mask's other bytes differing, over a
    // ground of three different channels; then in place; then through a 256-entry palette.
    Bitmap24 color(256, 256), mask(256, 256), dst(256, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            color.SetPixel(x, y, MakeColor(x, 255 - x, (x * 7) & 255));
            mask.SetPixel(x, y, MakeColor(13, 200, y)); // the first (blue) byte counts
        }
    const TColor ground = MakeColor(250, 3, 128);
    auto expected = [&](int x, int y, TColor c) {
        const int m = y;
        return MakeColor(CompositeChannel(ColorR(c), ColorR(ground), m), CompositeChannel(ColorG(c), ColorG(ground), m),
                         CompositeChannel(ColorB(c), ColorB(ground), m));
    };
    CompositeOnColor(color, mask, nullptr, dst, ground, SizeRect(256, 256));
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) ASSERT_EQ(dst.Pixel(x, y), expected(x, y, color.Pixel(x, y))) << x << "," << y;
    Bitmap24 inPlace = color;
    CompositeOnColor(inPlace, mask, nullptr, inPlace, ground, Rect{3, 5, 250, 256});
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const bool inside = x >= 3 && x < 250 && y >= 5;
            ASSERT_EQ(inPlace.Pixel(x, y), inside ? dst.Pixel(x, y) : color.Pixel(x, y)) << x << "," << y;
        }
    TIconImageRec indexed = SolidFormat(256, 256, ctColors256, 0, 0);
    for (int i = 0; i < 256; ++i) indexed.Palette.palPalEntry[size_t(i)] = {uint8_t(i), uint8_t(255 - i), uint8_t((i * 7) & 255), 0};
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) indexed.Bitmap->SetPixel(x, y, MakeColor(x, 0, 0));
    Bitmap24 viaPalette(256, 256);
    CompositeOnColor(*indexed.Bitmap, mask, &indexed.Palette, viaPalette, ground, SizeRect(256, 256));
    EXPECT_TRUE(viaPalette == dst);
}

TEST(Compositing, RectanglesAreClippedAndEmptyOnesChangeNothing)
{
    const Bitmap24 color = NoiseBitmap(8, 8, 1);
    const Bitmap24 mask = FilledBitmap(8, 8, 0);
    Bitmap24 dst = FilledBitmap(6, 6, Sentinel);
    CompositeOnColor(color, mask, nullptr, dst, 0, Rect{-5, -5, 100, 100});
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(dst.Pixel(x, y), color.Pixel(x, y));

    Bitmap24 untouched = FilledBitmap(6, 6, Sentinel);
    CompositeOnColor(color, mask, nullptr, untouched, 0, Rect{5, 5, 1, 1}); // inverted
    CompositeOnColor(color, mask, nullptr, untouched, 0, Rect{2, 2, 2, 6}); // zero width
    EXPECT_EQ(ChangedRect(untouched, Sentinel), Unchanged(6, 6));
}

TEST(Compositing, CheckerSwatch)
{
    Bitmap24 b(8, 8);
    DrawCheckerSwatch(SizeRect(8, 8), 0, 0xFFFFFF, b); // the bare checkerboard
    EXPECT_TRUE(PixelsAre(b, {{0, 0, GreyColor(220)}, {3, 3, GreyColor(220)}, {4, 0, 0xFFFFFF}, {0, 4, 0xFFFFFF},
                              {4, 4, GreyColor(220)}}));
    DrawCheckerSwatch(SizeRect(8, 8), MakeColor(255, 0, 0), 0, b); // no checker at all
    EXPECT_EQ(b.Pixel(4, 0), MakeColor(255, 0, 0));
    DrawCheckerSwatch(SizeRect(8, 8), 0, MakeColor(255, 255, 0), b); // only the third byte of Level counts
    EXPECT_EQ(b.Pixel(4, 0), 0u);
    DrawCheckerSwatch(Rect{-3, -3, 50, 50}, 0, MakeColor(0, 0, 128), b);
    EXPECT_TRUE(PixelsAre(b, {{4, 0, GreyColor(128)}, {7, 7, GreyColor(110)}})); // (220 * 128 + 127) / 255
}

TEST(DrawIconImage, ScalesTheCompositeIntoTheClippedRectangle)
{
    ImagingState state;
    TIconImageRec rec = SolidFormat(16, 16, ctTrueAlpha, MakeColor(10, 200, 30), 0);
    rec.Mask->SetPixel(0, 0, 0xFFFFFF);
    Bitmap24 canvas = FilledBitmap(64, 64, Sentinel);
    DrawIconImage(canvas, Rect{5, 6, 21, 22}, 0xFFFFFF, rec); // 1:1
    EXPECT_EQ(ChangedRect(canvas, Sentinel), (Rect{5, 6, 21, 22}));
    EXPECT_TRUE(PixelsAre(canvas, {{5, 6, 0xFFFFFF}, {6, 6, MakeColor(10, 200, 30)}}));

    Bitmap24 big = FilledBitmap(64, 64, Sentinel);
    DrawIconImage(big, Rect{0, 0, 48, 40}, 0xFFFFFF, rec); // enlarged, uneven
    EXPECT_EQ(ChangedRect(big, Sentinel), (Rect{0, 0, 48, 40}));
    EXPECT_TRUE(PixelsAre(big, {{47, 39, MakeColor(10, 200, 30)}, {30, 20, MakeColor(10, 200, 30)}}));

    Bitmap24 edge = FilledBitmap(20, 20, Sentinel);
    DrawIconImage(edge, Rect{10, 10, 26, 26}, 0xFFFFFF, rec);
    EXPECT_EQ(ChangedRect(edge, Sentinel), (Rect{10, 10, 20, 20}));

    // Missing or short bitmaps draw nothing.
    Bitmap24 none = FilledBitmap(32, 32, Sentinel);
    TIconImageRec noMask = rec.Clone();
    noMask.Mask.reset();
    DrawIconImage(none, SizeRect(16, 16), 0, noMask);
    TIconImageRec liar = rec.Clone();
    liar.Width = 20;
    DrawIconImage(none, SizeRect(16, 16), 0, liar);
    EXPECT_EQ(ChangedRect(none, Sentinel), Unchanged(32, 32));
}

TEST(DrawIconImage, TargetsLargerThanOrEqualToTheSharedBitmaps)
{
    ImagingState state;
    TIconImageRec rec = SolidFormat(300, 10, ctTrueAlpha, 0, 0);
    for (int x = 0; x < 300; ++x) rec.Bitmap->SetPixel(x, 5, MakeColor(x & 255, 7, 9));
    Bitmap24 canvas = FilledBitmap(310, 20, Sentinel);
    DrawIconImage(canvas, Rect{5, 5, 305, 15}, 0xFFFFFF, rec);
    EXPECT_EQ(ChangedRect(canvas, Sentinel), (Rect{5, 5, 305, 15}));
    for (int x = 0; x < 300; ++x) ASSERT_EQ(canvas.Pixel(5 + x, 10), MakeColor(x & 255, 7, 9));
    Bitmap24 wide = FilledBitmap(700, 12, Sentinel);
    DrawIconImage(wide, Rect{0, 0, 600, 12}, 0xFFFFFF, rec);
    EXPECT_EQ(ChangedRect(wide, Sentinel), (Rect{0, 0, 600, 12}));
    EXPECT_EQ(wide.Pixel(599, 0), 0u);

    // Drawing into the shared bitmaps themselves.
    const TIconImageRec small = SolidFormat(16, 16, ctTrueAlpha, MakeColor(1, 2, 3), 0);
    state.ScaleBufferBitmap().Fill(Sentinel);
    DrawIconImage(state.ScaleBufferBitmap(), Rect{100, 100, 132, 132}, 0xFFFFFF, small);
    EXPECT_EQ(ChangedRect(state.ScaleBufferBitmap(), Sentinel), (Rect{100, 100, 132, 132}));
    EXPECT_EQ(state.ScaleBufferBitmap().Pixel(131, 131), MakeColor(1, 2, 3));
    state.ScratchBitmap1().Fill(Sentinel);
    DrawIconImage(state.ScratchBitmap1(), Rect{40, 40, 56, 56}, 0xFFFFFF, small);
    EXPECT_EQ(ChangedRect(state.ScratchBitmap1(), Sentinel), (Rect{40, 40, 56, 56}));
}

TEST(DrawIconImage, PainterCanvasMatchesBitmapCanvas)
{
    ImagingState state;
    TIconImageRec rec = SolidFormat(16, 16, ctTrueAlpha, 0, 0);
    *rec.Bitmap = NoiseBitmap(16, 16, 5);
    *rec.Mask = NoiseBitmap(16, 16, 6);
    // Enlarged by uneven and by whole factors, and zoomed views that reach past the canvas on any
    // side: the bitmap canvas computes only what lands inside it, the same pixels as the whole.
    for (const Rect& r : {Rect{3, 4, 35, 28}, Rect{-50, -30, 78, 98}, Rect{20, 25, 148, 153}, Rect{-3, 8, 13, 24}}) {
        SCOPED_TRACE(testing::Message() << r.Left << "," << r.Top);
        Bitmap24 viaBitmap = FilledBitmap(40, 40, Sentinel);
        DrawIconImage(viaBitmap, r, MakeColor(0, 128, 255), rec);
        Bitmap24 viaPainter = FilledBitmap(40, 40, Sentinel);
        {
            QImage image = viaPainter.Image();
            QPainter painter(&image);
            DrawIconImage(painter, r, MakeColor(0, 128, 255), rec);
        }
        EXPECT_TRUE(viaBitmap == viaPainter);
    }
}

TEST(DrawIconImageFitted, SmallFormatsCentredLargeOnesKeepTheirAspectRatio)
{
    ImagingState state;
    state.BackgroundColor = 0; // not used: fitted thumbnails are always on white
    TIconImageRec rec = SolidFormat(16, 16, ctTrueAlpha, MakeColor(0, 0, 255), 0);
    rec.Mask->SetPixel(15, 15, 0xFFFFFF);
    Bitmap24 target = FilledBitmap(32, 32, Sentinel);
    DrawIconImageFitted(rec, target);
    EXPECT_EQ(ChangedRect(target, Sentinel), (Rect{8, 8, 24, 24}));
    EXPECT_TRUE(PixelsAre(target, {{8, 8, MakeColor(0, 0, 255)}, {23, 23, 0xFFFFFF}}));

    struct Case {
        int w, h;
        Rect drawn;
    };
    // 48 x 256: truncate(0.1875 * 32) = 6 wide; 256 x 1 still shows one row rather than vanishing.
    for (const Case& c : {Case{64, 32, {0, 8, 32, 24}}, Case{48, 256, {13, 0, 19, 32}}, Case{256, 1, {0, 15, 32, 16}}}) {
        Bitmap24 t = FilledBitmap(32, 32, Sentinel);
        DrawIconImageFitted(SolidFormat(c.w, c.h, ctTrueAlpha, 0, 0), t);
        EXPECT_EQ(ChangedRect(t, Sentinel), c.drawn) << c.w << "x" << c.h;
    }
}

TEST(DrawFormatThumbnail, PositionsInTheStrip)
{
    ImagingState state;
    state.BackgroundColor = MakeColor(0, 255, 0);
    TIconImageArray formats;
    formats.Add(SolidFormat(256, 128, ctTrueAlpha, MakeColor(255, 0, 0), 0));
    formats.Add(SolidFormat(32, 64, ctTrueAlpha, MakeColor(255, 0, 0), 0));
    formats.Add(SolidFormat(16, 16, ctTrueAlpha, MakeColor(255, 0, 0), 255));
    // 48 x 24 at (13, 27); 24 x 48 centred across; 16 x 16 transparent over the background colour.
    const Rect drawn[3] = {{13, 27, 61, 51}, {105, 15, 129, 63}, {189, 31, 205, 47}};
    const TColor corner[3] = {MakeColor(255, 0, 0), MakeColor(255, 0, 0), MakeColor(0, 255, 0)};
    for (int i = 0; i < 3; ++i) {
        Bitmap24 strip = FilledBitmap(240, 90, Sentinel);
        DrawFormatThumbnail(strip, formats, i);
        EXPECT_EQ(ChangedRect(strip, Sentinel), drawn[i]) << i;
        EXPECT_EQ(strip.Pixel(drawn[i].Left, drawn[i].Top), corner[i]) << i;
    }
    Bitmap24 none = FilledBitmap(240, 90, Sentinel);
    DrawFormatThumbnail(none, formats, -1);
    DrawFormatThumbnail(none, formats, 3);
    DrawFormatThumbnail(none, TIconImageArray(), 0);
    EXPECT_EQ(ChangedRect(none, Sentinel), Unchanged(240, 90));
}

TEST(MergeIconImageOver, EveryPairOfMaskBytesMatchesThePlainFormula)
{
    // A's mask byte down, B's across, with colours that differ per pixel, at three opacities.
    TIconImageRec b = SolidFormat(256, 256, ctTrueAlpha, 0, 0);
    TIconImageRec a = SolidFormat(256, 256, ctTrueAlpha, 0, 0);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            a.Bitmap->SetPixel(x, y, MakeColor((x * 3) & 255, y, (x + y) & 255));
            a.Mask->SetPixel(x, y, MakeColor(9, 9, y)); // only the first (blue) byte counts
            b.Bitmap->SetPixel(x, y, MakeColor(255 - x, (x * y) & 255, 77));
            b.Mask->SetPixel(x, y, MakeColor(x, x, x));
        }
    for (const int opacity : {255, 128, 1}) {
        TIconImageRec merged = a.Clone();
        MergeIconImageOver(merged, b, SizeRect(256, 256), opacity);
        const double o = opacity / 255.0;
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                const uint8_t* ac = a.Bitmap->Row(y) + x * 3;
                const uint8_t* bc = b.Bitmap->Row(y) + x * 3;
                const double alphaA = (255 - a.Mask->Row(y)[x * 3]) / 255.0;
                const double alphaB = (255 - b.Mask->Row(y)[x * 3]) / 255.0 * o;
                const double f = 1 - (1 - alphaA) * (1 - alphaB);
                const uint8_t mask = TruncForgivingByte(255 - f * 255);
                ASSERT_EQ(merged.Mask->Pixel(x, y), GreyColor(mask)) << x << "," << y << " at " << opacity;
                for (int c = 0; c < 3; ++c) {
                    const uint8_t want = f <= 0 ? bc[c] : TruncForgivingByte((bc[c] * alphaB * (1 - alphaA) + ac[c] * alphaA) / f);
                    ASSERT_EQ(merged.Bitmap->Row(y)[x * 3 + c], want) << x << "," << y << " channel " << c;
                }
            }
    }
}

TEST(MergeIconImageOver, OpacityZeroAndTransparentBChangeNothing)
{
    // A over a fully transparent B, or B at opacity 0, must keep A exactly, at every mask level.
    TIconImageRec a = SolidFormat(256, 1, ctTrueAlpha, MakeColor(10, 20, 30), 0);
    *a.Bitmap = NoiseBitmap(256, 1, 3);
    for (int x = 0; x < 256; ++x) a.Mask->SetPixel(x, 0, GreyColor(x));
    const TIconImageRec before = a.Clone();
    MergeIconImageOver(a, SolidFormat(256, 1, ctTrueAlpha, MakeColor(255, 0, 0), 0), SizeRect(256, 1), 0);
    EXPECT_TRUE(*a.Bitmap == *before.Bitmap);
    EXPECT_TRUE(*a.Mask == *before.Mask);

    MergeIconImageOver(a, SolidFormat(256, 1, ctTrueAlpha, GreyColor(99), 255), SizeRect(256, 1), 255);
    for (int x = 0; x < 255; ++x) {
        ASSERT_EQ(a.Mask->Byte0(x, 0), x);
        ASSERT_EQ(a.Bitmap->Pixel(x, 0), before.Bitmap->Pixel(x, 0));
    }
    // Both fully transparent: B's colour comes through, the mask stays transparent.
    EXPECT_EQ(a.Mask->Pixel(255, 0), 0xFFFFFFu);
    EXPECT_EQ(a.Bitmap->Pixel(255, 0), GreyColor(99));
}

TEST(MergeIconImageOver, MixesColoursAndAlphaWithOpacityInsideTheClippedRectangle)
{
    TIconImageRec a = SolidFormat(3, 1, ctTrueAlpha, MakeColor(200, 0, 0), 0);
    a.Mask->SetPixel(1, 0, 0xFFFFFF); // transparent A
    a.Mask->SetPixel(2, 0, GreyColor(128));
    const TIconImageRec b = SolidFormat(3, 1, ctTrueAlpha, MakeColor(0, 0, 200), 0);
    MergeIconImageOver(a, b, SizeRect(3, 1), 255);
    // Opaque A in front; B shows through transparent A; half-transparent A: 127/255 of A, the rest B.
    EXPECT_TRUE(PixelsAre(*a.Bitmap, {{0, 0, MakeColor(200, 0, 0)}, {1, 0, MakeColor(0, 0, 200)}, {2, 0, MakeColor(99, 0, 100)}}));
    EXPECT_TRUE(AreaIs(*a.Mask, SizeRect(3, 1), 0));

    TIconImageRec c = SolidFormat(1, 1, ctTrueAlpha, MakeColor(200, 0, 0), 255);
    MergeIconImageOver(c, b, SizeRect(1, 1), 51); // B at a fifth over nothing
    EXPECT_EQ(c.Bitmap->Pixel(0, 0), MakeColor(0, 0, 200));
    EXPECT_EQ(c.Mask->Byte0(0, 0), 204);

    TIconImageRec d = SolidFormat(1, 1, ctTrueAlpha, MakeColor(200, 0, 0), 128);
    MergeIconImageOver(d, b, SizeRect(1, 1), 51);
    // a = 127/255, b = 0.2: colour = (200 a) / (1 - (1 - a)(0.8)) and the B share likewise.
    const double alphaA = 127 / 255.0, f = 1 - (1 - alphaA) * 0.8;
    EXPECT_EQ(ColorR(d.Bitmap->Pixel(0, 0)), int(200 * alphaA / f));
    EXPECT_EQ(ColorB(d.Bitmap->Pixel(0, 0)), int(200 * 0.2 * (1 - alphaA) / f));
    EXPECT_EQ(d.Mask->Byte0(0, 0), int(255 - f * 255));

    TIconImageRec e = SolidFormat(4, 4, ctTrueAlpha, 0, 255);
    MergeIconImageOver(e, SolidFormat(2, 2, ctTrueAlpha, MakeColor(1, 1, 1), 0), Rect{-1, -1, 10, 10}, 255);
    EXPECT_EQ(e.Bitmap->Pixel(1, 1), MakeColor(1, 1, 1));
    EXPECT_EQ(e.Mask->Byte0(1, 1), 0);
    EXPECT_EQ(e.Mask->Byte0(2, 2), 255);
}

TEST(InvertColors, PaletteEntriesOrThePixelsOfTheRectangle)
{
    TIconImageRec rec = SolidFormat(2, 2, ctColors2, 0, 0);
    rec.Bitmap->SetPixel(1, 1, 1);
    rec.Palette.palPalEntry[0].peFlags = 7;
    const Bitmap24 pixels = *rec.Bitmap;
    InvertColors(*rec.Bitmap, SizeRect(2, 2), &rec.Palette);
    EXPECT_EQ(rec.Palette.palPalEntry[0], (TPaletteEntry{255, 255, 255, 7}));
    EXPECT_EQ(rec.Palette.palPalEntry[1], (TPaletteEntry{0, 0, 0, 0}));
    EXPECT_EQ(rec.Palette.palPalEntry[2], (TPaletteEntry{})); // beyond the count
    EXPECT_TRUE(*rec.Bitmap == pixels);

    Bitmap24 b = NoiseBitmap(4, 4, 9);
    const Bitmap24 before = b;
    TPalette none;
    InvertColors(b, Rect{1, 1, 3, 9}, &none);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const bool inside = x >= 1 && x < 3 && y >= 1;
            EXPECT_EQ(b.Pixel(x, y), inside ? (before.Pixel(x, y) ^ 0xFFFFFFu) : before.Pixel(x, y));
        }
    InvertColors(b, Rect{1, 1, 3, 9}, nullptr);
    EXPECT_TRUE(b == before);
}

TEST(WhitenTransparent, OnlyFullyTransparentPixels)
{
    Bitmap24 color = FilledBitmap(3, 1, 0), mask(3, 1);
    mask.SetPixel(1, 0, GreyColor(254));
    mask.SetPixel(2, 0, MakeColor(255, 0, 0)); // first byte 0: opaque
    WhitenTransparent(color, mask, Rect{0, 0, 7, 7});
    EXPECT_TRUE(PixelsAre(color, {{0, 0, 0xFFFFFF}, {1, 0, 0}, {2, 0, 0}}));
}
