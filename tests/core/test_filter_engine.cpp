#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/filter_engine.h"
#include "imaging/row_sums.h"
#include "support/bitmap_checks.h"
#include "support/test_support.h"

namespace {

const TFilterDef& Named(const char* name)
{
    for (const TFilterDef& f : FilterPresets)
        if (std::strcmp(f.Name, name) == 0) return f;
    ADD_FAILURE() << "no preset " << name;
    return FilterPresets[0];
}

int KernelSum(const TFilterDef& f)
{
    int s = 0;
    for (const auto& row : f.Kernel)
        for (int w : row) s += w;
    return s;
}

// Applies F at its own size on all three channels.
Bitmap24 Filtered(const Bitmap24& src, const TFilterDef& f, int sizeCode = -1, int mode = 0)
{
    Bitmap24 dst;
    ApplyFilter(src, dst, f, sizeCode < 0 ? f.SizeCode : sizeCode, mode, true, true, true);
    return dst;
}

std::vector<int> Reds(const Bitmap24& b)
{
    std::vector<int> v;
    for (int x = 0; x < b.Width(); ++x) v.push_back(ColorR(b.Pixel(x, 0)));
    return v;
}

} // namespace

TEST(FilterEngine, PresetTable)
{
    const char* names[FilterPresetCount] = {
        "Null", "Color Emboss", "Light Emboss", "Median Emboss", "Dark Emboss", "Edge Enhance", "Bartlett Blur",
        "Gaussian Blur", "Negative", "Average filter", "Blur", "Blur Softly", "Blur More", "Prewitt Edges",
        "Trace Contour", "Sharpen", "Sharpen More", "Sharpen Less", "Unsharp Mask", "Strong Edges", "Weak Edges",
        "Etch", "Laplacian  Horz./Vert", "Laplacian Omni-directional", "Sharpen Directional"};
    const int sums[FilterPresetCount] = {1, 1, 0, 0, 0, 4, 256, 999, -1, 9, 16, 32, 64, 0, 2, 8, 4, 16, 4, 0, 0, 6, 0, 0, 10};
    const int sizes[FilterPresetCount] = {1, 1, 1, 1, 1, 1, 3, 3, 1, 1, 1, 1, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    for (int i = 0; i < FilterPresetCount; ++i) {
        const TFilterDef& f = FilterPresets[size_t(i)];
        EXPECT_STREQ(f.Name, names[i]);
        EXPECT_EQ(f.Kind, 1) << i;
        EXPECT_EQ(f.SizeCode, sizes[i]) << i;
        EXPECT_EQ(KernelSum(f), sums[i]) << f.Name;
        // Smaller kernels sit in the centre with zeros around them.
        const int r = f.SizeCode == 3 ? 3 : f.SizeCode == 2 ? 2 : 1;
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 7; ++x)
                if (std::abs(y - 3) > r || std::abs(x - 3) > r) EXPECT_EQ(f.Kernel[y][x], 0) << f.Name;
    }
    // Rows run top to bottom, columns left to right.
    EXPECT_EQ(Named("Sharpen Directional").Kernel[2][2], -3);
    EXPECT_EQ(Named("Sharpen Directional").Kernel[4][4], 1);
    EXPECT_EQ(Named("Etch").Kernel[2][3], 2);
    EXPECT_EQ(Named("Etch").Kernel[4][3], -2);
    EXPECT_EQ(Named("Gaussian Blur").Kernel[3][3], 67);
    EXPECT_EQ(Named("Blur More").Kernel[1][3], 2);
    EXPECT_EQ(Named("Light Emboss").Bias, 192);
}

TEST(FilterEngine, UniformAreasLandWhereKernelSumAndBiasPutThem)
{
    // Blurs keep a flat area; the rest give bias + value * sum / divisor, truncated and clamped.
    for (const TFilterDef& f : FilterPresets) {
        for (int v : {0, 77, 200, 255}) {
            const double exact = f.Bias + double(v) * KernelSum(f) / f.Divisor;
            const int want = exact <= 0 ? 0 : exact >= 255 ? 255 : int(exact);
            ASSERT_EQ(Filtered(FilledBitmap(9, 8, GreyColor(v)), f), FilledBitmap(9, 8, GreyColor(want))) << f.Name << " " << v;
        }
    }
}

