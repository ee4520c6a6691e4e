#include <gtest/gtest.h>

#include <random>
#include <set>
#include <thread>

#include "imaging/quantizer_dither.h"
#include "platform/quantizer.h"
#include "support/bitmap_checks.h"
#include "support/format_helpers.h"

namespace {

int Dist2(TColor a, TColor b)
{
    const int dr = ColorR(a) - ColorR(b), dg = ColorG(a) - ColorG(b), db = ColorB(a) - ColorB(b);
    return dr * dr + dg * dg + db * db;
}

int IndexAt(const Bitmap24& out, int x, int y) { return out.Row(y)[x * 3 + 2]; }

// Every pixel of out is (0, 0, index) with the index below count.
::testing::AssertionResult IndexPixels(const Bitmap24& out, int count)
{
    for (int y = 0; y < out.Height(); ++y)
        for (int x = 0; x < out.Width(); ++x)
            if (out.Pixel(x, y) >= TColor(count))
                return ::testing::AssertionFailure() << std::hex << out.Pixel(x, y) << " at " << std::dec << x << "," << y;
    return ::testing::AssertionSuccess();
}

// Every pixel maps to its nearest entry among the first count of the palette.
::testing::AssertionResult NearestEntries(const Bitmap24& src, const Bitmap24& out, const TPalette& pal, int count)
{
    for (int y = 0; y < src.Height(); ++y)
        for (int x = 0; x < src.Width(); ++x) {
            const int got = Dist2(src.Pixel(x, y), EntryColor(pal, IndexAt(out, x, y)));
            for (int i = 0; i < count; ++i)
                if (Dist2(src.Pixel(x, y), EntryColor(pal, i)) < got)
                    return ::testing::AssertionFailure() << "entry " << i << " is nearer at " << x << "," << y;
        }
    return ::testing::AssertionSuccess();
}

double MeanSquaredError(const Bitmap24& src, const Bitmap24& idx, const TPalette& pal)
{
    double sum = 0;
    for (int y = 0; y < src.Height(); ++y)
        for (int x = 0; x < src.Width(); ++x) sum += Dist2(src.Pixel(x, y), EntryColor(pal, IndexAt(idx, x, y)));
    return sum / (3.0 * src.Width() * src.Height());
}

TPalette DefaultPalette(int32_t colorType)
{
    TPalette p;
    LoadDefaultPalette(p, colorType);
    return p;
}

} // namespace

TEST(Quantizer, FixedPaletteStaysByteIdenticalAndPixelsTakeTheNearestEntry)
{
    TIconImageRec rec;
    InitIconImage(rec, 4, 4, ctColors16, 0);
    rec.Palette.palPalEntry[3].peFlags = 7;
    const TPalette before = rec.Palette;
    const Bitmap24 src = NoiseBitmap(40, 30, 5);
    for (int dither : {0, 1}) {
        Bitmap24 out;
        QuantizeToPalette(src, out, rec.Palette, 16, dither, 0);
        EXPECT_EQ(rec.Palette, before);
        ASSERT_EQ(out.Width(), 40);
        ASSERT_EQ(out.Height(), 30);
        EXPECT_TRUE(IndexPixels(out, 16));
        if (dither == 0) EXPECT_TRUE(NearestEntries(src, out, before, 16));
    }
}

TEST(Quantizer, ComputedPaletteIsLosslessOnFewColours)
{
    std::vector<TColor> colours;
    for (int i = 0; i < 256; ++i) colours.push_back(MakeColor(i * 37 % 256, i * 101 % 256, (i * 7 + 3) % 256));
    ASSERT_EQ(std::set<TColor>(colours.begin(), colours.end()).size(), 256u);
    for (auto [count, used] : {std::pair{2, 2}, std::pair{16, 11}, std::pair{256, 256}, std::pair{256, 40}}) {
        // Each colour at least once, then scattered.
        Bitmap24 src(64, 48);
        std::mt19937 rng(unsigned(count + used));
        for (int i = 0; i < 64 * 48; ++i)
            src.SetPixel(i % 64, i / 64, colours[i < used ? size_t(i) : rng() % size_t(used)]);
        for (int dither : {0, 1}) {
            TPalette pal = DefaultPalette(count == 2 ? ctColors2 : count == 16 ? ctColors16 : ctColors256);
            Bitmap24 out;
            QuantizeToPalette(src, out, pal, count, dither, 2);
            EXPECT_TRUE(IndexPixels(out, count));
            EXPECT_EQ(MeanSquaredError(src, out, pal), 0.0) << count << " " << used << " dither " << dither;
        }
    }
}

