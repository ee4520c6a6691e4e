#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "imaging/compositing.h"
#include "imaging/imaging_state.h"
#include "support/test_support.h"

namespace {

constexpr TColor Sentinel = 0xFF00FF;

// A format filled with one colour and one mask value.
TIconImageRec SolidFormat(int w, int h, TColor color, int mask, int32_t colorType = ctTrueAlpha)
{
    TIconImageRec rec;
    InitIconImage(rec, w, h, colorType, -1);
    rec.Bitmap->Fill(color);
    rec.Mask->Fill(MakeColor(mask, mask, mask));
    return rec;
}

// The smallest rectangle holding every pixel that differs from Background.
Rect Changed(const Bitmap24& b, TColor background)
{
    Rect r{b.Width(), b.Height(), 0, 0};
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            if (b.Pixel(x, y) != background) {
                r.Left = std::min(r.Left, x);
                r.Top = std::min(r.Top, y);
                r.Right = std::max(r.Right, x + 1);
                r.Bottom = std::max(r.Bottom, y + 1);
            }
    return r;
}

Bitmap24 Canvas(int w, int h)
{
    Bitmap24 b(w, h);
    b.Fill(Sentinel);
    return b;
}

} // namespace

TEST(Compositing, OpaqueColoursKeepTheirValueAndTransparentShowsTheGround)
{
    Bitmap24 color(4, 1), mask(4, 1), dst(4, 1);
    color.SetPixel(0, 0, 0xFFFFFF); // opaque white
    mask.SetPixel(0, 0, 0);
    color.SetPixel(1, 0, MakeColor(10, 20, 30)); // fully transparent
    mask.SetPixel(1, 0, 0xFFFFFF);
    color.SetPixel(2, 0, 0); // half transparent black
    mask.SetPixel(2, 0, MakeColor(128, 128, 128));
    color.SetPixel(3, 0, MakeColor(200, 100, 50));
    mask.SetPixel(3, 0, 0);
    CompositeOnColor(color, mask, nullptr, dst, 0xFFFFFF, SizeRect(4, 1));
    EXPECT_EQ(dst.Pixel(0, 0), 0xFFFFFFu);
    EXPECT_EQ(dst.Pixel(1, 0), 0xFFFFFFu);
    EXPECT_EQ(dst.Pixel(2, 0), MakeColor(128, 128, 128)); // (255*128 + 127) / 255
    EXPECT_EQ(dst.Pixel(3, 0), MakeColor(200, 100, 50));

    CompositeOnColor(color, mask, nullptr, dst, MakeColor(0, 0, 255), SizeRect(4, 1));
    EXPECT_EQ(dst.Pixel(0, 0), 0xFFFFFFu);
    EXPECT_EQ(dst.Pixel(1, 0), MakeColor(0, 0, 255));
}

TEST(Compositing, MaskIsReadFromItsFirstByteOnly)
{
    Bitmap24 color(1, 1), mask(1, 1), dst(1, 1);
    color.SetPixel(0, 0, 0);
    mask.Row(0)[0] = 0;   // opaque by its first byte
    mask.Row(0)[1] = 255; // other bytes say nothing
    mask.Row(0)[2] = 255;
    CompositeOnColor(color, mask, nullptr, dst, 0xFFFFFF, SizeRect(1, 1));
    EXPECT_EQ(dst.Pixel(0, 0), 0u);
}

TEST(Compositing, PaletteFormatsShowTheirEntries)
{
    TIconImageRec rec = SolidFormat(2, 1, 0, 0, ctColors2);
    rec.Bitmap->SetPixel(0, 0, 0); // index 0: black
    rec.Bitmap->SetPixel(1, 0, 1); // index 1: white
    Bitmap24 dst(2, 1);
    CompositeOnColor(*rec.Bitmap, *rec.Mask, &rec.Palette, dst, MakeColor(9, 9, 9), SizeRect(2, 1));
    EXPECT_EQ(dst.Pixel(0, 0), 0u);
    EXPECT_EQ(dst.Pixel(1, 0), 0xFFFFFFu);
    // Without a palette the index is shown as the colour value it is.
    CompositeOnColor(*rec.Bitmap, *rec.Mask, nullptr, dst, 0, SizeRect(2, 1));
    EXPECT_EQ(dst.Pixel(1, 0), 1u);
}