TEST(FilterEngine, NullNegativeChannelSwitchesAndSameBitmap)
{
    const Bitmap24 noise = NoiseBitmap(13, 11, 6);
    EXPECT_EQ(Filtered(noise, Named("Null"), 0), noise);
    Bitmap24 dst;
    ApplyFilter(noise, dst, Named("Negative"), 0, 0, true, false, false);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 13; ++x) {
            const TColor s = noise.Pixel(x, y);
            ASSERT_EQ(dst.Pixel(x, y), MakeColor(255 - ColorR(s), ColorG(s), ColorB(s)));
        }
    Bitmap24 same = noise;
    ApplyFilter(same, same, Named("Blur"), 0, 0, true, true, true);
    EXPECT_EQ(same, Filtered(noise, Named("Blur"), 0));
}

TEST(FilterEngine, EdgesReflectWithinTheRadius)
{
    Bitmap24 src = FilledBitmap(3, 3, 0);
    src.SetPixel(1, 1, GreyColor(9));
    // A corner reads rows 1, 0, 1 and columns 1, 0, 1: the centre four times.
    EXPECT_TRUE(PixelsAre(Filtered(src, Named("Average filter"), 0),
                          {{1, 1, GreyColor(1)}, {0, 0, GreyColor(4)}, {2, 2, GreyColor(4)}, {1, 0, GreyColor(2)}}));

    // A kernel that reads only the left neighbour: near the left edge (x <= r) it reads the right
    // one instead; near the right edge offsets to the left are read as they are. Likewise to the
    // right near the right edge (x >= W - r - 1).
    Bitmap24 ramp(6, 1);
    for (int x = 0; x < 6; ++x) ramp.SetPixel(x, 0, MakeColor(x * 10, 0, 0));
    TFilterDef left, right;
    left.Kernel[3][2] = 1;
    right.Kernel[3][4] = 1;
    EXPECT_EQ(Reds(Filtered(ramp, left, 1)), (std::vector<int>{10, 20, 10, 20, 30, 40}));
    EXPECT_EQ(Reds(Filtered(ramp, right, 1)), (std::vector<int>{10, 20, 30, 40, 30, 40}));
}

// Large pictures of odd sizes are shared over the cores; a progress callback keeps them on one
// thread, in order. Both give the same bytes, for every size of kernel and with channels off.
TEST(FilterEngine, SharedOverTheCoresAsOnOneThread)
{
    ASSERT_GT(KernelThreads(511 * 509, 9), 1u);
    for (auto [w, h] : {std::pair{511, 509}, std::pair{61, 1201}, std::pair{3001, 23}}) {
        const Bitmap24 src = NoiseBitmap(w, h, unsigned(w * 3 + h));
        for (const char* name : {"Gaussian Blur", "Blur More", "Edge Enhance", "Trace Contour"})
            for (const bool green : {true, false}) {
                Bitmap24 shared, alone;
                int reports = 0;
                ApplyFilter(src, shared, Named(name), 0, 0, true, green, true);
                ApplyFilter(src, alone, Named(name), 0, 0, true, green, true, [&](int, int, int) { ++reports; });
                EXPECT_EQ(reports, h) << name;
                EXPECT_EQ(shared, alone) << name << " " << w << "x" << h << (green ? "" : " without green");
            }
    }
}

TEST(FilterEngine, ImagesSmallerThanTheKernelStayInside)
{
    for (auto [w, h] : {std::pair{1, 1}, std::pair{2, 3}, std::pair{6, 2}, std::pair{5, 7}}) {
        const Bitmap24 src = NoiseBitmap(w, h, unsigned(w + h));
        for (const TFilterDef& f : FilterPresets) {
            const Bitmap24 dst = Filtered(src, f);
            ASSERT_EQ(dst.Width(), w);
            ASSERT_EQ(dst.Height(), h);
        }
        EXPECT_EQ(Filtered(src, Named("Null"), 3), src);
    }
    // A one-pixel picture averages with itself only.
    const Bitmap24 one = NoiseBitmap(1, 1, 2);
    EXPECT_EQ(Filtered(one, Named("Bartlett Blur"), 0), one);
}

TEST(FilterEngine, ZeroDivisorCopiesAndOtherKindsDoNothing)
{
    const Bitmap24 src = NoiseBitmap(5, 5, 2);
    TFilterDef f = Named("Sharpen");
    f.Divisor = 0;
    EXPECT_EQ(Filtered(src, f, 0), src);
    f = Named("Sharpen");
    f.Kind = 7;
    Bitmap24 untouched(2, 2);
    ApplyFilter(src, untouched, f, 0, 0, true, true, true);
    EXPECT_EQ(untouched, Bitmap24(2, 2));
}

