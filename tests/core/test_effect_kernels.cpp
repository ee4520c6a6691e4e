#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "imaging/effect_kernels.h"
#include "imaging/imaging_state.h"
#include "support/test_support.h"

namespace {

// An opaque rectangle on a transparent ground, as a 32-bit format.
TIconImageRec PictureWithOpaqueBlock(int w, int h, const Rect& block, int colorType = ctTrueAlpha)
{
    TIconImageRec rec;
    InitIconImage(rec, w, h, colorType, 7);
    rec.Bitmap->Fill(MakeColor(10, 20, 30));
    rec.Mask->Fill(0xFFFFFF);
    FillBitmapRect(*rec.Mask, 0, block);
    return rec;
}

// A fresh 32-bit format stroked from Src.
TIconImageRec Stroked(const TIconImageRec& src, TColor colour, int position, int opacity, int size)
{
    TIconImageRec out;
    InitIconImage(out, src.Width, src.Height, ctTrueAlpha, 0);
    ApplyStroke(src, out, colour, position, opacity, size);
    return out;
}

bool InBlock(int x, int y, const Rect& r) { return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom; }

// Pixels that share an edge with the block but lie outside it.
bool TouchesBlock(int x, int y, const Rect& r)
{
    return !InBlock(x, y, r) &&
           (InBlock(x - 1, y, r) || InBlock(x + 1, y, r) || InBlock(x, y - 1, r) || InBlock(x, y + 1, r));
}

}  // namespace

TEST(EffectKernels, ChannelOffsetsClampAndWorkInPlace)
{
    Bitmap24 src(3, 2);
    src.SetPixel(0, 0, MakeColor(250, 5, 100));
    src.SetPixel(2, 1, MakeColor(0, 255, 128));
    Bitmap24 dst(3, 2);
    ApplyChannelOffsets(src, dst, SizeRect(3, 2), 10, -10, 0);
    EXPECT_EQ(dst.Pixel(0, 0), MakeColor(255, 0, 100));
    EXPECT_EQ(dst.Pixel(2, 1), MakeColor(10, 245, 128));
    EXPECT_EQ(dst.Pixel(1, 0), MakeColor(255, 245, 255));
    // In place, with a rectangle reaching past the bitmap: clipped, nothing else touched.
    ApplyChannelOffsets(src, src, MakeRect(2, 0, 50, 50), -300, 300, 1);
    EXPECT_EQ(src.Pixel(2, 1), MakeColor(0, 255, 129));
    EXPECT_EQ(src.Pixel(0, 0), MakeColor(250, 5, 100));
    // An inverted rectangle is empty.
    const Bitmap24 before = src;
    ApplyChannelOffsets(src, src, MakeRect(3, 2, 0, 0), 9, 9, 9);
    EXPECT_EQ(src, before);
}

TEST(EffectKernels, PaletteOffsetsTouchOnlyTheEntriesInUse)
{
    TPalette src;
    LoadDefaultPalette(src, ctColors16);
    src.palPalEntry[0].peFlags = 5;
    src.palPalEntry[16] = {1, 2, 3, 4};
    TPalette dst = src;
    OffsetPaletteChannels(src, dst, 50, 0, -50);
    EXPECT_EQ(dst.palPalEntry[0], (TPaletteEntry{50, 0, 0, 5}));  // black
    EXPECT_EQ(dst.palPalEntry[15], (TPaletteEntry{255, 255, 205, 0}));  // white
    EXPECT_EQ(dst.palPalEntry[16], (TPaletteEntry{1, 2, 3, 4}));
    EXPECT_EQ(dst.palNumEntries, 16);
}

