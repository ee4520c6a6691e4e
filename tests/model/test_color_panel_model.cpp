// The colour model without its window: RGB and HSV in step at the hue and grey edges, one change
// per tick, palette edits only from the sliders, colour types and their palettes, the history, the
// grid hit tests at every edge, HTML codes and the preview's pixels.
#include <gtest/gtest.h>

#include "model/color_panel_model.h"
#include "platform/small_routines.h"

namespace {

using M = TColorPanelModel;

TColor Entry(const TPalette& p, int i)
{
    const TPaletteEntry& e = p.palPalEntry[size_t(i)];
    return MakeColor(e.peRed, e.peGreen, e.peBlue);
}

// A model in palette mode on a 16-colour palette whose entry i is (i*16, i*16, i*16) but entry 9
// equals entry 8 (so ties have two candidates).
void PaletteModel(M& m, TPalette* palette = nullptr)
{
    TPalette p;
    p.palVersion = 0x300;
    p.palNumEntries = 16;
    for (int i = 0; i < 16; ++i) {
        const int v = (i == 9 ? 8 : i) * 16;
        p.palPalEntry[size_t(i)] = {uint8_t(v), uint8_t(v), uint8_t(v), 0};
    }
    m.SetColorType(p, ctColors16);
    m.Tick();
    if (palette) *palette = p;
}

} // namespace

TEST(ColorPanelModel, StartsAsTheWindowIsCreated)
{
    const M m;
    EXPECT_EQ(m.ColorType, ctTrueAlpha);
    EXPECT_EQ(m.LastAlpha, 255);
    EXPECT_EQ(m.LastHtmlCode, QStringLiteral("000000"));
    EXPECT_TRUE(m.RedrawPending); // the first tick applies the initial colour
    EXPECT_EQ(m.CurrentPalette, nullptr);
    EXPECT_EQ(m.PaletteIndex, -1);
    EXPECT_EQ(m.GetColor(), 0u);
    EXPECT_EQ(m.GetAlphaColor(), 0xFFFFFFu);
    const std::pair<const TPalette*, int> palettes[] = {{&m.Palette2, 2}, {&m.Palette16, 16}, {&m.Palette256, 256}};
    for (const auto& [p, n] : palettes) {
        EXPECT_EQ(p->palVersion, 0x300);
        EXPECT_EQ(p->palNumEntries, n);
    }
    EXPECT_EQ(Entry(m.Palette2, 1), 0xFFFFFFu);
    EXPECT_EQ(M::LibraryColors[11], 0x827F00u);
    EXPECT_EQ(M::LibraryColors[19], 0x626262u);
}

