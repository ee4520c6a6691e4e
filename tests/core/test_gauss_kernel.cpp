#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "imaging/gauss_kernel.h"
#include "support/bitmap_checks.h"
#include "support/test_support.h"

namespace {

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
