// The cartoon driver, its parameter record and the preset file.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "imaging/draw_effect.h"
#include "imaging/imaging_state.h"
#include "platform/bitmap24.h"
#include "platform/save_file.h"
#include "support/test_support.h"
#include "tools/cartoon3_preset.h"

namespace {

uint32_t LE32(const std::vector<uint8_t>& b, size_t at)
{
    return uint32_t(b[at]) | (uint32_t(b[at + 1]) << 8) | (uint32_t(b[at + 2]) << 16) | (uint32_t(b[at + 3]) << 24);
}

// Every field a different value, so a field written at the wrong offset shows.
TCartoonOptions Distinct()
{
    TCartoonOptions o;
    o.SketchType = 0x01020304;
    o.Detail = -2;
    o.Darkness = 0x11121314;
    o.SketchSmooth = 0x21222324;
    o.RidgeWeight = 0x31323334;
    o.RemainDarkArea = 0x41;
    o.Threshold = 0x51525354;
    o.Strength = 0x61626364;
    o.SmoothMode = 0x71727374;
    o.SmoothRadius = 0x0A0B0C0D;
    o.Blur = 0x1A1B1C1D;
    o.Brightness = -255;
    o.Contrast = 0x2A2B2C2D;
    o.Saturation = 0x3A3B3C3D;
    o.Red = 0x4A4B4C4D;
    o.Green = 0x5A5B5C5D;
    o.Blue = 0x6A6B6C6D;
    o.DrawSketch = 0x7E;
    o.DrawColor = 0x7F;
    o.ComposeMode = 0x0E0F1011;
    o.MixWeight = 0x1E1F2021;
    o.CutOff = 0x2E2F3031;
    o.ColorReducer = 0x3E3F4041;
    o.ReducerKind = 0x4E4F5051;
    o.KeepAverage = 0x5E5F6061;
    o.BandCount = 0x6E6F7071;
    const uint8_t t[5] = {0xA1, 0xA2, 0xA3, 0xA4, 0xA5};
    std::copy(t, t + 5, o.BandThresholds);
    return o;
}

Bitmap24 Filled(int w, int h, TColor c)
{
    Bitmap24 b(w, h);
    b.Fill(c);
    return b;
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

} // namespace

TEST(CartoonOptions, EveryFieldAtItsOffset)
{
    const TCartoonOptions o = Distinct();
    const std::vector<uint8_t> b = WriteCartoonOptions(o);
    ASSERT_EQ(b.size(), 133u);
    namespace O = CartoonOffset;
    for (size_t i = 0; i < O::SketchType; ++i) EXPECT_EQ(b[i], 0) << i;
    EXPECT_EQ(LE32(b, O::SketchType), 0x01020304u);
    EXPECT_EQ(LE32(b, O::Detail), 0xFFFFFFFEu);
    EXPECT_EQ(LE32(b, O::Darkness), 0x11121314u);
    EXPECT_EQ(LE32(b, O::SketchSmooth), 0x21222324u);
    EXPECT_EQ(LE32(b, O::RidgeWeight), 0x31323334u);
    EXPECT_EQ(b[O::RemainDarkArea], 0x41);
    EXPECT_EQ(LE32(b, O::Threshold), 0x51525354u);
    EXPECT_EQ(LE32(b, O::Strength), 0x61626364u);
    EXPECT_EQ(LE32(b, O::SmoothMode), 0x71727374u);
    EXPECT_EQ(LE32(b, O::SmoothRadius), 0x0A0B0C0Du);
    EXPECT_EQ(LE32(b, O::Blur), 0x1A1B1C1Du);
    EXPECT_EQ(LE32(b, O::Brightness), uint32_t(-255));
    EXPECT_EQ(LE32(b, O::Contrast), 0x2A2B2C2Du);
    EXPECT_EQ(LE32(b, O::Saturation), 0x3A3B3C3Du);
    EXPECT_EQ(LE32(b, O::Red), 0x4A4B4C4Du);
    EXPECT_EQ(LE32(b, O::Green), 0x5A5B5C5Du);
    EXPECT_EQ(LE32(b, O::Blue), 0x6A6B6C6Du);
    EXPECT_EQ(b[O::DrawSketch], 0x7E);
    EXPECT_EQ(b[O::DrawColor], 0x7F);
    EXPECT_EQ(LE32(b, O::ComposeMode), 0x0E0F1011u);
    EXPECT_EQ(LE32(b, O::MixWeight), 0x1E1F2021u);
    EXPECT_EQ(LE32(b, O::CutOff), 0x2E2F3031u);
    EXPECT_EQ(b[O::Reserved1], 0);
    EXPECT_EQ(LE32(b, O::ColorReducer), 0x3E3F4041u);
    EXPECT_EQ(LE32(b, O::ReducerKind), 0x4E4F5051u);
    EXPECT_EQ(LE32(b, O::KeepAverage), 0x5E5F6061u);
    EXPECT_EQ(LE32(b, O::BandCount), 0x6E6F7071u);
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(b[O::BandThresholds + i], 0xA1 + i);
    for (size_t i = O::Reserved2; i < 133; ++i) EXPECT_EQ(b[i], 0) << i;

    EXPECT_EQ(ReadCartoonOptions(b.data(), b.size()), o);
}

TEST(CartoonOptions, PlaceholderBytesAndShortOrDamagedFiles)
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
    EXPECT_EQ(cut.Strength, 0x61626364);
    EXPECT_EQ(cut.SmoothMode, 0x7374);
    EXPECT_EQ(cut.SmoothRadius, 0);
    EXPECT_EQ(cut.DrawSketch, 0);
    EXPECT_EQ(ReadCartoonOptions(nullptr, 0), TCartoonOptions{});
    // A longer one is read to its 133rd byte.
    std::vector<uint8_t> longer = b;
    longer.resize(500, 0x55);
    EXPECT_EQ(ReadCartoonOptions(longer.data(), longer.size()), Distinct());
}

