// The two layers of the cartoon rendering: the blur and line layer, and the colour layer.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "imaging/color_step.h"
#include "imaging/icon_image.h"
#include "imaging/gblur2.h"
#include "imaging/imaging_state.h"
#include "imaging/sketch.h"
#include "support/bitmap_checks.h"
#include "support/test_support.h"

namespace {

// Records every progress report, optionally raising the cancel flag after a number of positions.
struct ProgressLog : ProgressBarTarget, ProgressCaptionTarget {
    std::vector<QString> captions;
    std::vector<int> positions;
    int steps = 0;
    int cancelAfter = -1;
    void SetMaximum(int) override {}
    void SetPosition(int p) override
    {
        positions.push_back(p);
        if (cancelAfter >= 0 && int(positions.size()) > cancelAfter) Imaging().CancelRequested = 1;
    }
    void StepIt() override { ++steps; }
    void SetCaption(const QString& t) override { captions.push_back(t); }
    ProgressTargets Targets() { return ProgressTargets{this, this, this}; }
};

// The line layer of the whole of B; no pre-blur, ridge weight 3 unless given.
std::vector<int32_t> SketchOf(const Bitmap24& b, int type, int detail, int darkness, int cutOff, int threshold = 0,
                              int strength = 0, int remainDark = 0, int ridge = 3)
{
    TSketch s;
    s.LoadInverted(b, 0, 0, b.Width(), b.Height());
    s.Draw(type, detail, darkness, cutOff, threshold, strength, remainDark, 0.0, ridge);
    return s.Result();
}

bool AllAre(const std::vector<int32_t>& v, int32_t value)
{
    return std::all_of(v.begin(), v.end(), [value](int32_t x) { return x == value; });
}

const uint8_t NoBands[5] = {};

} // namespace

TEST(CartoonBlur, SingleRowIsBlurredAlongTheRowOnly)
{
    ImagingState state;
    // The column pass of a one-row buffer sees the row replicated, so the result is that of the
    // same row in the middle of three equal rows.
    const std::vector<uint8_t> row = PackedPixels(NoiseBitmap(50, 1, 9));
    std::vector<uint8_t> three;
    for (int i = 0; i < 3; ++i) three.insert(three.end(), row.begin(), row.end());
    std::vector<uint8_t> one = row;
    ProgressLog log;
    GaussianBlurBuffer(one.data(), one.data(), 50, 1, 3.0, log.Targets());
    GaussianBlurBuffer(three.data(), three.data(), 50, 3, 3.0);
    EXPECT_TRUE(std::equal(one.begin(), one.end(), three.begin() + 150));
    EXPECT_NE(one, row);
    // One row has no defined row position; the column pass still reports, and both passes step.
    EXPECT_EQ(log.captions, (std::vector<QString>{"Blur Row", "Blur Column"}));
    EXPECT_EQ(log.steps, 2);
    EXPECT_TRUE(log.positions.empty());
}

