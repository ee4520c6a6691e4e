// The tools' options without the window: defaults and ranges, the track bars' last-seen rule, the
// palette formats' refusals for every colour type, announcing formats, the text tool's lock, the
// text placement, the shape pages' rules and the gradient editor's handles, presets and mirror.
#include <gtest/gtest.h>

#include "imaging/icon_image.h"

#include "model/font_families.h"
#include "model/tool_settings.h"
#include "model/tool_settings_gradient.h"

TEST(ToolSettings, DefaultsAndRangesOfEveryOption)
{
    const TToolSettings s;
    EXPECT_EQ(s.ToolId, tiNone);
    struct Row {
        TToolTrack track;
        int value;
        int min, max, def;
    };
    const Row rows[] = {
        {ttPencilSize, s.PencilSize, 1, 15, 1},         {ttBrushSize, s.BrushSize, 1, 7, 3},
        {ttBrushGradient, s.BrushGradient, 1, 255, 32}, {ttEraserSize, s.EraserSize, 1, 15, 1},
        {ttBucketTolerance, s.BucketTolerance, 0, 255, 32}, {ttLineSize, s.LineSize, 1, 15, 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.track);
        EXPECT_EQ(r.value, r.def);
        EXPECT_EQ(TrackRange(r.track).Min, r.min);
        EXPECT_EQ(TrackRange(r.track).Max, r.max);
        EXPECT_EQ(s.LastSeen[size_t(r.track)], r.def);
        TToolSettings t;
        t.SetTrack(r.track, r.max + 1000);
        EXPECT_EQ(t.Track(r.track), r.max);
        t.SetTrack(r.track, -1000);
        EXPECT_EQ(t.Track(r.track), r.min);
    }
    EXPECT_FALSE(s.LineAntiAlias);
    EXPECT_EQ(s.TextText, QStringLiteral("Hello"));
    EXPECT_FALSE(s.TextAntiAlias);
    EXPECT_EQ(s.TextX, 0);
    EXPECT_EQ(s.TextY, 0);
    EXPECT_EQ(s.TextW, 32);
    EXPECT_EQ(s.TextH, 32);
    EXPECT_EQ(s.TextAngle, 0);
    for (const TShapeOptions* shape : {&s.Rect, &s.Ellipse}) {
        EXPECT_EQ(shape->Type, stOutlineAndFill);
        EXPECT_TRUE(shape->AntiAlias);
        EXPECT_EQ(shape->BorderSize, 1);
        EXPECT_EQ(shape->Round, 0);
        EXPECT_TRUE(shape->Gradient);
        EXPECT_EQ(shape->Style, 1);
        EXPECT_EQ(shape->FillColor, 0xFFFFFFu);
        // The first preset: white at the left end to blue at the right.
        ASSERT_EQ(shape->Strip.Width(), 512);
        EXPECT_EQ(shape->Strip.Pixel(0, 0), 0xFFFFFFu);
        EXPECT_EQ(shape->Strip.Pixel(511, 0), 0xFF0000u);
    }
    EXPECT_EQ(s.GradientMode, gmVertical);
    EXPECT_EQ(s.LastDocument, nullptr);
    EXPECT_EQ(s.LastFormatIndex, -1);
    EXPECT_EQ(ToolRange::FontSize.Min, 3);
    EXPECT_EQ(ToolRange::FontSize.Max, 999);
    EXPECT_EQ(ToolRange::FontSize.Default, 8);
}