TEST(CartoonOptions, PresetFile)
{
    ScopedAppDir dir;
    TCartoonOptions o = Distinct();
    EXPECT_FALSE(LoadCartoonOptionsFile(dir.FilePath(QStringLiteral("cartoon3.set")), o));
    EXPECT_EQ(o, Distinct()); // untouched when the file cannot be opened
    const std::vector<uint8_t> bytes = WriteCartoonOptions(ShippedCartoonPreset());
    ASSERT_TRUE(WriteFileAtomic(dir.FilePath(QStringLiteral("cartoon3.set")),
                                QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()))));
    ASSERT_TRUE(LoadCartoonOptionsFile(dir.FilePath(QStringLiteral("cartoon3.set")), o));
    EXPECT_EQ(o, ShippedCartoonPreset());
}

TEST(CartoonOptions, ShippedPresetMatchesItsNamedValues)
{
    // The committed asset is the output of tools/make_cartoon3_set; a change of the named values
    // without regenerating the file shows here.
    QFile file(QFileInfo(QStringLiteral(__FILE__)).dir().filePath(QStringLiteral("../../assets/cartoon3.set")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray shipped = file.readAll();
    const std::vector<uint8_t> expected = WriteCartoonOptions(ShippedCartoonPreset());
    ASSERT_EQ(size_t(shipped.size()), expected.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), reinterpret_cast<const uint8_t*>(shipped.constData())));

    // And it draws dark lines on white paper: a flat picture is all paper, a dark bar leaves a line.
    ImagingState state;
    Bitmap24 pic = Filled(32, 32, MakeColor(230, 200, 170));
    for (int y = 0; y < 32; ++y)
        for (int x = 14; x < 17; ++x) pic.SetPixel(x, y, MakeColor(20, 20, 30));
    TCartoonOptions o = ShippedCartoonPreset();
    o.Source = &pic;
    o.Width = o.Height = 32;
    TDrawEffect line;
    line.SetOptions(o);
    line.Execute();
    const std::vector<int32_t>& layer = line.Sketch().Result();
    EXPECT_EQ(layer[size_t(16 * 32 + 2)], 255);
    int darkest = 255;
    for (int x = 12; x < 19; ++x) darkest = std::min(darkest, layer[size_t(16 * 32 + x)]);
    EXPECT_LT(darkest, 100);
}