TEST(Quantizer, ComputedPaletteFitsClustersAndGradients)
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
    TPalette pal = DefaultPalette(ctColors16);
    Bitmap24 out;
    QuantizeToPalette(src, out, pal, 3, 0, 2);
    EXPECT_TRUE(IndexPixels(out, 3));
    EXPECT_TRUE(NearestEntries(src, out, pal, 3));
    for (const TColor c : centres)
        EXPECT_LE(std::min({Dist2(c, EntryColor(pal, 0)), Dist2(c, EntryColor(pal, 1)), Dist2(c, EntryColor(pal, 2))}), 3);
    EXPECT_LT(MeanSquaredError(src, out, pal), 4.5); // the jitter alone has a variance of 4 per channel
    // Entries past Colors keep what they held.
    for (int i = 3; i < 16; ++i) EXPECT_EQ(pal.palPalEntry[size_t(i)], DefaultPalette(ctColors16).palPalEntry[size_t(i)]);

    // A smooth two-way gradient: 256 entries must fit it far better than the fixed 256 palette
    // (256 cells on this surface cannot do much better than about 17), each pixel on its nearest.
    Bitmap24 ramp(128, 128);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) ramp.SetPixel(x, y, MakeColor(x * 2, y * 2, (x + y) % 256));
    const TPalette fixed = DefaultPalette(ctColors256);
    TPalette computed = fixed, fixedCopy = fixed;
    Bitmap24 fixedOut;
    QuantizeToPalette(ramp, fixedOut, fixedCopy, 256, 0, 0);
    QuantizeToPalette(ramp, out, computed, 256, 0, 2);
    const double mse = MeanSquaredError(ramp, out, computed);
    EXPECT_LT(mse, 19.0);
    EXPECT_LT(mse * 4, MeanSquaredError(ramp, fixedOut, fixed));
    EXPECT_TRUE(NearestEntries(ramp, out, computed, 256));
}

TEST(Quantizer, SameBitmapInAndOutAndModeOneNeverDithers)
{
    // Rows with and without padding; a destination of the right size that holds other pixels
    // is written over entirely.
    for (const int width : {33, 32})
        for (const int dither : {1, 0}) {
            const Bitmap24 src = NoiseBitmap(width, 17, 2);
            TPalette a = DefaultPalette(ctColors16), b = a;
            Bitmap24 apart = FilledBitmap(width, 17, 0xFFFFFF), same = src;
            QuantizeToPalette(src, apart, a, 16, dither, 2);
            QuantizeToPalette(same, same, b, 16, dither, 2);
            EXPECT_TRUE(IndexPixels(apart, 16)) << width;
            EXPECT_EQ(same, apart) << width;
            EXPECT_EQ(a, b) << width;
        }
    const Bitmap24 src = NoiseBitmap(33, 17, 2);

    // Mode 1 computes the palette as mode 2 and maps without dither, whatever Dither says.
    TPalette p1 = DefaultPalette(ctColors16), p2 = p1;
    Bitmap24 o1, o2;
    QuantizeToPalette(src, o1, p1, 16, 1, 1);
    QuantizeToPalette(src, o2, p2, 16, 0, 2);
    EXPECT_EQ(o1, o2);
    EXPECT_EQ(p1, p2);
    EXPECT_NE(p1, DefaultPalette(ctColors16));
}

TEST(Quantizer, DitheredGreyMixesBothColours)
{
    const Bitmap24 grey = FilledBitmap(32, 32, GreyColor(128));
    TPalette bw = DefaultPalette(ctColors2);
    ASSERT_EQ(EntryColor(bw, 0), 0u);
    ASSERT_EQ(EntryColor(bw, 1), 0xFFFFFFu);
    Bitmap24 out;
    QuantizeToPalette(grey, out, bw, 2, 1, 0);
    EXPECT_NEAR(CountPixels(out, 1), 512, 32); // half of the pixels, give or take a row's worth
    // Without dithering every pixel takes the nearer white.
    QuantizeToPalette(grey, out, bw, 2, 0, 0);
    EXPECT_EQ(CountPixels(out, 1), 32 * 32);
}