TEST(CartoonSketch, OneDarkPixelTakesAllEdgesAndRidges)
{
    ImagingState state;
    EXPECT_TRUE(AllAre(SketchOf(FilledBitmap(9, 7, GreyColor(90)), 2, 0, 68, 255), 255)); // flat: all paper

    // 3 x 3 white with a centre whose blue is 25 below white: in the inverted picture the centre
    // is 25 above its neighbours in blue alone.
    Bitmap24 b = FilledBitmap(3, 3, 0xFFFFFF);
    b.SetPixel(1, 1, MakeColor(255, 255, 230));
    TSketch s;
    s.LoadInverted(b, 0, 0, 3, 3);
    EXPECT_EQ(s.Data()[(1 * 3 + 1) * 3 + 0], 25);
    EXPECT_EQ(s.Data()[(1 * 3 + 1) * 3 + 2], 0);
    // Darkness 32 and Detail 0 with no final mapping leave the sums as they are (below 255):
    // four pairs of 25, and four ridge terms of 3/5 x 50 x 5/20 = 7.5, rounded to the even 8.
    EXPECT_EQ(SketchOf(b, 0, 0, 32, 0), (std::vector<int32_t>{0, 0, 0, 0, 4 * 25 + 4 * 8, 0, 0, 0, 0}));
    // Threshold mapping of the centre sum 132, and the cut-off turning light lines into paper.
    EXPECT_EQ(SketchOf(b, 1, 132 - 15, 32, 0)[4], 255);
    EXPECT_EQ(SketchOf(b, 1, 132 - 16, 32, 0)[4], 0);
    EXPECT_EQ(SketchOf(b, 2, 0, 32, 122)[4], 255); // 255 - 132 = 123 is above 122
    EXPECT_EQ(SketchOf(b, 2, 0, 32, 123)[4], 123);

    // A centre of 100 in every channel: c = 155, ridge 3/5 x 310 x 5/20 = 46.5, rounded to 46. The
    // sum is 4 x 155 x 3 + 12 x 46 = 2412; without ridge terms 1860. Darkness scales before Detail
    // is taken off: 2412 x 3 div 32 = 226.
    b.SetPixel(1, 1, GreyColor(100));
    EXPECT_EQ(SketchOf(b, 0, 2412 - 100, 32, 0)[4], 100);
    EXPECT_EQ(SketchOf(b, 0, 1860 - 50, 32, 0, 0, 0, 0, 0)[4], 50);
    EXPECT_EQ(SketchOf(b, 0, 26, 3, 0)[4], 200);
    // Mapped as dark lines on paper: the centre is the line, everything else paper.
    EXPECT_EQ(SketchOf(b, 2, 0, 32, 255), (std::vector<int32_t>{255, 255, 255, 255, 0, 255, 255, 255, 255}));

    // A border pixel pairs only with its right and lower neighbours, and no ridge line stays inside.
    Bitmap24 corner = FilledBitmap(3, 3, 0xFFFFFF);
    corner.SetPixel(0, 0, MakeColor(255, 255, 230));
    const std::vector<int32_t> edge = SketchOf(corner, 0, 0, 32, 0);
    EXPECT_EQ(edge[0], 50);
    EXPECT_EQ(std::count(edge.begin(), edge.end(), 0), 8);
}

TEST(CartoonSketch, DarkAreasRegionClippingAndSaturatingSums)
{
    ImagingState state;
    // A flat dark picture has no edges, yet stays dark when asked to; threshold 0 counts nothing dark.
    const Bitmap24 dark = FilledBitmap(4, 4, GreyColor(40));
    EXPECT_TRUE(AllAre(SketchOf(dark, 2, 0, 32, 255, 100, 200, 1), 200));
    EXPECT_TRUE(AllAre(SketchOf(dark, 2, 0, 32, 255, 0, 200, 1), 255));

    const Bitmap24 b = NoiseBitmap(10, 8, 5);
    TSketch s;
    s.LoadInverted(b, 6, -3, 20, 20);
    EXPECT_EQ(s.Width(), 4);
    EXPECT_EQ(s.Height(), 8);
    EXPECT_EQ(s.Data()[0], uint8_t(255 - b.Row(0)[18]));
    s.AddEdge(0, 0, 2000000000);
    s.AddEdge(0, 0, 2000000000);
    s.AddEdge(99, 0, 5); // outside: ignored
    EXPECT_EQ(s.Result()[0], 2147483647);
    // Huge weights from a damaged preset give a defined layer.
    s.LoadInverted(b, 0, 0, 10, 8);
    s.Draw(2, -2000000000, 2000000000, 255, 2000000000, -2000000000, 1, 1e9, 2000000000);
    for (int32_t v : s.Result()) EXPECT_TRUE(v >= 0 && v <= 255);
}