TEST(Compositing, RectanglesAreClippedAndEmptyOnesChangeNothing)
{
    const Bitmap24 color = NoiseBitmap(8, 8, 1);
    Bitmap24 mask(8, 8);
    mask.Fill(0);
    Bitmap24 dst = Canvas(6, 6);
    CompositeOnColor(color, mask, nullptr, dst, 0, Rect{-5, -5, 100, 100});
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(dst.Pixel(x, y), color.Pixel(x, y));

    Bitmap24 untouched = Canvas(6, 6);
    CompositeOnColor(color, mask, nullptr, untouched, 0, Rect{5, 5, 1, 1}); // inverted
    CompositeOnColor(color, mask, nullptr, untouched, 0, Rect{2, 2, 2, 6}); // zero width
    EXPECT_EQ(Changed(untouched, Sentinel), (Rect{6, 6, 0, 0}));
}

TEST(Compositing, OnBitmapTakesTheGroundPixelAtTheSamePlace)
{
    Bitmap24 color(2, 1), mask(2, 1), ground(2, 1), dst(2, 1);
    mask.Fill(0xFFFFFF);
    ground.SetPixel(0, 0, MakeColor(1, 2, 3));
    ground.SetPixel(1, 0, MakeColor(4, 5, 6));
    CompositeOnBitmap(color, mask, ground, dst, SizeRect(2, 1), nullptr);
    EXPECT_EQ(dst.Pixel(0, 0), MakeColor(1, 2, 3));
    EXPECT_EQ(dst.Pixel(1, 0), MakeColor(4, 5, 6));
}

TEST(Compositing, CheckerSwatch)
{
    Bitmap24 b(8, 8);
    DrawCheckerSwatch(SizeRect(8, 8), 0, 0xFFFFFF, b); // the bare checkerboard
    EXPECT_EQ(b.Pixel(0, 0), MakeColor(220, 220, 220));
    EXPECT_EQ(b.Pixel(3, 3), MakeColor(220, 220, 220));
    EXPECT_EQ(b.Pixel(4, 0), 0xFFFFFFu);
    EXPECT_EQ(b.Pixel(0, 4), 0xFFFFFFu);
    EXPECT_EQ(b.Pixel(4, 4), MakeColor(220, 220, 220));
    DrawCheckerSwatch(SizeRect(8, 8), MakeColor(255, 0, 0), 0, b); // no checker at all
    EXPECT_EQ(b.Pixel(4, 0), MakeColor(255, 0, 0));
    // Only the third byte of Level counts.
    DrawCheckerSwatch(SizeRect(8, 8), 0, MakeColor(255, 255, 0), b);
    EXPECT_EQ(b.Pixel(4, 0), 0u);
    DrawCheckerSwatch(Rect{-3, -3, 50, 50}, 0, MakeColor(0, 0, 128), b);
    EXPECT_EQ(b.Pixel(4, 0), MakeColor(128, 128, 128));
    EXPECT_EQ(b.Pixel(7, 7), MakeColor(110, 110, 110)); // (220*128 + 127) / 255
}

TEST(DrawIconImage, ScalesTheCompositeIntoTheRectangle)
{
    ImagingState state;
    TIconImageRec rec = SolidFormat(16, 16, MakeColor(10, 200, 30), 0);
    rec.Mask->SetPixel(0, 0, 0xFFFFFF);
    Bitmap24 canvas = Canvas(64, 64);
    DrawIconImage(canvas, Rect{5, 6, 21, 22}, 0xFFFFFF, rec); // 1:1
    EXPECT_EQ(Changed(canvas, Sentinel), (Rect{5, 6, 21, 22}));
    EXPECT_EQ(canvas.Pixel(5, 6), 0xFFFFFFu);
    EXPECT_EQ(canvas.Pixel(6, 6), MakeColor(10, 200, 30));

    Bitmap24 big = Canvas(64, 64);
    DrawIconImage(big, Rect{0, 0, 48, 40}, 0xFFFFFF, rec); // enlarged, uneven
    EXPECT_EQ(Changed(big, Sentinel), (Rect{0, 0, 48, 40}));
    EXPECT_EQ(big.Pixel(47, 39), MakeColor(10, 200, 30));
    EXPECT_EQ(big.Pixel(30, 20), MakeColor(10, 200, 30));

    // Partly outside the canvas: clipped, the visible part at its place.
    Bitmap24 edge = Canvas(20, 20);
    DrawIconImage(edge, Rect{10, 10, 26, 26}, 0xFFFFFF, rec);
    EXPECT_EQ(Changed(edge, Sentinel), (Rect{10, 10, 20, 20}));
}