TEST(ColorPanelModel, RgbAndHsvStayInStepAtTheEdges)
{
    struct Case {
        M::TChannel channel;
        int position;
        int r, g, b, h, s, v;
    };
    // Each from black: the red axis, the hue wrap, greys (no saturation, hue 0), clamping.
    const Case cases[] = {
        {M::chRed, 255, 255, 0, 0, 0, 255, 255},
        {M::chBlue, 300, 0, 0, 255, 240, 255, 255},
        {M::chValue, 128, 128, 128, 128, 0, 0, 128},
        {M::chHue, 359, 0, 0, 0, 359, 0, 0},
        {M::chSaturation, -5, 0, 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        M m;
        m.Tick();
        const bool taken = m.ChannelChanged(c.channel, c.position);
        EXPECT_EQ(taken, c.position > 0) << c.channel;
        EXPECT_EQ(m.Rgb(), MakeColor(c.r, c.g, c.b)) << c.channel;
        EXPECT_EQ(m.LastHue, c.h) << c.channel;
        EXPECT_EQ(m.LastSaturation, c.s) << c.channel;
        EXPECT_EQ(m.LastValue, c.v) << c.channel;
    }
    // The HSV track bars set from a red move bring their own values: nothing converts back.
    M m;
    m.Tick();
    ASSERT_TRUE(m.ChannelChanged(M::chRed, 200));
    m.ChannelChanged(M::chGreen, 100);
    const TColor rgb = m.Rgb();
    EXPECT_FALSE(m.ChannelChanged(M::chHue, m.LastHue));
    EXPECT_FALSE(m.ChannelChanged(M::chSaturation, m.LastSaturation));
    EXPECT_FALSE(m.ChannelChanged(M::chValue, m.LastValue));
    EXPECT_EQ(m.Rgb(), rgb);
    // A hue move at full saturation and value: the pure colours at 0, 120, 240 and the last degree.
    m.ChannelChanged(M::chSaturation, 255);
    m.ChannelChanged(M::chValue, 255);
    const std::pair<int, TColor> hues[] = {{120, 0x00FF00}, {240, 0xFF0000}, {0, 0x0000FF}, {359, MakeColor(255, 0, 5)}};
    for (const auto& [hue, color] : hues) {
        m.ChannelChanged(M::chHue, hue);
        EXPECT_EQ(m.Rgb(), color) << hue;
        EXPECT_FALSE(m.ChannelChanged(M::chRed, ColorR(color)));
    }
}

TEST(ColorPanelModel, AnyNumberOfMovesInATickApplyOnce)
{
    M m;
    m.Tick();
    EXPECT_FALSE(m.Tick().ColorChanged); // nothing pending, nothing applied
    for (int i = 1; i <= 10; ++i) m.ChannelChanged(i % 2 ? M::chRed : M::chHue, i * 10);
    EXPECT_TRUE(m.Tick().ColorChanged);
    EXPECT_FALSE(m.Tick().ColorChanged);

    // Alpha alone: the preview and document, without ending the transparent state.
    m.SetTransparent();
    for (int a = 0; a < 10; ++a) m.ChannelChanged(M::chAlpha, a * 20);
    M::TTick t = m.Tick();
    EXPECT_FALSE(t.ColorChanged);
    EXPECT_TRUE(t.AlphaChanged);
    EXPECT_TRUE(m.Transparent);
    EXPECT_EQ(m.GetColor(), 0u);
    EXPECT_EQ(m.GetAlphaColor(), 0u);
    // A colour change ends it.
    m.ChannelChanged(M::chBlue, 7);
    EXPECT_TRUE(m.Tick().ColorChanged);
    EXPECT_FALSE(m.Transparent);
    EXPECT_EQ(m.GetAlphaColor(), 180u * 0x010101u);

    // The picker's alpha below 16 shows and does not leave the window transparent.
    m.SetAlpha(0x10A);
    t = m.Tick();
    EXPECT_TRUE(t.ColorChanged);
    EXPECT_EQ(m.LastAlpha, 10);
    EXPECT_EQ(m.GetAlphaColor(), 0x0A0A0Au);
}

TEST(ColorPanelModel, OnlySliderMovesEditTheSelectedEntry)
{
    TPalette given;
    M m;
    PaletteModel(m, &given);
    EXPECT_EQ(m.ColorType, ctColors16);
    EXPECT_EQ(*m.CurrentPalette, given);
    EXPECT_EQ(m.PaletteIndex, 0); // nearest to black

    // Selecting loads the sliders and writes nothing.
    ASSERT_TRUE(m.SelectPaletteIndex(5, false));
    EXPECT_FALSE(m.SelectPaletteIndex(5, false));
    EXPECT_EQ(m.Rgb(), Entry(given, 5));
    EXPECT_EQ(m.Tick().EditedEntry, -1);
    EXPECT_EQ(*m.CurrentPalette, given);

    // Green moves rewrite entry 5 once, at the tick, flags kept.
    m.CurrentPalette->palPalEntry[5].peFlags = 3;
    for (int g = 1; g <= 10; ++g) m.ChannelChanged(M::chGreen, g * 20);
    EXPECT_EQ(m.CurrentPalette->palPalEntry[5].peGreen, given.palPalEntry[5].peGreen);
    EXPECT_EQ(m.Tick().EditedEntry, 5);
    EXPECT_EQ(Entry(*m.CurrentPalette, 5), MakeColor(80, 200, 80));
    EXPECT_EQ(m.CurrentPalette->palPalEntry[5].peFlags, 3);

    // An edit still pending when another entry is chosen stays with entry 5.
    m.ChannelChanged(M::chRed, 1);
    m.SelectPaletteIndex(7, false);
    EXPECT_EQ(Entry(*m.CurrentPalette, 5), MakeColor(1, 200, 80));
    EXPECT_EQ(m.Tick().EditedEntry, -1);
    EXPECT_EQ(Entry(*m.CurrentPalette, 7), Entry(given, 7));

    // Library and history colours select the nearest entry, the lowest on a tie, editing none.
    const TPalette before = *m.CurrentPalette;
    m.PickColor(MakeColor(130, 130, 130)); // entries 8 and 9 are both 128
    EXPECT_EQ(m.PaletteIndex, 8);
    m.Tick();
    EXPECT_EQ(*m.CurrentPalette, before);

    // The picker: an index in range selects it, others are ignored.
    m.SetColor(12);
    EXPECT_EQ(m.GetColor(), 12u);
    m.SetColor(16);
    m.SetColor(0xFFFFFFFF);
    EXPECT_EQ(m.GetColor(), 12u);
    // The transparent state never hides the index.
    m.SetTransparent();
    EXPECT_EQ(m.GetColor(), 12u);
    EXPECT_EQ(m.GetAlphaColor(), 0u);
    m.Tick();
    EXPECT_EQ(*m.CurrentPalette, before);

    // The HTML code is typed into the sliders, so it edits the entry like them.
    ASSERT_TRUE(m.HtmlCodeChanged(QStringLiteral("FF0000")));
    EXPECT_FALSE(m.HtmlCodeChanged(QStringLiteral("FF0000")));
    EXPECT_EQ(m.Tick().EditedEntry, 12);
    EXPECT_EQ(Entry(*m.CurrentPalette, 12), 0x0000FFu);
}

TEST(ColorPanelModel, EachColourTypeKeepsItsPalette)
{
    TPalette given;
    M m;
    PaletteModel(m, &given);
    m.SelectPaletteIndex(3, false);
    m.ChannelChanged(M::chRed, 250);
    m.Tick();
    const TPalette edited = *m.CurrentPalette;

    // True colour: no palette, alpha row off for type 4 and alpha back to 255.
    m.ChannelChanged(M::chAlpha, 30);
    m.SetColorType(TPalette{}, ctTrueColor);
    EXPECT_EQ(m.CurrentPalette, nullptr);
    EXPECT_EQ(m.LastAlpha, 255);
    EXPECT_EQ(m.GetColor(), m.Rgb());
    // Back to 16 colours with a palette of another count: ours is kept as it was.
    TPalette two;
    LoadDefaultPalette(two, ctColors2);
    m.SetColorType(two, ctColors16);
    EXPECT_EQ(*m.CurrentPalette, edited);
    EXPECT_EQ(m.CurrentPalette, &m.Palette16);
    // A 16-colour format with other entries loads them.
    TPalette other = given;
    other.palPalEntry[0] = {9, 9, 9, 0};
    m.SetColorType(other, ctColors16);
    EXPECT_EQ(Entry(*m.CurrentPalette, 0), MakeColor(9, 9, 9));
    EXPECT_EQ(Entry(*m.CurrentPalette, 3), Entry(given, 3));
    // Loading the sliders for the new type wrote nothing back.
    m.Tick();
    EXPECT_EQ(*m.CurrentPalette, other);
    // The 2- and 256-colour palettes were never touched.
    M fresh;
    EXPECT_EQ(m.Palette2, fresh.Palette2);
    EXPECT_EQ(m.Palette256, fresh.Palette256);
    // Nearest without a palette is 0.
    EXPECT_EQ(NearestPaletteIndex(nullptr, 0x123456), 0);
    EXPECT_EQ(NearestPaletteIndex(&fresh.Palette2, 0x808080), 1);
}

TEST(ColorPanelModel, HistoryKeepsOrderSkipsDuplicatesAndDropsTheOldest)
{
    M m;
    m.ClearHistory(0xC0C0C0);
    EXPECT_EQ(m.AddToHistory(0x10), M::THistoryAdd::Appended);
    EXPECT_EQ(m.AddToHistory(0x20), M::THistoryAdd::Appended);
    EXPECT_EQ(m.AddToHistory(0x10), M::THistoryAdd::Present);
    EXPECT_EQ(m.HistoryCount, 2);
    // The background colour of unused cells is still a colour one can paint with.
    EXPECT_EQ(m.AddToHistory(0xC0C0C0), M::THistoryAdd::Appended);
    for (TColor c = 100; m.HistoryCount < M::HistoryCapacity; ++c) m.AddToHistory(c);
    EXPECT_EQ(m.HistoryColors[0], 0x10u);
    m.HistorySelected = 4;
    EXPECT_EQ(m.AddToHistory(0xABCDEF), M::THistoryAdd::Shifted);
    EXPECT_EQ(m.HistoryCount, M::HistoryCapacity);
    EXPECT_EQ(m.HistoryColors[0], 0x20u);
    EXPECT_EQ(m.HistoryColors[155], 0xABCDEFu);
    EXPECT_EQ(m.HistorySelected, -1);
    EXPECT_EQ(m.AddToHistory(0x20), M::THistoryAdd::Present);
    EXPECT_EQ(m.AddToHistory(0x10), M::THistoryAdd::Shifted); // it was dropped
    m.ClearHistory(0);
    EXPECT_EQ(m.HistoryCount, 0);
}

TEST(ColorPanelModel, GridHitsNeverLeaveTheirCells)
{
    struct Case {
        int x, y, expected;
    };
    // Palette grid 192 x 192, 16 entries: only the first row.
    const Case palette[] = {{0, 0, 0}, {11, 11, 0}, {12, 0, 1}, {191, 11, 15}, {192, 0, -1},
                            {0, 12, -1}, {-1, 0, -1}, {0, -1, -1}, {-12, 5, -1}, {191, 191, -1}};
    for (const Case& c : palette) EXPECT_EQ(PaletteCellAt(c.x, c.y, 192, 192, 16), c.expected) << c.x << "," << c.y;
    EXPECT_EQ(PaletteCellAt(191, 191, 192, 192, 256), 255);
    EXPECT_EQ(PaletteCellAt(13, 0, 192, 192, 2), 1);
    EXPECT_EQ(PaletteCellAt(24, 0, 192, 192, 2), -1);
    EXPECT_EQ(PaletteCellAt(0, 0, 8, 8, 16), -1); // no whole cell

    // Library 193 x 209: cells 12 x 104, 23 used.
    const Case library[] = {{0, 0, 0}, {191, 103, 15}, {0, 104, 16}, {83, 207, 22}, {84, 104, -1},
                            {192, 0, -1}, {0, 208, -1}, {-1, 5, -1}, {5, -1, -1}};
    for (const Case& c : library) EXPECT_EQ(LibraryCellAt(c.x, c.y, 193, 209), c.expected) << c.x << "," << c.y;

    // History: 16 x 16 cells, 12 to a row, only the used ones.
    const Case history[] = {{0, 0, 0}, {191, 0, 11}, {0, 16, 12}, {191, 207, 155}, {192, 0, -1},
                            {0, 208, -1}, {-1, 0, -1}, {0, -16, -1}};
    for (const Case& c : history) EXPECT_EQ(HistoryCellAt(c.x, c.y, 156), c.expected) << c.x << "," << c.y;
    EXPECT_EQ(HistoryCellAt(16, 0, 1), -1);
    EXPECT_EQ(HistoryCellAt(0, 0, 0), -1);
}

TEST(ColorPanelModel, HtmlCodesOfEveryShape)
{
    const std::pair<const char*, TColor> cases[] = {
        {"FF0000", MakeColor(255, 0, 0)}, {"ff", MakeColor(0, 0, 255)},   {"3", MakeColor(0, 0, 3)},
        {"F00", MakeColor(0, 15, 0)},     {"00ff80", MakeColor(0, 255, 128)}, {"1234567", MakeColor(0x23, 0x45, 0x67)},
        {"", 0},                          {" FF", 0},                       {"FF ", 0},
        {"#FF0000", 0},                   {"0x12", 0},                      {"-1", 0},
        {"GG0000", 0},                    {"123456789", 0},                 {"\u0661\u0662", 0},
    };
    for (const auto& [text, color] : cases) EXPECT_EQ(ParseHtmlColor(QString::fromUtf8(text)), color) << text;
    EXPECT_EQ(FormatHtmlColor(255, 10, 0), QStringLiteral("FF0A00"));
    QChar upper;
    EXPECT_TRUE(HtmlCodeChar(QLatin1Char('b'), upper));
    EXPECT_EQ(upper, QLatin1Char('B'));
    for (const char c : {'g', '#', ' ', 'x', '-'}) EXPECT_FALSE(HtmlCodeChar(QLatin1Char(c), upper)) << c;

    // A code equal to the sliders' colour moves nothing.
    M m;
    m.Tick();
    EXPECT_TRUE(m.HtmlCodeChanged(QStringLiteral("00000")));
    EXPECT_FALSE(m.RedrawPending);
    EXPECT_TRUE(m.HtmlCodeChanged(QStringLiteral("0000FF")));
    EXPECT_EQ(m.Rgb(), MakeColor(0, 0, 255));
}

TEST(ColorPanelModel, PixelsOfTheSquareAndPreview)
{
    Bitmap24 sv(256, 256);
    DrawSVArea(sv, 120);
    EXPECT_EQ(sv.Pixel(255, 0), 0u);          // value 0 at the top
    EXPECT_EQ(sv.Pixel(0, 255), MakeColor(254, 254, 254)); // no saturation: grey
    EXPECT_EQ(sv.Pixel(255, 255), MakeColor(0, 254, 0));
    EXPECT_EQ(sv.Pixel(100, 51), sv.Pixel(101, 50)); // 2 x 2 blocks

    Bitmap24 hue(60, 360);
    DrawHueBar(hue);
    EXPECT_EQ(hue.Pixel(59, 0), 0x0000FFu);
    EXPECT_EQ(hue.Pixel(0, 240), 0xFF0000u);

    Bitmap24 preview(43, 43);
    DrawColorPreview(preview, 0x0000FF, 255);
    EXPECT_EQ(preview.Pixel(0, 0), 0x0000FFu); // opaque: the colour exactly
    EXPECT_EQ(preview.Pixel(42, 42), 0xFFFFFFu); // the last row and column are left alone
    DrawColorPreview(preview, 0x0000FF, 0);
    EXPECT_EQ(preview.Pixel(0, 0), MakeColor(220, 220, 220));
    EXPECT_EQ(preview.Pixel(4, 0), 0xFFFFFFu);
    EXPECT_EQ(preview.Pixel(4, 4), MakeColor(220, 220, 220));
    DrawColorPreview(preview, 0x0000FF, 128);
    EXPECT_EQ(preview.Pixel(4, 0), MakeColor(255, CompositeChannel(0, 255, 127), CompositeChannel(0, 255, 127)));

    Bitmap24 cell(12, 12);
    cell.Fill(0x123456);
    DrawCellMarker(cell, 0, 0, 4);
    EXPECT_EQ(cell.Pixel(3, 3), 0u);
    EXPECT_EQ(cell.Pixel(7, 5), 0u);
    EXPECT_EQ(cell.Pixel(5, 5), 0xFFFFFFu);
    EXPECT_EQ(cell.Pixel(2, 2), 0x123456u);
    EXPECT_EQ(cell.Pixel(8, 8), 0x123456u);
    const Bitmap24 before = cell;
    InvertFocusFrame(cell, -1, -1, 13, 13);
    InvertFocusFrame(cell, -1, -1, 13, 13);
    EXPECT_EQ(cell, before);
}