TEST(EffectKernels, ContrastAndSaturation)
{
    const Bitmap24 noise = NoiseBitmap(16, 16, 1);
    Bitmap24 dst(16, 16);
    ApplyContrast(noise, dst, SizeRect(16, 16), 253, 0);
    EXPECT_EQ(dst, noise);
    Bitmap24 one(1, 1);
    one.SetPixel(0, 0, MakeColor(200, 100, 0));
    ApplyContrast(one, dst, SizeRect(1, 1), 253, 17);
    // K' = 33: 200 - 33*54/256 = 194, 100 - 33*154/256 = 81, 0 - 33*254/256 = 0 (clamped).
    EXPECT_EQ(dst.Pixel(0, 0), MakeColor(194, 81, 0));

    ApplySaturation(one, dst, SizeRect(1, 1), 0);
    EXPECT_EQ(dst.Pixel(0, 0), MakeColor(200, 100, 1));
    ApplySaturation(one, dst, SizeRect(1, 1), -127);
    EXPECT_EQ(dst.Pixel(0, 0), MakeColor(100, 100, 100));
    ApplySaturation(one, dst, SizeRect(1, 1), 127);
    EXPECT_EQ(dst.Pixel(0, 0), MakeColor(255, 100, 0));
    // Out-of-range levels are held to the table's ends.
    ApplySaturation(one, dst, SizeRect(1, 1), 9999);
    EXPECT_EQ(dst.Pixel(0, 0), MakeColor(255, 100, 0));
}

TEST(EffectKernels, BlurRectWritesFromTheOriginAndCopiesAtSigmaZero)
{
    const Bitmap24 src = NoiseBitmap(12, 10, 3);
    Bitmap24 dst(12, 10);
    dst.Fill(MakeColor(1, 2, 3));
    GaussianBlurRect(src, dst, MakeRect(4, 2, 9, 8), 0.0);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 12; ++x) {
            const TColor want = (x < 5 && y < 6) ? src.Pixel(x + 4, y + 2) : MakeColor(1, 2, 3);
            ASSERT_EQ(dst.Pixel(x, y), want) << x << "," << y;
        }
    // A blurred rectangle larger than Dst is cut to Dst.
    Bitmap24 small(3, 3);
    GaussianBlurRect(src, small, SizeRect(12, 10), 2.0);
    Bitmap24 full(12, 10);
    GaussianBlurRect(src, full, SizeRect(12, 10), 2.0);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(small.Pixel(x, y), full.Pixel(x, y));
}

TEST(EffectKernels, BlurOfAColumnReplicatesItsEnds)
{
    Bitmap24 column(1, 9);
    column.Fill(MakeColor(90, 60, 30));
    Bitmap24 out(1, 9);
    GaussianBlurRect(column, out, SizeRect(1, 9), 3.0);
    EXPECT_EQ(out, column);
    // A step: the top end stays at its own value, the bottom at its own.
    for (int y = 5; y < 9; ++y) column.SetPixel(0, y, MakeColor(200, 200, 200));
    GaussianBlurRect(column, out, SizeRect(1, 9), 0.7);
    EXPECT_EQ(out.Pixel(0, 0), MakeColor(90, 60, 30));
    EXPECT_EQ(out.Pixel(0, 8), MakeColor(200, 200, 200));
    EXPECT_GT(ColorR(out.Pixel(0, 4)), 90);
    EXPECT_LT(ColorR(out.Pixel(0, 5)), 200);
}

TEST(EffectKernels, BlurColorsMatchesTheBitmapBlur)
{
    const Bitmap24 src = NoiseBitmap(21, 13, 8);
    std::vector<TColor> colours;
    for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 21; ++x) colours.push_back(src.Pixel(x, y) | 0xAB000000u);
    GaussianBlurColors(colours.data(), 21, 1.5, 13);
    Bitmap24 dst(21, 13);
    GaussianBlurRect(src, dst, SizeRect(21, 13), 1.5);
    for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 21; ++x) ASSERT_EQ(colours[size_t(y * 21 + x)], dst.Pixel(x, y));
    // No colours, no work.
    GaussianBlurColors(nullptr, 5, 1.0, 5);
    GaussianBlurColors(colours.data(), 0, 1.0, 13);
}