TEST(DrawIconImage, TargetsLargerThanTheSharedBitmapsAreDrawnWhole)
{
    ImagingState state;
    TIconImageRec rec = SolidFormat(300, 10, 0, 0);
    for (int x = 0; x < 300; ++x) rec.Bitmap->SetPixel(x, 5, MakeColor(x & 255, 7, 9));
    Bitmap24 canvas = Canvas(310, 20);
    DrawIconImage(canvas, Rect{5, 5, 305, 15}, 0xFFFFFF, rec);
    EXPECT_EQ(Changed(canvas, Sentinel), (Rect{5, 5, 305, 15}));
    for (int x = 0; x < 300; ++x) ASSERT_EQ(canvas.Pixel(5 + x, 10), MakeColor(x & 255, 7, 9));

    Bitmap24 wide = Canvas(700, 12);
    DrawIconImage(wide, Rect{0, 0, 600, 12}, 0xFFFFFF, rec);
    EXPECT_EQ(Changed(wide, Sentinel), (Rect{0, 0, 600, 12}));
    EXPECT_EQ(wide.Pixel(599, 0), 0u);
}

TEST(DrawIconImage, DrawingIntoTheSharedBitmapsThemselves)
{
    ImagingState state;
    TIconImageRec rec = SolidFormat(16, 16, MakeColor(1, 2, 3), 0);
    state.ScaleBufferBitmap.Fill(Sentinel);
    DrawIconImage(state.ScaleBufferBitmap, Rect{100, 100, 132, 132}, 0xFFFFFF, rec);
    EXPECT_EQ(Changed(state.ScaleBufferBitmap, Sentinel), (Rect{100, 100, 132, 132}));
    EXPECT_EQ(state.ScaleBufferBitmap.Pixel(131, 131), MakeColor(1, 2, 3));
    state.ScratchBitmap1.Fill(Sentinel);
    DrawIconImage(state.ScratchBitmap1, Rect{40, 40, 56, 56}, 0xFFFFFF, rec);
    EXPECT_EQ(Changed(state.ScratchBitmap1, Sentinel), (Rect{40, 40, 56, 56}));
}

TEST(DrawIconImage, MissingOrShortBitmapsDrawNothing)
{
    ImagingState state;
    TIconImageRec rec = SolidFormat(16, 16, 0, 0);
    Bitmap24 canvas = Canvas(32, 32);
    TIconImageRec noMask = rec.Clone();
    noMask.Mask.reset();
    DrawIconImage(canvas, SizeRect(16, 16), 0, noMask);
    TIconImageRec liar = rec.Clone();
    liar.Width = 20;
    DrawIconImage(canvas, SizeRect(16, 16), 0, liar);
    EXPECT_EQ(Changed(canvas, Sentinel), (Rect{32, 32, 0, 0}));
}

TEST(DrawIconImage, PainterCanvasMatchesBitmapCanvas)
{
    ImagingState state;
    TIconImageRec rec = SolidFormat(16, 16, 0, 0);
    *rec.Bitmap = NoiseBitmap(16, 16, 5);
    *rec.Mask = NoiseBitmap(16, 16, 6);
    Bitmap24 viaBitmap = Canvas(40, 40);
    DrawIconImage(viaBitmap, Rect{3, 4, 35, 28}, MakeColor(0, 128, 255), rec);
    Bitmap24 viaPainter = Canvas(40, 40);
    {
        QImage image = viaPainter.Image();
        QPainter painter(&image);
        DrawIconImage(painter, Rect{3, 4, 35, 28}, MakeColor(0, 128, 255), rec);
    }
    EXPECT_TRUE(viaBitmap == viaPainter);
}

TEST(DrawIconImageFitted, SmallFormatsAreCentredAtTheirSize)
{
    ImagingState state;
    state.BackgroundColor = 0; // not used: fitted thumbnails are always on white
    TIconImageRec rec = SolidFormat(16, 16, MakeColor(0, 0, 255), 0);
    rec.Mask->SetPixel(15, 15, 0xFFFFFF);
    Bitmap24 target = Canvas(32, 32);
    DrawIconImageFitted(rec, target);
    EXPECT_EQ(Changed(target, Sentinel), (Rect{8, 8, 24, 24}));
    EXPECT_EQ(target.Pixel(8, 8), MakeColor(0, 0, 255));
    EXPECT_EQ(target.Pixel(23, 23), 0xFFFFFFu);
}