TEST(ToolSettings, ToolButtonsAndTheTextLock)
{
    TToolSettings s;
    TToolChange c = s.ToolButtonClicked(tiPencil, true);
    EXPECT_EQ(s.ToolId, tiPencil);
    EXPECT_FALSE(c.TextLockOn || c.TextLockOff);
    // Pressing the down button again raises it: no tool.
    c = s.ToolButtonClicked(tiPencil, false);
    EXPECT_EQ(s.ToolId, tiNone);

    c = s.ToolButtonClicked(tiText, true);
    EXPECT_TRUE(c.TextLockOn);
    // Every way out of the text tool releases the lock, with or without a document.
    c = s.ToolButtonClicked(tiBrush, true);
    EXPECT_TRUE(c.TextLockOff);
    EXPECT_FALSE(c.TextLockOn);
    s.ToolButtonClicked(tiText, true);
    c = s.ToolButtonClicked(tiText, false);
    EXPECT_TRUE(c.TextLockOff);
    EXPECT_EQ(s.ToolId, tiNone);
    s.ToolButtonClicked(tiText, true);
    c = s.EndTextTool();
    EXPECT_TRUE(c.TextLockOff);
    EXPECT_EQ(s.ToolId, tiNone);
    // Ending the text tool under another tool does nothing.
    s.ToolButtonClicked(tiLine, true);
    c = s.EndTextTool();
    EXPECT_FALSE(c.TextLockOff);
    EXPECT_EQ(s.ToolId, tiLine);
    // Ids that no button has are never stored.
    s.ToolButtonClicked(2, true);
    EXPECT_EQ(s.ToolId, tiNone);
}

TEST(ToolSettings, TrackBarsActOnlyOnANewPositionAndPaletteFormatsKeepTheBrushHard)
{
    TToolSettings s;
    EXPECT_TRUE(s.TrackMoved(ttPencilSize, 1, ctTrueAlpha).Ignored);
    TTrackOutcome o = s.TrackMoved(ttPencilSize, 9, ctTrueAlpha);
    EXPECT_TRUE(o.RedrawPreview);
    EXPECT_EQ(s.PencilSize, 9);
    EXPECT_EQ(s.LastSeen[ttPencilSize], 9);
    // The bucket has no preview.
    o = s.TrackMoved(ttBucketTolerance, 0, ctTrueAlpha);
    EXPECT_FALSE(o.RedrawPreview);
    EXPECT_EQ(s.BucketTolerance, 0);

    for (int32_t type : {ctColors2, ctColors16, ctColors256, ctTrueColor, ctTrueAlpha}) {
        SCOPED_TRACE(type);
        TToolSettings t;
        o = t.TrackMoved(ttBrushGradient, 100, type);
        const bool palette = type <= ctColors256;
        EXPECT_EQ(o.Refused, palette);
        EXPECT_EQ(t.BrushGradient, palette ? 255 : 100);
        EXPECT_EQ(t.LastSeen[ttBrushGradient], palette ? 255 : 100);
        // A hard brush is always accepted.
        o = t.TrackMoved(ttBrushGradient, palette ? 254 : 255, ctTrueAlpha);
        EXPECT_FALSE(o.Refused);
    }
}

