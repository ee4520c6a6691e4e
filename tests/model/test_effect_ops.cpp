// What the effect dialogs compute for each colour type, headless: the true-colour work copy of
// palette formats and their re-mapping, colour balance on palette entries, rotation and zoom on
// indices, the zoom crop at 259 %, the zoom text, strokes with the last palette entry, the shadow
// keeping the palette type, the filter presets' order, and results that depend only on the backup.
#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "imaging/effect_dialog_ops.h"
#include "imaging/imaging_state.h"
#include "imaging/resample.h"
#include "platform/canvas_ops.h"
#include "support/bitmap_checks.h"
#include "support/format_helpers.h"

namespace {

struct EffectRun {
    TIconImageRec Backup;
    TIconImageRec Work;
    TIconImageRec Target;
    explicit EffectRun(const TIconImageRec& original) : Backup(original.Clone()), Target(original.Clone())
    {
        if (IsPaletteColorType(original.ColorType)) MakeTrueColorWorkCopy(original, Work);
    }
    TEffectSources Sources() const { return {Backup, Work}; }
};

// A palette format of few colours (lossless through the quantizer): a 4 x 4 checker of entries 1
// and 3 over entry 2, half of it transparent.
TIconImageRec FewColours(int32_t type, int side = 16)
{
    TIconImageRec f;
    InitIconImage(f, side, side, type, 1);
    f.Palette.palPalEntry[1] = {100, 100, 100, 0};
    f.Palette.palPalEntry[2] = {20, 160, 60, 0};
    f.Palette.palPalEntry[3] = {200, 40, 90, 0};
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            f.Bitmap->SetPixel(x, y, MakeColor((x / 4 + y / 4) % 2 ? 1 : (x < side / 2 ? 2 : 3), 0, 0));
            const int m = y < side / 2 ? 0 : 255;
            f.Mask->SetPixel(x, y, MakeColor(m, m, m));
        }
    return f;
}

std::set<TColor> Indices(const TIconImageRec& f)
{
    std::set<TColor> out;
    for (int y = 0; y < f.Height; ++y)
        for (int x = 0; x < f.Width; ++x) out.insert(f.Bitmap->Pixel(x, y));
    return out;
}

TEST(EffectOps, WorkCopyOfAPaletteFormatHoldsTrueColours)
{
    const TIconImageRec f = FewColours(ctColors16);
    TIconImageRec work;
    MakeTrueColorWorkCopy(f, work);
    EXPECT_EQ(work.ColorType, ctTrueAlpha);
    EXPECT_EQ(work.Palette.palNumEntries, 0);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            ASSERT_EQ(work.Bitmap->Pixel(x, y), ShownColor(f, x, y));
            ASSERT_EQ(work.Mask->Pixel(x, y), f.Mask->Pixel(x, y));
        }
}