TEST(FilterEngine, SizeCodeOverridesThePresetAndProgressRunsPerRow)
{
    // A 3 x 3 blur read as 5 x 5 uses only its centre taps; near the edges the wider radius
    // mirrors more offsets.
    const Bitmap24 big = NoiseBitmap(10, 10, 3);
    const Bitmap24 a = Filtered(big, Named("Blur"), 2), b = Filtered(big, Named("Blur"), 0);
    EXPECT_NE(a, b);
    for (int y = 3; y < 7; ++y)
        for (int x = 3; x < 7; ++x) EXPECT_EQ(a.Pixel(x, y), b.Pixel(x, y));

    std::vector<int> positions;
    Bitmap24 dst;
    ApplyFilter(NoiseBitmap(10, 4, 3), dst, Named("Blur"), 0, 0, true, true, true, [&](int lo, int hi, int pos) {
        EXPECT_EQ(lo, 0);
        EXPECT_EQ(hi, 100);
        positions.push_back(pos);
    });
    EXPECT_EQ(positions, (std::vector<int>{0, 25, 50, 75}));
}

TEST(FilterEngine, RankAndHueModesStayInRange)
{
    // No dialog reaches these modes; they must still read and write in bounds and pick sensibly.
    Bitmap24 src = FilledBitmap(3, 3, GreyColor(100));
    src.SetPixel(1, 1, GreyColor(250));
    src.SetPixel(0, 0, GreyColor(5));
    TFilterDef rank;
    rank.Kind = 0;
    const std::pair<const char*, TColor> picks[] = {{"Maximum (Static)", GreyColor(250)}, {"Median", GreyColor(100)}, {"Minimum (Static)", GreyColor(5)}};
    for (const auto& [name, centre] : picks) {
        std::strcpy(rank.Name, name);
        EXPECT_EQ(Filtered(src, rank, 1).Pixel(1, 1), centre) << name;
    }
    const Bitmap24 noise = NoiseBitmap(2, 3, 5);
    for (int mode : {fmHSV, fmHSL}) {
        EXPECT_EQ(Filtered(noise, Named("Trace Contour"), 3, mode).Width(), 2);
        EXPECT_EQ(Filtered(noise, rank, 3, mode).Height(), 3);
    }
}

namespace {

// The convolution the plain way, pixel by pixel: mirrored reads near the edges (held to the
// ends where the line is short), Bias + sum / Divisor in double, truncated and held to 0..255.
Bitmap24 ReferenceConvolve(const Bitmap24& src, const TFilterDef& f, int r, const bool on[3])
{
    const int w = src.Width(), h = src.Height();
    auto at = [r](int i, int d, int n) {
        const bool mirror = (i <= r && d < 0) || (i >= n - r - 1 && d >= 1);
        return std::clamp(mirror ? i - d : i + d, 0, n - 1);
    };
    Bitmap24 out(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) {
                long long sum = 0;
                for (int dy = -r; dy <= r; ++dy)
                    for (int dx = -r; dx <= r; ++dx)
                        sum += (long long)f.Kernel[dy + 3][dx + 3] * src.Row(at(y, dy, h))[at(x, dx, w) * 3 + c];
                const double v = double(f.Bias) + double(sum) / double(f.Divisor);
                const double t = std::trunc(v);
                const int byte = t > 255 ? 255 : (t < 0 ? 0 : int(t));
                out.Row(y)[x * 3 + c] = on[2 - c] ? uint8_t(byte) : src.Row(y)[x * 3 + c];
            }
    return out;
}

} // namespace

TEST(FilterEngine, EveryConvolutionPresetMatchesThePlainSumByteForByte)
{
    // Noise that reaches 0 and 255, an odd width so the rows' inner runs have ragged ends, and
    // the channel switches in turn.
    Bitmap24 src = NoiseBitmap(37, 23, 11);
    for (int x = 0; x < 37; x += 3) src.SetPixel(x, 5, x % 2 ? 0xFFFFFF : 0);
    const bool switches[][3] = {{true, true, true}, {true, false, true}, {false, true, false}};
    for (const TFilterDef& f : FilterPresets) {
        if (f.Kind != 1 || f.Divisor == 0) continue;
        for (const auto& on : switches) {
            SCOPED_TRACE(testing::Message() << f.Name << " " << on[0] << on[1] << on[2]);
            Bitmap24 dst;
            ApplyFilter(src, dst, f, f.SizeCode, fmRGB, on[0], on[1], on[2]);
            const int r = f.SizeCode == 3 ? 3 : f.SizeCode == 2 ? 2 : 1;
            EXPECT_TRUE(dst == ReferenceConvolve(src, f, r, on));
        }
    }
}
