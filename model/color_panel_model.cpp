// The colour model behind the colour window: positions and their RGB/HSV rules, palettes, history,
// library, the transparent state and the once-per-tick redraw; and the pixels of its controls.
#include "model/color_panel_model.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "platform/small_routines.h"

// ---- HTML code ----------------------------------------------------------------------------

QString FormatHtmlColor(int r, int g, int b)
{
    auto hex = [](int v) { return QStringLiteral("%1").arg(v & 0xFF, 2, 16, QLatin1Char('0')).toUpper(); };
    return hex(r) + hex(g) + hex(b);
}

TColor ParseHtmlColor(const QString& text)
{
    // A 32-bit hexadecimal number: one to eight digits, nothing else.
    if (text.isEmpty() || text.size() > 8) return 0;
    uint32_t value = 0;
    for (const QChar c : text) {
        const int d = QStringLiteral("0123456789ABCDEF").indexOf(c.toUpper());
        if (d < 0 || c.unicode() > 0x7F) return 0;
        value = (value << 4) | uint32_t(d);
    }
    // 0xRRGGBB: the first pair is red, the last blue.
    return MakeColor(int((value >> 16) & 0xFF), int((value >> 8) & 0xFF), int(value & 0xFF));
}

bool HtmlCodeChar(QChar c, QChar& upper)
{
    const char16_t u = c.unicode();
    const bool hex = (u >= '0' && u <= '9') || (u >= 'A' && u <= 'F') || (u >= 'a' && u <= 'f');
    if (!hex) return false;
    upper = c.toUpper();
    return true;
}

// ---- palettes and grids -------------------------------------------------------------------