TEST(ToolSettings, RefusalTableForEveryColourType)
{
    struct Row {
        TOptionControl control;
        int value;
        QString message;
        QString caption;
        TRefusalAfter after;
        TColorTypeSource source;
    };
    const QString aa = QStringLiteral(
        "Anti Aliasing is not supported in the current color mode, it's only available in 24 bits or 32 bits color.");
    const QString msg = QStringLiteral("Message");
    const Row rows[] = {
        {ocBrushGradient, 100, aa, QStringLiteral("Anti Aliasing"), raSoftnessBack255, csActiveFormat},
        {ocLineAntiAlias, 1, aa, QStringLiteral("Anti Aliasing"), raUncheck, csActiveFormat},
        {ocTextAntiAlias, 1, aa, QStringLiteral("Anti Aliasing"), raUncheckThenPaletteChanged, csActiveFormat},
        {ocEllipseType, 1, QStringLiteral("The selected type is only supported in 32 or 24 bits color."), msg,
         raPageRefresh, csColorPanel},
        {ocRectType, 1, QString(), QString(), raPageRefresh, csColorPanel},
        {ocEllipseGradient, 1, QStringLiteral("Gradient is only supported in 32 or 24 bits color."), msg,
         raPageRefresh, csColorPanel},
        {ocRectGradient, 1, QString(), QString(), raPageRefresh, csColorPanel},
        {ocEllipseAntiAlias, 1, QStringLiteral("Anti-Aliasing is only supported in 32 or 24 bits color."), msg,
         raPageRefresh, csColorPanel},
        {ocRectAntiAlias, 1, QStringLiteral("Anti-Aliasing is only supported in 32 or 24 bits color."), msg,
         raPageRefresh, csColorPanel},
        {ocRectSwatch, 0, QStringLiteral("In 256, 16, or 2 colors mode, the fill color is decided by color panel."),
         msg, raNothingElse, csColorPanel},
        {ocEllipseSwatch, 0, QStringLiteral("In 256, 16, or 2 colors mode, the fill color is decided by color panel."),
         msg, raNothingElse, csColorPanel},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.control);
        EXPECT_EQ(ColorTypeSourceOf(r.control), r.source);
        for (int32_t type = 1; type <= 5; ++type) {
            SCOPED_TRACE(type);
            const TRefusal f = CheckOptionChange(r.control, type, r.value);
            if (type >= ctTrueColor) {
                EXPECT_FALSE(f.Refused);
                continue;
            }
            EXPECT_TRUE(f.Refused);
            EXPECT_EQ(f.Message, r.message);
            EXPECT_EQ(f.Caption, r.caption);
            EXPECT_EQ(f.After, r.after);
        }
    }
    // What is allowed in every colour type: a hard brush, unchecking, the other shape types.
    for (int32_t type = 1; type <= 5; ++type) {
        EXPECT_FALSE(CheckOptionChange(ocBrushGradient, type, 255).Refused);
        EXPECT_FALSE(CheckOptionChange(ocLineAntiAlias, type, 0).Refused);
        EXPECT_FALSE(CheckOptionChange(ocEllipseType, type, 0).Refused);
        EXPECT_FALSE(CheckOptionChange(ocRectType, type, 2).Refused);
        EXPECT_FALSE(CheckOptionChange(ocEllipseGradient, type, 0).Refused);
    }
}

TEST(ToolSettings, AnnouncingFormats)
{
    TToolSettings s;
    int docA = 0, docB = 0;
    s.TrackMoved(ttBrushGradient, 40, ctTrueAlpha);
    s.LineAntiAlias = s.TextAntiAlias = true;
    s.Rect.Type = s.Ellipse.Type = stOutlineAndFill;
    s.Rect.Style = 3;
    s.ToolButtonClicked(tiText, true);

    TImageChange c = s.ActiveImageChanged(&docA, 0, ctTrueAlpha, 0x123456);
    EXPECT_FALSE(c.Ignored);
    EXPECT_FALSE(c.PaletteRulesApplied);
    EXPECT_TRUE(c.TextToolEnded);
    EXPECT_TRUE(c.CommitAllTexts);
    EXPECT_EQ(s.ToolId, tiNone);
    EXPECT_EQ(s.BrushGradient, 40);
    EXPECT_TRUE(s.LineAntiAlias);

    // The same document, format and colour type again: nothing at all.
    s.ToolButtonClicked(tiText, true);
    c = s.ActiveImageChanged(&docA, 0, ctTrueAlpha, 0);
    EXPECT_TRUE(c.Ignored);
    EXPECT_EQ(s.ToolId, tiText);
    // Another format of the same document ends the text tool without committing every document.
    c = s.ActiveImageChanged(&docA, 1, ctTrueAlpha, 0);
    EXPECT_TRUE(c.TextToolEnded);
    EXPECT_FALSE(c.CommitAllTexts);

    // A palette format: hard brush, no anti-aliasing, the shapes' palette rule, silently.
    c = s.ActiveImageChanged(&docB, 0, ctColors16, 0x0000FF);
    EXPECT_TRUE(c.PaletteRulesApplied);
    EXPECT_FALSE(c.TextToolEnded);
    EXPECT_EQ(s.BrushGradient, 255);
    EXPECT_EQ(s.LastSeen[ttBrushGradient], 255);
    EXPECT_FALSE(s.LineAntiAlias);
    EXPECT_FALSE(s.TextAntiAlias);
    for (const TShapeOptions* shape : {&s.Rect, &s.Ellipse}) {
        EXPECT_EQ(shape->Type, stOutline);
        EXPECT_FALSE(shape->Gradient);
        EXPECT_FALSE(shape->AntiAlias);
        EXPECT_EQ(shape->FillColor, 0x0Fu); // kept inside the 16-entry palette
    }
    EXPECT_EQ(s.GradientMode, gmSolid);
    // A new format 0 of another colour type at the same place (after a deletion) is announced.
    EXPECT_FALSE(s.ActiveImageChanged(&docB, 0, ctColors2, 1).Ignored);
    // A document that went away and one at the same address count as different documents.
    s.ForgetDocument(&docB);
    s.ToolButtonClicked(tiText, true);
    EXPECT_TRUE(s.ActiveImageChanged(&docB, 0, ctColors2, 1).CommitAllTexts);
}

