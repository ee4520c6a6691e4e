#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "imaging/gauss_kernel.h"
#include "imaging/point_lookups.h"
#include "support/test_support.h"

namespace {

// A plain, slow blur straight from the definition: row pass into bytes, then column pass, each
// index held to the line's ends.
std::vector<uint8_t> ReferenceBlur(const std::vector<uint8_t>& src, int w, int h, const TGaussKernel& k)
{
    const int r = k.Radius;
    std::vector<uint8_t> rows(src.size()), out(src.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int t = -r; t <= r; ++t)
                    sum += k.IntWeight(t) * src[size_t((y * w + std::clamp(x + t, 0, w - 1)) * 3 + c)];
                rows[size_t((y * w + x) * 3 + c)] = uint8_t(std::clamp(sum / 1024, 0, 255));
            }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int t = -r; t <= r; ++t)
                    sum += k.IntWeight(t) * rows[size_t((std::clamp(y + t, 0, h - 1) * w + x) * 3 + c)];
                out[size_t((y * w + x) * 3 + c)] = uint8_t(std::clamp(sum / 1024, 0, 255));
            }
    return out;
}

std::vector<uint8_t> Packed(const Bitmap24& b)
{
    std::vector<uint8_t> v(size_t(b.Width()) * size_t(b.Height()) * 3);
    for (int y = 0; y < b.Height(); ++y)
        std::copy(b.Row(y), b.Row(y) + b.Width() * 3, v.begin() + ptrdiff_t(y) * b.Width() * 3);
    return v;
}

}  // namespace

TEST(GaussKernel, RadiusFollowsTheDroppedMass)
{
    EXPECT_EQ(BuildGaussKernel(1.0).Radius, 2);
    EXPECT_EQ(BuildGaussKernel(1.25).Radius, 3);
    EXPECT_EQ(BuildGaussKernel(5.0).Radius, 14);
    EXPECT_EQ(BuildGaussKernel(12.75).Radius, 38);
    // A tiny sigma keeps three taps, and they are (0, 1, 0).
    const TGaussKernel tiny = BuildGaussKernel(0.05);
    EXPECT_EQ(tiny.Radius, 1);
    EXPECT_EQ(tiny.IntWeight(-1), 0);
    EXPECT_EQ(tiny.IntWeight(0), 1024);
    EXPECT_TRUE(tiny.IsIdentity());
    // Both entry points build the same kernel.
    TGaussKernel a;
    BuildGaussianKernel(a, 1, 255, 3.3);
    const TGaussKernel b = BuildGaussKernel(3.3);
    EXPECT_EQ(a.IntWeights, b.IntWeights);
    EXPECT_EQ(a.Weights, b.Weights);
    EXPECT_EQ(a.Radius, b.Radius);
}

TEST(GaussKernel, NonPositiveOrMissingSigmaIsTheIdentity)
{
    for (double s : {0.0, -1.0, -0.0, std::numeric_limits<double>::quiet_NaN()}) {
        const TGaussKernel k = BuildGaussKernel(s);
        EXPECT_TRUE(k.IsIdentity()) << s;
        EXPECT_EQ(k.Radius, 1) << s;
        EXPECT_FLOAT_EQ(k.Weight(0), 1.0f) << s;
    }
}

TEST(GaussKernel, IntegerWeightsSumToExactly1024AndFallFromTheCentre)
{
    // Every blur setting the program can reach (dialog 1..200 / 20, cartoon 1..255 / 20) and far beyond.
    for (int step = 1; step <= 4000; ++step) {
        const double sigma = step * 0.025;
        const TGaussKernel k = BuildGaussKernel(sigma);
        const int r = k.Radius;
        ASSERT_GE(r, 1);
        ASSERT_LE(r, 99);
        int sum = 0;
        double realSum = 0.0;
        for (int t = -r; t <= r; ++t) {
            sum += k.IntWeight(t);
            realSum += k.Weight(t);
            ASSERT_EQ(k.IntWeight(t), k.IntWeight(-t)) << sigma;
            if (t > 1) ASSERT_LE(k.IntWeight(t), k.IntWeight(t - 1)) << sigma << " tap " << t;
        }
        ASSERT_EQ(sum, 1024) << sigma;
        ASSERT_NEAR(realSum, 1.0, 1e-5) << sigma;
        ASSERT_GE(k.IntWeight(r), 0) << sigma;
        ASSERT_GE(k.IntWeight(0), 0) << sigma;
        // Within the settings the program offers, the centre only takes up the rounding: at most
        // half a unit per tap.
        if (sigma <= 13.0)
            ASSERT_LE(std::abs(k.IntWeight(0) - int(std::nearbyint(k.Weight(0) * 1024.0))), r) << sigma;
        ASSERT_EQ(k.IntWeight(r + 1), 0) << sigma;  // dropped taps stay out
    }
}

