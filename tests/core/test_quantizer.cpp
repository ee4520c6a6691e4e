#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

#include "imaging/icon_image.h"
#include "imaging/quantizer_dither.h"
#include "platform/quantizer.h"
#include "support/test_support.h"

namespace {

TColor EntryColor(const TPalette& p, int i)
{
    const TPaletteEntry& e = p.palPalEntry[size_t(i)];
    return MakeColor(e.peRed, e.peGreen, e.peBlue);
}

int Dist2(TColor a, TColor b)
{
    const int dr = ColorR(a) - ColorR(b), dg = ColorG(a) - ColorG(b), db = ColorB(a) - ColorB(b);
    return dr * dr + dg * dg + db * db;
}

// Every pixel of out is (0, 0, index) and the index is below count.
void ExpectIndexPixels(const Bitmap24& out, int count)
{
    for (int y = 0; y < out.Height(); ++y)
        for (int x = 0; x < out.Width(); ++x) {
            const uint8_t* p = out.Row(y) + x * 3;
            ASSERT_EQ(p[0], 0);
            ASSERT_EQ(p[1], 0);
            ASSERT_LT(p[2], count);
        }
}

// A picture made of the given colours only, scattered.
Bitmap24 FewColours(int w, int h, const std::vector<TColor>& colours, unsigned seed)
{
    Bitmap24 b(w, h);
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) b.SetPixel(x, y, colours[rng() % colours.size()]);
    // Make sure each colour appears at least once.
    for (size_t i = 0; i < colours.size() && i < size_t(w * h); ++i) b.SetPixel(int(i % size_t(w)), int(i / size_t(w)), colours[i]);
    return b;
}

double MeanSquaredError(const Bitmap24& src, const Bitmap24& idx, const TPalette& pal)
{
    double sum = 0;
    for (int y = 0; y < src.Height(); ++y)
        for (int x = 0; x < src.Width(); ++x)
            sum += Dist2(src.Pixel(x, y), EntryColor(pal, idx.Row(y)[x * 3 + 2]));
    return sum / (3.0 * src.Width() * src.Height());
}

}  // namespace

TEST(Quantizer, FixedPaletteStaysByteIdenticalAndPixelsTakeTheNearestEntry)
{
    TIconImageRec rec;
    InitIconImage(rec, 4, 4, ctColors16, 0);
    rec.Palette.palPalEntry[3].peFlags = 7;
    const TPalette before = rec.Palette;
    const Bitmap24 src = NoiseBitmap(40, 30, 5);
    Bitmap24 out;
    QuantizeToPalette(src, out, rec.Palette, 16, 0, 0);
    EXPECT_EQ(rec.Palette, before);
    ASSERT_EQ(out.Width(), 40);
    ASSERT_EQ(out.Height(), 30);
    ExpectIndexPixels(out, 16);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            const TColor c = src.Pixel(x, y);
            const int got = out.Row(y)[x * 3 + 2];
            int best = 0;
            for (int i = 1; i < 16; ++i)
                if (Dist2(c, EntryColor(before, i)) < Dist2(c, EntryColor(before, best))) best = i;
            ASSERT_EQ(got, best) << x << "," << y;
        }
    // Dithering onto a fixed palette keeps it too.
    QuantizeToPalette(src, out, rec.Palette, 16, 1, 0);
    EXPECT_EQ(rec.Palette, before);
    ExpectIndexPixels(out, 16);
}