int NearestPaletteIndex(const TPalette* palette, TColor color)
{
    if (!palette) return 0;
    const int n = std::min<int>(palette->palNumEntries, 256);
    int best = 0;
    int bestDistance = -1;
    for (int i = 0; i < n; ++i) {
        const TPaletteEntry& e = palette->palPalEntry[size_t(i)];
        const int d = std::abs(e.peRed - ColorR(color)) + std::abs(e.peGreen - ColorG(color)) +
                      std::abs(e.peBlue - ColorB(color));
        if (bestDistance < 0 || d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

namespace {
// The cell of a grid of columns x rows cells of cw x ch pixels, -1 outside it.
int GridCell(int x, int y, int cw, int ch, int columns, int rows)
{
    if (cw <= 0 || ch <= 0 || columns <= 0 || rows <= 0) return -1;
    if (x < 0 || y < 0) return -1;
    const int column = x / cw;
    const int row = y / ch;
    if (column >= columns || row >= rows) return -1;
    return column + columns * row;
}
} // namespace

int PaletteCellAt(int x, int y, int gridWidth, int gridHeight, int count)
{
    const int n = gridWidth / TColorPanelModel::PaletteCell;
    const int cell = GridCell(x, y, TColorPanelModel::PaletteCell, TColorPanelModel::PaletteCell, n,
                              gridHeight / TColorPanelModel::PaletteCell);
    return cell >= 0 && cell < count ? cell : -1;
}

int LibraryCellAt(int x, int y, int width, int height)
{
    const int cell = GridCell(x, y, width / 16, height / 2, 16, 2);
    return cell >= 0 && cell < TColorPanelModel::LibraryCount ? cell : -1;
}

int HistoryCellAt(int x, int y, int historyCount)
{
    constexpr int rows = TColorPanelModel::HistoryCapacity / TColorPanelModel::HistoryColumns;
    const int cell = GridCell(x, y, TColorPanelModel::HistoryCell, TColorPanelModel::HistoryCell,
                              TColorPanelModel::HistoryColumns, rows);
    return cell >= 0 && cell < std::min(historyCount, TColorPanelModel::HistoryCapacity) ? cell : -1;
}

// ---- the model ----------------------------------------------------------------------------

// Cells 11 and 19 are not the olive and light grey one would expect; they are kept as users know them.
const std::array<TColor, TColorPanelModel::LibraryCount> TColorPanelModel::LibraryColors = {
    0xFF0000, 0xFF00FF, 0x0000FF, 0x00FFFF, 0x00FF00, 0xFFFF00, 0x7F0000, 0x7F007F,
    0x00007F, 0x007F7F, 0x007F00, 0x827F00, 0x000000, 0x191919, 0x333333, 0x4C4C4C,
    0x666666, 0x7F7F7F, 0x999999, 0x626262, 0xCCCCCC, 0xE5E5E5, 0xFFFFFF,
};

TColorPanelModel::TColorPanelModel() { InitStandardPalettes(); }

void TColorPanelModel::InitStandardPalettes()
{
    CurrentPalette = nullptr;
    PaletteIndex = -1;
    MarkedIndex = -1;
    PaletteWriteEnabled = true;
    paletteEditPending_ = false;
    const std::pair<TPalette*, int32_t> palettes[] = {
        {&Palette2, ctColors2}, {&Palette16, ctColors16}, {&Palette256, ctColors256}};
    for (const auto& [palette, type] : palettes) {
        *palette = TPalette{};
        LoadDefaultPalette(*palette, type);
        palette->palVersion = 0x300;
    }
}

int TColorPanelModel::ChannelMax(TChannel channel) { return channel == chHue ? 359 : 255; }

int TColorPanelModel::Position(TChannel channel) const
{
    switch (channel) {
    case chRed: return LastRed;
    case chGreen: return LastGreen;
    case chBlue: return LastBlue;
    case chHue: return LastHue;
    case chSaturation: return LastSaturation;
    case chValue: return LastValue;
    case chAlpha: return LastAlpha;
    }
    return 0;
}

bool TColorPanelModel::ChannelChanged(TChannel channel, int position)
{
    position = ClampInt(0, ChannelMax(channel), position);
    if (position == Position(channel)) return false;
    switch (channel) {
    case chRed: LastRed = position; break;
    case chGreen: LastGreen = position; break;
    case chBlue: LastBlue = position; break;
    case chHue: LastHue = position; break;
    case chSaturation: LastSaturation = position; break;
    case chValue: LastValue = position; break;
    case chAlpha:
        // The alpha does not end the transparent state and touches no palette entry.
        LastAlpha = position;
        alphaPending_ = true;
        return true;
    }
    if (channel <= chBlue)
        SyncHSVFromRGB();
    else
        SyncRGBFromHSV();
    // A slider edit of the selected entry, unless the sliders are being loaded from somewhere.
    if (PaletteMode() && PaletteWriteEnabled) paletteEditPending_ = true;
    return true;
}

void TColorPanelModel::SyncHSVFromRGB()
{
    RgbToHsv(LastRed, LastGreen, LastBlue, LastValue, LastSaturation, LastHue);
    RequestRedraw();
}

void TColorPanelModel::SyncRGBFromHSV()
{
    HsvToRgb(LastHue, LastSaturation, LastValue, LastBlue, LastGreen, LastRed);
    RequestRedraw();
}

void TColorPanelModel::LoadRgb(TColor color)
{
    ChannelChanged(chRed, ColorR(color));
    ChannelChanged(chGreen, ColorG(color));
    ChannelChanged(chBlue, ColorB(color));
}

int TColorPanelModel::FlushPaletteEdit()
{
    if (!paletteEditPending_) return -1;
    paletteEditPending_ = false;
    if (!CurrentPalette || PaletteIndex < 0 || PaletteIndex >= CurrentPalette->palNumEntries) return -1;
    TPaletteEntry& e = CurrentPalette->palPalEntry[size_t(PaletteIndex)];
    if (e.peRed == LastRed && e.peGreen == LastGreen && e.peBlue == LastBlue) return -1;
    e.peRed = uint8_t(LastRed);
    e.peGreen = uint8_t(LastGreen);
    e.peBlue = uint8_t(LastBlue);
    return PaletteIndex;
}

TColorPanelModel::TTick TColorPanelModel::Tick()
{
    TTick tick;
    if (RedrawPending) {
        RedrawPending = false;
        alphaPending_ = false;
        tick.ColorChanged = true;
        tick.EditedEntry = FlushPaletteEdit();
        Transparent = false;
    } else if (alphaPending_) {
        alphaPending_ = false;
        tick.AlphaChanged = true;
    }
    return tick;
}

TColor TColorPanelModel::GetColor() const
{
    if (PaletteMode()) return TColor(std::max(PaletteIndex, 0));
    if (Transparent) return 0;
    return Rgb();
}

TColor TColorPanelModel::GetAlphaColor() const
{
    if (Transparent) return 0;
    return TColor(LastAlpha) * 0x010101u;
}

bool TColorPanelModel::SelectPaletteIndex(int index, bool force)
{
    if (!CurrentPalette || index < 0 || index >= CurrentPalette->palNumEntries) return false;
    if (!force && index == PaletteIndex) return false;
    // A pending edit belongs to the entry selected when it was made; the redraw it asked for is
    // still pending and carries it to the document.
    FlushPaletteEdit();
    PaletteIndex = index;
    const TPaletteEntry& e = CurrentPalette->palPalEntry[size_t(index)];
    PaletteWriteEnabled = false;
    LoadRgb(MakeColor(e.peRed, e.peGreen, e.peBlue));
    PaletteWriteEnabled = true;
    return true;
}

void TColorPanelModel::PickColor(TColor color)
{
    if (PaletteMode())
        SelectPaletteIndex(NearestPaletteIndex(CurrentPalette, color), true);
    else
        LoadRgb(color);
}

void TColorPanelModel::SetColor(TColor value)
{
    if (PaletteMode()) {
        if (value < CurrentPalette->palNumEntries) SelectPaletteIndex(int(value), true);
        return;
    }
    LoadRgb(value);
}

void TColorPanelModel::SetAlpha(int value)
{
    ChannelChanged(chAlpha, value & 0xFF);
    RequestRedraw();
}

bool TColorPanelModel::HtmlCodeChanged(const QString& text)
{
    if (text == LastHtmlCode) return false;
    LastHtmlCode = text;
    const TColor c = ParseHtmlColor(text);
    if (c != Rgb()) LoadRgb(c);
    return true;
}

void TColorPanelModel::SetColorType(const TPalette& palette, int32_t colorType)
{
    // An edit still waiting for the tick stays with the palette it was made in.
    FlushPaletteEdit();
    ColorType = colorType;
    switch (colorType) {
    case ctColors2: CurrentPalette = &Palette2; break;
    case ctColors16: CurrentPalette = &Palette16; break;
    case ctColors256: CurrentPalette = &Palette256; break;
    default: CurrentPalette = nullptr; break;
    }
    if (CurrentPalette) {
        if (palette.palNumEntries == CurrentPalette->palNumEntries)
            std::copy_n(palette.palPalEntry.begin(), std::min<int>(palette.palNumEntries, 256),
                        CurrentPalette->palPalEntry.begin());
        PaletteIndex = -1;
        SelectPaletteIndex(NearestPaletteIndex(CurrentPalette, Rgb()), true);
    } else {
        SyncHSVFromRGB();
    }
    if (colorType < ctTrueAlpha) ChannelChanged(chAlpha, 255);
}

TColorPanelModel::THistoryAdd TColorPanelModel::AddToHistory(TColor color)
{
    const int n = std::clamp(HistoryCount, 0, HistoryCapacity);
    if (std::find(HistoryColors.begin(), HistoryColors.begin() + n, color) != HistoryColors.begin() + n)
        return THistoryAdd::Present;
    if (n == HistoryCapacity) {
        std::move(HistoryColors.begin() + 1, HistoryColors.end(), HistoryColors.begin());
        HistoryColors.back() = color;
        // Every cell is repainted plain, so no cell keeps its mark.
        HistorySelected = -1;
        return THistoryAdd::Shifted;
    }
    HistoryColors[size_t(n)] = color;
    HistoryCount = n + 1;
    return THistoryAdd::Appended;
}

void TColorPanelModel::ClearHistory(TColor background)
{
    HistoryColors.fill(background);
    HistoryCount = 0;
    HistorySelected = -1;
}

// ---- pixels -------------------------------------------------------------------------------

void DrawColorPreview(Bitmap24& bitmap, TColor color, int alpha)
{
    alpha = ClampInt(0, 255, alpha);
    const int mask = 255 - alpha;
    for (int y = 0; y < bitmap.Height() - 1; ++y) {
        uint8_t* p = bitmap.Row(y);
        for (int x = 0; x < bitmap.Width() - 1; ++x, p += 3) {
            const int c = CheckerGrey(x, y);
            WritePixel(p, MakeColor(CompositeChannel(ColorR(color), c, mask), CompositeChannel(ColorG(color), c, mask),
                                    CompositeChannel(ColorB(color), c, mask)));
        }
    }
}

void DrawCheckerboard(Bitmap24& bitmap)
{
    for (int y = 0; y < bitmap.Height(); ++y) {
        uint8_t* p = bitmap.Row(y);
        for (int x = 0; x < bitmap.Width(); ++x, p += 3) {
            const int c = CheckerGrey(x, y);
            p[0] = p[1] = p[2] = uint8_t(c);
        }
    }
}

void DrawSVArea(Bitmap24& bitmap, int hue)
{
    if (bitmap.Width() != 256 || bitmap.Height() != 256) bitmap.SetSize(256, 256);
    for (int y = 0; y < 256; y += 2) {
        uint8_t* row0 = bitmap.Row(y);
        uint8_t* row1 = bitmap.Row(y + 1);
        for (int x = 0; x < 256; x += 2) {
            int r = 0, g = 0, b = 0;
            HsvToRgb(hue, x, y, b, g, r);
            const uint8_t px[6] = {uint8_t(b), uint8_t(g), uint8_t(r), uint8_t(b), uint8_t(g), uint8_t(r)};
            std::copy_n(px, 6, row0 + x * 3);
            std::copy_n(px, 6, row1 + x * 3);
        }
    }
}

void DrawHueBar(Bitmap24& bitmap)
{
    if (bitmap.Height() != 360 || bitmap.Width() <= 0) bitmap.SetSize(std::max(bitmap.Width(), 1), 360);
    for (int i = 0; i < 360; ++i) {
        int r = 0, g = 0, b = 0;
        HsvToRgb(i, 255, 255, b, g, r);
        uint8_t* p = bitmap.Row(i);
        for (int x = 0; x < bitmap.Width(); ++x, p += 3) WritePixel(p, MakeColor(r, g, b));
    }
}

void FillCell(Bitmap24& bitmap, int left, int top, int right, int bottom, TColor color)
{
    FillBitmapRect(bitmap, color, MakeRect(left, top, right, bottom));
}

namespace {
// A rectangle outlined in black and filled with brush, right and bottom edges excluded.
void OutlinedRect(Bitmap24& bitmap, int left, int top, int right, int bottom, TColor brush)
{
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            const bool edge = x == left || x == right - 1 || y == top || y == bottom - 1;
            bitmap.SetPixel(x, y, edge ? 0 : brush);
        }
}
} // namespace

void DrawCellMarker(Bitmap24& bitmap, int left, int top, int inner)
{
    OutlinedRect(bitmap, left + inner, top + inner, left + inner + 3, top + inner + 3, 0);
    OutlinedRect(bitmap, left + inner - 1, top + inner - 1, left + inner + 4, top + inner + 4, 0xFFFFFF);
}

void InvertFocusFrame(Bitmap24& bitmap, int left, int top, int right, int bottom)
{
    if (right <= left || bottom <= top) return;
    auto invert = [&bitmap](int x, int y) {
        if (((x + y) & 1) == 0 && bitmap.Contains(x, y)) bitmap.SetPixel(x, y, bitmap.Pixel(x, y) ^ 0xFFFFFFu);
    };
    for (int x = left; x < right; ++x) {
        invert(x, top);
        if (bottom - 1 != top) invert(x, bottom - 1);
    }
    for (int y = top + 1; y < bottom - 1; ++y) {
        invert(left, y);
        if (right - 1 != left) invert(right - 1, y);
    }
}
