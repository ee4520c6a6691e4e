// The icon mixer's rules: shared sizes and the format chosen for each, thumbnails, layer order
// and opacity, the transforms in their order, the settings' bounds, the opacity bar and the caption.
#include <gtest/gtest.h>

#include "model/icon_mixer.h"
#include "support/format_helpers.h"
#include "support/mixer_helpers.h"

namespace {

constexpr TColor Red = 0x0000FF;
constexpr TColor Blue = 0xFF0000;
constexpr TColor White = 0xFFFFFF;

TIconImageArray Formats(std::initializer_list<std::tuple<int, int, int32_t>> sizes)
{
    TIconImageArray a;
    for (const auto& [w, h, type] : sizes) a.Add(SolidFormat(w, h, type, type == ctTrueAlpha ? Red : 0, 0));
    return a;
}

// A W x W format fully transparent except one opaque pixel of Colour at (X, Y).
TIconImageArray Dot(int w, int x, int y, TColor colour)
{
    TIconImageArray a;
    TIconImageRec f = SolidFormat(w, w, ctTrueAlpha, White, 255);
    f.Bitmap->SetPixel(x, y, colour);
    f.Mask->SetPixel(x, y, 0);
    a.Add(std::move(f));
    return a;
}

// Where the mix of size 0 is opaque, as "x,y" texts.
std::vector<std::string> OpaquePixels(TIconMixer& mixer)
{
    const TIconImageRec mix = mixer.MixedFormat(0);
    std::vector<std::string> out;
    for (int y = 0; y < mix.Height; ++y)
        for (int x = 0; x < mix.Width; ++x)
            if (mix.Mask->Byte0(x, y) == 0) out.push_back(std::to_string(x) + "," + std::to_string(y));
    return out;
}

} // namespace

TEST(IconMixer, SharedSizesFollowTheFirstItemWithTheBestFormatOfEach)
{
    const TIconImageArray a = Formats({{16, 16, ctTrueAlpha}, {48, 48, ctColors16}, {32, 32, ctTrueAlpha}, {48, 48, ctTrueAlpha}});
    const TIconImageArray b = Formats({{32, 32, ctTrueAlpha}, {48, 48, ctTrueColor}, {32, 32, ctTrueAlpha}});
    TIconMixer mixer;
    mixer.AddItem(QStringLiteral("A"), a);
    mixer.AddItem(QStringLiteral("B"), b);
    ASSERT_TRUE(mixer.FindCommonSizes());
    ASSERT_EQ(mixer.SizeCount(), 2);
    EXPECT_EQ(mixer.SizeWidth(0), 48); // first met in A
    EXPECT_EQ(mixer.SizeWidth(1), 32);
    EXPECT_EQ(mixer.Items[0].Selection, (std::vector<int32_t>{3, 2})); // 48 at 32 bits, not 4 bits
    EXPECT_EQ(mixer.Items[1].Selection, (std::vector<int32_t>{1, 0})); // of two 32-bit, the first
    EXPECT_EQ(mixer.ViewHeight(), 48 + 22 + 32 + 22);

    // Reordering keeps size k the same size.
    ASSERT_TRUE(mixer.MoveLayer(0, 1));
    EXPECT_EQ(mixer.Items[0].Name, QStringLiteral("B"));
    EXPECT_EQ(mixer.SizeWidth(0), 48);
    EXPECT_EQ(mixer.MixedFormat(1).Width, 32);
    EXPECT_EQ(mixer.MixedFormat(1).ColorType, ctTrueAlpha);
}

TEST(IconMixer, NothingSharedOrNoFormats)
{
    const TIconImageArray a = Formats({{16, 16, ctTrueAlpha}});
    const TIconImageArray none;
    TIconMixer mixer;
    mixer.AddItem(QStringLiteral("A"), a);
    EXPECT_TRUE(mixer.FindCommonSizes()); // one item: nothing to do
    mixer.AddItem(QStringLiteral("B"), none);
    EXPECT_FALSE(mixer.Items[1].Thumbnail);
    ASSERT_TRUE(mixer.Items[0].Thumbnail);
    EXPECT_FALSE(mixer.FindCommonSizes());
    EXPECT_EQ(mixer.SizeCount(), 0);
    EXPECT_EQ(mixer.ViewHeight(), 0);
}