TEST(ToolSettings, TextPlacementTakesOnlyWholeNumbers)
{
    TToolSettings s;
    EXPECT_TRUE(s.ApplyTextPlacement("10", " -5 ", "64", "48", "90"));
    EXPECT_EQ(s.TextX, 10);
    EXPECT_EQ(s.TextY, -5);
    EXPECT_EQ(s.TextW, 64);
    EXPECT_EQ(s.TextH, 48);
    EXPECT_EQ(s.TextAngle, 90);
    for (const char* bad : {"", "-", "1.5", "x", "12a"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(s.ApplyTextPlacement("1", "2", bad, "3", "4"));
        EXPECT_EQ(s.TextX, 10);
        EXPECT_EQ(s.TextW, 64);
    }
    // Out of range values are clamped; huge texts saturate.
    EXPECT_TRUE(s.ApplyTextPlacement("99999999999999999999", "-99999999999999999999", "1", "100000", "-7"));
    EXPECT_EQ(s.TextX, 100000);
    EXPECT_EQ(s.TextY, -100000);
    EXPECT_EQ(s.TextW, 4);
    EXPECT_EQ(s.TextH, 1000);
    EXPECT_EQ(s.TextAngle, -7);
    s.SetTextPlacement(3, 4, 45, 2, 5000);
    EXPECT_EQ(s.TextX, 3);
    EXPECT_EQ(s.TextAngle, 45);
    EXPECT_EQ(s.TextH, 4);
    EXPECT_EQ(s.TextW, 1000);
    EXPECT_EQ(SpinTextValue("abc", ToolRange::FontSize), 3);
    EXPECT_EQ(SpinTextValue("5000", ToolRange::FontSize), 999);
}

TEST(ToolSettings, ShapePageRefresh)
{
    TToolSettings s;
    // True colour: gradient on with style 1 shows the styles; mode follows the style.
    TShapePageLayout l = s.RefreshShapePage(spRect, ctTrueAlpha, 0);
    EXPECT_EQ(l, (TShapePageLayout{true, true, true, true}));
    EXPECT_EQ(s.GradientMode, 1);
    // One mode for both shapes: style 3 on the ellipse, then a rectangle refresh with style 1.
    s.Ellipse.Style = 3;
    s.RefreshShapePage(spEllipse, ctTrueAlpha, 0);
    EXPECT_EQ(s.GradientMode, 3);
    s.RefreshShapePage(spRect, ctTrueAlpha, 0);
    EXPECT_EQ(s.GradientMode, 1);
    // Gradient off: solid, styles hidden.
    s.Rect.Gradient = false;
    l = s.RefreshShapePage(spRect, ctTrueAlpha, 0);
    EXPECT_EQ(l, (TShapePageLayout{true, true, false, true}));
    EXPECT_EQ(s.GradientMode, gmSolid);
    // Outline only: no gradient box, swatch or styles.
    s.Rect.Gradient = true;
    s.Rect.Type = stOutline;
    l = s.RefreshShapePage(spRect, ctTrueAlpha, 0);
    EXPECT_EQ(l, (TShapePageLayout{false, false, false, true}));
    // Fill only: no border.
    s.Rect.Type = stFill;
    l = s.RefreshShapePage(spRect, ctTrueAlpha, 0x00FF00);
    EXPECT_FALSE(l.BorderVisible);
    EXPECT_EQ(s.Rect.FillColor, 0xFFFFFFu); // true colour keeps the page's own fill

    // Palette: gradient and anti-aliasing off, outline-and-fill turns to outline, fill-only takes C.
    s.RefreshShapePage(spRect, ctColors256, 7);
    EXPECT_FALSE(s.Rect.Gradient);
    EXPECT_FALSE(s.Rect.AntiAlias);
    EXPECT_EQ(s.Rect.FillColor, 7u);
    EXPECT_EQ(s.GradientMode, gmSolid);
    s.Ellipse.Type = stOutlineAndFill;
    s.RefreshShapePage(spEllipse, ctColors2, 1);
    EXPECT_EQ(s.Ellipse.Type, stOutline);
}

// A palette format's index never replaces the true-colour fill for good: each colour type keeps
// its own, whether the switch comes from a format announced or from a page refreshed.
TEST(ToolSettings, EachColourTypeKeepsItsOwnFill)
{
    TToolSettings s;
    int docTrue = 0, docPalette = 0;
    const TColor red = MakeColor(255, 0, 0);
    s.Rect.Gradient = false;
    s.Rect.FillColor = red; // chosen in the swatch, true colour; the ellipse keeps white
    s.ActiveImageChanged(&docTrue, 0, ctTrueColor, 0);
    s.ActiveImageChanged(&docPalette, 0, ctColors16, 0);
    EXPECT_EQ(s.Rect.FillColor, 0u);
    EXPECT_EQ(s.Ellipse.FillColor, 0u);
    // Back to true colour: the fills come back before any page is shown.
    s.ActiveImageChanged(&docTrue, 0, ctTrueColor, 0);
    EXPECT_EQ(s.Rect.FillColor, red);
    EXPECT_EQ(s.Ellipse.FillColor, 0xFFFFFFu);
    s.Rect.Type = stOutlineAndFill;
    s.RefreshShapePage(spRect, ctTrueColor, 0);
    EXPECT_EQ(s.Rect.FillColor, red);

    // Through the pages alone: a fill-only page refreshed under a palette takes the panel's index
    // (again and again), and a true-colour refresh gives the colour back.
    s.Rect.Type = stFill;
    s.RefreshShapePage(spRect, ctColors256, 9);
    s.RefreshShapePage(spRect, ctColors256, 4);
    EXPECT_EQ(s.Rect.FillColor, 4u);
    s.RefreshShapePage(spRect, ctTrueAlpha, 4);
    EXPECT_EQ(s.Rect.FillColor, red);
    // A colour chosen in true colour is the one kept from then on.
    s.Rect.FillColor = MakeColor(0, 0, 200);
    s.ActiveImageChanged(&docPalette, 0, ctColors2, 1);
    EXPECT_EQ(s.Rect.FillColor, 1u);
    s.ActiveImageChanged(&docTrue, 0, ctTrueAlpha, 1);
    EXPECT_EQ(s.Rect.FillColor, MakeColor(0, 0, 200));
}

TEST(ToolSettings, ShapeGradientFromTheEditor)
{
    TToolSettings s;
    const Bitmap24 before = s.Rect.Strip;
    s.SetShapeGradient(spRect, {});
    EXPECT_TRUE(s.Rect.Strip == before);
    s.SetShapeGradient(spRect, EnabledPresetNodes(2));
    EXPECT_EQ(s.Rect.Strip.Pixel(0, 0), 0xFFFFFFu);
    EXPECT_EQ(s.Rect.Strip.Pixel(511, 0), 0u);
    // The other page keeps its own strip.
    EXPECT_EQ(s.Ellipse.Strip.Pixel(511, 0), 0xFF0000u);
}

// ---- gradient editor ----

TEST(GradientEditor, DefaultHandles)
{
    const TGradientEditorModel m;
    EXPECT_EQ(m.SelectedIndex, 0);
    const int positions[7] = {0, 85, 170, 256, 341, 426, 511};
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(i);
        const TGradientHandle& h = m.Handles[size_t(i)];
        EXPECT_EQ(h.Position, positions[i]);
        EXPECT_EQ(h.Enabled, i == 0 || i == 6);
        EXPECT_EQ(h.Selected, i == 0);
        EXPECT_EQ(h.Top, 15);
        if (i > 0 && i < 6) {
            const int rg = i * 256 / 6;
            EXPECT_EQ(h.Color, MakeColor(rg, rg, 255));
        }
        EXPECT_EQ(h.BodyRect, (Rect{h.Position, 15, h.Position + 16, 15 + 38}));
        EXPECT_EQ(h.ColorBox, (Rect{h.Position + 4, 30, h.Position + 11, 36}));
        EXPECT_EQ(h.ToggleBox, (Rect{h.Position + 2, 38, h.Position + 12, 49}));
    }
    EXPECT_EQ(m.Handles[0].Color, 0xFFFFFFu);
    EXPECT_EQ(m.Handles[6].Color, 0xFF0000u);
    const TNodeArray nodes = m.CollectNodes();
    ASSERT_EQ(nodes.size(), 2u);
    // Collected from handle 6 down.
    EXPECT_EQ(nodes[0], (TNodeRec{511, 0xFF0000, 1}));
    EXPECT_EQ(nodes[1], (TNodeRec{0, 0xFFFFFF, 1}));
}

