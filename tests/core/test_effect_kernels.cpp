#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>
#include <vector>

#include "imaging/effect_kernels.h"
#include "imaging/gauss_kernel.h"
#include "imaging/imaging_state.h"
#include "imaging/point_lookups.h"
#include "imaging/row_sums.h"
#include "support/bitmap_checks.h"
#include "support/test_support.h"

namespace {

constexpr TColor Picture = MakeColor(10, 20, 30);

// An opaque block of Picture on a transparent ground.
TIconImageRec PictureWithOpaqueBlock(int w, int h, const Rect& block, int colorType = ctTrueAlpha)
{
    TIconImageRec rec;
    InitIconImage(rec, w, h, colorType, 7);
    rec.Bitmap->Fill(Picture);
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

// A plain, slow blur straight from the definition: row pass into bytes, then column pass, each
// index held to the line's ends.
std::vector<uint8_t> ReferenceBlur(const std::vector<uint8_t>& src, int w, int h, const TGaussKernel& k)
{
    const auto pass = [&](const std::vector<uint8_t>& in, bool rows) {
        std::vector<uint8_t> out(in.size());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < 3; ++c) {
                    int sum = 0;
                    for (int t = -k.Radius; t <= k.Radius; ++t) {
                        const int sx = rows ? std::clamp(x + t, 0, w - 1) : x;
                        const int sy = rows ? y : std::clamp(y + t, 0, h - 1);
                        sum += k.IntWeight(t) * in[size_t((sy * w + sx) * 3 + c)];
                    }
                    out[size_t((y * w + x) * 3 + c)] = uint8_t(std::clamp(sum / 1024, 0, 255));
                }
        return out;
    };
    return pass(pass(src, true), false);
}

} // namespace

TEST(GaussKernel, RadiusIdentityAndBothEntryPoints)
{
    EXPECT_EQ(BuildGaussKernel(1.0).Radius, 2);
    EXPECT_EQ(BuildGaussKernel(1.25).Radius, 3);
    EXPECT_EQ(BuildGaussKernel(5.0).Radius, 14);
    EXPECT_EQ(BuildGaussKernel(12.75).Radius, 38);
    // A tiny sigma keeps three taps, (0, 1, 0); a sigma of zero, below or missing is the identity.
    for (double s : {0.05, 0.0, -1.0, -0.0, std::numeric_limits<double>::quiet_NaN()}) {
        const TGaussKernel k = BuildGaussKernel(s);
        EXPECT_TRUE(k.IsIdentity()) << s;
        EXPECT_EQ(k.Radius, 1) << s;
        EXPECT_EQ(k.IntWeight(-1), 0) << s;
        EXPECT_EQ(k.IntWeight(0), 1024) << s;
        EXPECT_FLOAT_EQ(k.Weight(0), 1.0f) << s;
    }
    TGaussKernel a;
    BuildGaussianKernel(a, 1, 255, 3.3);
    const TGaussKernel b = BuildGaussKernel(3.3);
    EXPECT_EQ(a.IntWeights, b.IntWeights);
    EXPECT_EQ(a.Weights, b.Weights);
    EXPECT_EQ(a.Radius, b.Radius);
}

TEST(GaussKernel, IntegerWeightsSumToExactly1024AndFallFromTheCentre)
{
    // Every blur setting the program can reach (dialog 1..200 / 20, cartoon 1..255 / 20) and far
    // beyond, up to sigmas whose radius is capped.
    std::vector<double> sigmas;
    for (int step = 1; step <= 4000; ++step) sigmas.push_back(step * 0.025);
    for (double huge : {1e3, 1e9, std::numeric_limits<double>::infinity()}) sigmas.push_back(huge);
    for (double sigma : sigmas) {
        const TGaussKernel k = BuildGaussKernel(sigma);
        const int r = k.Radius;
        ASSERT_GE(r, 1);
        ASSERT_LE(r, 99);
        if (sigma >= 1e3) ASSERT_EQ(r, 99);
        int sum = 0;
        double realSum = 0.0;
        for (int t = -r; t <= r; ++t) {
            sum += k.IntWeight(t);
            realSum += k.Weight(t);
            ASSERT_GE(k.IntWeight(t), 0) << sigma;
            ASSERT_EQ(k.IntWeight(t), k.IntWeight(-t)) << sigma;
            if (t > 1) ASSERT_LE(k.IntWeight(t), k.IntWeight(t - 1)) << sigma << " tap " << t;
        }
        ASSERT_EQ(sum, 1024) << sigma;
        ASSERT_NEAR(realSum, 1.0, 1e-5) << sigma;
        // Within the settings the program offers, the centre only takes up the rounding: at most
        // half a unit per tap.
        if (sigma <= 13.0)
            ASSERT_LE(std::abs(k.IntWeight(0) - int(std::nearbyint(k.Weight(0) * 1024.0))), r) << sigma;
        ASSERT_EQ(k.IntWeight(r + 1), 0) << sigma; // dropped taps stay out
    }
}

