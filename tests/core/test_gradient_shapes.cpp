// The rectangle and ellipse renderer: which pixels each shape covers (border, fill, bands), the
// colour-type writing rules, the gradient strip indices and what happens at the image's edge.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "imaging/gradient_shapes.h"
#include "imaging/icon_image.h"

namespace {

constexpr TColor BorderColour = MakeColor(200, 0, 0);
constexpr TColor FillColour = MakeColor(0, 0, 200);

struct Target {
    Bitmap24 colour, mask;
    Target(int w, int h, TColor ground = MakeColor(10, 20, 30), uint8_t m = 255) : colour(w, h), mask(w, h)
    {
        colour.Fill(ground);
        mask.Fill(MakeColor(m, m, m));
    }
};

// A renderer of the given kind aimed at the target, with the test's border and fill colours.
std::unique_ptr<TGradientRect> Shape(bool ellipse, Target& target, int colorType, Rect rect, int shapeType, int border,
                                     int radius = 0)
{
    std::unique_ptr<TGradientRect> s =
        ellipse ? std::unique_ptr<TGradientRect>(new TGradientEllipse) : std::make_unique<TGradientRect>();
    s->ColorBitmap = &target.colour;
    s->MaskBitmap = &target.mask;
    s->ColorType = colorType;
    s->ShapeRect = rect;
    s->ShapeType = shapeType;
    s->BorderWidth = border;
    s->CornerRadius = radius;
    s->Color = BorderColour;
    s->FillColor = FillColour;
    s->AlphaColor = MakeColor(255, 255, 255);
    return s;
}

// Rows of the target: 'B' border colour, 'F' fill colour, '.' untouched, '?' anything else.
std::vector<std::string> Picture(const Target& t, TColor ground = MakeColor(10, 20, 30))
{
    std::vector<std::string> rows;
    for (int y = 0; y < t.colour.Height(); ++y) {
        std::string row;
        for (int x = 0; x < t.colour.Width(); ++x) {
            const TColor c = t.colour.Pixel(x, y);
            row += c == BorderColour ? 'B' : c == FillColour ? 'F' : c == ground ? '.' : '?';
        }
        rows.push_back(row);
    }
    return rows;
}

std::string Joined(const std::vector<std::string>& rows)
{
    std::string s;
    for (const auto& r : rows) s += r + "\n";
    return s;
}

} // namespace

TEST(GradientShapes, RegionsOfOpaqueShapes)
{
    struct Case {
        const char* name;
        bool ellipse;
        Rect rect;
        int shapeType, border, radius;
        std::vector<std::string> picture;
    };
    const std::vector<Case> cases = {
        {"square corners: border exactly inside the rectangle",
         false, {1, 1, 7, 6}, stOutlineAndFill, 1, 0,
         {"........", ".BBBBBB.", ".BFFFFB.", ".BFFFFB.", ".BFFFFB.", ".BBBBBB.", "........"}},
        {"outline only keeps the interior", false, {1, 1, 7, 6}, stOutline, 2, 0,
         {"........", ".BBBBBB.", ".BBBBBB.", ".BB..BB.", ".BBBBBB.", ".BBBBBB.", "........"}},
        {"fill only paints the border area in the fill colour", false, {1, 1, 7, 6}, stFill, 2, 0,
         {"........", ".FFFFFF.", ".FFFFFF.", ".FFFFFF.", ".FFFFFF.", ".FFFFFF.", "........"}},
        {"narrower than twice the border is all border", false, {2, 0, 5, 7}, stOutlineAndFill, 2, 0,
         {"..BBB...", "..BBB...", "..BBB...", "..BBB...", "..BBB...", "..BBB...", "..BBB..."}},
        {"no border: all fill, even with square corners", false, {0, 0, 3, 2}, stOutlineAndFill, 0, 0,
         {"FFF.....", "FFF.....", "........", "........", "........", "........", "........"}},
        {"inverted rectangle is normalised", false, {7, 6, 1, 1}, stOutlineAndFill, 1, 0,
         {"........", ".BBBBBB.", ".BFFFFB.", ".BFFFFB.", ".BFFFFB.", ".BBBBBB.", "........"}},
        {"dragged past the edge: border on the image edge", false, {-5, 3, 20, 30}, stOutlineAndFill, 1, 0,
         {"........", "........", "........", "BBBBBBBB", "BFFFFFFB", "BFFFFFFB", "BBBBBBBB"}},
        {"rounded corners cut by their circles", false, {0, 0, 8, 7}, stOutlineAndFill, 1, 3,
         {"..BBBB..", ".BFFFFB.", "BFFFFFFB", "BFFFFFFB", "BFFFFFFB", ".BFFFFB.", "..BBBB.."}},
        {"ellipse of width 2 is all border", true, {0, 0, 2, 5}, stOutlineAndFill, 1, 0,
         {"BB......", "BB......", "BB......", "BB......", "BB......", "........", "........"}},
        // Semi-axes 3 and 2.5 around (3.5, 3): the outer band pixels at t <= 127 are painted.
        {"ellipse with its border on the curve", true, {0, 0, 8, 7}, stOutlineAndFill, 1, 0,
         {"........", "..BBBB..", ".BFFFFB.", "BBFFFFBB", ".BFFFFB.", "..BBBB..", "........"}},
        // Border width 0 is no border at all, as on the rectangle: no ring along the curve.
        {"ellipse outline without a border draws nothing", true, {0, 0, 8, 7}, stOutline, 0, 0,
         {"........", "........", "........", "........", "........", "........", "........"}},
        {"ellipse without a border is its fill alone", true, {0, 0, 8, 7}, stOutlineAndFill, 0, 0,
         {"........", ".FFFFFF.", ".FFFFFF.", ".FFFFFF.", ".FFFFFF.", ".FFFFFF.", "........"}},
        {"thin ellipse without a border is fill too", true, {0, 0, 1, 4}, stOutlineAndFill, 0, 0,
         {"F.......", "F.......", "F.......", "F.......", "........", "........", "........"}},
    };
    for (const Case& c : cases) {
        Target t(8, 7);
        Shape(c.ellipse, t, ctTrueColor, c.rect, c.shapeType, c.border, c.radius)->Render();
        EXPECT_EQ(Joined(Picture(t)), Joined(c.picture)) << c.name;
        // Every painted pixel of a 24-bit format is opaque, every other keeps its mask.
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 8; ++x)
                EXPECT_EQ(t.mask.Byte0(x, y), c.picture[size_t(y)][size_t(x)] == '.' ? 255 : 0) << c.name;
    }
}