TEST(CartoonSketch, ProgressOnOnePixelAndDeterminism)
{
    ImagingState state;
    ProgressLog log;
    TSketch s;
    s.SetProgress(log.Targets());
    s.LoadInverted(FilledBitmap(1, 1, 0x123456), 0, 0, 1, 1);
    s.Draw(2, 0, 68, 200, 0, 0, 0, 0.25, 3);
    EXPECT_EQ(log.captions, (std::vector<QString>{"Blur Row", "Blur Column", "Draw Sketch"}));
    EXPECT_EQ(log.steps, 3);
    EXPECT_TRUE(log.positions.empty());
    EXPECT_EQ(s.Result(), std::vector<int32_t>{255});

    // A sketch reused after another picture gives what a fresh one gives.
    const Bitmap24 pic = NoiseBitmap(33, 21, 11);
    TSketch a, b;
    a.LoadInverted(pic, 0, 0, 33, 21);
    a.Draw(2, 115, 68, 220, 30, 100, 1, 0.25, 3);
    b.LoadInverted(FilledBitmap(5, 5, 0), 0, 0, 5, 5);
    b.Draw(0, 0, 32, 0, 0, 0, 0, 0.0, 3);
    b.LoadInverted(pic, 0, 0, 33, 21);
    b.Draw(2, 115, 68, 220, 30, 100, 1, 0.25, 3);
    EXPECT_EQ(a.Result(), b.Result());
}

TEST(ColorStep, ReduceByStepFollowsTheRunningMeanOverTheWholeSource)
{
    ImagingState state;
    TColorStep cs;
    // Flat areas keep their colour.
    Bitmap24 flat = FilledBitmap(8, 6, MakeColor(30, 60, 90));
    FillBitmapRect(flat, MakeColor(200, 10, 10), Rect{4, 0, 8, 6});
    cs.Load(flat, 0, 0, 8, 6);
    cs.ColorReduce(1, 0, 1, 0, NoBands);
    EXPECT_EQ(cs.Reduced(), PackedPixels(flat));

    // 10 and 200 share class 0 at step 255; 255 is class 1. From the seed the growth takes 200
    // (mean 105), then the seed itself (mean 57.5, which rounds to the even 58).
    Bitmap24 b(3, 1);
    b.SetPixel(0, 0, GreyColor(10));
    b.SetPixel(1, 0, GreyColor(200));
    cs.Load(b, 0, 0, 3, 1);
    cs.ColorReduce(255, 0, 1, 0, NoBands);
    Bitmap24 mean = FilledBitmap(3, 1, GreyColor(58));
    mean.SetPixel(2, 0, 0xFFFFFF);
    EXPECT_EQ(cs.Reduced(), PackedPixels(mean));
    // A step of 0 or less counts as 1: every distinct colour its own area.
    cs.ColorReduce(-4, 0, 1, 0, NoBands);
    EXPECT_EQ(cs.Reduced(), PackedPixels(b));

    // A region of the middle of a picture: the flat area reaching outside the region still
    // flattens what lies inside, and output lands at the region's origin.
    Bitmap24 big = FilledBitmap(12, 10, GreyColor(100));
    big.SetPixel(0, 0, MakeColor(101, 100, 100));
    cs.Load(big, 3, 2, 5, 4);
    EXPECT_EQ(cs.Width(), 5);
    EXPECT_EQ(cs.Data().size(), size_t(12 * 10 * 3));
    cs.ColorReduce(16, 0, 1, 0, NoBands);
    EXPECT_EQ(cs.Reduced(), PackedPixels(FilledBitmap(5, 4, GreyColor(100))));
    // A region reaching past the source is clipped to it; one outside it is empty.
    cs.Load(big, 10, 8, 50, 50);
    EXPECT_EQ(cs.Width(), 2);
    EXPECT_EQ(cs.Height(), 2);
    cs.Load(big, 20, 0, 5, 5);
    EXPECT_EQ(cs.Width(), 0);
    cs.ColorReduce(1, 0, 1, 0, NoBands);
    EXPECT_TRUE(cs.Reduced().empty());
}

