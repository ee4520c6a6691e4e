// The two layers of the cartoon rendering: the blur and line layer, and the colour layer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/color_step.h"
#include "imaging/gblur2.h"
#include "imaging/imaging_state.h"
#include "imaging/sketch.h"
#include "platform/bitmap24.h"
#include "support/test_support.h"

namespace {

// Records every progress report, optionally raising the cancel flag after a number of positions.
struct ProgressLog : ProgressBarTarget, ProgressCaptionTarget {
    std::vector<QString> captions;
    std::vector<int> positions;
    int steps = 0;
    int maximum = -1;
    int cancelAfter = -1;
    void SetMaximum(int m) override { maximum = m; }
    void SetPosition(int p) override
    {
        positions.push_back(p);
        if (cancelAfter >= 0 && int(positions.size()) > cancelAfter) Imaging().CancelRequested = 1;
    }
    void StepIt() override { ++steps; }
    void SetCaption(const QString& t) override { captions.push_back(t); }
    ProgressTargets Targets() { return ProgressTargets{this, this, this}; }
};

Bitmap24 Filled(int w, int h, TColor c)
{
    Bitmap24 b(w, h);
    b.Fill(c);
    return b;
}

std::vector<uint8_t> Packed(const Bitmap24& b)
{
    std::vector<uint8_t> out(size_t(b.Width()) * size_t(b.Height()) * 3);
    for (int y = 0; y < b.Height(); ++y)
        std::memcpy(out.data() + size_t(y) * size_t(b.Width()) * 3, b.Row(y), size_t(b.Width()) * 3);
    return out;
}

TColor At(const std::vector<uint8_t>& buf, int w, int x, int y) { return ReadPixel(buf.data() + (size_t(y) * w + x) * 3); }

const uint8_t NoBands[5] = {};

} // namespace

TEST(CartoonBlur, PackedBufferInPlaceMatchesCopy)
{
    ImagingState state;
    const std::vector<uint8_t> noise = Packed(NoiseBitmap(41, 29, 3));
    std::vector<uint8_t> copy(noise.size()), inPlace = noise;
    GaussianBlurBuffer(noise.data(), copy.data(), 41, 29, 2.0);
    GaussianBlurBuffer(inPlace.data(), inPlace.data(), 41, 29, 2.0);
    EXPECT_EQ(copy, inPlace);
    EXPECT_NE(copy, noise);
    // A twentieth: the kernel is (0, 1, 0) and nothing moves.
    GaussianBlurBuffer(noise.data(), copy.data(), 41, 29, 0.05);
    EXPECT_EQ(copy, noise);
}

