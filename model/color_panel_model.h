#pragma once
// The current colour of the program apart from its window: the red, green, blue, hue, saturation,
// value and alpha positions with the rules that keep RGB and HSV in step, the colour type and the
// three palettes it keeps (one per palette colour type, shared by every format of that type), the
// selected palette entry, the colour history and library, the transparent state and the pending
// redraw that lets any number of slider moves cost one repaint per timer tick.
//
// The colour window shows and edits this model; the painting tools read it through the window's
// services. Nothing here draws on screen: the pixel routines at the end fill bitmaps that the window
// stretches onto its controls.
#include <array>
#include <cstdint>

#include <QString>

#include "imaging/icon_image.h"
#include "platform/bitmap24.h"
#include "platform/color.h"

// Two upper-case hexadecimal digits each of red, green and blue ("FF0000" for red).
QString FormatHtmlColor(int r, int g, int b);
// The text read as a hexadecimal number 0xRRGGBB: "ff" is blue 255, "3" is blue 3. Anything that
// is not one to eight hexadecimal digits (empty, blanks, a sign, "#", "0x12") reads as 0; digits
// beyond the sixth only shift the colour out of the low 24 bits.
TColor ParseHtmlColor(const QString& text);
// Keeps 0-9, A-F and a-f (upper-cased); false for any other character.
bool HtmlCodeChar(QChar c, QChar& upper);

// The entry whose red, green and blue lie nearest (least sum of absolute differences); the lowest
// index wins ties; 0 without a palette or with no entries.
int NearestPaletteIndex(const TPalette* palette, TColor color);

// Hit tests of the cell grids: the cell under (x, y), or -1 outside the used cells. Points left of
// or above the grid, or past its last whole column or row, select nothing.
// Palette grid: 12 x 12 cells, gridWidth div 12 to a row.
int PaletteCellAt(int x, int y, int gridWidth, int gridHeight, int count);
// Library: 16 cells to a row in 2 rows, each width div 16 by height div 2.
int LibraryCellAt(int x, int y, int width, int height);
// History: 16 x 16 cells, 12 to a row, 13 rows.
int HistoryCellAt(int x, int y, int historyCount);

class TColorPanelModel {
public:
    static constexpr int HistoryCapacity = 156;
    static constexpr int HistoryColumns = 12;
    static constexpr int HistoryCell = 16;
    static constexpr int LibraryCount = 23;
    static constexpr int PaletteCell = 12;
    static const std::array<TColor, LibraryCount> LibraryColors;

    enum TChannel { chRed, chGreen, chBlue, chHue, chSaturation, chValue, chAlpha };

    // What AddToHistory did, so the window repaints only what changed.
    enum class THistoryAdd { Present, Appended, Shifted };

    // What one timer tick applied.
    struct TTick {
        bool ColorChanged = false; // the colour change ran (square, preview, palette, document)
        bool AlphaChanged = false; // only the alpha moved: preview and document
        int EditedEntry = -1;      // the palette entry the change rewrote, -1 for none
    };

    TColorPanelModel();
    // CurrentPalette points into the model itself, so a copy would point into the original.
    TColorPanelModel(const TColorPanelModel&) = delete;
    TColorPanelModel& operator=(const TColorPanelModel&) = delete;

    // ---- positions (the track bars hold them; the window mirrors them) ----
    // A track bar of a channel moved to position (clamped to its range). A position equal to the
    // last one handled is ignored (false): that is how setting the other side's track bars from
    // a conversion never converts back. RGB moves convert to HSV and the other way round.
    bool ChannelChanged(TChannel channel, int position);
    int Position(TChannel channel) const;
    static int ChannelMax(TChannel channel);
    TColor Rgb() const { return MakeColor(LastRed, LastGreen, LastBlue); }
    // Whether the HTML code, read as ParseHtmlColor reads it, is the colour now shown.
    bool HtmlCodeShowsColor(const QString& text) const { return ParseHtmlColor(text) == Rgb(); }
    // Sets red, then green, then blue, as setting the three track bars in turn does.
    void LoadRgb(TColor color);
    void RequestRedraw() { RedrawPending = true; }
    // The timer's tick: runs the pending colour change once, however many moves came since.
    TTick Tick();

