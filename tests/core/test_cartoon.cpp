// The cartoon rendering: the blur and line layer, the colour layer, the driver composing them, its
// parameter record and the preset file.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include <QDir>
#include <QFileInfo>

#include "imaging/color_step.h"
#include "imaging/draw_effect.h"
#include "imaging/gblur2.h"
#include "imaging/icon_image.h"
#include "imaging/imaging_state.h"
#include "imaging/sketch.h"
#include "platform/save_file.h"
#include "support/bitmap_checks.h"
#include "support/test_support.h"
#include "scripts/cartoon3_preset.h"

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

using O = TCartoonOptions;

// The file layout: every field at its offset. Bytes 0..19 (source and region), 99 and 121..132 are
// placeholders and reserved; the five band thresholds follow at 116.
const std::pair<int32_t O::*, size_t> Int32Fields[] = {
    {&O::SketchType, 20},   {&O::Detail, 24},     {&O::Darkness, 28},     {&O::SketchSmooth, 32},
    {&O::RidgeWeight, 36},  {&O::Threshold, 41},  {&O::Strength, 45},     {&O::SmoothMode, 49},
    {&O::SmoothRadius, 53}, {&O::Blur, 57},       {&O::Brightness, 61},   {&O::Contrast, 65},
    {&O::Saturation, 69},   {&O::Red, 73},        {&O::Green, 77},        {&O::Blue, 81},
    {&O::ComposeMode, 87},  {&O::MixWeight, 91},  {&O::CutOff, 95},       {&O::ColorReducer, 100},
    {&O::ReducerKind, 104}, {&O::KeepAverage, 108}, {&O::BandCount, 112}};
const std::pair<uint8_t O::*, size_t> ByteFields[] = {{&O::RemainDarkArea, 40}, {&O::DrawSketch, 85}, {&O::DrawColor, 86}};
constexpr size_t BandThresholdsAt = 116;

uint32_t LE32(const std::vector<uint8_t>& b, size_t at)
{
    return uint32_t(b[at]) | (uint32_t(b[at + 1]) << 8) | (uint32_t(b[at + 2]) << 16) | (uint32_t(b[at + 3]) << 24);
}

// Every byte of every field different, so a field written at the wrong offset shows; the high bits
// are set, so the sign must survive.
TCartoonOptions Distinct()
{
    TCartoonOptions o;
    uint32_t v = 0x81828384u;
    for (const auto& [field, at] : Int32Fields) {
        o.*field = int32_t(v);
        v += 0x04040404u;
    }
    for (const auto& [field, at] : ByteFields) o.*field = uint8_t(0x41 + at);
    for (int i = 0; i < 5; ++i) o.BandThresholds[i] = uint8_t(0xA1 + i);
    return o;
}

// A driver set up for a whole-picture run with neutral colour settings.
TCartoonOptions Neutral(const Bitmap24* source)
{
    TCartoonOptions o;
    o.Source = source;
    o.Width = source->Width();
    o.Height = source->Height();
    o.SketchType = 2;
    o.Darkness = 32;
    o.CutOff = 255;
    o.ColorReducer = 1;
    o.KeepAverage = 1;
    return o;
}

// Runs the driver with O and composes into a W x H bitmap filled with Ground.
Bitmap24 RunAndCompose(TDrawEffect& fx, const TCartoonOptions& o, int w, int h, TColor ground)
{
    fx.SetOptions(o);
    fx.Execute();
    Bitmap24 dst = FilledBitmap(w, h, ground);
    fx.ComposeTo(dst);
    return dst;
}

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
    EXPECT_EQ(std::pair(s.Width(), s.Height()), std::pair(4, 8));
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

TEST(CartoonSketch, ProgressOnOnePixel)
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
    EXPECT_EQ(std::pair(cs.Width(), cs.Height()), std::pair(2, 2));
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