TEST(Quantizer, ComputedPaletteIsLosslessOnFewColours)
{
    std::vector<TColor> colours;
    for (int i = 0; i < 256; ++i) colours.push_back(MakeColor(i * 37 % 256, i * 101 % 256, (i * 7 + 3) % 256));
    const std::set<TColor> distinct(colours.begin(), colours.end());
    ASSERT_EQ(distinct.size(), 256u);
    for (auto [count, used] : {std::pair{2, 2}, std::pair{16, 11}, std::pair{256, 256}, std::pair{256, 40}}) {
        const std::vector<TColor> some(colours.begin(), colours.begin() + used);
        const Bitmap24 src = FewColours(64, 48, some, unsigned(count + used));
        for (int dither : {0, 1}) {
            TPalette pal;
            LoadDefaultPalette(pal, count == 2 ? ctColors2 : count == 16 ? ctColors16 : ctColors256);
            Bitmap24 out;
            QuantizeToPalette(src, out, pal, count, dither, 2);
            ExpectIndexPixels(out, count);
            EXPECT_EQ(MeanSquaredError(src, out, pal), 0.0) << count << " " << used << " dither " << dither;
        }
    }
}

TEST(Quantizer, ComputedPaletteFindsTheClusters)
{
    // Three tight clusters of many colours each: three entries must sit on them.
    const TColor centres[3] = {MakeColor(200, 30, 40), MakeColor(20, 180, 90), MakeColor(60, 70, 230)};
    Bitmap24 src(60, 60);
    std::mt19937 rng(11);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 60; ++x) {
            const TColor c = centres[(x / 20 + y / 20) % 3];
            auto j = [&](int v) { return std::clamp(v + int(rng() % 7) - 3, 0, 255); };
            src.SetPixel(x, y, MakeColor(j(ColorR(c)), j(ColorG(c)), j(ColorB(c))));
        }
    TPalette pal;
    LoadDefaultPalette(pal, ctColors16);
    Bitmap24 out;
    QuantizeToPalette(src, out, pal, 3, 0, 2);
    ExpectIndexPixels(out, 3);
    for (const TColor c : centres) {
        int best = 1 << 30;
        for (int i = 0; i < 3; ++i) best = std::min(best, Dist2(c, EntryColor(pal, i)));
        EXPECT_LE(best, 3) << std::hex << c;
    }
    // The jitter alone has a variance of 4 per channel.
    EXPECT_LT(MeanSquaredError(src, out, pal), 4.5);
    // Entries past Colors keep what they held.
    TPalette fresh;
    LoadDefaultPalette(fresh, ctColors16);
    for (int i = 3; i < 16; ++i) EXPECT_EQ(pal.palPalEntry[size_t(i)], fresh.palPalEntry[size_t(i)]);
}

TEST(Quantizer, ManyColoursGetAGoodPalette)
{
    // A smooth two-way gradient: 256 entries must fit it far better than the fixed 256 palette.
    Bitmap24 src(128, 128);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) src.SetPixel(x, y, MakeColor(x * 2, y * 2, (x + y) % 256));
    TPalette fixed;
    LoadDefaultPalette(fixed, ctColors256);
    Bitmap24 fixedOut;
    QuantizeToPalette(src, fixedOut, fixed, 256, 0, 0);
    TPalette computed = fixed;
    Bitmap24 out;
    QuantizeToPalette(src, out, computed, 256, 0, 2);
    const double mse = MeanSquaredError(src, out, computed);
    // 256 cells on this surface cannot do much better than about 17.
    EXPECT_LT(mse, 19.0);
    EXPECT_LT(mse * 4, MeanSquaredError(src, fixedOut, fixed));
    // Every pixel still takes its nearest entry of the computed palette.
    for (int y = 0; y < 128; y += 7)
        for (int x = 0; x < 128; x += 5) {
            const int got = out.Row(y)[x * 3 + 2];
            for (int i = 0; i < 256; ++i)
                ASSERT_LE(Dist2(src.Pixel(x, y), EntryColor(computed, got)), Dist2(src.Pixel(x, y), EntryColor(computed, i)));
        }
}

TEST(Quantizer, SameBitmapInAndOut)
{
    const Bitmap24 src = NoiseBitmap(33, 17, 2);
    TPalette a;
    LoadDefaultPalette(a, ctColors16);
    TPalette b = a;
    Bitmap24 apart;
    QuantizeToPalette(src, apart, a, 16, 1, 2);
    Bitmap24 same = src;
    QuantizeToPalette(same, same, b, 16, 1, 2);
    EXPECT_EQ(same, apart);
    EXPECT_EQ(a, b);
}