    // ---- services ----
    // Palette mode: the selected entry; else 0 in the transparent state; else the colour.
    TColor GetColor() const;
    // 0 in the transparent state; else the alpha as a grey colour value.
    TColor GetAlphaColor() const;
    bool PaletteMode() const { return CurrentPalette != nullptr; }
    // Switches to a format's colour type, taking its entries when its count matches ours.
    void SetColorType(const TPalette& palette, int32_t colorType);
    // Palette mode: selects entry value when it is one (else nothing); true colour: loads its RGB.
    void SetColor(TColor value);
    // The alpha track bar takes value and 255; the colour change that follows ends the
    // transparent state, so a picked alpha shows on the slider.
    void SetAlpha(int value);
    THistoryAdd AddToHistory(TColor color);
    // Every history entry becomes the background colour; none is used.
    void ClearHistory(TColor background);

    // ---- choices ----
    // Selects a palette entry and loads the sliders from it without writing it back. With
    // force false a press on the entry already selected does nothing. False when nothing changed.
    bool SelectPaletteIndex(int index, bool force);
    // A library or history colour: in palette mode it selects the nearest entry (never editing
    // one); in true colour it loads the sliders.
    void PickColor(TColor color);
    // The transparent button.
    void SetTransparent() { Transparent = true; }
    // The HTML field's text changed: false when it was the text last handled; else the colour
    // it stands for is loaded when it differs from the sliders'.
    bool HtmlCodeChanged(const QString& text);

    void InitStandardPalettes();

    // ---- state ----
    int32_t ColorType = ctTrueAlpha;
    int LastRed = 0, LastGreen = 0, LastBlue = 0;
    int LastHue = 0, LastSaturation = 0, LastValue = 0;
    int LastAlpha = 255;
    QString LastHtmlCode = QStringLiteral("000000");
    std::array<TColor, HistoryCapacity> HistoryColors{};
    int HistoryCount = 0;
    int HistorySelected = -1;
    int LibrarySelected = -1;
    TPalette Palette2, Palette16, Palette256;
    TPalette* CurrentPalette = nullptr;
    int PaletteIndex = -1;
    int MarkedIndex = -1;
    // Off while the sliders are loaded from an entry, the library, the history or a colour type,
    // so that those loads never write the entry back.
    bool PaletteWriteEnabled = true;
    bool Transparent = false;
    bool RedrawPending = true;

private:
    void SyncHSVFromRGB();
    void SyncRGBFromHSV();
    // A slider edit of the selected entry not yet written: written now (before the selection or
    // the palette changes), so that no edit is lost or lands on another entry.
    int FlushPaletteEdit();

    bool alphaPending_ = false;
    bool paletteEditPending_ = false;
};

// ---- pixels of the colour window's controls ----
// The checkerboard grey at (x, y): 220 where bit 2 of x equals bit 2 of y, else 255.
inline int CheckerGrey(int x, int y) { return ((x >> 2) & 1) == ((y >> 2) & 1) ? 220 : 255; }
// The colour with opacity alpha over the checkerboard, every pixel but the last column and row.
void DrawColorPreview(Bitmap24& bitmap, TColor color, int alpha);
// The plain checkerboard over every pixel.
void DrawCheckerboard(Bitmap24& bitmap);
// The 256 x 256 saturation (x) / value (y, black at the top) square of a hue, in 2 x 2 blocks.
void DrawSVArea(Bitmap24& bitmap, int hue);
// One row per degree of hue at full saturation and value (360 rows).
void DrawHueBar(Bitmap24& bitmap);
// Fills the cell rectangle [left, right) x [top, bottom), clipped.
void FillCell(Bitmap24& bitmap, int left, int top, int right, int bottom, TColor color);
// The selection marker of a cell: a black square at inner..inner+2 under a white-filled,
// black-outlined square at inner-1..inner+3, offsets from the cell's top-left corner.
void DrawCellMarker(Bitmap24& bitmap, int left, int top, int inner);
// Inverts every other pixel of the rectangle's border (drawing it twice removes it).
void InvertFocusFrame(Bitmap24& bitmap, int left, int top, int right, int bottom);