TEST(DrawIconImageFitted, LargeFormatsKeepTheirAspectRatio)
{
    ImagingState state;
    Bitmap24 target = Canvas(32, 32);
    DrawIconImageFitted(SolidFormat(64, 32, 0, 0), target);
    EXPECT_EQ(Changed(target, Sentinel), (Rect{0, 8, 32, 24}));
    Bitmap24 tall = Canvas(32, 32);
    DrawIconImageFitted(SolidFormat(48, 256, 0, 0), tall);
    EXPECT_EQ(Changed(tall, Sentinel), (Rect{13, 0, 19, 32})); // truncate(0.1875 * 32) = 6 wide
    // A one-pixel-high strip still shows as one row rather than vanishing.
    Bitmap24 thin = Canvas(32, 32);
    DrawIconImageFitted(SolidFormat(256, 1, 0, 0), thin);
    EXPECT_EQ(Changed(thin, Sentinel), (Rect{0, 15, 32, 16}));
}

TEST(DrawFormatThumbnail, PositionsInTheStrip)
{
    ImagingState state;
    state.BackgroundColor = MakeColor(0, 255, 0);
    TIconImageArray formats;
    formats.Add(SolidFormat(256, 128, MakeColor(255, 0, 0), 0));
    formats.Add(SolidFormat(32, 64, MakeColor(255, 0, 0), 0));
    formats.Add(SolidFormat(16, 16, MakeColor(255, 0, 0), 255));

    Bitmap24 strip = Canvas(240, 90);
    DrawFormatThumbnail(strip, formats, 2);
    EXPECT_EQ(Changed(strip, Sentinel), (Rect{189, 31, 205, 47}));
    EXPECT_EQ(strip.Pixel(189, 31), MakeColor(0, 255, 0)); // transparent over the background colour

    Bitmap24 first = Canvas(240, 90);
    DrawFormatThumbnail(first, formats, 0);
    EXPECT_EQ(Changed(first, Sentinel), (Rect{13, 27, 61, 51})); // 48 x 24 at (13, 27)
    EXPECT_EQ(first.Pixel(13, 27), MakeColor(255, 0, 0));

    Bitmap24 second = Canvas(240, 90);
    DrawFormatThumbnail(second, formats, 1);
    EXPECT_EQ(Changed(second, Sentinel), (Rect{105, 15, 129, 63})); // 24 x 48, centred across

    Bitmap24 none = Canvas(240, 90);
    DrawFormatThumbnail(none, formats, -1);
    DrawFormatThumbnail(none, formats, 3);
    DrawFormatThumbnail(none, TIconImageArray(), 0);
    EXPECT_EQ(Changed(none, Sentinel), (Rect{240, 90, 0, 0}));
}

TEST(MergeIconImageOver, OpacityZeroChangesNothing)
{
    TIconImageRec a = SolidFormat(4, 1, 0, 0);
    *a.Bitmap = NoiseBitmap(4, 1, 3);
    for (int x = 0; x < 4; ++x) a.Mask->SetPixel(x, 0, MakeColor(x * 80, x * 80, x * 80));
    const TIconImageRec before = a.Clone();
    const TIconImageRec b = SolidFormat(4, 1, MakeColor(255, 0, 0), 0);
    MergeIconImageOver(a, b, SizeRect(4, 1), 0);
    EXPECT_TRUE(*a.Bitmap == *before.Bitmap);
    EXPECT_TRUE(*a.Mask == *before.Mask);
}

TEST(MergeIconImageOver, TransparentBKeepsEveryMaskValue)
{
    // A over a fully transparent B must keep A's transparency exactly, at every level.
    TIconImageRec a = SolidFormat(256, 1, MakeColor(10, 20, 30), 0);
    for (int x = 0; x < 256; ++x) a.Mask->SetPixel(x, 0, MakeColor(x, x, x));
    TIconImageRec b = SolidFormat(256, 1, MakeColor(99, 99, 99), 255);
    MergeIconImageOver(a, b, SizeRect(256, 1), 255);
    for (int x = 0; x < 255; ++x) {
        ASSERT_EQ(a.Mask->Byte0(x, 0), x);
        ASSERT_EQ(a.Bitmap->Pixel(x, 0), MakeColor(10, 20, 30));
    }
    // Both fully transparent: B's colour comes through, the mask stays transparent.
    EXPECT_EQ(a.Mask->Pixel(255, 0), 0xFFFFFFu);
    EXPECT_EQ(a.Bitmap->Pixel(255, 0), MakeColor(99, 99, 99));
}