TEST(DrawEffect, NothingEnabled)
{
    ImagingState state;
    const Bitmap24 src = NoiseBitmap(8, 8, 1);
    TCartoonOptions o = Neutral(&src);
    TDrawEffect fx;
    fx.SetOptions(o);
    struct Total : ProgressBarTarget {
        int max = -1;
        void SetMaximum(int m) override { max = m; }
        void SetPosition(int) override {}
        void StepIt() override {}
    } total;
    fx.SetProgress(ProgressTargets{nullptr, &total, nullptr});
    Imaging().CancelRequested = 1;
    fx.Execute();
    EXPECT_EQ(Imaging().CancelRequested, 0);
    EXPECT_EQ(total.max, 0);
    Bitmap24 dst = Filled(8, 8, 0x123456);
    const Bitmap24 before = dst;
    fx.ComposeTo(dst);
    EXPECT_TRUE(dst == before);
}

TEST(DrawEffect, ComposeModes)
{
    ImagingState state;
    const Bitmap24 white = Filled(6, 5, 0xFFFFFF);
    TCartoonOptions o = Neutral(&white);
    o.DrawSketch = o.DrawColor = 1;
    TDrawEffect fx;

    // White colour layer under paper (255) stays 255; under a full line (0) it is 0.
    o.ComposeMode = 1;
    fx.SetOptions(o);
    fx.Execute();
    Bitmap24 dst(6, 5);
    dst.Fill(0);
    fx.ComposeTo(dst);
    EXPECT_EQ(dst.Pixel(3, 2), 0xFFFFFFu);
    o.SketchType = 1; // a flat picture maps to 0 when Detail lifts every value to 16 or more
    o.Detail = -100;
    fx.SetOptions(o);
    fx.Execute();
    fx.ComposeTo(dst);
    EXPECT_EQ(dst.Pixel(3, 2), 0u);

    // Mix: weight 0 is the colour layer, 100 the grey line layer; weights beyond are held.
    const Bitmap24 src = NoiseBitmap(6, 5, 7);
    o = Neutral(&src);
    o.DrawSketch = o.DrawColor = 1;
    o.ComposeMode = 2;
    o.MixWeight = 0;
    fx.SetOptions(o);
    fx.Execute();
    fx.ComposeTo(dst);
    const std::vector<uint8_t>& color = fx.ColorStep().Result();
    for (int x = 0; x < 6; ++x) EXPECT_EQ(dst.Pixel(x, 4), ReadPixel(color.data() + (4 * 6 + x) * 3));
    for (int weight : {100, 1000}) {
        o.MixWeight = weight;
        fx.SetOptions(o);
        fx.Execute();
        fx.ComposeTo(dst);
        const int s = fx.Sketch().Result()[size_t(2 * 6 + 1)];
        EXPECT_EQ(dst.Pixel(1, 2), MakeColor(s, s, s)) << weight;
    }
    o.MixWeight = -50; // held to 0
    fx.SetOptions(o);
    fx.Execute();
    fx.ComposeTo(dst);
    EXPECT_EQ(dst.Pixel(5, 0), ReadPixel(fx.ColorStep().Result().data() + 5 * 3));
    o.MixWeight = 40;
    fx.SetOptions(o);
    fx.Execute();
    fx.ComposeTo(dst);
    {
        const uint8_t* c = fx.ColorStep().Result().data() + (3 * 6 + 2) * 3;
        const int s = fx.Sketch().Result()[size_t(3 * 6 + 2)];
        EXPECT_EQ(dst.Row(3)[2 * 3 + 1], (c[1] * 60 + s * 40) / 100);
    }

    // Other modes write nothing.
    for (int mode : {0, 3}) {
        o.ComposeMode = mode;
        fx.SetOptions(o);
        fx.Execute();
        Bitmap24 untouched = Filled(6, 5, 0x010203);
        fx.ComposeTo(untouched);
        EXPECT_TRUE(untouched == Filled(6, 5, 0x010203)) << mode;
    }
}