// Palette formats computed in true colour and mapped back show what the true-colour computation
// shows, keep their type, entry count and mask; a picture of few colours loses nothing on the way.
TEST(EffectOps, PaletteFormatsAreRemappedOntoTheirOwnEntryCount)
{
    using Op = std::function<void(const TEffectSources&, TIconImageRec&)>;
    const struct {
        const char* name;
        Op op;
    } ops[] = {
        {"brightness 50", [](const TEffectSources& s, TIconImageRec& t) { ApplyBrightnessContrastEffect(s, t, 50, 0); }},
        {"saturation -127", [](const TEffectSources& s, TIconImageRec& t) { ApplySaturationEffect(s, t, -127); }},
        {"sharpen 0", [](const TEffectSources& s, TIconImageRec& t) { ApplySharpenEffect(s, t, 0); }},
        {"sharpen 25", [](const TEffectSources& s, TIconImageRec& t) { ApplySharpenEffect(s, t, 25); }},
        {"null filter", [](const TEffectSources& s, TIconImageRec& t) { ApplyFilterEffect(s, t, FilterPresets[0], true, true, true); }},
        {"negative", [](const TEffectSources& s, TIconImageRec& t) { ApplyFilterEffect(s, t, FilterPresets[8], true, true, true); }},
    };
    for (int32_t type : {ctColors16, ctColors256}) {
        const TIconImageRec f = FewColours(type);
        // The same computation on a true-colour twin.
        TIconImageRec twin;
        MakeTrueColorWorkCopy(f, twin);
        for (const auto& o : ops) {
            SCOPED_TRACE(std::string(o.name) + " type " + std::to_string(type));
            EffectRun r(f);
            o.op(r.Sources(), r.Target);
            EffectRun t(twin);
            o.op(t.Sources(), t.Target);
            EXPECT_EQ(r.Target.ColorType, type);
            EXPECT_EQ(r.Target.Palette.palNumEntries, f.Palette.palNumEntries);
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x) {
                    ASSERT_LT(int(r.Target.Bitmap->Pixel(x, y)), int(f.Palette.palNumEntries));
                    ASSERT_EQ(ShownColor(r.Target, x, y), t.Target.Bitmap->Pixel(x, y)) << x << "," << y;
                    ASSERT_EQ(r.Target.Mask->Pixel(x, y), f.Mask->Pixel(x, y));
                }
        }
    }
    // Brightness 50 moves every shown colour up by 50.
    const TIconImageRec f = FewColours(ctColors16);
    EffectRun r(f);
    ApplyBrightnessContrastEffect(r.Sources(), r.Target, 50, 0);
    const TColor before = ShownColor(f, 4, 0);
    EXPECT_EQ(before, MakeColor(100, 100, 100));
    const TColor after = ShownColor(r.Target, 4, 0);
    EXPECT_EQ(ColorR(after), 150);
}

TEST(EffectOps, ColorBalanceOnAPaletteMovesOnlyItsEntries)
{
    const TIconImageRec f = FewColours(ctColors256);
    EffectRun r(f);
    ApplyColorBalanceEffect(r.Sources(), r.Target, 30, -30, 200);
    EXPECT_EQ(PackedPixels(*r.Target.Bitmap), PackedPixels(*f.Bitmap));
    EXPECT_EQ(r.Target.Palette.palPalEntry[1], (TPaletteEntry{130, 70, 255, 0}));
    EXPECT_EQ(r.Target.Palette.palPalEntry[2], (TPaletteEntry{50, 130, 255, 0}));
    // True colour moves the pixels.
    const TIconImageRec tc = SolidFormat(4, 4, ctTrueColor, MakeColor(10, 20, 30), 0);
    EffectRun t(tc);
    ApplyColorBalanceEffect(t.Sources(), t.Target, 30, -30, 200);
    EXPECT_EQ(t.Target.Bitmap->Pixel(2, 2), MakeColor(40, 0, 230));
}

TEST(EffectOps, RotatingAPaletteFormatInventsNoIndex)
{
    const TIconImageRec f = PatternFormat(32, 32, ctColors16, 4);
    EffectRun r(f);
    ApplyRotateEffect(r.Sources(), r.Target, 45);
    std::set<TColor> allowed = Indices(f);
    allowed.insert(0);
    for (TColor i : Indices(r.Target)) EXPECT_TRUE(allowed.count(i)) << i;
    // The corners lie outside the turned picture: index 0 and transparent.
    for (QPoint c : {QPoint(0, 0), QPoint(31, 0), QPoint(0, 31), QPoint(31, 31)}) {
        EXPECT_EQ(r.Target.Bitmap->Pixel(c.x(), c.y()), 0u);
        EXPECT_EQ(r.Target.Mask->Row(c.y())[c.x() * 3], 255);
    }
    EXPECT_EQ(r.Target.Palette, f.Palette);
}