TEST(CartoonBlur, SingleRowIsBlurredAlongTheRowOnly)
{
    ImagingState state;
    // The column pass of a one-row buffer sees the row replicated, so the result is that of the
    // same row in the middle of three equal rows.
    const std::vector<uint8_t> row = Packed(NoiseBitmap(50, 1, 9));
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

TEST(CartoonSketch, UniformPictureIsPaper)
{
    ImagingState state;
    const Bitmap24 grey = Filled(9, 7, MakeColor(90, 90, 90));
    TSketch s;
    s.LoadInverted(grey, 0, 0, 9, 7);
    s.Draw(2, 0, 68, 255, 0, 0, 0, 0.25, 3);
    EXPECT_TRUE(std::all_of(s.Result().begin(), s.Result().end(), [](int32_t v) { return v == 255; }));
}

TEST(CartoonSketch, OneDarkPixelTakesAllEdgesAndRidges)
{
    ImagingState state;
    // 3 x 3 white with a centre whose blue is 25 below white: in the inverted picture the centre
    // is 25 above its neighbours in blue alone.
    Bitmap24 b = Filled(3, 3, 0xFFFFFF);
    b.SetPixel(1, 1, MakeColor(255, 255, 230));
    TSketch s;
    s.LoadInverted(b, 0, 0, 3, 3);
    EXPECT_EQ(s.Data()[(1 * 3 + 1) * 3 + 0], 25);
    EXPECT_EQ(s.Data()[(1 * 3 + 1) * 3 + 2], 0);
    // Darkness 32 and Detail 0 with no final mapping leave the sums as they are (below 255):
    // four pairs of 25, and four ridge terms of 3/5 x 50 x 5/20 = 7.5, rounded to the even 8.
    s.Draw(0, 0, 32, 0, 0, 0, 0, 0.0, 3);
    const std::vector<int32_t> expected = {0, 0, 0, 0, 4 * 25 + 4 * 8, 0, 0, 0, 0};
    EXPECT_EQ(s.Result(), expected);

    // A centre of 100 in every channel: c = 155, ridge 3/5 x 310 x 5/20 = 46.5, rounded to 46.
    b.SetPixel(1, 1, MakeColor(100, 100, 100));
    s.LoadInverted(b, 0, 0, 3, 3);
    // The sum is 4 x 155 x 3 + 12 x 46 = 2412; Detail brings it into view.
    s.Draw(0, 2412 - 100, 32, 0, 0, 0, 0, 0.0, 3);
    EXPECT_EQ(s.Result()[4], 100);
    // Without ridge terms only the pairs count.
    s.LoadInverted(b, 0, 0, 3, 3);
    s.Draw(0, 1860 - 50, 32, 0, 0, 0, 0, 0.0, 0);
    EXPECT_EQ(s.Result()[4], 50);
    // Darkness scales before Detail is taken off: 2412 x 3 div 32 = 226.
    s.LoadInverted(b, 0, 0, 3, 3);
    s.Draw(0, 26, 3, 0, 0, 0, 0, 0.0, 3);
    EXPECT_EQ(s.Result()[4], 200);

    // Mapped as dark lines on paper: the centre is the line, everything else paper.
    s.LoadInverted(b, 0, 0, 3, 3);
    s.Draw(2, 0, 32, 255, 0, 0, 0, 0.0, 3);
    EXPECT_EQ(s.Result(), (std::vector<int32_t>{255, 255, 255, 255, 0, 255, 255, 255, 255}));
}

TEST(CartoonSketch, BorderPixelsCompareOnlyInside)
{
    ImagingState state;
    Bitmap24 b = Filled(3, 3, 0xFFFFFF);
    b.SetPixel(0, 0, MakeColor(255, 255, 230));
    TSketch s;
    s.LoadInverted(b, 0, 0, 3, 3);
    s.Draw(0, 0, 32, 0, 0, 0, 0, 0.0, 3);
    // Only the pairs with its right and lower neighbours, and no ridge line stays inside.
    EXPECT_EQ(s.Result()[0], 50);
    EXPECT_EQ(std::count(s.Result().begin(), s.Result().end(), 0), 8);
}

TEST(CartoonSketch, ThresholdMappingAndDarkAreas)
{
    ImagingState state;
    Bitmap24 b = Filled(3, 3, 0xFFFFFF);
    b.SetPixel(1, 1, MakeColor(255, 255, 230)); // centre sum 132
    TSketch s;
    for (auto [detail, expected] : {std::pair{132 - 15, 255}, std::pair{132 - 16, 0}}) {
        s.LoadInverted(b, 0, 0, 3, 3);
        s.Draw(1, detail, 32, 0, 0, 0, 0, 0.0, 3);
        EXPECT_EQ(s.Result()[4], expected) << detail;
    }
    // Cut-off: light lines become paper.
    s.LoadInverted(b, 0, 0, 3, 3);
    s.Draw(2, 0, 32, 122, 0, 0, 0, 0.0, 3);
    EXPECT_EQ(s.Result()[4], 255); // 255 - 132 = 123 is above 122
    s.LoadInverted(b, 0, 0, 3, 3);
    s.Draw(2, 0, 32, 123, 0, 0, 0, 0.0, 3);
    EXPECT_EQ(s.Result()[4], 123);

    // Dark areas: a flat dark picture has no edges, yet stays dark when asked to.
    const Bitmap24 dark = Filled(4, 4, MakeColor(40, 40, 40));
    s.LoadInverted(dark, 0, 0, 4, 4);
    s.Draw(2, 0, 32, 255, 100, 200, 1, 0.0, 3);
    EXPECT_TRUE(std::all_of(s.Result().begin(), s.Result().end(), [](int32_t v) { return v == 200; }));
    // Threshold 0: nothing counts as dark.
    s.LoadInverted(dark, 0, 0, 4, 4);
    s.Draw(2, 0, 32, 255, 0, 200, 1, 0.0, 3);
    EXPECT_TRUE(std::all_of(s.Result().begin(), s.Result().end(), [](int32_t v) { return v == 255; }));
}

TEST(CartoonSketch, RegionIsClippedAndSumsSaturate)
{
    ImagingState state;
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
    const Bitmap24 one = Filled(1, 1, 0x123456);
    s.LoadInverted(one, 0, 0, 1, 1);
    s.Draw(2, 0, 68, 200, 0, 0, 0, 0.25, 3);
    EXPECT_EQ(log.captions, (std::vector<QString>{"Blur Row", "Blur Column", "Draw Sketch"}));
    EXPECT_EQ(log.steps, 3);
    EXPECT_TRUE(log.positions.empty());
    EXPECT_EQ(s.Result(), std::vector<int32_t>{255});

    const Bitmap24 pic = NoiseBitmap(33, 21, 11);
    TSketch a, b;
    a.LoadInverted(pic, 0, 0, 33, 21);
    a.Draw(2, 115, 68, 220, 30, 100, 1, 0.25, 3);
    b.LoadInverted(Filled(5, 5, 0), 0, 0, 5, 5);
    b.Draw(0, 0, 32, 0, 0, 0, 0, 0.0, 3);
    b.LoadInverted(pic, 0, 0, 33, 21);
    b.Draw(2, 115, 68, 220, 30, 100, 1, 0.25, 3);
    EXPECT_EQ(a.Result(), b.Result());
}

TEST(ColorStep, FlatAreasKeepTheirColour)
{
    ImagingState state;
    Bitmap24 b = Filled(8, 6, MakeColor(30, 60, 90));
    for (int y = 0; y < 6; ++y)
        for (int x = 4; x < 8; ++x) b.SetPixel(x, y, MakeColor(200, 10, 10));
    TColorStep cs;
    cs.Load(b, 0, 0, 8, 6);
    cs.ColorReduce(1, 0, 1, 0, NoBands);
    EXPECT_EQ(cs.Reduced(), Packed(b));
}

TEST(ColorStep, ReduceByStepFollowsTheRunningMean)
{
    ImagingState state;
    // 10 and 200 share class 0 at step 255; 255 is class 1. From the seed the growth takes 200
    // (mean 105), then the seed itself (mean 57.5, which rounds to the even 58).
    Bitmap24 b(3, 1);
    b.SetPixel(0, 0, MakeColor(10, 10, 10));
    b.SetPixel(1, 0, MakeColor(200, 200, 200));
    b.SetPixel(2, 0, MakeColor(255, 255, 255));
    TColorStep cs;
    cs.Load(b, 0, 0, 3, 1);
    cs.ColorReduce(255, 0, 1, 0, NoBands);
    EXPECT_EQ(At(cs.Reduced(), 3, 0, 0), MakeColor(58, 58, 58));
    EXPECT_EQ(At(cs.Reduced(), 3, 1, 0), MakeColor(58, 58, 58));
    EXPECT_EQ(At(cs.Reduced(), 3, 2, 0), MakeColor(255, 255, 255));
    // A step of 0 or less counts as 1: every distinct colour its own area.
    cs.ColorReduce(-4, 0, 1, 0, NoBands);
    EXPECT_EQ(cs.Reduced(), Packed(b));
}

TEST(ColorStep, RegionsGrowOverTheWholeSource)
{
    ImagingState state;
    // A region of the middle of a picture: the flat area reaching outside the region still
    // flattens what lies inside, and output lands at the region's origin.
    Bitmap24 b = Filled(12, 10, MakeColor(100, 100, 100));
    b.SetPixel(0, 0, MakeColor(101, 100, 100));
    TColorStep cs;
    cs.Load(b, 3, 2, 5, 4);
    EXPECT_EQ(cs.Width(), 5);
    EXPECT_EQ(cs.Data().size(), size_t(12 * 10 * 3));
    cs.ColorReduce(16, 0, 1, 0, NoBands);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(At(cs.Reduced(), 5, x, y), MakeColor(100, 100, 100));
    // A region reaching past the source is clipped to it.
    cs.Load(b, 10, 8, 50, 50);
    EXPECT_EQ(cs.Width(), 2);
    EXPECT_EQ(cs.Height(), 2);
    cs.Load(b, 20, 0, 5, 5);
    EXPECT_EQ(cs.Width(), 0);
    cs.ColorReduce(1, 0, 1, 0, NoBands); // nothing to do, nothing touched
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
    const TColor first = At(cs.Reduced(), 16, 0, 0);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 16; ++x) EXPECT_EQ(At(cs.Reduced(), 16, x, y), first);

    // A grey region snaps to the nearest grey of the 64-colour list: 170 at distance 126 beats
    // 85 at 129.
    const Bitmap24 grey = Filled(4, 4, MakeColor(128, 128, 128));
    cs.Load(grey, 0, 0, 4, 4);
    cs.ColorReduce(1, 1, 0, 0, NoBands);
    EXPECT_EQ(At(cs.Reduced(), 4, 3, 3), MakeColor(170, 170, 170));
    // A strong red snaps to pure red.
    const Bitmap24 red = Filled(2, 2, MakeColor(250, 5, 5));
    cs.Load(red, 0, 0, 2, 2);
    cs.ColorReduce(1, 1, 0, 0, NoBands);
    EXPECT_EQ(At(cs.Reduced(), 2, 0, 0), MakeColor(255, 0, 0));

    // Thresholds are sorted; bands split the picture into areas of their own colours.
    Bitmap24 split = Filled(6, 2, MakeColor(20, 20, 20));
    for (int x = 3; x < 6; ++x) {
        split.SetPixel(x, 0, MakeColor(220, 220, 220));
        split.SetPixel(x, 1, MakeColor(230, 230, 230));
    }
    const uint8_t thresholds[5] = {200, 100, 0, 0, 0};
    cs.Load(split, 0, 0, 6, 2);
    cs.ColorReduce(1, 1, 1, 2, thresholds);
    EXPECT_EQ(At(cs.Reduced(), 6, 0, 0), MakeColor(20, 20, 20));
    const TColor light = At(cs.Reduced(), 6, 3, 0);
    EXPECT_GE(ColorR(light), 220);
    EXPECT_LE(ColorR(light), 230);
    for (int x = 3; x < 6; ++x) EXPECT_EQ(At(cs.Reduced(), 6, x, 1), light);

    // A band count from a damaged preset is held to 0..5.
    uint8_t all[5] = {50, 100, 150, 200, 250};
    cs.Load(noise, 0, 0, 16, 12);
    cs.ColorReduce(1, 1, 1, 5, all);
    const std::vector<uint8_t> five = cs.Reduced();
    cs.ColorReduce(1, 1, 1, 1000, all);
    EXPECT_EQ(cs.Reduced(), five);
    cs.ColorReduce(1, 1, 1, -7, all);
    EXPECT_EQ(At(cs.Reduced(), 16, 15, 11), first);
}