TEST(EffectKernels, SharpenAgainstThePixelAbove)
{
    Bitmap24 src(3, 3);
    src.SetPixel(0, 0, MakeColor(100, 100, 100));
    src.SetPixel(0, 1, MakeColor(120, 90, 100));
    src.SetPixel(1, 1, MakeColor(0, 0, 0));
    src.SetPixel(0, 2, MakeColor(50, 50, 50));
    Bitmap24 dst(3, 3);
    dst.Fill(MakeColor(7, 7, 7));
    SharpenRect(src, dst, SizeRect(3, 3), 1.5);
    // 120 + 1.5 * 20 = 150; 90 - 1.5 * 10 = 75; 100 unchanged.
    EXPECT_EQ(dst.Pixel(0, 1), MakeColor(150, 75, 100));
    EXPECT_EQ(dst.Pixel(1, 1), MakeColor(0, 0, 0));  // 0 - 1.5 * 255 clamps to 0
    EXPECT_EQ(dst.Pixel(0, 2), MakeColor(0, 0, 0));  // 50 - 1.5 * 70 = -55
    EXPECT_EQ(dst.Pixel(1, 2), MakeColor(255, 255, 255));  // 255 + 1.5 * 255
    // First row and last column keep what Dst held.
    for (int x = 0; x < 3; ++x) EXPECT_EQ(dst.Pixel(x, 0), MakeColor(7, 7, 7));
    for (int y = 0; y < 3; ++y) EXPECT_EQ(dst.Pixel(2, y), MakeColor(7, 7, 7));
    // Truncation toward zero: 10 + 0.04 * 9 = 10.36.
    Bitmap24 a(2, 2);
    a.SetPixel(0, 0, MakeColor(1, 1, 1));
    a.SetPixel(0, 1, MakeColor(10, 10, 10));
    SharpenRect(a, dst, SizeRect(2, 2), 0.04);
    EXPECT_EQ(dst.Pixel(0, 1), MakeColor(10, 10, 10));
    // In place gives what apart gives.
    const Bitmap24 noise = NoiseBitmap(9, 9, 4);
    Bitmap24 apart = noise, same = noise;
    SharpenRect(noise, apart, SizeRect(9, 9), 2.0);
    SharpenRect(same, same, SizeRect(9, 9), 2.0);
    EXPECT_EQ(same, apart);
}

TEST(EffectKernels, OuterStrokeOfSizeOneRingsThePicture)
{
    ImagingState state;
    const Rect block = MakeRect(3, 2, 6, 6);
    const TIconImageRec dst = Stroked(PictureWithOpaqueBlock(10, 9, block), MakeColor(255, 0, 0), 1, 255, 1);
    EXPECT_EQ(dst.Id, 7);
    EXPECT_EQ(dst.ColorType, ctTrueAlpha);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 10; ++x) {
            if (TouchesBlock(x, y, block)) {
                ASSERT_EQ(dst.Bitmap->Pixel(x, y), MakeColor(255, 0, 0)) << x << "," << y;
                ASSERT_EQ(dst.Mask->Byte0(x, y), 0) << x << "," << y;
            } else {
                ASSERT_EQ(dst.Bitmap->Pixel(x, y), MakeColor(10, 20, 30)) << x << "," << y;
                ASSERT_EQ(dst.Mask->Byte0(x, y), InBlock(x, y, block) ? 0 : 255) << x << "," << y;
            }
        }
}