TEST(Quantizer, OutOfContractCountsAndTinyPictures)
{
    // One pixel: one index, and the colour lands in the palette.
    TPalette pal = DefaultPalette(ctColors16);
    Bitmap24 out;
    QuantizeToPalette(FilledBitmap(1, 1, MakeColor(10, 20, 30)), out, pal, 16, 1, 2);
    ASSERT_EQ(out.Width(), 1);
    EXPECT_EQ(EntryColor(pal, IndexAt(out, 0, 0)), MakeColor(10, 20, 30));
    EXPECT_EQ(pal.palNumEntries, 16);

    // Counts far out of range are held to the 256 entries there are.
    const Bitmap24 noise = NoiseBitmap(20, 20, 4);
    TPalette big = DefaultPalette(ctColors256);
    big.palNumEntries = 4000;
    QuantizeToPalette(noise, out, big, 100000, 1, 2);
    EXPECT_TRUE(IndexPixels(out, 256));
    TPalette none; // a true-colour format's palette: no entries
    QuantizeToPalette(noise, out, none, -5, 0, 0);
    EXPECT_TRUE(IndexPixels(out, 1));
    EXPECT_EQ(none.palNumEntries, 0);

    // An empty picture empties Dst and leaves the palette alone.
    TPalette keep = pal;
    QuantizeToPalette(Bitmap24(), out, keep, 16, 0, 2);
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_EQ(keep, pal);

    // The raw call refuses missing buffers and sizes, and writes (0, 0, index).
    uint8_t px[3] = {1, 2, 3}, res[3] = {9, 9, 9}, palBuf[768] = {};
    EXPECT_EQ(quantizer(px, res, 0, 1, palBuf, 2, 0, 2), -1);
    EXPECT_EQ(quantizer(nullptr, res, 1, 1, palBuf, 2, 0, 2), -1);
    EXPECT_EQ(res[0], 9);
    EXPECT_EQ(quantizer(px, res, 1, 1, palBuf, 2, 0, 2), 0);
    EXPECT_EQ(res[0], 0);
    EXPECT_EQ(res[1], 0);
    EXPECT_EQ(palBuf[res[2] * 3], 3); // red of the palette is the pixel's red (third byte)
}

namespace {

// 256 clusters of jittered colours, 32 or 64 levels apart, one 16 x 16 block of pixels each: tens
// of thousands of distinct colours, the kind of picture whose colours are gathered into buckets.
const TColor* ClusterCentres()
{
    static TColor centres[256];
    for (int i = 0; i < 256; ++i) centres[i] = MakeColor(16 + (i % 8) * 32, 16 + (i / 8 % 8) * 32, 32 + (i / 64) * 64);
    return centres;
}

Bitmap24 JitteredClusters()
{
    Bitmap24 src(256, 256);
    std::mt19937 rng(21);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const TColor c = ClusterCentres()[(y / 16) * 16 + x / 16];
            auto j = [&](int v) { return v + int(rng() % 7) - 3; };
            src.SetPixel(x, y, MakeColor(j(ColorR(c)), j(ColorG(c)), j(ColorB(c))));
        }
    return src;
}

size_t DistinctColours(const Bitmap24& b)
{
    std::set<TColor> seen;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) seen.insert(b.Pixel(x, y));
    return seen.size();
}

} // namespace

TEST(Quantizer, ManyColoursGetAnEntryOnEveryCluster)
{
    const Bitmap24 src = JitteredClusters();
    ASSERT_GT(DistinctColours(src), 20000u);
    TPalette pal = DefaultPalette(ctColors256);
    Bitmap24 out;
    QuantizeToPalette(src, out, pal, 256, 0, 2);
    EXPECT_TRUE(NearestEntries(src, out, pal, 256));
    // An entry on every cluster's mean, which the jitter of its 256 pixels leaves within a level
    // of the centre on each channel.
    for (int i = 0; i < 256; ++i) {
        int best = 1 << 30;
        for (int e = 0; e < 256; ++e) best = std::min(best, Dist2(ClusterCentres()[i], EntryColor(pal, e)));
        EXPECT_LE(best, 3) << "cluster " << i;
    }
    EXPECT_LT(MeanSquaredError(src, out, pal), 4.2); // the jitter alone has a variance of 4 per channel
}