TEST(GradientShapes, EllipseGeometryAndItsRegions)
{
    Target t(10, 10);
    TGradientEllipse e;
    e.ColorBitmap = &t.colour;
    e.MaskBitmap = &t.mask;
    e.ColorType = ctTrueColor;
    e.BorderWidth = 1;
    e.ShapeRect = {0, 0, 3, 3};
    e.Render();
    EXPECT_DOUBLE_EQ(e.SemiA, 0.5);
    EXPECT_DOUBLE_EQ(e.EllipseCX, 1.0);
    // An ellipse half outside keeps the geometry of its whole rectangle.
    e.ShapeRect = {-10, 2, 10, 8};
    e.Render();
    EXPECT_DOUBLE_EQ(e.EllipseCX, -0.5);
    EXPECT_DOUBLE_EQ(e.SemiA, 9.0);
    EXPECT_EQ(e.ShapeRect, (Rect{0, 2, 10, 8}));
    int tr = 0;
    EXPECT_EQ(e.PixelRegion(0, 5, tr), rgInterior);
    EXPECT_EQ(e.PixelRegion(9, 2, tr), rgOutside);
    EXPECT_EQ(tr, 255);
}

TEST(GradientShapes, AntiAliasedBandsOnlyOnTrueColour)
{
    // A rounded rectangle with a wide border has band pixels with partial coverage.
    struct Case {
        int colorType;
        uint8_t antiAlias;
        bool expectPartial;
    };
    for (const Case& c : std::vector<Case>{{ctTrueColor, 1, true}, {ctTrueColor, 0, false}, {ctColors16, 1, false},
                                           {ctColors256, 1, false}}) {
        Target t(20, 20, MakeColor(0, 0, 0));
        auto s = Shape(false, t, c.colorType, {0, 0, 20, 20}, stOutline, 3, 8);
        s->AntiAlias = c.antiAlias;
        s->Color = c.colorType == ctTrueColor ? MakeColor(255, 255, 255) : MakeColor(9, 0, 0);
        s->Render();
        bool partial = false, full = false;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) {
                const TColor p = t.colour.Pixel(x, y);
                if (p != 0 && p != s->Color) partial = true;
                if (p == s->Color) full = true;
                if (p == 0) EXPECT_EQ(t.mask.Byte0(x, y), 255);
            }
        EXPECT_TRUE(full) << c.colorType;
        EXPECT_EQ(partial, c.expectPartial) << c.colorType << " aa " << int(c.antiAlias);
    }
}

TEST(GradientShapes, PaletteFormatsWriteIndicesWithinThePalette)
{
    struct Case {
        int colorType;
        TColor colour;
        uint8_t expected;
    };
    for (const Case& c : std::vector<Case>{{ctColors2, MakeColor(3, 0, 0), 1},
                                           {ctColors16, MakeColor(0x1F, 5, 5), 0x0F},
                                           {ctColors256, MakeColor(200, 0, 0), 200}}) {
        Target t(4, 4);
        auto s = Shape(false, t, c.colorType, {0, 0, 4, 4}, stOutline, 1);
        s->Color = c.colour;
        s->Render();
        EXPECT_EQ(t.colour.Pixel(0, 0), MakeColor(c.expected, 0, 0)) << c.colorType;
        EXPECT_EQ(t.mask.Pixel(0, 0), 0u);
        EXPECT_EQ(t.colour.Pixel(1, 1), MakeColor(10, 20, 30));
    }
}