TEST(ColorStep, ReduceByBands)
{
    ImagingState state;
    const Bitmap24 noise = NoiseBitmap(16, 12, 4);
    TColorStep cs;
    cs.Load(noise, 0, 0, 16, 12);
    // No thresholds: one band, one region, one colour.
    cs.ColorReduce(1, 1, 1, 0, NoBands);
    const TColor first = PackedPixel(cs.Reduced(), 16, 0, 0);
    EXPECT_EQ(cs.Reduced(), PackedPixels(FilledBitmap(16, 12, first)));

    // Without keeping the average, a grey snaps to the nearest grey of the 64-colour list (170 at
    // distance 126 beats 85 at 129) and a strong red to pure red.
    for (const auto& [in, out] : {std::pair{GreyColor(128), GreyColor(170)}, std::pair{MakeColor(250, 5, 5), MakeColor(255, 0, 0)}}) {
        cs.Load(FilledBitmap(4, 4, in), 0, 0, 4, 4);
        cs.ColorReduce(1, 1, 0, 0, NoBands);
        EXPECT_EQ(PackedPixel(cs.Reduced(), 4, 3, 3), out);
    }

    // Thresholds are sorted; bands split the picture into areas of their own colours.
    Bitmap24 split = FilledBitmap(6, 2, GreyColor(20));
    FillBitmapRect(split, GreyColor(220), Rect{3, 0, 6, 1});
    FillBitmapRect(split, GreyColor(230), Rect{3, 1, 6, 2});
    const uint8_t thresholds[5] = {200, 100, 0, 0, 0};
    cs.Load(split, 0, 0, 6, 2);
    cs.ColorReduce(1, 1, 1, 2, thresholds);
    EXPECT_EQ(PackedPixel(cs.Reduced(), 6, 0, 0), GreyColor(20));
    const TColor light = PackedPixel(cs.Reduced(), 6, 3, 0);
    EXPECT_GE(ColorR(light), 220);
    EXPECT_LE(ColorR(light), 230);
    for (int x = 3; x < 6; ++x) EXPECT_EQ(PackedPixel(cs.Reduced(), 6, x, 1), light);

    // A band count from a damaged preset is held to 0..5.
    const uint8_t all[5] = {50, 100, 150, 200, 250};
    cs.Load(noise, 0, 0, 16, 12);
    cs.ColorReduce(1, 1, 1, 5, all);
    const std::vector<uint8_t> five = cs.Reduced();
    cs.ColorReduce(1, 1, 1, 1000, all);
    EXPECT_EQ(cs.Reduced(), five);
    cs.ColorReduce(1, 1, 1, -7, all);
    EXPECT_EQ(PackedPixel(cs.Reduced(), 16, 15, 11), first);
}

TEST(ColorStep, AdjustmentsClampTheirLevels)
{
    ImagingState state;
    Bitmap24 b(3, 1);
    b.SetPixel(0, 0, MakeColor(200, 100, 0));
    b.SetPixel(1, 0, GreyColor(254));
    b.SetPixel(2, 0, MakeColor(10, 128, 250));
    TColorStep cs;
    cs.Load(b, 0, 0, 3, 1);
    cs.ColorReduce(1, 0, 1, 0, NoBands);
    cs.Saturation(-127);
    EXPECT_EQ(PackedPixel(cs.Result(), 3, 2, 0), GreyColor(129));
    const std::vector<uint8_t> greys = cs.Result();
    // Levels outside the table are held to its end.
    cs.Saturation(127);
    const std::vector<uint8_t> top = cs.Result();
    cs.Saturation(100000);
    EXPECT_EQ(cs.Result(), top);

    // Contrast 0 changes nothing; about the pivot 253, 254 never changes at any level.
    cs.Saturation(-127);
    cs.Contrast(0);
    EXPECT_EQ(cs.Result(), greys);
    for (int k : {-255, 17, 255, 99999}) {
        cs.Saturation(-127);
        cs.Contrast(k);
        EXPECT_EQ(PackedPixel(cs.Result(), 3, 1, 0), GreyColor(254)) << k;
    }
    cs.Saturation(-127);
    cs.Brightness(10, -20, 300);
    EXPECT_EQ(PackedPixel(cs.Result(), 3, 2, 0), MakeColor(139, 109, 255));
}