TEST(Quantizer, CrowdedColoursStillUseEveryEntry)
{
    // 8192 colours within 32 x 32 x 8 levels: too close together for buckets of 4 levels to leave
    // a few for each of 256 entries.
    Bitmap24 src(256, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            src.SetPixel(x, y, MakeColor(100 + x / 8, 100 + y / 8, 100 + (x * 7 + y * 13) % 8));
    ASSERT_EQ(DistinctColours(src), 8192u);
    TPalette pal = DefaultPalette(ctColors256);
    Bitmap24 out;
    QuantizeToPalette(src, out, pal, 256, 0, 2);
    EXPECT_TRUE(NearestEntries(src, out, pal, 256));
    std::set<int> used;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) used.insert(IndexAt(out, x, y));
    EXPECT_EQ(used.size(), 256u);
    // 32 colours to an entry, in boxes of about 3 x 3 x 3 levels, cannot be served much better.
    EXPECT_LT(MeanSquaredError(src, out, pal), 1.5);
}

TEST(Quantizer, ComputedPaletteDependsOnThePictureAlone)
{
    // The buffers kept from call to call must not carry anything over: the same picture comes out
    // the same after other pictures, and in a thread that has quantised nothing yet. A ramp with
    // grain, whose palette shifts with any change in how its colours are gathered.
    Bitmap24 a(256, 256);
    std::mt19937 rng(5);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) a.SetPixel(x, y, MakeColor(x, y, ((x + y) / 2 + int(rng() % 16)) % 256));
    const Bitmap24 b = NoiseBitmap(256, 256, 9);
    auto run = [](const Bitmap24& src, TPalette& pal, Bitmap24& out) {
        pal = DefaultPalette(ctColors256);
        QuantizeToPalette(src, out, pal, 256, 0, 2);
    };
    TPalette first, again, elsewhere, other;
    Bitmap24 firstOut, againOut, elsewhereOut, otherOut;
    run(a, first, firstOut);
    run(b, other, otherOut);
    run(a, again, againOut);
    std::thread([&] { run(a, elsewhere, elsewhereOut); }).join();
    EXPECT_EQ(again, first);
    EXPECT_EQ(againOut, firstOut);
    EXPECT_EQ(elsewhere, first);
    EXPECT_EQ(elsewhereOut, firstOut);
}

TEST(Quantizer, CallsFromSeveralThreadsAtOnceMatchCallsAlone)
{
    // Each call shares its searches out over the cores; calls made at the same time from
    // different threads (each with buffers of its own) must neither meet nor change a result.
    // Smooth pictures of many colours take the buckets and every shared step.
    std::vector<Bitmap24> pictures;
    for (int p = 0; p < 4; ++p) {
        Bitmap24 b(256, 256);
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x)
                b.SetPixel(x, y, MakeColor((x + p * 40) % 256, (y * (p + 1)) % 256, (x * y / 128 + p * 17) % 256));
        pictures.push_back(b);
    }
    std::vector<TPalette> alonePal(pictures.size());
    std::vector<Bitmap24> aloneOut(pictures.size());
    for (size_t p = 0; p < pictures.size(); ++p) {
        alonePal[p] = DefaultPalette(ctColors256);
        QuantizeToPalette(pictures[p], aloneOut[p], alonePal[p], 256, 0, 2);
    }
    std::vector<int> same(pictures.size(), 0);
    std::vector<std::thread> callers;
    for (size_t p = 0; p < pictures.size(); ++p)
        callers.emplace_back([&, p] {
            for (int again = 0; again < 3; ++again) {
                TPalette pal = DefaultPalette(ctColors256);
                Bitmap24 out;
                QuantizeToPalette(pictures[p], out, pal, 256, 0, 2);
                same[p] += pal == alonePal[p] && out == aloneOut[p];
            }
        });
    for (std::thread& t : callers) t.join();
    for (size_t p = 0; p < pictures.size(); ++p) EXPECT_EQ(same[p], 3) << "picture " << p;
}