TEST(GaussKernel, UniformPicturesStayUniformAtEverySetting)
{
    for (int size : {1, 2, 7, 33}) {
        for (int setting = 1; setting <= 200; setting += 13) {
            const TGaussKernel k = BuildGaussKernel(setting / 20.0);
            for (uint8_t v : {uint8_t(1), uint8_t(128), uint8_t(254), uint8_t(255)}) {
                std::vector<uint8_t> px(size_t(size) * size_t(size + 3) * 3, v);
                ASSERT_TRUE(GaussianBlurPixels24(px.data(), size * 3, px.data(), size * 3, size, size + 3, k));
                ASSERT_TRUE(std::all_of(px.begin(), px.end(), [v](uint8_t b) { return b == v; }))
                    << "size " << size << " setting " << setting << " value " << int(v);
            }
        }
    }
}

TEST(GaussKernel, BlurMatchesTheDefinitionInPlaceAndApart)
{
    for (double sigma : {0.7, 2.0, 10.0, 40.0}) {
        for (auto [w, h] : {std::pair{37, 23}, std::pair{1, 9}, std::pair{9, 1}, std::pair{3, 150}}) {
            const Bitmap24 src = NoiseBitmap(w, h, unsigned(w * 31 + h));
            const TGaussKernel k = BuildGaussKernel(sigma);
            const std::vector<uint8_t> expected = ReferenceBlur(PackedPixels(src), w, h, k);
            Bitmap24 dst(w, h), same = src;
            ASSERT_TRUE(GaussianBlurPixels24(src.Row(0), src.Stride(), dst.Row(0), dst.Stride(), w, h, k));
            EXPECT_EQ(PackedPixels(dst), expected) << sigma << " " << w << "x" << h;
            ASSERT_TRUE(GaussianBlurPixels24(same.Row(0), same.Stride(), same.Row(0), same.Stride(), w, h, k));
            EXPECT_EQ(PackedPixels(same), expected) << "in place " << sigma << " " << w << "x" << h;
        }
    }
}

TEST(GaussKernel, HookSeesEveryLineAndCanStop)
{
    const Bitmap24 src = NoiseBitmap(5, 4, 3);
    Bitmap24 dst(5, 4);
    std::vector<int> seen;
    const TGaussKernel k = BuildGaussKernel(1.0);
    EXPECT_TRUE(GaussianBlurPixels24(src.Row(0), src.Stride(), dst.Row(0), dst.Stride(), 5, 4, k,
                                     [&](int pass, int line, int lines) {
                                         seen.push_back(pass * 100 + line * 10 + lines); // pass, line, lines
                                         return true;
                                     }));
    EXPECT_EQ(seen, (std::vector<int>{14, 24, 34, 44, 114, 124, 134, 144}));

    // Stopping in the row pass leaves the destination untouched.
    Bitmap24 untouched(5, 4);
    EXPECT_FALSE(GaussianBlurPixels24(src.Row(0), src.Stride(), untouched.Row(0), untouched.Stride(), 5, 4, k,
                                      [](int pass, int line, int) { return !(pass == 0 && line == 2); }));
    EXPECT_EQ(untouched, Bitmap24(5, 4));
}