TEST(Quantizer, DitheredGreyMixesBothColours)
{
    Bitmap24 grey(32, 32);
    grey.Fill(MakeColor(128, 128, 128));
    TPalette bw;
    LoadDefaultPalette(bw, ctColors2);
    ASSERT_EQ(EntryColor(bw, 0), 0u);
    ASSERT_EQ(EntryColor(bw, 1), 0xFFFFFFu);
    Bitmap24 out;
    QuantizeToPalette(grey, out, bw, 2, 1, 0);
    int white = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) white += out.Row(y)[x * 3 + 2];
    // Half of the pixels, give or take a row's worth.
    EXPECT_NEAR(white, 512, 32);
    // Without dithering every pixel takes the nearer white.
    QuantizeToPalette(grey, out, bw, 2, 0, 0);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) ASSERT_EQ(out.Row(y)[x * 3 + 2], 1);
}

TEST(Quantizer, ModeOneComputesAPaletteAndNeverDithers)
{
    const Bitmap24 src = NoiseBitmap(40, 40, 9);
    TPalette p1, p2;
    LoadDefaultPalette(p1, ctColors16);
    p2 = p1;
    Bitmap24 o1, o2;
    QuantizeToPalette(src, o1, p1, 16, 1, 1);
    QuantizeToPalette(src, o2, p2, 16, 0, 2);
    EXPECT_EQ(o1, o2);
    EXPECT_EQ(p1, p2);
    TPalette fixed;
    LoadDefaultPalette(fixed, ctColors16);
    EXPECT_NE(p1, fixed);
}

TEST(Quantizer, OutOfContractCountsAndTinyPictures)
{
    // One pixel: one index, and the colour lands in the palette.
    Bitmap24 one(1, 1);
    one.SetPixel(0, 0, MakeColor(10, 20, 30));
    TPalette pal;
    LoadDefaultPalette(pal, ctColors16);
    const uint16_t count = pal.palNumEntries;
    Bitmap24 out;
    QuantizeToPalette(one, out, pal, 16, 1, 2);
    ASSERT_EQ(out.Width(), 1);
    EXPECT_EQ(EntryColor(pal, out.Row(0)[2]), MakeColor(10, 20, 30));
    EXPECT_EQ(pal.palNumEntries, count);

    // Counts far out of range are held to the 256 entries there are.
    const Bitmap24 noise = NoiseBitmap(20, 20, 4);
    TPalette big;
    LoadDefaultPalette(big, ctColors256);
    big.palNumEntries = 4000;
    QuantizeToPalette(noise, out, big, 100000, 1, 2);
    ExpectIndexPixels(out, 256);
    TPalette none;  // a true-colour format's palette: no entries
    QuantizeToPalette(noise, out, none, -5, 0, 0);
    ExpectIndexPixels(out, 1);
    EXPECT_EQ(none.palNumEntries, 0);

    // An empty picture empties Dst and leaves the palette alone.
    Bitmap24 empty;
    TPalette keep = pal;
    QuantizeToPalette(empty, out, keep, 16, 0, 2);
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_EQ(keep, pal);

    // The raw call refuses missing buffers and sizes.
    uint8_t px[3] = {1, 2, 3}, res[3] = {9, 9, 9}, palBuf[768] = {};
    EXPECT_EQ(quantizer(px, res, 0, 1, palBuf, 2, 0, 2), -1);
    EXPECT_EQ(quantizer(nullptr, res, 1, 1, palBuf, 2, 0, 2), -1);
    EXPECT_EQ(res[0], 9);
    EXPECT_EQ(quantizer(px, res, 1, 1, palBuf, 2, 0, 2), 0);
    EXPECT_EQ(res[0], 0);
    EXPECT_EQ(res[1], 0);
    EXPECT_EQ(palBuf[res[2] * 3], 3);  // red of the palette is the pixel's red (third byte)
}