TEST(EffectOps, Rotating24BitLeavesATwoValuedMaskOverWhite)
{
    const TIconImageRec f = PatternFormat(32, 32, ctTrueColor, 5);
    EffectRun r(f);
    ApplyRotateEffect(r.Sources(), r.Target, 30);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const TColor m = r.Target.Mask->Pixel(x, y);
            ASSERT_TRUE(m == 0 || m == 0xFFFFFF) << x << "," << y;
        }
    // The threshold: up to 230 opaque, above it transparent.
    Bitmap24 mask(3, 1);
    mask.SetPixel(0, 0, MakeColor(0, 0, 230));
    mask.SetPixel(1, 0, MakeColor(0, 0, 231));
    mask.SetPixel(2, 0, MakeColor(255, 255, 12));
    ThresholdMask(mask, mask.Bounds());
    EXPECT_EQ(mask.Pixel(0, 0), 0u);
    EXPECT_EQ(mask.Pixel(1, 0), 0xFFFFFFu);
    EXPECT_EQ(mask.Pixel(2, 0), 0u);
}

TEST(EffectOps, ZoomEnlargesAboutTheCentreOrShrinksIntoIt)
{
    // A red opaque 16 x 16 centre in a blue transparent border.
    TIconImageRec f = SolidFormat(32, 32, ctTrueAlpha, 0xFF0000, 255);
    FillBitmapRect(*f.Bitmap, 0x0000FF, Rect{8, 8, 24, 24});
    FillBitmapRect(*f.Mask, 0, Rect{8, 8, 24, 24});
    EffectRun big(f);
    ApplyZoomEffect(big.Sources(), big.Target, 200);
    EXPECT_TRUE(AreaIs(*big.Target.Bitmap, Rect{2, 2, 30, 30}, 0x0000FF)); // the edges blend bicubically
    EXPECT_TRUE(AreaIs(*big.Target.Mask, SizeRect(32, 32), 0));

    EffectRun small(f);
    ApplyZoomEffect(small.Sources(), small.Target, 50);
    EXPECT_EQ(ChangedRect(*small.Target.Mask, 0xFFFFFF), (Rect{12, 12, 20, 20}));
    EXPECT_TRUE(AreaIs(*small.Target.Mask, Rect{12, 12, 20, 20}, 0));
    EXPECT_EQ(small.Target.Bitmap->Pixel(0, 0), 0xFFFFFFu);
    EXPECT_EQ(small.Target.Bitmap->Pixel(16, 16), 0x0000FFu);
    EXPECT_EQ(small.Target.Bitmap->Pixel(10, 16), 0xFF0000u); // the shrunk border
    EXPECT_EQ(small.Target.Mask->Pixel(10, 16), 0xFFFFFFu);
    EXPECT_EQ(small.Target.Bitmap->Pixel(4, 16), 0xFFFFFFu); // outside the placement
}

TEST(EffectOps, ZoomAt259PercentCropsRows203To458AndPaletteIndicesStayIndices)
{
    EXPECT_EQ(ZoomedSide(256, 259), 663);
    EXPECT_EQ(ZoomedSide(32, 50), 16);
    EXPECT_EQ(ZoomedSide(1, 150), 2);  // 1.5: to even
    EXPECT_EQ(ZoomedSide(5, 50), 2);   // 2.5: to even
    // Index = row, so the crop's source rows can be read back.
    TIconImageRec f;
    InitIconImage(f, 256, 256, ctColors256, 1);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            f.Bitmap->SetPixel(x, y, MakeColor(y, 0, 0));
            f.Mask->SetPixel(x, y, y % 2 ? 0xFFFFFF : 0);
        }
    EffectRun r(f);
    ApplyZoomEffect(r.Sources(), r.Target, 259);
    for (int y = 0; y < 256; ++y) {
        const int source = (y + 203) * 256 / 663;
        ASSERT_EQ(r.Target.Bitmap->Pixel(100, y), MakeColor(source, 0, 0)) << y;
        ASSERT_EQ(r.Target.Mask->Pixel(100, y), source % 2 ? 0xFFFFFFu : 0u) << y;
    }
    // Shrunk palette formats: the border is index 0 and transparent.
    EffectRun s(f);
    ApplyZoomEffect(s.Sources(), s.Target, 10);
    EXPECT_EQ(s.Target.Bitmap->Pixel(0, 0), 0u);
    EXPECT_EQ(s.Target.Mask->Pixel(0, 0), 0xFFFFFFu);
}