// Pictures and kernels large enough to be shared over the cores, of odd sizes so the last block
// of rows is short: the same bytes as the definition and as the one-thread run a hook forces,
// apart or in place.
TEST(GaussKernel, SharedOverTheCoresAsOnOneThread)
{
    for (auto [w, h, sigma] : {std::tuple{301, 157, 10.0}, std::tuple{97, 1031, 6.0}, std::tuple{4099, 9, 40.0}}) {
        ASSERT_GT(KernelThreads(size_t(w) * size_t(h), size_t(2 * BuildGaussKernel(sigma).Radius + 1)), 1u);
        const Bitmap24 src = NoiseBitmap(w, h, unsigned(w + h));
        const TGaussKernel k = BuildGaussKernel(sigma);
        Bitmap24 shared(w, h), alone(w, h), same = src;
        ASSERT_TRUE(GaussianBlurPixels24(src.Row(0), src.Stride(), shared.Row(0), shared.Stride(), w, h, k));
        ASSERT_TRUE(GaussianBlurPixels24(src.Row(0), src.Stride(), alone.Row(0), alone.Stride(), w, h, k,
                                         [](int, int, int) { return true; }));
        ASSERT_TRUE(GaussianBlurPixels24(same.Row(0), same.Stride(), same.Row(0), same.Stride(), w, h, k));
        EXPECT_EQ(shared, alone) << w << "x" << h;
        EXPECT_EQ(same, alone) << "in place " << w << "x" << h;
        if (w == 301) EXPECT_EQ(PackedPixels(shared), ReferenceBlur(PackedPixels(src), w, h, k));
    }
}

TEST(EffectKernels, ChannelOffsetsClampWorkInPlaceAndTouchOnlyPaletteEntriesInUse)
{
    Bitmap24 src(3, 2);
    src.SetPixel(0, 0, MakeColor(250, 5, 100));
    src.SetPixel(2, 1, MakeColor(0, 255, 128));
    Bitmap24 dst(3, 2);
    ApplyChannelOffsets(src, dst, SizeRect(3, 2), 10, -10, 0);
    EXPECT_TRUE(PixelsAre(dst, {{0, 0, MakeColor(255, 0, 100)}, {2, 1, MakeColor(10, 245, 128)}, {1, 0, MakeColor(255, 245, 255)}}));
    // In place, with a rectangle reaching past the bitmap: clipped, nothing else touched.
    ApplyChannelOffsets(src, src, MakeRect(2, 0, 50, 50), -300, 300, 1);
    EXPECT_TRUE(PixelsAre(src, {{2, 1, MakeColor(0, 255, 129)}, {0, 0, MakeColor(250, 5, 100)}}));
    const Bitmap24 before = src;
    ApplyChannelOffsets(src, src, MakeRect(3, 2, 0, 0), 9, 9, 9); // inverted: empty
    EXPECT_EQ(src, before);

    TPalette pal;
    LoadDefaultPalette(pal, ctColors16);
    pal.palPalEntry[0].peFlags = 5;
    pal.palPalEntry[16] = {1, 2, 3, 4};
    TPalette out = pal;
    OffsetPaletteChannels(pal, out, 50, 0, -50);
    EXPECT_EQ(out.palPalEntry[0], (TPaletteEntry{50, 0, 0, 5}));       // black
    EXPECT_EQ(out.palPalEntry[15], (TPaletteEntry{255, 255, 205, 0})); // white
    EXPECT_EQ(out.palPalEntry[16], (TPaletteEntry{1, 2, 3, 4}));
    EXPECT_EQ(out.palNumEntries, 16);
}

TEST(EffectKernels, ContrastAndSaturationLookups)
{
    const Bitmap24 noise = NoiseBitmap(16, 16, 1);
    Bitmap24 dst(16, 16);
    ApplyContrast(noise, dst, SizeRect(16, 16), 253, 0);
    EXPECT_EQ(dst, noise);
    const Bitmap24 one = FilledBitmap(1, 1, MakeColor(200, 100, 0));
    ApplyContrast(one, dst, SizeRect(1, 1), 253, 17);
    // K' = 33: 200 - 33*54/256 = 194, 100 - 33*154/256 = 81, 0 - 33*254/256 = 0 (clamped).
    EXPECT_EQ(dst.Pixel(0, 0), MakeColor(194, 81, 0));
    ByteLookup t{};
    BuildContrastLookup(253, -256, t); // negative contrast draws towards the pivot
    EXPECT_EQ(t[0], 254);
    EXPECT_EQ(t[255], 254);

    // Level 0 desaturates slightly; -127 is grey; levels beyond the table are held to its ends.
    const std::pair<int, TColor> saturation[] = {{0, MakeColor(200, 100, 1)}, {-127, GreyColor(100)},
                                                 {127, MakeColor(255, 100, 0)}, {9999, MakeColor(255, 100, 0)}};
    for (const auto& [level, want] : saturation) {
        ApplySaturation(one, dst, SizeRect(1, 1), level);
        EXPECT_EQ(dst.Pixel(0, 0), want) << level;
    }
    EXPECT_EQ(SaturationFactor(-127), 0);
    EXPECT_EQ(SaturationFactor(-1000), 0);
    // The table as saved looks depend on it, dips at 78/79 and 89/90 included.
    const std::pair<int, int32_t> entries[] = {{0, 255},     {39, 688},   {78, 1659},  {79, 1631},
                                               {89, 2015},   {90, 1952},  {109, 4531}, {127, 65535}};
    for (const auto& [i, v] : entries) EXPECT_EQ(SaturationBoostTable[size_t(i)], v) << i;
    long long sum = 0;
    for (int32_t v : SaturationBoostTable) sum += v;
    EXPECT_EQ(sum, 549491);
}