TEST(IconMixer, FrontLayerHidesTheOnesBehindAndOpacityFades)
{
    // A: left half opaque red, right half transparent. B: all opaque blue.
    TIconImageArray a;
    {
        TIconImageRec f = SolidFormat(4, 4, ctTrueAlpha, Red, 0);
        for (int y = 0; y < 4; ++y)
            for (int x = 2; x < 4; ++x) f.Mask->SetPixel(x, y, White);
        a.Add(std::move(f));
    }
    TIconImageArray b = Formats({{4, 4, ctColors16}});
    b[0].Bitmap->Fill(MakeColor(4, 0, 0)); // palette index 4: the default 16-colour blue? read it back
    const TColor bColour = PaletteColor(b[0].Bitmap->Pixel(0, 0), &b[0].Palette);

    struct Case {
        int Opacity;
        TColor Left;
        int LeftMask;
    };
    const Case cases[] = {
        {255, Red, 0},      // A in front
        {0, bColour, 0},    // A gone: only B
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Opacity);
        TIconMixer mixer;
        mixer.AddItem(QStringLiteral("A"), a);
        mixer.AddItem(QStringLiteral("B"), b);
        ASSERT_TRUE(mixer.FindCommonSizes());
        mixer.SetOpacity(0, c.Opacity);
        const TIconImageRec mix = mixer.MixedFormat(0);
        EXPECT_EQ(mix.Bitmap->Pixel(0, 0), c.Left);
        EXPECT_EQ(mix.Mask->Byte0(0, 0), c.LeftMask);
        EXPECT_EQ(mix.Bitmap->Pixel(3, 3), bColour); // where A is transparent B shows
        EXPECT_EQ(mix.Mask->Byte0(3, 3), 0);
    }

    // Half opacity on a layer alone: its colour stays, its mask is half transparent.
    TIconMixer alone;
    alone.AddItem(QStringLiteral("A"), a);
    alone.AddItem(QStringLiteral("A2"), a);
    ASSERT_TRUE(alone.FindCommonSizes());
    alone.SetOpacity(0, 128);
    alone.SetOpacity(1, 0);
    const TIconImageRec half = alone.MixedFormat(0);
    EXPECT_EQ(half.Bitmap->Pixel(0, 0), Red);
    EXPECT_NEAR(half.Mask->Byte0(0, 0), 127, 1);
    EXPECT_EQ(half.Mask->Byte0(3, 0), 255);
}