TEST(CartoonOptions, EveryFieldAtItsOffset)
{
    const TCartoonOptions o = Distinct();
    const std::vector<uint8_t> b = WriteCartoonOptions(o);
    ASSERT_EQ(b.size(), 133u);
    std::vector<bool> used(133);
    for (const auto& [field, at] : Int32Fields) {
        EXPECT_EQ(LE32(b, at), uint32_t(o.*field)) << at;
        for (size_t k = 0; k < 4; ++k) used[at + k] = true;
    }
    for (const auto& [field, at] : ByteFields) {
        EXPECT_EQ(b[at], o.*field) << at;
        used[at] = true;
    }
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(b[BandThresholdsAt + i], 0xA1 + i);
        used[BandThresholdsAt + i] = true;
    }
    EXPECT_EQ(std::count(used.begin(), used.end(), false), 33);
    for (size_t i = 0; i < 133; ++i) EXPECT_TRUE(used[i] || b[i] == 0) << i;
    EXPECT_EQ(ReadCartoonOptions(b.data(), b.size()), o);
}

TEST(CartoonOptions, PlaceholderBytesAndShortOrLongFiles)
{
    std::vector<uint8_t> b = WriteCartoonOptions(Distinct());
    // Bytes 0..19 (source and region) and the reserved bytes never reach the record.
    for (size_t i = 0; i < 20; ++i) b[i] = uint8_t(0xC0 + i);
    b[99] = 0xEE;
    for (size_t i = 121; i < 133; ++i) b[i] = 0xEE;
    const TCartoonOptions o = ReadCartoonOptions(b.data(), b.size());
    EXPECT_EQ(o, Distinct());
    EXPECT_EQ(o.Source, nullptr);
    EXPECT_EQ(o.Left, 0);
    EXPECT_EQ(o.Height, 0);

    // A short file fills its leading bytes; a field cut in two keeps the bytes that are there.
    const TCartoonOptions cut = ReadCartoonOptions(b.data(), 51);
    EXPECT_EQ(cut.Strength, Distinct().Strength);
    EXPECT_EQ(cut.SmoothMode, int32_t(uint32_t(Distinct().SmoothMode) & 0xFFFF));
    EXPECT_EQ(cut.SmoothRadius, 0);
    EXPECT_EQ(cut.DrawSketch, 0);
    EXPECT_EQ(ReadCartoonOptions(nullptr, 0), TCartoonOptions{});
    // A longer one is read to its 133rd byte.
    b.resize(500, 0x55);
    EXPECT_EQ(ReadCartoonOptions(b.data(), b.size()), Distinct());
}

TEST(CartoonOptions, PresetFileAndTheShippedPreset)
{
    ScopedAppDir dir;
    const QString path = dir.FilePath(QStringLiteral("cartoon3.set"));
    TCartoonOptions o = Distinct();
    EXPECT_FALSE(LoadCartoonOptionsFile(path, o));
    EXPECT_EQ(o, Distinct()); // untouched when the file cannot be opened

    // The committed asset is the output of scripts/make_cartoon3_set; a change of the named values
    // without regenerating the file shows here.
    const QString asset = QFileInfo(QStringLiteral(__FILE__)).dir().filePath(QStringLiteral("../../assets/cartoon3.set"));
    const std::vector<uint8_t> expected = WriteCartoonOptions(ShippedCartoonPreset());
    const QByteArray shipped = ReadFileBytes(asset);
    EXPECT_EQ(shipped, QByteArray(reinterpret_cast<const char*>(expected.data()), qsizetype(expected.size())));
    ASSERT_TRUE(WriteFileAtomic(path, shipped));
    ASSERT_TRUE(LoadCartoonOptionsFile(path, o));
    EXPECT_EQ(o, ShippedCartoonPreset());

    // And it draws dark lines on white paper: a flat picture is all paper, a dark bar leaves a line.
    ImagingState state;
    Bitmap24 pic = FilledBitmap(32, 32, MakeColor(230, 200, 170));
    FillBitmapRect(pic, MakeColor(20, 20, 30), Rect{14, 0, 17, 32});
    o.Source = &pic;
    o.Width = o.Height = 32;
    TDrawEffect line;
    line.SetOptions(o);
    line.Execute();
    const std::vector<int32_t>& layer = line.Sketch().Result();
    EXPECT_EQ(layer[size_t(16 * 32 + 2)], 255);
    EXPECT_LT(*std::min_element(layer.begin() + 16 * 32 + 12, layer.begin() + 16 * 32 + 19), 100);
}