TEST(EffectKernels, BlurRectAndBlurColors)
{
    const Bitmap24 src = NoiseBitmap(21, 13, 3);
    Bitmap24 dst = FilledBitmap(21, 13, MakeColor(1, 2, 3));
    // Written from Dst's origin; sigma 0 copies.
    GaussianBlurRect(src, dst, MakeRect(4, 2, 9, 8), 0.0);
    for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 21; ++x)
            ASSERT_EQ(dst.Pixel(x, y), (x < 5 && y < 6) ? src.Pixel(x + 4, y + 2) : MakeColor(1, 2, 3)) << x << "," << y;
    // A blurred rectangle larger than Dst is cut to Dst.
    Bitmap24 small(3, 3), full(21, 13);
    GaussianBlurRect(src, small, SizeRect(21, 13), 1.5);
    GaussianBlurRect(src, full, SizeRect(21, 13), 1.5);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(small.Pixel(x, y), full.Pixel(x, y));

    // The colour-array blur gives the bitmap blur, dropping the top byte.
    std::vector<TColor> colours;
    for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 21; ++x) colours.push_back(src.Pixel(x, y) | 0xAB000000u);
    GaussianBlurColors(colours.data(), 21, 1.5, 13);
    for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 21; ++x) ASSERT_EQ(colours[size_t(y * 21 + x)], full.Pixel(x, y));
    GaussianBlurColors(nullptr, 5, 1.0, 5); // no colours, no work
    GaussianBlurColors(colours.data(), 0, 1.0, 13);
    EXPECT_EQ(colours[0], full.Pixel(0, 0));
}

TEST(EffectKernels, SharpenAgainstThePixelAbove)
{
    Bitmap24 src(3, 3);
    src.SetPixel(0, 0, GreyColor(100));
    src.SetPixel(0, 1, MakeColor(120, 90, 100));
    src.SetPixel(1, 1, 0);
    src.SetPixel(0, 2, GreyColor(50));
    Bitmap24 dst = FilledBitmap(3, 3, GreyColor(7));
    SharpenRect(src, dst, SizeRect(3, 3), 1.5);
    // 120 + 1.5 * 20 = 150, 90 - 1.5 * 10 = 75; 0 - 1.5 * 255 and 50 - 1.5 * 70 clamp to 0;
    // 255 + 1.5 * 255 to 255.
    EXPECT_TRUE(PixelsAre(dst, {{0, 1, MakeColor(150, 75, 100)}, {1, 1, 0}, {0, 2, 0}, {1, 2, 0xFFFFFF}}));
    // First row and last column keep what Dst held.
    EXPECT_TRUE(AreaIs(dst, Rect{0, 0, 3, 1}, GreyColor(7)));
    EXPECT_TRUE(AreaIs(dst, Rect{2, 0, 3, 3}, GreyColor(7)));
    // Truncation toward zero: 10 + 0.04 * 9 = 10.36.
    Bitmap24 a(2, 2);
    a.SetPixel(0, 0, GreyColor(1));
    a.SetPixel(0, 1, GreyColor(10));
    SharpenRect(a, dst, SizeRect(2, 2), 0.04);
    EXPECT_EQ(dst.Pixel(0, 1), GreyColor(10));
    // In place gives what apart gives.
    const Bitmap24 noise = NoiseBitmap(9, 9, 4);
    Bitmap24 apart = noise, same = noise;
    SharpenRect(noise, apart, SizeRect(9, 9), 2.0);
    SharpenRect(same, same, SizeRect(9, 9), 2.0);
    EXPECT_EQ(same, apart);
}