TEST(EffectOps, ZoomTextTakesTenToTwoHundredFiftyNine)
{
    const struct {
        const char* text;
        int percent;
    } cases[] = {{"100%", 100}, {"250%", 250}, {"10%", 10}, {"259", 259}, {"2%00", 200}, {"+50%", 50}, {"010", 10},
                 {"9%", -1},    {"260%", -1},  {"-50", -1}, {"", -1},     {"%", -1},      {"abc", -1},  {" 50", -1},
                 {"99999999999999999999%", -1}, {"0000000000000000000000150", 150}};
    for (const auto& c : cases) EXPECT_EQ(ZoomPercentOfText(QString::fromLatin1(c.text)), c.percent) << c.text;
}

TEST(EffectOps, StrokeOnAPaletteFormatPaintsTheChosenIndexTheLastIncluded)
{
    TIconImageRec f = SolidFormat(16, 16, ctColors256, MakeColor(7, 0, 0), 255);
    FillBitmapRect(*f.Mask, 0, Rect{4, 4, 12, 12});
    for (int index : {0, 1, 254, 255}) {
        EffectRun r(f);
        ApplyStrokeEffect(r.Sources(), r.Target, TColor(index), 1, 255, 1);
        EXPECT_EQ(r.Target.Bitmap->Pixel(3, 6), MakeColor(index, 0, 0)) << index;
        EXPECT_EQ(r.Target.Bitmap->Pixel(6, 6), MakeColor(7, 0, 0)) << index;
        EXPECT_EQ(r.Target.Palette, f.Palette);
    }
}

TEST(EffectOps, ShadowKeepsThePaletteTypeAndAlphaKeepsItsLevels)
{
    TIconImageRec f = SolidFormat(24, 24, ctColors16, MakeColor(9, 0, 0), 255);
    FillBitmapRect(*f.Mask, 0, Rect{4, 4, 14, 14});
    EffectRun r(f);
    ApplyShadowEffect(r.Sources(), r.Target, 0, 5, 255, 135, 40);
    EXPECT_EQ(r.Target.ColorType, ctColors16);
    EXPECT_EQ(r.Target.Palette.palNumEntries, 16);
    for (TColor i : Indices(r.Target)) EXPECT_LT(i, 16u);
    // Something fell to the right and below the block.
    EXPECT_EQ(r.Target.Mask->Row(16)[16 * 3], 0);

    TIconImageRec a = SolidFormat(24, 24, ctTrueAlpha, 0x00FF00, 255);
    FillBitmapRect(*a.Mask, 0, Rect{4, 4, 14, 14});
    EffectRun t(a);
    ApplyShadowEffect(t.Sources(), t.Target, 0, 5, 255, 135, 40);
    EXPECT_EQ(t.Target.ColorType, ctTrueAlpha);
    std::set<int> levels;
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 24; ++x) levels.insert(t.Target.Mask->Row(y)[x * 3]);
    EXPECT_GT(levels.size(), 2u); // the soft edge of the shadow
}