TEST(DrawEffect, ComposeModes)
{
    ImagingState state;
    const Bitmap24 white = FilledBitmap(6, 5, 0xFFFFFF);
    TCartoonOptions o = Neutral(&white);
    o.DrawSketch = o.DrawColor = 1;
    o.ComposeMode = 1;
    TDrawEffect fx;
    // Multiply: a white colour layer under paper (255) stays 255; under a full line (0) it is 0.
    EXPECT_EQ(RunAndCompose(fx, o, 6, 5, 0).Pixel(3, 2), 0xFFFFFFu);
    o.SketchType = 1; // a flat picture maps to 0 when Detail lifts every value to 16 or more
    o.Detail = -100;
    EXPECT_EQ(RunAndCompose(fx, o, 6, 5, 0xFFFFFF).Pixel(3, 2), 0u);

    // Mix: weight 0 is the colour layer, 100 the grey line layer; weights beyond are held.
    const Bitmap24 src = NoiseBitmap(6, 5, 7);
    o = Neutral(&src);
    o.DrawSketch = o.DrawColor = 1;
    o.ComposeMode = 2;
    for (int weight : {0, -50, 100, 1000, 40}) {
        o.MixWeight = weight;
        const Bitmap24 dst = RunAndCompose(fx, o, 6, 5, 0);
        const int w = std::clamp(weight, 0, 100);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 6; ++x) {
                const TColor c = PackedPixel(fx.ColorStep().Result(), 6, x, y);
                const int s = fx.Sketch().Result()[size_t(y * 6 + x)];
                const auto mix = [&](int channel) { return (channel * (100 - w) + s * w) / 100; };
                ASSERT_EQ(dst.Pixel(x, y), MakeColor(mix(ColorR(c)), mix(ColorG(c)), mix(ColorB(c)))) << weight;
            }
    }

    // Other modes write nothing.
    for (int mode : {0, 3}) {
        o.ComposeMode = mode;
        EXPECT_TRUE(RunAndCompose(fx, o, 6, 5, 0x010203) == FilledBitmap(6, 5, 0x010203)) << mode;
    }
    // The line layer alone is grey, whatever the mode.
    o.DrawColor = 0;
    o.Detail = 300;
    const Bitmap24 lines = RunAndCompose(fx, o, 6, 5, 0);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) ASSERT_EQ(lines.Pixel(x, y), GreyColor(fx.Sketch().Result()[size_t(y * 6 + x)]));
}

TEST(DrawEffect, EveryLayerStepRunsWithTheRecordsSettings)
{
    ImagingState state;
    const Bitmap24 src = NoiseBitmap(14, 10, 21);
    TCartoonOptions o = Neutral(&src);
    o.DrawSketch = o.DrawColor = 1;
    o.Detail = 5;
    o.SketchSmooth = 30;
    o.RidgeWeight = 4;
    o.Threshold = 60;
    o.Strength = 40;
    o.RemainDarkArea = 1;
    o.ColorReducer = 12;
    o.Brightness = 9;
    o.Contrast = 20;
    o.Saturation = -30;
    o.SmoothRadius = 1;
    o.SmoothMode = 1;
    o.Blur = 24;
    o.Red = 7;
    o.Green = -11;
    o.Blue = 13;
    TDrawEffect fx;
    fx.SetOptions(o);
    fx.Execute();

    // The same steps by hand; the record gives the smoothing and blur sigmas in twentieths.
    TSketch sketch;
    sketch.LoadInverted(src, 0, 0, 14, 10);
    sketch.Draw(2, 5, 32, 255, 60, 40, 1, 1.5, 4);
    EXPECT_EQ(fx.Sketch().Result(), sketch.Result());
    TColorStep cs;
    cs.Load(src, 0, 0, 14, 10);
    cs.ColorReduce(12, 0, 1, 0, NoBands);
    cs.Adjust(9, 20, -30);
    cs.ColorSmooth(1, 1);
    cs.Blur(1.2);
    cs.ColorBalance(7, -11, 13);
    EXPECT_EQ(fx.ColorStep().Result(), cs.Result());
}