TEST(ColorStep, Adjustments)
{
    ImagingState state;
    Bitmap24 b(3, 1);
    b.SetPixel(0, 0, MakeColor(200, 100, 0));
    b.SetPixel(1, 0, MakeColor(254, 254, 254));
    b.SetPixel(2, 0, MakeColor(10, 128, 250));
    TColorStep cs;
    cs.Load(b, 0, 0, 3, 1);
    cs.ColorReduce(1, 0, 1, 0, NoBands);
    // Saturation 0 is a very slight desaturation.
    cs.Saturation(0);
    EXPECT_EQ(At(cs.Result(), 3, 0, 0), MakeColor(200, 100, 1));
    // -127: grey.
    cs.Saturation(-127);
    EXPECT_EQ(At(cs.Result(), 3, 2, 0), MakeColor(129, 129, 129));
    // Levels outside the table are held to its end.
    cs.Saturation(127);
    const std::vector<uint8_t> top = cs.Result();
    cs.Saturation(100000);
    EXPECT_EQ(cs.Result(), top);

    // Contrast 0 changes nothing; 254 never changes at any level.
    cs.Saturation(-127);
    const std::vector<uint8_t> greys = cs.Result();
    cs.Contrast(0);
    EXPECT_EQ(cs.Result(), greys);
    for (int k : {-255, 17, 255, 99999}) {
        cs.Saturation(-127);
        cs.Contrast(k);
        EXPECT_EQ(At(cs.Result(), 3, 1, 0), MakeColor(254, 254, 254)) << k;
    }
    cs.Saturation(-127);
    cs.Contrast(17); // K' = 33: 129 falls by 33 x 125 div 256 = 16
    EXPECT_EQ(At(cs.Result(), 3, 2, 0), MakeColor(113, 113, 113));

    cs.Saturation(-127);
    cs.Brightness(10, -20, 300);
    EXPECT_EQ(At(cs.Result(), 3, 2, 0), MakeColor(139, 109, 255));
}