TEST(MergeIconImageOver, MixesColoursAndAlphaWithOpacity)
{
    TIconImageRec a = SolidFormat(3, 1, MakeColor(200, 0, 0), 0);
    a.Mask->SetPixel(1, 0, 0xFFFFFF); // transparent A
    a.Mask->SetPixel(2, 0, MakeColor(128, 128, 128));
    TIconImageRec b = SolidFormat(3, 1, MakeColor(0, 0, 200), 0);
    MergeIconImageOver(a, b, SizeRect(3, 1), 255);
    EXPECT_EQ(a.Bitmap->Pixel(0, 0), MakeColor(200, 0, 0)); // opaque A in front
    EXPECT_EQ(a.Mask->Byte0(0, 0), 0);
    EXPECT_EQ(a.Bitmap->Pixel(1, 0), MakeColor(0, 0, 200)); // B shows through
    EXPECT_EQ(a.Mask->Byte0(1, 0), 0);
    // Half-transparent A: 127/255 of A, the rest of B.
    EXPECT_EQ(a.Bitmap->Pixel(2, 0), MakeColor(99, 0, 100));
    EXPECT_EQ(a.Mask->Byte0(2, 0), 0);

    TIconImageRec c = SolidFormat(1, 1, MakeColor(200, 0, 0), 255);
    MergeIconImageOver(c, b, SizeRect(1, 1), 51); // B at a fifth over nothing
    EXPECT_EQ(c.Bitmap->Pixel(0, 0), MakeColor(0, 0, 200));
    EXPECT_EQ(c.Mask->Byte0(0, 0), 204);

    TIconImageRec d = SolidFormat(1, 1, MakeColor(200, 0, 0), 128);
    MergeIconImageOver(d, b, SizeRect(1, 1), 51);
    // a = 127/255, b = 0.2: colour = (200 a) / (1 - (1 - a)(0.8)) and the B share likewise.
    const double alphaA = 127 / 255.0, f = 1 - (1 - alphaA) * 0.8;
    EXPECT_EQ(ColorR(d.Bitmap->Pixel(0, 0)), int(200 * alphaA / f));
    EXPECT_EQ(ColorB(d.Bitmap->Pixel(0, 0)), int(200 * 0.2 * (1 - alphaA) / f));
    EXPECT_EQ(d.Mask->Byte0(0, 0), int(255 - f * 255));
}

TEST(MergeIconImageOver, RectangleIsClipped)
{
    TIconImageRec a = SolidFormat(4, 4, 0, 255);
    TIconImageRec b = SolidFormat(2, 2, MakeColor(1, 1, 1), 0);
    MergeIconImageOver(a, b, Rect{-1, -1, 10, 10}, 255);
    EXPECT_EQ(a.Bitmap->Pixel(1, 1), MakeColor(1, 1, 1));
    EXPECT_EQ(a.Mask->Byte0(1, 1), 0);
    EXPECT_EQ(a.Mask->Byte0(2, 2), 255);
}

TEST(InvertColors, PaletteFormatsInvertTheirEntriesOnly)
{
    TIconImageRec rec = SolidFormat(2, 2, 0, 0, ctColors2);
    rec.Bitmap->SetPixel(1, 1, 1);
    rec.Palette.palPalEntry[0].peFlags = 7;
    const Bitmap24 pixels = *rec.Bitmap;
    InvertColors(*rec.Bitmap, SizeRect(2, 2), &rec.Palette);
    EXPECT_EQ(rec.Palette.palPalEntry[0], (TPaletteEntry{255, 255, 255, 7}));
    EXPECT_EQ(rec.Palette.palPalEntry[1], (TPaletteEntry{0, 0, 0, 0}));
    EXPECT_EQ(rec.Palette.palPalEntry[2], (TPaletteEntry{})); // beyond the count
    EXPECT_TRUE(*rec.Bitmap == pixels);
}

TEST(InvertColors, TrueColourInvertsThePixelsOfTheRectangle)
{
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
    Bitmap24 color(3, 1), mask(3, 1);
    color.Fill(0);
    mask.SetPixel(0, 0, 0xFFFFFF);
    mask.SetPixel(1, 0, MakeColor(254, 254, 254));
    mask.SetPixel(2, 0, MakeColor(255, 0, 0)); // first byte 0: opaque
    WhitenTransparent(color, mask, Rect{0, 0, 7, 7});
    EXPECT_EQ(color.Pixel(0, 0), 0xFFFFFFu);
    EXPECT_EQ(color.Pixel(1, 0), 0u);
    EXPECT_EQ(color.Pixel(2, 0), 0u);
}