TEST(GradientEditor, PresetsAndInverse)
{
    TGradientEditorModel m;
    m.SelectHandle(4);
    ASSERT_TRUE(m.ApplyPreset(1));
    EXPECT_EQ(m.SelectedIndex, 0);
    const int positions[7] = {0, 85, 170, 255, 340, 425, 511};
    for (int i = 0; i < 7; ++i) {
        EXPECT_TRUE(m.Handles[size_t(i)].Enabled);
        EXPECT_EQ(m.Handles[size_t(i)].Position, positions[i]);
    }
    EXPECT_FALSE(m.ApplyPreset(3));
    EXPECT_FALSE(m.ApplyPreset(-1));
    ASSERT_TRUE(m.ApplyPreset(2));
    EXPECT_EQ(m.CollectNodes().size(), 2u);
    EXPECT_EQ(m.Handles[2].Position, 86); // disabled nodes still place their handles
    EXPECT_EQ(EnabledPresetNodes(1).size(), 7u);
    EXPECT_EQ(EnabledPresetNodes(0), (TNodeArray{{0, 0xFFFFFF, 1}, {511, 0xFF0000, 1}}));

    // Inverse mirrors positions and swaps handles; twice restores every handle.
    m.ApplyPreset(1);
    m.SelectHandle(2);
    m.Handles[3].Position = 200;
    const auto before = m.Handles;
    m.Inverse();
    EXPECT_EQ(m.Handles[0].Position, 0);
    EXPECT_EQ(m.Handles[0].Color, before[6].Color);
    EXPECT_EQ(m.Handles[1].Position, 511 - 425);
    EXPECT_EQ(m.Handles[1].Color, before[5].Color);
    EXPECT_EQ(m.Handles[3].Position, 311);
    EXPECT_EQ(m.SelectedIndex, 2);
    m.Inverse();
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(m.Handles[size_t(i)].Position, before[size_t(i)].Position);
        EXPECT_EQ(m.Handles[size_t(i)].Color, before[size_t(i)].Color);
        EXPECT_EQ(m.Handles[size_t(i)].Enabled, before[size_t(i)].Enabled);
    }
}