TEST(EffectKernels, OuterStrokeOfSizeOneRingsThePictureUpToTheLastRowAndColumn)
{
    ImagingState state;
    const Rect block = MakeRect(3, 2, 6, 6);
    const TIconImageRec dst = Stroked(PictureWithOpaqueBlock(10, 9, block), MakeColor(255, 0, 0), 1, 255, 1);
    EXPECT_EQ(dst.Id, 7);
    EXPECT_EQ(dst.ColorType, ctTrueAlpha);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 10; ++x) {
            // Pixels sharing an edge with the block, outside it, take the stroke.
            const bool ring = !InBlock(x, y, block) && (InBlock(x - 1, y, block) || InBlock(x + 1, y, block) ||
                                                        InBlock(x, y - 1, block) || InBlock(x, y + 1, block));
            ASSERT_EQ(dst.Bitmap->Pixel(x, y), ring ? MakeColor(255, 0, 0) : Picture) << x << "," << y;
            ASSERT_EQ(dst.Mask->Byte0(x, y), ring || InBlock(x, y, block) ? 0 : 255) << x << "," << y;
        }

    // A picture reaching the right and bottom edges: those opaque pixels are picture, not ground.
    const TIconImageRec edge = Stroked(PictureWithOpaqueBlock(8, 8, MakeRect(3, 3, 8, 8)), MakeColor(0, 255, 0), 1, 255, 1);
    EXPECT_TRUE(PixelsAre(*edge.Bitmap, {{7, 7, Picture}, {7, 5, Picture}, {2, 7, MakeColor(0, 255, 0)},
                                         {7, 2, MakeColor(0, 255, 0)}, {2, 2, Picture}})); // diagonal: not touching
}

TEST(EffectKernels, StrokePositionsAndGrowth)
{
    ImagingState state;
    const TIconImageRec src = PictureWithOpaqueBlock(16, 16, MakeRect(4, 4, 12, 12));
    const TColor blue = MakeColor(0, 0, 255);
    // Inner, size 2: the ring outside plus one row of the picture's own border.
    TIconImageRec out = Stroked(src, blue, -1, 255, 2);
    EXPECT_TRUE(PixelsAre(*out.Bitmap, {{4, 4, blue}, {7, 4, blue}, {7, 3, blue}, {7, 5, Picture}, {7, 2, Picture}}));
    // Outer, size 3: two more rows outside; the picture itself untouched.
    out = Stroked(src, blue, 1, 255, 3);
    EXPECT_TRUE(PixelsAre(*out.Bitmap, {{7, 1, blue}, {7, 0, Picture}, {7, 4, Picture}}));
    EXPECT_EQ(out.Mask->Byte0(7, 1), 0);
    // Middle, size 3: inward first, then outward.
    out = Stroked(src, blue, 0, 255, 3);
    EXPECT_TRUE(PixelsAre(*out.Bitmap, {{7, 4, blue}, {7, 2, blue}, {7, 5, Picture}, {7, 1, Picture}}));
}