TEST(ColorStep, SmoothingMatchesAPlainWindowSearch)
{
    ImagingState state;
    const Bitmap24 noise = NoiseBitmap(11, 9, 21);
    TColorStep cs;
    cs.Load(noise, 0, 0, 11, 9);
    cs.ColorReduce(1, 0, 1, 0, NoBands);
    cs.Adjust(0, 0, 0);
    // Noise colours: ordering by red, then green, then blue differs from any single channel's.
    const std::vector<uint8_t> input = cs.Result();
    for (int mode : {0, 1}) {
        for (int r : {1, 2, 3}) {
            cs.ColorSmooth(r, mode);
            const int n = 2 * r + 1;
            for (int y = 0; y < 9; ++y)
                for (int x = 0; x < 11; ++x) {
                    TColor expected = At(input, 11, x, y);
                    if (x >= r && x < 11 - r && y >= r && y < 9 - r) {
                        std::vector<int32_t> window;
                        for (int dy = -r; dy <= r; ++dy)
                            for (int dx = -r; dx <= r; ++dx) {
                                const TColor c = At(input, 11, x + dx, y + dy);
                                window.push_back(ColorR(c) * 65536 + ColorG(c) * 256 + ColorB(c));
                            }
                        std::sort(window.begin(), window.end());
                        const int32_t v = mode == 0 ? window[size_t((n * n - 1) / 2)] : window.back();
                        expected = MakeColor(v >> 16, (v >> 8) & 255, v & 255);
                    }
                    EXPECT_EQ(At(cs.Smoothed(), 11, x, y), expected) << mode << " r" << r << " " << x << "," << y;
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
    const std::vector<uint8_t> picture = Packed(noise);
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
    tiny.Load(Filled(1, 1, MakeColor(1, 2, 3)), 0, 0, 1, 1);
    tiny.ColorReduce(1, 0, 1, 0, NoBands);
    tiny.Adjust(0, 0, 0);
    tiny.ColorSmooth(1, 0);
    tiny.Blur(1.25);
    tiny.ColorBalance(0, 0, 0);
    EXPECT_TRUE(one.positions.empty());
    EXPECT_EQ(one.captions, (std::vector<QString>{"Color Reducing", "Saturation", "Contrast", "Brightness",
                                                  "Color Smooth", "Blur Row", "Blur Column", "Brightness"}));
    EXPECT_EQ(At(tiny.Result(), 1, 0, 0), MakeColor(1, 2, 3));
}