TEST(ColorStep, SmoothingMatchesAPlainWindowSearch)
{
    ImagingState state;
    TColorStep cs;
    cs.Load(NoiseBitmap(11, 9, 21), 0, 0, 11, 9);
    cs.ColorReduce(1, 0, 1, 0, NoBands);
    cs.Adjust(0, 0, 0);
    // Noise colours: ordering by red, then green, then blue differs from any single channel's.
    const std::vector<uint8_t> input = cs.Result();
    for (int mode : {0, 1}) {
        for (int r : {1, 2, 3}) {
            cs.ColorSmooth(r, mode);
            for (int y = 0; y < 9; ++y)
                for (int x = 0; x < 11; ++x) {
                    TColor expected = PackedPixel(input, 11, x, y);
                    if (x >= r && x < 11 - r && y >= r && y < 9 - r) {
                        std::vector<int32_t> window;
                        for (int dy = -r; dy <= r; ++dy)
                            for (int dx = -r; dx <= r; ++dx) {
                                const TColor c = PackedPixel(input, 11, x + dx, y + dy);
                                window.push_back(ColorR(c) * 65536 + ColorG(c) * 256 + ColorB(c));
                            }
                        std::sort(window.begin(), window.end());
                        const int32_t v = mode == 0 ? window[window.size() / 2] : window.back();
                        expected = MakeColor(v >> 16, (v >> 8) & 255, v & 255);
                    }
                    EXPECT_EQ(PackedPixel(cs.Smoothed(), 11, x, y), expected) << mode << " r" << r << " " << x << "," << y;
                }
        }
    }
    // A window wider than the region: nothing changes.
    cs.ColorSmooth(5, 0);
    EXPECT_EQ(cs.Smoothed(), input);
    cs.ColorSmooth(2000000000, 1);
    EXPECT_EQ(cs.Smoothed(), input);
}

TEST(ColorStep, CancelledReductionKeepsThePictureAndProgressIsSafe)
{
    ImagingState state;
    const Bitmap24 noise = NoiseBitmap(20, 10, 8);
    ProgressLog log;
    log.cancelAfter = 2;
    TColorStep cs;
    cs.SetProgress(log.Targets());
    cs.Load(noise, 0, 0, 20, 10);
    cs.ColorReduce(64, 0, 1, 0, NoBands);
    ASSERT_EQ(Imaging().CancelRequested, 1);
    // Rows the growth never reached hold the picture, not stale or zero bytes.
    const std::vector<uint8_t> picture = PackedPixels(noise);
    EXPECT_TRUE(std::equal(cs.Reduced().end() - 60, cs.Reduced().end(), picture.end() - 60));
    EXPECT_EQ(log.steps, 0);
    // Later passes see the flag and leave their buffers alone.
    const std::vector<uint8_t> before = cs.Result();
    cs.Adjust(10, 10, 10);
    EXPECT_EQ(cs.Result(), before);
    Imaging().CancelRequested = 0;

    // One pixel: every pass runs, none divides by zero.
    ProgressLog one;
    TColorStep tiny;
    tiny.SetProgress(one.Targets());
    tiny.Load(FilledBitmap(1, 1, MakeColor(1, 2, 3)), 0, 0, 1, 1);
    tiny.ColorReduce(1, 0, 1, 0, NoBands);
    tiny.Adjust(0, 0, 0);
    tiny.ColorSmooth(1, 0);
    tiny.Blur(1.25);
    tiny.ColorBalance(0, 0, 0);
    EXPECT_TRUE(one.positions.empty());
    EXPECT_EQ(one.captions, (std::vector<QString>{"Color Reducing", "Saturation", "Contrast", "Brightness",
                                                  "Color Smooth", "Blur Row", "Blur Column", "Brightness"}));
    EXPECT_EQ(PackedPixel(tiny.Result(), 1, 0, 0), MakeColor(1, 2, 3));
}