TEST(IconMixer, TransformsRunInTheirOrder)
{
    const TIconImageArray dot = Dot(4, 3, 0, Red); // top-right corner
    const TIconImageArray empty = Dot(4, 0, 0, White);
    struct Case {
        const char* What;
        void (*Set)(TMixerItem&);
        std::vector<std::string> Opaque;
    };
    const Case cases[] = {
        {"none", [](TMixerItem&) {}, {"3,0"}},
        {"flip vertical", [](TMixerItem& i) { i.FlipVertical = 1; }, {"3,3"}},
        {"flip horizontal", [](TMixerItem& i) { i.FlipHorizontal = 1; }, {"0,0"}},
        {"both flips", [](TMixerItem& i) { i.FlipVertical = i.FlipHorizontal = 1; }, {"0,3"}},
        {"a quarter turn counter-clockwise", [](TMixerItem& i) { i.Angle = 90; }, {"0,0"}},
        {"flip before the turn", [](TMixerItem& i) { i.FlipHorizontal = 1; i.Angle = 90; }, {"0,3"}},
        {"shift after the turn", [](TMixerItem& i) { i.Angle = 90; i.OffsetX = 1; i.OffsetY = 2; }, {"1,2"}},
        {"shifted out", [](TMixerItem& i) { i.OffsetX = 1; }, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        TIconMixer mixer;
        mixer.AddItem(QStringLiteral("dot"), dot);
        mixer.AddItem(QStringLiteral("empty"), empty);
        ASSERT_TRUE(mixer.FindCommonSizes());
        mixer.Items[1].Opacity = 0;
        c.Set(mixer.Items[0]);
        EXPECT_EQ(OpaquePixels(mixer), c.Opaque);
    }
}

TEST(IconMixer, ZoomGrowsFromTheCentreAndShrinksToTheCorner)
{
    // An 8 x 8 picture with an opaque 4 x 4 centre.
    TIconImageArray centre;
    {
        TIconImageRec f = SolidFormat(8, 8, ctTrueAlpha, Blue, 255);
        for (int y = 2; y < 6; ++y)
            for (int x = 2; x < 6; ++x) f.Mask->SetPixel(x, y, 0);
        centre.Add(std::move(f));
    }
    TIconMixer mixer;
    mixer.AddItem(QStringLiteral("c"), centre);
    mixer.AddItem(QStringLiteral("c2"), centre);
    ASSERT_TRUE(mixer.FindCommonSizes());
    mixer.Items[1].Opacity = 0;

    auto opaqueCount = [&] { return int(OpaquePixels(mixer).size()); };
    EXPECT_EQ(opaqueCount(), 16);
    mixer.Items[0].Zoom = 4; // 16 x 16, centre window: the opaque 8 x 8 fills the whole layer
    EXPECT_EQ(opaqueCount(), 64);
    mixer.Items[0].Zoom = -2; // 4 x 4 at (2, 2): opaque 2 x 2 in its middle
    EXPECT_EQ(OpaquePixels(mixer), (std::vector<std::string>{"3,3", "4,3", "3,4", "4,4"}));

    // No zoom at all breaks anything: far in, far out, the 2-pixel limit, leaving the layer.
    for (int z : {-3, -4, -5, -6, -8, -9, -100, -100000, 1, 3, 500, 100000}) {
        SCOPED_TRACE(z);
        mixer.Items[0].Zoom = z;
        const TIconImageRec mix = mixer.MixedFormat(0);
        EXPECT_EQ(mix.Width, 8);
    }
    mixer.Items[0].Zoom = -100;
    EXPECT_EQ(opaqueCount(), 0);
}

TEST(IconMixer, SettingsAndTheirBounds)
{
    const TIconImageArray a = Formats({{16, 16, ctTrueAlpha}});
    TIconMixer mixer;
    mixer.AddItem(QStringLiteral("A"), a);
    mixer.AddItem(QStringLiteral("B"), a);

    std::vector<int> angles;
    for (int i = 0; i < 4; ++i) {
        mixer.Rotate90CW(0);
        angles.push_back(mixer.Items[0].Angle);
    }
    EXPECT_EQ(angles, (std::vector<int>{270, 180, 90, 0}));
    mixer.Rotate90CCW(0);
    EXPECT_EQ(mixer.Items[0].Angle, 90);

    for (int i = 0; i < 300; ++i) mixer.MoveUp(0);
    EXPECT_EQ(mixer.Items[0].OffsetY, -256);
    for (int i = 0; i < 600; ++i) mixer.MoveDown(0);
    EXPECT_EQ(mixer.Items[0].OffsetY, 256);
    for (int i = 0; i < 300; ++i) mixer.MoveLeft(0);
    EXPECT_EQ(mixer.Items[0].OffsetX, -256);
    for (int i = 0; i < 600; ++i) mixer.MoveRight(0);
    EXPECT_EQ(mixer.Items[0].OffsetX, 256);

    EXPECT_FALSE(mixer.MoveUp(-1)); // no selected item: nothing
    EXPECT_FALSE(mixer.ZoomIn(2));
    EXPECT_FALSE(mixer.MoveLayer(0, -1)); // "Forward Order" on the first
    EXPECT_FALSE(mixer.MoveLayer(1, 2));  // "Backward Order" on the last

    mixer.ToggleFlipHorizontal(1);
    mixer.ToggleFlipVertical(1);
    mixer.ToggleFlipVertical(1);
    EXPECT_EQ(mixer.Items[1].FlipHorizontal, 1);
    EXPECT_EQ(mixer.Items[1].FlipVertical, 0);
    mixer.SetOpacity(1, 999);
    EXPECT_EQ(mixer.Items[1].Opacity, 255);

    // Data and thumbnails travel with their layer.
    const Bitmap24* thumbA = mixer.Items[0].Thumbnail.get();
    ASSERT_TRUE(mixer.MoveLayer(0, 1));
    EXPECT_EQ(mixer.Items[1].Thumbnail.get(), thumbA);
    EXPECT_EQ(mixer.Items[1].OffsetX, 256);
}

TEST(IconMixer, OpacityBar)
{
    struct Case {
        int X;
        int Opacity;
    };
    for (const Case& c : {Case{-1, -1}, Case{0, 0}, Case{134, 254}, Case{135, 255}, Case{400, 255}, Case{67, 127}}) {
        SCOPED_TRACE(c.X);
        EXPECT_EQ(OpacityAtBar(c.X, 135), c.Opacity);
    }
    EXPECT_EQ(OpacityMarkerLeft(0, 135), 0);
    EXPECT_EQ(OpacityMarkerLeft(255, 135), 134);

    const Bitmap24 bar = MakeOpacityBar(135, 20);
    ASSERT_EQ(bar.Width(), 135);
    EXPECT_EQ(bar.Pixel(134, 0), 0u); // black at the right
    // At the left a light checkerboard: k = 134, g = 254.
    // Bit 2 of 134 is 1: row 0 (bit 2 clear) is the light square, row 4 the darker.
    EXPECT_EQ(bar.Pixel(0, 0), MakeColor(255 * 254 >> 8, 255 * 254 >> 8, 255 * 254 >> 8));
    EXPECT_EQ(bar.Pixel(0, 4), MakeColor(220 * 254 >> 8, 220 * 254 >> 8, 220 * 254 >> 8));
}

TEST(IconMixer, NamesThumbnailsAndCaption)
{
    EXPECT_EQ(MixerItemName(QStringLiteral("a.ico"), QStringLiteral("lib")), QStringLiteral("a.ico"));
    EXPECT_EQ(MixerItemName(QString(), QStringLiteral("lib")), QStringLiteral("lib"));
    EXPECT_EQ(MixerItemName(QString(), QString()), QStringLiteral("QV Icon"));

    struct Case {
        const char* What;
        TIconImageArray Images;
        int Chosen;
    };
    Case cases[] = {
        {"none", Formats({}), -1},
        {"one", Formats({{16, 16, ctColors2}}), 0},
        {"32 at 32 bits over 24 bits", Formats({{32, 32, ctTrueColor}, {32, 32, ctTrueAlpha}, {48, 48, ctTrueAlpha}}), 1},
        {"the last 24-bit", Formats({{32, 32, ctTrueColor}, {32, 32, ctColors256}, {32, 32, ctTrueColor}}), 2},
        {"first larger than 32", Formats({{16, 16, ctTrueAlpha}, {48, 48, ctColors16}, {64, 64, ctTrueAlpha}}), 1},
        {"at least 24", Formats({{16, 16, ctTrueAlpha}, {24, 24, ctColors16}, {24, 24, ctColors256}}), 2},
        {"small ones: the first", Formats({{16, 16, ctColors2}, {16, 16, ctColors2}}), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        EXPECT_EQ(ChooseThumbnailImage(c.Images), c.Chosen);
    }

    const TIconImageArray a = Formats({{16, 16, ctTrueAlpha}});
    TIconMixer mixer;
    mixer.AddItem(QStringLiteral("Icon1"), a);
    mixer.AddItem(QStringLiteral("Icon2"), a);
    EXPECT_EQ(mixer.MixCaption(), QStringLiteral("Mixer Icon(Icon1 Icon2 )"));
    // A 16 x 16 thumbnail sits 1:1 in the middle of 32 x 32 on white.
    EXPECT_EQ(mixer.Items[0].Thumbnail->Pixel(8, 8), Red);
    EXPECT_EQ(mixer.Items[0].Thumbnail->Pixel(7, 7), White);
}

namespace {

// Three sizes of a picture whose colours and transparency change from pixel to pixel, so a layer
// picture kept from an earlier setting shows in the mix.
TIconImageArray Patterned(int seed)
{
    TIconImageArray a;
    for (int side : {8, 16, 32}) {
        TIconImageRec f = SolidFormat(side, side, ctTrueAlpha, White, 255);
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) {
                f.Bitmap->SetPixel(x, y, MakeColor((x * 37 + seed * 50) & 255, (y * 53 + seed) & 255, (x * y + seed * 9) & 255));
                const int t = ((x * (seed + 3) + y * 5) * 7) & 255;
                f.Mask->SetPixel(x, y, MakeColor(t, t, t));
            }
        a.Add(std::move(f));
    }
    return a;
}

// Every size's mix from a mixer that has never mixed, with Kept's layers and settings.
std::vector<TIconImageRec> FreshMixes(const TIconMixer& kept)
{
    TIconMixer fresh;
    for (const TMixerItem& it : kept.Items) fresh.AddItem(it.Name, *it.Images);
    EXPECT_TRUE(fresh.FindCommonSizes());
    for (size_t i = 0; i < kept.Items.size(); ++i) CopyMixerSettings(kept.Items[i], fresh.Items[i]);
    std::vector<TIconImageRec> out;
    for (int k = 0; k < fresh.SizeCount(); ++k) out.push_back(fresh.MixedFormat(k));
    return out;
}

} // namespace

TEST(IconMixer, KeptLayerPicturesMixLikeAFreshMixerAfterEveryChange)
{
    const TIconImageArray a = Patterned(0), b = Patterned(1), c = Patterned(2);
    TIconImageArray d = Formats({{8, 8, ctColors16}, {16, 16, ctColors16}, {32, 32, ctColors16}});
    for (int i = 0; i < d.Count(); ++i)
        for (int y = 0; y < d[i].Height; ++y)
            for (int x = 0; x < d[i].Width; ++x) {
                d[i].Bitmap->SetPixel(x, y, MakeColor((x + y) % 16, 0, 0));
                d[i].Mask->SetPixel(x, y, (x / 3 + y) % 2 ? White : 0);
            }
    TIconMixer mixer;
    mixer.AddItem(QStringLiteral("a"), a);
    mixer.AddItem(QStringLiteral("b"), b);
    mixer.AddItem(QStringLiteral("c"), c);
    mixer.AddItem(QStringLiteral("d"), d);
    ASSERT_TRUE(mixer.FindCommonSizes());
    ASSERT_EQ(mixer.SizeCount(), 3);

    struct Step {
        const char* What;
        void (*Change)(TIconMixer&);
    };
    const Step steps[] = {
        {"as opened", [](TIconMixer&) {}},
        {"front layer moved", [](TIconMixer& m) { m.MoveRight(0); m.MoveDown(0); m.MoveDown(0); }},
        {"second layer turned", [](TIconMixer& m) { m.SetAngle(1, 33); }},
        {"third layer zoomed in", [](TIconMixer& m) { m.ZoomIn(2); m.ZoomIn(2); m.ZoomIn(2); }},
        {"front layer zoomed out", [](TIconMixer& m) { for (int i = 0; i < 5; ++i) m.ZoomOut(0); }},
        {"palette layer flipped", [](TIconMixer& m) { m.ToggleFlipHorizontal(3); m.ToggleFlipVertical(3); }},
        {"second layer faded", [](TIconMixer& m) { m.SetOpacity(1, 90); }},
        {"front layer sent back", [](TIconMixer& m) { m.MoveLayer(0, 1); }},
        {"back layers swapped", [](TIconMixer& m) { m.MoveLayer(3, 2); }},
        {"turned layer shifted and turned a quarter", [](TIconMixer& m) { m.MoveLeft(0); m.Rotate90CW(0); }},
        {"turn undone", [](TIconMixer& m) { m.SetAngle(0, 0); }},
        {"shift undone", [](TIconMixer& m) { m.MoveLeft(1); m.MoveUp(1); m.MoveUp(1); }},
        {"setting changed directly", [](TIconMixer& m) { m.Items[2].Zoom = -20; m.Items[3].OffsetX = 40; }},
        {"a layer gone", [](TIconMixer& m) { m.SetOpacity(3, 0); }},
    };
    std::vector<TIconImageRec> before;
    int changedSteps = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.What);
        step.Change(mixer);
        // The dialog's way: every size into the one view record, then the mix as a format.
        for (int k = 0; k < mixer.SizeCount(); ++k) mixer.MixSize(k, mixer.MixView);
        const std::vector<TIconImageRec> fresh = FreshMixes(mixer);
        ASSERT_EQ(int(fresh.size()), mixer.SizeCount());
        bool changed = false;
        for (int k = 0; k < mixer.SizeCount(); ++k) {
            SCOPED_TRACE(k);
            const TIconImageRec kept = mixer.MixedFormat(k);
            ASSERT_EQ(kept.Width, fresh[size_t(k)].Width);
            EXPECT_TRUE(*kept.Bitmap == *fresh[size_t(k)].Bitmap);
            EXPECT_TRUE(*kept.Mask == *fresh[size_t(k)].Mask);
            if (!before.empty() && !(*kept.Bitmap == *before[size_t(k)].Bitmap && *kept.Mask == *before[size_t(k)].Mask))
                changed = true;
        }
        if (changed) ++changedSteps;
        before.clear();
        for (int k = 0; k < mixer.SizeCount(); ++k) before.push_back(mixer.MixedFormat(k));
    }
    // Every step after the first changes the mix (the sequence really exercises the kept pictures).
    EXPECT_EQ(changedSteps, int(std::size(steps)) - 1);

    // Forgetting the kept pictures changes nothing either.
    const TIconImageRec kept = mixer.MixedFormat(2);
    mixer.ForgetPictures();
    const TIconImageRec afresh = mixer.MixedFormat(2);
    EXPECT_TRUE(*kept.Bitmap == *afresh.Bitmap);
    EXPECT_TRUE(*kept.Mask == *afresh.Mask);
}