TEST(GradientShapes, TrueColourWithAlphaComposites)
{
    struct Case {
        const char* name;
        TColor alpha;  // the colour window's alpha as a grey value
        uint8_t oldMask;
        TColor colour;
        uint8_t mask;
    };
    const std::vector<Case> cases = {
        // Transparent state: every covered pixel becomes white and fully transparent.
        {"transparent alpha", 0, 0, MakeColor(255, 255, 255), 255},
        {"opaque over transparent", MakeColor(255, 255, 255), 255, FillColour, 0},
        // a_src = 128/255 over nothing: colour as is, mask 255 - 128.
        {"half over transparent", MakeColor(128, 128, 128), 255, FillColour, 127},
        // Half over opaque ground (10, 20, 30): 10 * 127/255 + 0 = 4.98 -> 5, 20 -> 9.96 -> 10,
        // 30 * 127/255 + 200 * 128/255 = 115.3 -> 115.
        {"half over opaque", MakeColor(128, 128, 128), 0, MakeColor(5, 10, 115), 0},
    };
    for (const Case& c : cases) {
        Target t(3, 3, MakeColor(10, 20, 30), c.oldMask);
        auto s = Shape(false, t, ctTrueAlpha, {0, 0, 3, 3}, stFill, 0);
        s->AlphaColor = c.alpha;
        s->Render();
        EXPECT_EQ(t.colour.Pixel(1, 1), c.colour) << c.name;
        EXPECT_EQ(t.mask.Pixel(1, 1), MakeColor(c.mask, c.mask, c.mask)) << c.name;
    }
}

TEST(GradientShapes, GradientStripIndices)
{
    // Each strip entry names its own index: red low byte, green high byte, blue 7.
    Bitmap24 strip(512, 1);
    for (int i = 0; i < 512; ++i) strip.SetPixel(i, 0, MakeColor(i & 0xFF, i >> 8, 7));
    auto index = [](TColor c) { return ColorB(c) == 7 ? ColorR(c) + 256 * ColorG(c) : -1; };

    struct Probe {
        int x, y, index;
    };
    struct Case {
        const char* name;
        int mode;
        std::vector<Probe> probes;
    };
    // The rectangle (0, 0, 20, 10), border 1: inner x 1..18, y 1..8, centre (10, 5).
    const std::vector<Case> cases = {
        {"horizontal", fmHorizontal, {{1, 4, 0}, {18, 4, 511}, {0, 4, 0}, {19, 4, 511}, {10, 2, 270}}},
        // 511 * (y - 1) div max(10 - 2, 1)
        {"vertical", fmVertical, {{5, 1, 0}, {5, 8, 447}, {5, 9, 511}, {5, 0, 0}}},
        // max(511 * |x - 10| div 8, 511 * |y - 5| div 3)
        {"box", fmBox, {{10, 5, 0}, {14, 5, 255}, {10, 8, 511}, {2, 5, 511}, {12, 6, 170}}},
        // round(511 * dist / sqrt(8^2 + 3^2))
        {"radial", fmRadial, {{10, 5, 0}, {18, 8, 511}, {13, 5, 179}, {0, 0, 511}}},
    };
    for (const Case& c : cases) {
        Target t(20, 10);
        auto s = Shape(false, t, ctTrueColor, {0, 0, 20, 10}, stFill, 1);
        s->FillMode = c.mode;
        s->GradientStrip = &strip;
        s->Render();
        for (const Probe& p : c.probes)
            EXPECT_EQ(index(t.colour.Pixel(p.x, p.y)), p.index) << c.name << " at " << p.x << "," << p.y;
    }

    // No strip: a gradient mode falls back to the solid fill; an unknown mode draws nothing.
    Target t(4, 4);
    auto s = Shape(false, t, ctTrueColor, {0, 0, 4, 4}, stFill, 1);
    s->FillMode = fmRadial;
    s->Render();
    EXPECT_EQ(t.colour.Pixel(2, 2), FillColour);
    Target u(4, 4);
    auto v = Shape(false, u, ctTrueColor, {0, 0, 4, 4}, stFill, 1);
    v->FillMode = 5;
    v->GradientStrip = &strip;
    v->Render();
    EXPECT_EQ(u.colour.Pixel(2, 2), MakeColor(10, 20, 30));
}

TEST(GradientShapes, MissingOrMismatchedBitmapsAreSafe)
{
    TGradientRect none;
    none.ShapeRect = {0, 0, 10, 10};
    none.Render(); // no bitmaps: nothing to do

    // The mask smaller than the colour bitmap: nothing beyond the smaller one is touched.
    Bitmap24 colour(6, 6), mask(3, 4);
    TGradientEllipse e;
    e.ColorBitmap = &colour;
    e.MaskBitmap = &mask;
    e.ColorType = ctTrueAlpha;
    e.AlphaColor = MakeColor(255, 255, 255);
    e.ShapeType = stFill;
    e.ShapeRect = {-300, -300, 300, 300};
    e.BorderWidth = 15;
    e.Render();
    EXPECT_EQ(e.ShapeRect, (Rect{0, 0, 3, 4}));
    EXPECT_EQ(colour.Pixel(5, 5), MakeColor(255, 255, 255));
}