TEST(EffectKernels, StrokePositionsAndGrowth)
{
    ImagingState state;
    const Rect block = MakeRect(4, 4, 12, 12);
    const TIconImageRec src = PictureWithOpaqueBlock(16, 16, block);
    TIconImageRec out;
    InitIconImage(out, 16, 16, ctTrueAlpha, 0);

    // Inner, size 2: the ring outside plus one row of the picture's own border.
    ApplyStroke(src, out, MakeColor(0, 0, 255), -1, 255, 2);
    EXPECT_EQ(out.Bitmap->Pixel(4, 4), MakeColor(0, 0, 255));
    EXPECT_EQ(out.Bitmap->Pixel(7, 4), MakeColor(0, 0, 255));
    EXPECT_EQ(out.Bitmap->Pixel(7, 3), MakeColor(0, 0, 255));
    EXPECT_EQ(out.Bitmap->Pixel(7, 5), MakeColor(10, 20, 30));
    EXPECT_EQ(out.Bitmap->Pixel(7, 2), MakeColor(10, 20, 30));

    // Outer, size 3: two more rows outside; the picture itself untouched.
    ApplyStroke(src, out, MakeColor(0, 0, 255), 1, 255, 3);
    EXPECT_EQ(out.Bitmap->Pixel(7, 1), MakeColor(0, 0, 255));
    EXPECT_EQ(out.Mask->Byte0(7, 1), 0);
    EXPECT_EQ(out.Bitmap->Pixel(7, 0), MakeColor(10, 20, 30));
    EXPECT_EQ(out.Bitmap->Pixel(7, 4), MakeColor(10, 20, 30));

    // Middle, size 3: inward first, then outward.
    ApplyStroke(src, out, MakeColor(0, 0, 255), 0, 255, 3);
    EXPECT_EQ(out.Bitmap->Pixel(7, 4), MakeColor(0, 0, 255));
    EXPECT_EQ(out.Bitmap->Pixel(7, 2), MakeColor(0, 0, 255));
    EXPECT_EQ(out.Bitmap->Pixel(7, 5), MakeColor(10, 20, 30));
    EXPECT_EQ(out.Bitmap->Pixel(7, 1), MakeColor(10, 20, 30));
}

TEST(EffectKernels, StrokeReachesTheLastRowAndColumn)
{
    ImagingState state;
    // The picture fills the right and bottom edges: those opaque pixels are picture, not ground.
    const Rect block = MakeRect(3, 3, 8, 8);
    const TIconImageRec out = Stroked(PictureWithOpaqueBlock(8, 8, block), MakeColor(0, 255, 0), 1, 255, 1);
    EXPECT_EQ(out.Bitmap->Pixel(7, 7), MakeColor(10, 20, 30));
    EXPECT_EQ(out.Bitmap->Pixel(7, 5), MakeColor(10, 20, 30));
    EXPECT_EQ(out.Bitmap->Pixel(2, 7), MakeColor(0, 255, 0));
    EXPECT_EQ(out.Bitmap->Pixel(7, 2), MakeColor(0, 255, 0));
    EXPECT_EQ(out.Bitmap->Pixel(2, 2), MakeColor(10, 20, 30));  // diagonal: not touching
}

TEST(EffectKernels, StrokeOpacityAndColourTypes)
{
    ImagingState state;
    const Rect block = MakeRect(2, 2, 4, 4);
    TIconImageRec src = PictureWithOpaqueBlock(6, 6, block);
    src.Mask->SetPixel(1, 2, MakeColor(200, 200, 200));  // a transparent-ish ring pixel
    TIconImageRec out = Stroked(src, MakeColor(255, 0, 100), 1, 100, 1);
    // (s (255 - O) + O C + 127) div 255 with s = (10, 20, 30).
    const TColor blended = MakeColor((10 * 155 + 100 * 255 + 127) / 255, (20 * 155 + 127) / 255,
                                     (30 * 155 + 100 * 100 + 127) / 255);
    EXPECT_EQ(out.Bitmap->Pixel(2, 1), blended);
    EXPECT_EQ(out.Mask->Byte0(2, 1), 155);
    EXPECT_EQ(out.Mask->Byte0(1, 2), 100);
    // Full opacity keeps the colour exactly (no darkening by one level).
    ApplyStroke(src, out, MakeColor(255, 1, 128), 1, 255, 1);
    EXPECT_EQ(out.Bitmap->Pixel(2, 1), MakeColor(255, 1, 128));

    // A 24-bit format keeps a two-valued mask.
    TIconImageRec rgb = PictureWithOpaqueBlock(6, 6, block, ctTrueColor);
    ApplyStroke(rgb, out, MakeColor(255, 0, 100), 1, 100, 1);
    EXPECT_EQ(out.ColorType, ctTrueColor);
    EXPECT_EQ(out.Mask->Byte0(2, 1), 0);
    EXPECT_EQ(out.Mask->Byte0(0, 0), 255);

    // A palette format takes the index itself, 255 included; its own palette stays.
    TIconImageRec pal = PictureWithOpaqueBlock(6, 6, block, ctColors256);
    TIconImageRec palOut;
    InitIconImage(palOut, 6, 6, ctColors16, 0);
    const TPalette before = palOut.Palette;
    ApplyStroke(pal, palOut, 255, 1, 255, 1);
    EXPECT_EQ(palOut.ColorType, ctColors256);
    EXPECT_EQ(palOut.Palette, before);
    const uint8_t* p = palOut.Bitmap->Row(1) + 2 * 3;
    EXPECT_EQ(p[2], 255);
    EXPECT_EQ(p[0], 0);
    EXPECT_EQ(p[1], 0);
    EXPECT_EQ(palOut.Mask->Byte0(2, 1), 0);
}