TEST(EffectKernels, StrokeOpacityAndColourTypes)
{
    ImagingState state;
    const Rect block = MakeRect(2, 2, 4, 4);
    TIconImageRec src = PictureWithOpaqueBlock(6, 6, block);
    src.Mask->SetPixel(1, 2, GreyColor(200)); // a transparent-ish ring pixel
    TIconImageRec out = Stroked(src, MakeColor(255, 0, 100), 1, 100, 1);
    // (s (255 - O) + O C + 127) div 255 with s = (10, 20, 30).
    EXPECT_EQ(out.Bitmap->Pixel(2, 1), MakeColor((10 * 155 + 100 * 255 + 127) / 255, (20 * 155 + 127) / 255,
                                                 (30 * 155 + 100 * 100 + 127) / 255));
    EXPECT_EQ(out.Mask->Byte0(2, 1), 155);
    EXPECT_EQ(out.Mask->Byte0(1, 2), 100);
    // Full opacity keeps the colour exactly (no darkening by one level).
    ApplyStroke(src, out, MakeColor(255, 1, 128), 1, 255, 1);
    EXPECT_EQ(out.Bitmap->Pixel(2, 1), MakeColor(255, 1, 128));

    // A 24-bit format keeps a two-valued mask.
    ApplyStroke(PictureWithOpaqueBlock(6, 6, block, ctTrueColor), out, MakeColor(255, 0, 100), 1, 100, 1);
    EXPECT_EQ(out.ColorType, ctTrueColor);
    EXPECT_EQ(out.Mask->Byte0(2, 1), 0);
    EXPECT_EQ(out.Mask->Byte0(0, 0), 255);

    // A palette format takes the index itself, 255 included, in the red byte; its own palette stays.
    TIconImageRec palOut;
    InitIconImage(palOut, 6, 6, ctColors16, 0);
    const TPalette before = palOut.Palette;
    ApplyStroke(PictureWithOpaqueBlock(6, 6, block, ctColors256), palOut, 255, 1, 255, 1);
    EXPECT_EQ(palOut.ColorType, ctColors256);
    EXPECT_EQ(palOut.Palette, before);
    EXPECT_EQ(palOut.Bitmap->Pixel(2, 1), 255u);
    EXPECT_EQ(palOut.Mask->Byte0(2, 1), 0);
}

TEST(EffectKernels, StrokeIntoItselfAndWithoutBitmaps)
{
    ImagingState state;
    const Rect block = MakeRect(2, 2, 5, 5);
    TIconImageRec a = PictureWithOpaqueBlock(7, 7, block);
    const TIconImageRec b = Stroked(a, MakeColor(1, 2, 3), 1, 255, 2);
    ApplyStroke(a, a, MakeColor(1, 2, 3), 1, 255, 2);
    EXPECT_EQ(*a.Bitmap, *b.Bitmap);
    EXPECT_EQ(*a.Mask, *b.Mask);

    TIconImageRec missing;
    missing.Width = missing.Height = 4;
    ApplyStroke(missing, a, 0, 1, 255, 1); // nothing to read: Dst untouched
    EXPECT_EQ(*a.Bitmap, *b.Bitmap);
    // Dst without bitmaps gets its own.
    TIconImageRec bare;
    ApplyStroke(PictureWithOpaqueBlock(7, 7, block), bare, MakeColor(1, 2, 3), 1, 255, 1);
    ASSERT_TRUE(bare.Bitmap && bare.Mask);
    EXPECT_EQ(bare.Bitmap->Pixel(1, 3), MakeColor(1, 2, 3));
}

TEST(EffectKernels, GrowStrokeMarkGrowsThroughBlocks)
{
    Bitmap24 mark = FilledBitmap(5, 5, 0), grown(5, 5);
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
            const bool picture = InBlock(x, y, block), shadow = InBlock(x - 3, y - 3, block);
            // A coloured shadow takes its colour everywhere, its opaque core included.
            if (picture || shadow)
                ASSERT_EQ(dst.Bitmap->Pixel(x, y), picture ? Picture : MakeColor(0, 0, 255)) << x << "," << y;
            ASSERT_EQ(dst.Mask->Byte0(x, y), picture || shadow ? 0 : 255) << x << "," << y;
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
    const TIconImageRec src = PictureWithOpaqueBlock(20, 20, MakeRect(4, 4, 10, 10));
    TIconImageRec dst;
    InitIconImage(dst, 20, 20, ctTrueAlpha, 0);
    ApplyDropShadow(src, dst, MakeColor(0, 0, 255), 5, 0, 135, 2.0); // opacity 0 gives back the picture
    EXPECT_EQ(*dst.Bitmap, *src.Bitmap);
    EXPECT_EQ(*dst.Mask, *src.Mask);
    ApplyDropShadow(src, dst, MakeColor(0, 0, 255), 5, 128, 135, 0.0); // half opacity: a half-transparent core
    EXPECT_EQ(dst.Mask->Byte0(11, 11), 127);
    EXPECT_EQ(dst.Bitmap->Pixel(11, 11), MakeColor(0, 0, 255));
    // Blurred: the shadow fades out beyond its edge, monotonically.
    ApplyDropShadow(src, dst, 0, 5, 255, 135, 2.0);
    for (int x = 11; x < 20; ++x) EXPECT_GE(dst.Mask->Byte0(x, 10), dst.Mask->Byte0(x - 1, 10)) << x;
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
