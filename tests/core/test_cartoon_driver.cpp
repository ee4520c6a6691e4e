// The cartoon driver, its parameter record and the preset file.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "imaging/draw_effect.h"
#include "imaging/icon_image.h"
#include "imaging/imaging_state.h"
#include "platform/bitmap24.h"
#include "platform/save_file.h"
#include "support/bitmap_checks.h"
#include "support/test_support.h"
#include "tools/cartoon3_preset.h"

namespace {

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

    // The committed asset is the output of tools/make_cartoon3_set; a change of the named values
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

TEST(DrawEffect, NothingEnabledWritesNothing)
{
    ImagingState state;
    const Bitmap24 src = NoiseBitmap(8, 8, 1);
    TDrawEffect fx;
    struct Total : ProgressBarTarget {
        int max = -1;
        void SetMaximum(int m) override { max = m; }
        void SetPosition(int) override {}
        void StepIt() override {}
    } total;
    fx.SetProgress(ProgressTargets{nullptr, &total, nullptr});
    Imaging().CancelRequested = 1;
    EXPECT_TRUE(RunAndCompose(fx, Neutral(&src), 8, 8, 0x123456) == FilledBitmap(8, 8, 0x123456));
    EXPECT_EQ(Imaging().CancelRequested, 0); // a run clears the flag
    EXPECT_EQ(total.max, 0);
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
}

TEST(DrawEffect, LineLayerAloneIsGrey)
{
    ImagingState state;
    const Bitmap24 src = NoiseBitmap(12, 9, 2);
    TCartoonOptions o = Neutral(&src);
    o.DrawSketch = 1;
    o.Detail = 300;
    TDrawEffect fx;
    const Bitmap24 dst = RunAndCompose(fx, o, 12, 9, 0);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 12; ++x) ASSERT_EQ(dst.Pixel(x, y), GreyColor(fx.Sketch().Result()[size_t(y * 12 + x)]));
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

TEST(DrawEffect, CancelledRunWritesNothing)
{
    ImagingState state;
    const Bitmap24 src = NoiseBitmap(16, 16, 4);
    struct Canceller : ProgressBarTarget {
        void SetMaximum(int) override {}
        void SetPosition(int p) override
        {
            if (p >= 50) Imaging().CancelRequested = 1;
        }
        void StepIt() override {}
    } cancel;
    TCartoonOptions o = Neutral(&src);
    o.DrawSketch = o.DrawColor = 1;
    o.ComposeMode = 1;
    TDrawEffect fx;
    fx.SetProgress(ProgressTargets{&cancel, nullptr, nullptr});
    EXPECT_TRUE(RunAndCompose(fx, o, 16, 16, 0x0000FF) == FilledBitmap(16, 16, 0x0000FF));
    EXPECT_EQ(Imaging().CancelRequested, 1);
    // The next run clears the flag and composes again.
    fx.SetProgress({});
    EXPECT_FALSE(RunAndCompose(fx, o, 16, 16, 0x0000FF) == FilledBitmap(16, 16, 0x0000FF));
}