TEST(EffectKernels, StrokeIntoItselfAndWithoutBitmaps)
{
    ImagingState state;
    const Rect block = MakeRect(2, 2, 5, 5);
    TIconImageRec a = PictureWithOpaqueBlock(7, 7, block);
    TIconImageRec b;
    InitIconImage(b, 7, 7, ctTrueAlpha, 0);
    ApplyStroke(a, b, MakeColor(1, 2, 3), 1, 255, 2);
    ApplyStroke(a, a, MakeColor(1, 2, 3), 1, 255, 2);
    EXPECT_EQ(*a.Bitmap, *b.Bitmap);
    EXPECT_EQ(*a.Mask, *b.Mask);

    TIconImageRec missing;
    missing.Width = 4;
    missing.Height = 4;
    ApplyStroke(missing, b, 0, 1, 255, 1);  // nothing to read: Dst untouched
    EXPECT_EQ(b.Width, 7);
    // Dst without bitmaps gets its own.
    TIconImageRec bare;
    ApplyStroke(PictureWithOpaqueBlock(7, 7, block), bare, MakeColor(1, 2, 3), 1, 255, 1);
    ASSERT_TRUE(bare.Bitmap && bare.Mask);
    EXPECT_EQ(bare.Bitmap->Pixel(1, 3), MakeColor(1, 2, 3));
}

TEST(EffectKernels, GrowStrokeMarkGrowsThroughBlocks)
{
    Bitmap24 mark(5, 5), grown(5, 5);
    mark.Fill(0);
    mark.Row(2)[2 * 3] = 128;
    GrowStrokeMark(mark, grown, SizeRect(5, 5), 0);
    // Top-left of a block grows from its right, lower and lower-right neighbours; bottom-right
    // from its left, upper and upper-left ones: every neighbour but the two anti-diagonal ones.
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x) {
            const bool near = std::abs(x - 2) <= 1 && std::abs(y - 2) <= 1;
            const bool antiDiagonal = (x == 3 && y == 1) || (x == 1 && y == 3);
            EXPECT_EQ(mark.Row(y)[x * 3], near && !antiDiagonal ? 128 : 0) << x << "," << y;
        }
    // Only pixels holding V join.
    mark.Fill(0);
    mark.Row(2)[2 * 3] = 128;
    mark.Row(2)[3 * 3] = 255;
    GrowStrokeMark(mark, grown, SizeRect(5, 5), 255);
    EXPECT_EQ(mark.Row(2)[3 * 3], 128);
    EXPECT_EQ(mark.Row(2)[1 * 3], 0);
}