TEST(GradientEditor, MouseOnTheBar)
{
    TGradientEditorModel m;
    // A press on handle 6's body selects it; a drag past the end stops at 511.
    EXPECT_EQ(m.Press(511 + 5, 20), 6);
    EXPECT_EQ(m.SelectedIndex, 6);
    m.Move(600);
    EXPECT_EQ(m.Handles[6].Position, 511);
    m.Move(-100000);
    EXPECT_EQ(m.Handles[6].Position, 0);
    // A press beside every handle keeps the selection, and a drag moves the selected handle.
    EXPECT_EQ(m.Press(300, 5), -1);
    EXPECT_EQ(m.SelectedIndex, 6);
    m.Move(340);
    EXPECT_EQ(m.Handles[6].Position, 40);

    // A release on a toggle box flips that handle only.
    const TGradientHandle& h3 = m.Handles[3];
    TGradientRelease r = m.Release(h3.Position + 5, h3.Top + 25);
    EXPECT_EQ(r.Toggled, 3);
    EXPECT_TRUE(m.Handles[3].Enabled);
    EXPECT_FALSE(m.Handles[2].Enabled);
    // After a double click, the release on a colour box asks for a colour instead.
    m.DoubleClicked = true;
    r = m.Release(m.Handles[3].Position + 5, 15 + 16);
    EXPECT_EQ(r.PickColorOf, 3);
    EXPECT_EQ(r.Toggled, -1);
    EXPECT_FALSE(m.DoubleClicked);

    // Every handle disabled: no nodes. Two enabled handles at one place: both are nodes.
    for (TGradientHandle& h : m.Handles) h.Enabled = false;
    EXPECT_TRUE(m.CollectNodes().empty());
    m.Handles[1].Enabled = m.Handles[2].Enabled = true;
    m.Handles[1].Position = m.Handles[2].Position = 100;
    EXPECT_EQ(m.CollectNodes().size(), 2u);
    EXPECT_EQ(m.HandleAt(9, 101, 20), -1);
    m.SelectHandle(99);
    EXPECT_EQ(m.SelectedIndex, 6);
    m.SetSelectedPosition(9999);
    EXPECT_EQ(m.Handles[6].Position, 511);
}

// The font system names a family once per foundry when several provide it; the text tool lists
// each family once, by the name the person installed.
TEST(ToolSettings, FontFamiliesByTheirPlainNames)
{
    const QStringList families = {
        "C059 [UKWN]",         "C059 [urw]",          "DejaVu Sans",   "Nimbus Sans [URW ]", "Nimbus Sans [urw]",
        "Nimbus Sans [UKWN]",  "Nimbus Sans Narrow [urw]", "DejaVu Sans", "Odd [Name] Sans", "[urw]",
        "Bracket]",            "Two [a] [b]"};
    EXPECT_EQ(PlainFontFamilies(families),
              (QStringList{"C059", "DejaVu Sans", "Nimbus Sans", "Nimbus Sans Narrow", "Odd [Name] Sans", "[urw]",
                           "Bracket]", "Two [a]"}));
    EXPECT_TRUE(PlainFontFamilies({}).isEmpty());
    // A tagged and a plain name of one family are one entry, in the place it first appears.
    EXPECT_EQ(PlainFontFamilies({"Z003", "P052 [urw]", "Z003 [urw]", "P052"}), (QStringList{"Z003", "P052"}));
}