TEST(GaussKernel, HugeSigmaStillGivesAnUnsignedKernel)
{
    for (double sigma : {1e3, 1e9, std::numeric_limits<double>::infinity()}) {
        const TGaussKernel k = BuildGaussKernel(sigma);
        EXPECT_EQ(k.Radius, 99) << sigma;
        int sum = 0;
        for (int t = -k.Radius; t <= k.Radius; ++t) {
            EXPECT_GE(k.IntWeight(t), 0) << sigma;
            sum += k.IntWeight(t);
        }
        EXPECT_EQ(sum, 1024) << sigma;
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
            const std::vector<uint8_t> expected = ReferenceBlur(Packed(src), w, h, k);

            Bitmap24 dst(w, h);
            ASSERT_TRUE(GaussianBlurPixels24(src.Row(0), src.Stride(), dst.Row(0), dst.Stride(), w, h, k));
            EXPECT_EQ(Packed(dst), expected) << sigma << " " << w << "x" << h;

            Bitmap24 same = src;
            ASSERT_TRUE(GaussianBlurPixels24(same.Row(0), same.Stride(), same.Row(0), same.Stride(), w, h, k));
            EXPECT_EQ(Packed(same), expected) << "in place " << sigma << " " << w << "x" << h;
        }
    }
}

TEST(GaussKernel, HookSeesEveryLineAndCanStop)
{
    const Bitmap24 src = NoiseBitmap(5, 4, 3);
    Bitmap24 dst(5, 4);
    std::vector<std::pair<int, int>> seen;
    const TGaussKernel k = BuildGaussKernel(1.0);
    EXPECT_TRUE(GaussianBlurPixels24(src.Row(0), src.Stride(), dst.Row(0), dst.Stride(), 5, 4, k,
                                     [&](int pass, int line, int lines) {
                                         EXPECT_EQ(lines, 4);
                                         seen.emplace_back(pass, line);
                                         return true;
                                     }));
    ASSERT_EQ(seen.size(), 8u);
    EXPECT_EQ(seen.front(), std::make_pair(0, 1));
    EXPECT_EQ(seen.back(), std::make_pair(1, 4));

    // Stopping in the row pass leaves the destination untouched.
    Bitmap24 untouched(5, 4);
    EXPECT_FALSE(GaussianBlurPixels24(src.Row(0), src.Stride(), untouched.Row(0), untouched.Stride(), 5, 4, k,
                                      [](int pass, int line, int) { return !(pass == 0 && line == 2); }));
    EXPECT_EQ(untouched, Bitmap24(5, 4));
}

TEST(PointLookups, SaturationTableAsTabled)
{
    EXPECT_EQ(SaturationBoostTable[0], 255);
    EXPECT_EQ(SaturationBoostTable[39], 688);
    EXPECT_EQ(SaturationBoostTable[78], 1659);
    EXPECT_EQ(SaturationBoostTable[79], 1631);
    EXPECT_EQ(SaturationBoostTable[89], 2015);
    EXPECT_EQ(SaturationBoostTable[90], 1952);
    EXPECT_EQ(SaturationBoostTable[109], 4531);
    EXPECT_EQ(SaturationBoostTable[127], 65535);
    long long sum = 0;
    for (int32_t v : SaturationBoostTable) sum += v;
    EXPECT_EQ(sum, 549491);
}

TEST(PointLookups, NegativeContrastDrawsTowardsThePivot)
{
    ByteLookup t{};
    BuildContrastLookup(253, -256, t);
    EXPECT_EQ(t[0], 254);
    EXPECT_EQ(t[255], 254);
    EXPECT_EQ(SaturationFactor(-127), 0);
    EXPECT_EQ(SaturationFactor(-1000), 0);
}