TEST(DrawEffect, RegionOffsetsAndClipping)
{
    ImagingState state;
    // Grey columns pass the neutral colour layer unchanged, so placement is easy to see.
    Bitmap24 src(40, 6);
    for (int x = 0; x < 40; ++x) FillBitmapRect(src, GreyColor(x * 6), Rect{x, 0, x + 1, 6});
    TCartoonOptions o = Neutral(&src);
    o.DrawColor = 1;
    o.Left = 10;
    o.Width = 20;
    TDrawEffect fx;
    constexpr TColor Blue = 0x0000FF;
    EXPECT_TRUE(PixelsAre(RunAndCompose(fx, o, 40, 6, Blue), {{0, 3, GreyColor(60)}, {19, 3, GreyColor(174)}, {20, 3, Blue}}));

    // A region reaching past the source: the layers are made for the part inside, and only that
    // much is written.
    o.Left = 30;
    o.Width = 500;
    o.Height = 900;
    EXPECT_TRUE(PixelsAre(RunAndCompose(fx, o, 40, 6, Blue), {{9, 5, GreyColor(234)}, {10, 5, Blue}}));
    EXPECT_EQ(fx.ColorStep().Width(), 10);
    // A destination smaller than the layers is written where it exists.
    Bitmap24 small = FilledBitmap(3, 2, 0);
    fx.ComposeTo(small);
    EXPECT_EQ(small.Pixel(2, 1), GreyColor(192));

    // Enlarging the record after the run does not make ComposeTo read past the layers.
    o.Width = o.Height = 800;
    o.Left = 0;
    fx.SetOptions(o);
    Bitmap24 big = FilledBitmap(100, 100, Blue);
    fx.ComposeTo(big);
    EXPECT_TRUE(PixelsAre(big, {{10, 0, Blue}, {0, 6, Blue}}));

    // No source: no layer, nothing written.
    o.Source = nullptr;
    EXPECT_TRUE(RunAndCompose(fx, o, 8, 8, Blue) == FilledBitmap(8, 8, Blue));
    EXPECT_FALSE(fx.HasColorLayer());
}

TEST(DrawEffect, DamagedPresetGivesDefinedDeterministicOutput)
{
    ImagingState state;
    const Bitmap24 src = NoiseBitmap(30, 20, 13);
    // Every byte of the record garbage: the run must stay in bounds and repeat exactly.
    for (unsigned seed : {1u, 2u, 3u}) {
        std::vector<uint8_t> junk(133);
        unsigned s = seed * 7919u;
        for (uint8_t& b : junk) b = uint8_t((s = s * 1103515245u + 12345u) >> 16);
        TCartoonOptions o = ReadCartoonOptions(junk.data(), junk.size());
        o.DrawSketch = o.DrawColor = 1;
        o.SmoothRadius = int(seed); // keep the run short; huge radii only copy
        o.Blur %= 400;
        o.SketchSmooth %= 400;
        o.Source = &src;
        o.Width = 30;
        o.Height = 20;
        o.ComposeMode = 1 + int(seed % 2);
        TDrawEffect a, b;
        RunAndCompose(a, o, 30, 20, 0);
        EXPECT_TRUE(RunAndCompose(a, o, 30, 20, 0) == RunAndCompose(b, o, 30, 20, 0)) << seed;
        for (int32_t v : a.Sketch().Result()) ASSERT_TRUE(v >= 0 && v <= 255);
    }
}

TEST(DrawEffect, NothingEnabledOrCancelledWritesNothing)
{
    ImagingState state;
    const Bitmap24 src = NoiseBitmap(16, 16, 4);
    constexpr TColor Blue = 0x0000FF;
    ProgressLog total, cancel;
    TDrawEffect fx;
    fx.SetProgress(ProgressTargets{nullptr, &total, nullptr});
    Imaging().CancelRequested = 1;
    EXPECT_TRUE(RunAndCompose(fx, Neutral(&src), 16, 16, Blue) == FilledBitmap(16, 16, Blue));
    EXPECT_EQ(Imaging().CancelRequested, 0); // a run clears the flag
    EXPECT_EQ(total.maximum, 0);

    TCartoonOptions o = Neutral(&src);
    o.DrawSketch = o.DrawColor = 1;
    o.ComposeMode = 1;
    cancel.cancelAfter = 2;
    fx.SetProgress(ProgressTargets{&cancel, nullptr, nullptr});
    EXPECT_TRUE(RunAndCompose(fx, o, 16, 16, Blue) == FilledBitmap(16, 16, Blue));
    EXPECT_EQ(Imaging().CancelRequested, 1);
    // The next run clears the flag and composes again.
    fx.SetProgress({});
    EXPECT_FALSE(RunAndCompose(fx, o, 16, 16, Blue) == FilledBitmap(16, 16, Blue));
}