TEST(DrawEffect, RegionOffsetsAndClipping)
{
    ImagingState state;
    // Grey columns pass the neutral colour layer unchanged, so placement is easy to see.
    Bitmap24 src(40, 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 40; ++x) src.SetPixel(x, y, MakeColor(x * 6, x * 6, x * 6));
    TCartoonOptions o = Neutral(&src);
    o.DrawColor = 1;
    o.Left = 10;
    o.Width = 20;
    TDrawEffect fx;
    fx.SetOptions(o);
    fx.Execute();
    Bitmap24 dst = Filled(40, 6, 0x0000FF);
    fx.ComposeTo(dst);
    EXPECT_EQ(dst.Pixel(0, 3), MakeColor(60, 60, 60));
    EXPECT_EQ(dst.Pixel(19, 3), MakeColor(174, 174, 174));
    EXPECT_EQ(dst.Pixel(20, 3), 0x0000FFu);

    // A region reaching past the source: the layers are made for the part inside, and only that
    // much is written.
    o.Left = 30;
    o.Width = 500;
    o.Height = 900;
    fx.SetOptions(o);
    fx.Execute();
    EXPECT_EQ(fx.ColorStep().Width(), 10);
    dst = Filled(40, 6, 0x0000FF);
    fx.ComposeTo(dst);
    EXPECT_EQ(dst.Pixel(9, 5), MakeColor(234, 234, 234));
    EXPECT_EQ(dst.Pixel(10, 5), 0x0000FFu);

    // A destination smaller than the layers is written where it exists.
    Bitmap24 small = Filled(3, 2, 0);
    fx.ComposeTo(small);
    EXPECT_EQ(small.Pixel(2, 1), MakeColor(192, 192, 192));

    // Enlarging the record after the run does not make ComposeTo read past the layers.
    o.Width = o.Height = 800;
    o.Left = 0;
    fx.SetOptions(o);
    Bitmap24 big = Filled(100, 100, 0x0000FF);
    fx.ComposeTo(big);
    EXPECT_EQ(big.Pixel(10, 0), 0x0000FFu);
    EXPECT_EQ(big.Pixel(0, 6), 0x0000FFu);

    // No source: no layer, nothing written.
    o.Source = nullptr;
    fx.SetOptions(o);
    fx.Execute();
    EXPECT_FALSE(fx.HasColorLayer());
    Bitmap24 blue = Filled(8, 8, 0x0000FF);
    fx.ComposeTo(blue);
    EXPECT_TRUE(blue == Filled(8, 8, 0x0000FF));
}

TEST(DrawEffect, LineLayerAloneIsGrey)
{
    ImagingState state;
    const Bitmap24 src = NoiseBitmap(12, 9, 2);
    TCartoonOptions o = Neutral(&src);
    o.DrawSketch = 1;
    o.Detail = 300;
    TDrawEffect fx;
    fx.SetOptions(o);
    fx.Execute();
    Bitmap24 dst(12, 9);
    fx.ComposeTo(dst);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 12; ++x) {
            const int s = fx.Sketch().Result()[size_t(y * 12 + x)];
            ASSERT_EQ(dst.Pixel(x, y), MakeColor(s, s, s));
        }
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
        a.SetOptions(o);
        a.Execute();
        b.SetOptions(o);
        b.Execute();
        a.Execute();
        Bitmap24 da(30, 20), db(30, 20);
        a.ComposeTo(da);
        b.ComposeTo(db);
        EXPECT_TRUE(da == db) << seed;
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
    fx.SetOptions(o);
    fx.SetProgress(ProgressTargets{&cancel, nullptr, nullptr});
    fx.Execute();
    EXPECT_EQ(Imaging().CancelRequested, 1);
    Bitmap24 dst = Filled(16, 16, 0x0000FF);
    fx.ComposeTo(dst);
    EXPECT_TRUE(dst == Filled(16, 16, 0x0000FF));
    // The next run clears the flag and composes again.
    fx.SetProgress({});
    fx.Execute();
    fx.ComposeTo(dst);
    EXPECT_FALSE(dst == Filled(16, 16, 0x0000FF));
}