TEST(EffectKernels, DropShadowFallsAlongTheAngle)
{
    ImagingState state;
    const Rect block = MakeRect(4, 4, 10, 10);
    TIconImageRec src = PictureWithOpaqueBlock(20, 20, block);
    src.Palette.palPalEntry[0].peRed = 77;
    TIconImageRec dst;
    InitIconImage(dst, 20, 20, ctTrueAlpha, 0);
    // The dialog's default direction: 135 degrees and distance 5 move the shadow 3 right, 3 down.
    ApplyDropShadow(src, dst, MakeColor(0, 0, 255), 5, 255, 135, 0.0);
    EXPECT_EQ(dst.Id, 7);
    EXPECT_EQ(dst.Palette.palPalEntry[0].peRed, 77);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            const bool picture = InBlock(x, y, block);
            const bool shadow = InBlock(x - 3, y - 3, block);
            if (picture) {
                ASSERT_EQ(dst.Bitmap->Pixel(x, y), MakeColor(10, 20, 30)) << x << "," << y;
                ASSERT_EQ(dst.Mask->Byte0(x, y), 0);
            } else if (shadow) {
                // A coloured shadow takes its colour everywhere, its opaque core included.
                ASSERT_EQ(dst.Bitmap->Pixel(x, y), MakeColor(0, 0, 255)) << x << "," << y;
                ASSERT_EQ(dst.Mask->Byte0(x, y), 0);
            } else {
                ASSERT_EQ(dst.Mask->Byte0(x, y), 255) << x << "," << y;
            }
        }
    // Angle 0 throws it to the left, 270 upwards.
    ApplyDropShadow(src, dst, 0, 4, 255, 0, 0.0);
    EXPECT_EQ(dst.Mask->Byte0(0, 5), 0);
    EXPECT_EQ(dst.Mask->Byte0(10, 5), 255);
    ApplyDropShadow(src, dst, 0, 4, 255, 270, 0.0);
    EXPECT_EQ(dst.Mask->Byte0(5, 0), 0);
    EXPECT_EQ(dst.Mask->Byte0(5, 10), 255);
}

TEST(EffectKernels, DropShadowOpacityBlurAndEdges)
{
    ImagingState state;
    const Rect block = MakeRect(4, 4, 10, 10);
    const TIconImageRec src = PictureWithOpaqueBlock(20, 20, block);
    TIconImageRec dst;
    InitIconImage(dst, 20, 20, ctTrueAlpha, 0);
    // Opacity 0 gives back the picture.
    ApplyDropShadow(src, dst, MakeColor(0, 0, 255), 5, 0, 135, 2.0);
    EXPECT_EQ(*dst.Bitmap, *src.Bitmap);
    EXPECT_EQ(*dst.Mask, *src.Mask);
    // Half opacity: the shadow's core is half transparent.
    ApplyDropShadow(src, dst, MakeColor(0, 0, 255), 5, 128, 135, 0.0);
    EXPECT_EQ(dst.Mask->Byte0(11, 11), 127);
    EXPECT_EQ(dst.Bitmap->Pixel(11, 11), MakeColor(0, 0, 255));
    // Blurred: the shadow fades out beyond its edge, monotonically.
    ApplyDropShadow(src, dst, 0, 5, 255, 135, 2.0);
    int last = -1;
    for (int x = 10; x < 20; ++x) {
        const int m = dst.Mask->Byte0(x, 10);
        EXPECT_GE(m, last) << x;
        last = m;
    }
    EXPECT_LT(dst.Mask->Byte0(10, 10), dst.Mask->Byte0(12, 12));
    EXPECT_LT(dst.Mask->Byte0(12, 12), dst.Mask->Byte0(14, 14));
    EXPECT_LT(dst.Mask->Byte0(14, 14), 255);
    EXPECT_EQ(dst.Mask->Byte0(19, 19), 255);
    // A shadow thrown far off the image leaves the picture alone, and into itself works.
    TIconImageRec self = src.Clone();
    ApplyDropShadow(self, self, 0, 5000, 255, 135, 1.0);
    EXPECT_EQ(*self.Mask, *src.Mask);
    ApplyDropShadow(self, self, 0, 5, 255, 135, 0.0);
    EXPECT_EQ(self.Mask->Byte0(12, 12), 0);
}