TEST(EffectOps, ResultsDependOnlyOnTheBackup)
{
    for (int32_t type : {ctTrueAlpha, ctTrueColor, ctColors16}) {
        const TIconImageRec f = PatternFormat(20, 18, type, 12);
        EffectRun once(f), twice(f);
        ApplyBlurEffect(twice.Sources(), twice.Target, 120);
        ApplyRotateEffect(twice.Sources(), twice.Target, 77);
        ApplyBlurEffect(twice.Sources(), twice.Target, 30);
        ApplyBlurEffect(once.Sources(), once.Target, 30);
        EXPECT_EQ(PackedPixels(*twice.Target.Bitmap), PackedPixels(*once.Target.Bitmap)) << type;
        EXPECT_EQ(PackedPixels(*twice.Target.Mask), PackedPixels(*once.Target.Mask)) << type;
        EXPECT_EQ(twice.Target.Palette, once.Target.Palette) << type;
        EXPECT_EQ(PackedPixels(*twice.Backup.Bitmap), PackedPixels(*f.Bitmap)) << type;
    }
}

TEST(EffectOps, TheFiltersAreListedInTheirOrder)
{
    const char* names[FilterPresetCount] = {
        "Null", "Color Emboss", "Light Emboss", "Median Emboss", "Dark Emboss", "Edge Enhance", "Bartlett Blur",
        "Gaussian Blur", "Negative", "Average filter", "Blur", "Blur Softly", "Blur More", "Prewitt Edges",
        "Trace Contour", "Sharpen", "Sharpen More", "Sharpen Less", "Unsharp Mask", "Strong Edges", "Weak Edges",
        "Etch", "Laplacian  Horz./Vert", "Laplacian Omni-directional", "Sharpen Directional"};
    for (int i = 0; i < FilterPresetCount; ++i) EXPECT_STREQ(FilterPresets[size_t(i)].Name, names[i]) << i;
}

} // namespace

TEST(EffectOps, ZoomComputesOnlyTheKeptCentreYetMatchesTheWholeEnlargementCropped)
{
    // The yardstick: the whole enlargement made first, as large as the zoomed picture, then its
    // centre copied out.
    auto reference = [](const TIconImageRec& f, int percent) {
        const int W = f.Width, H = f.Height;
        const int nW = std::max(1, ZoomedSide(W, percent)), nH = std::max(1, ZoomedSide(H, percent));
        const int dx = (nW - W) / 2, dy = (nH - H) / 2;
        Bitmap24 work(nW, nH), bitmap(W, H), mask(W, H);
        if (IsPaletteColorType(f.ColorType))
            StretchCopyNearest(*f.Bitmap, SizeRect(W, H), work, SizeRect(nW, nH));
        else
            ResampleBitmap(*f.Bitmap, work, W, H, nW, nH);
        CopyBitmapRect(work, Rect{dx, dy, dx + W, dy + H}, bitmap, 0, 0);
        StretchCopyNearest(*f.Mask, SizeRect(W, H), work, SizeRect(nW, nH));
        CopyBitmapRect(work, Rect{dx, dy, dx + W, dy + H}, mask, 0, 0);
        return std::pair(bitmap, mask);
    };
    unsigned seed = 99;
    for (const auto& [w, h, type] : {std::tuple{256, 256, ctTrueAlpha}, std::tuple{37, 20, ctTrueColor},
                                     std::tuple{1, 3, ctTrueAlpha}, std::tuple{48, 48, ctColors256}}) {
        TIconImageRec f;
        InitIconImage(f, w, h, type, 1);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                seed = seed * 1103515245u + 12345u;
                const TColor c = IsPaletteColorType(type) ? TColor(seed >> 24) : TColor(seed >> 8 & 0xFFFFFF);
                f.Bitmap->SetPixel(x, y, c);
                f.Mask->SetPixel(x, y, (seed >> 3) % 3 ? 0 : 0xFFFFFF);
            }
        for (const int percent : {100, 101, 150, 233, 258, 259}) {
            SCOPED_TRACE(testing::Message() << w << "x" << h << " type " << type << " at " << percent << "%");
            EffectRun run(f);
            ApplyZoomEffect(run.Sources(), run.Target, percent);
            const auto [bitmap, mask] = reference(f, percent);
            EXPECT_TRUE(*run.Target.Bitmap == bitmap);
            EXPECT_TRUE(*run.Target.Mask == mask);
        }
    }
}
