#pragma once
// The state of one open icon, apart from any window: its formats, the current one, the zoom and
// the canvas image, the modified flag and caption, and the state the painting tools share between
// mouse events (backups, point lists, text frame). The document window shows it and feeds it
// events; everything here can be driven and checked without a screen.
#include <cstdint>
#include <vector>

#include <QString>

#include "imaging/icon_image.h"
#include "platform/bitmap24.h"
#include "platform/canvas_buffer.h"
#include "platform/rect.h"

// Depth label of a colour type as strips and recycle rows show it: "1 ", "4 ", "8 ", "24", "32".
QString DepthLabel(int32_t colorType);
// Bit count of a colour type as messages name it: "1", "4", "8", "24", "32".
QString DepthBits(int32_t colorType);
// "W x H : depth", the depth as the strips show it ("1 ", "4 ", "8 ", "24", "32"; with
// paddedDepth false "1", "4", "8").
QString FormatSizeLabel(const TIconImageRec& format, bool paddedDepth = true);
// The first format of this size and colour type, or -1.
int FindImageFormat(const TIconImageArray& formats, int32_t width, int32_t height, int32_t colorType);
// The question asked when a format to be added is already there.
QString SwitchFormatQuestion(int32_t width, int32_t height, int32_t colorType);

// Free room around the canvas on each side of the zoomed image.
constexpr int CanvasMargin = 10;
// Grey of the pixel grid.
constexpr TColor GridColor = MakeColor(200, 200, 200);

// Where the canvas goes inside the free area between the bevels.
struct TCanvasFit {
    int Zoom = 1;
    bool TooSmall = false; // the area cannot hold one image pixel per format pixel plus the margin
    int Width = 0;         // canvas size: image size times the zoom, plus one for the closing grid line
    int Height = 0;
    int Left = 0; // offsets of the canvas inside the free area
    int Top = 0;
};

class TDocumentModel {
public:
    // Room of the selection polygon (one entry kept free for the closing point).
    static constexpr int MaxPoints = 65537;
    // Side of the stroke and text backups as first made.
    static constexpr int BackupSide = 256;

    TDocumentModel();

    // ---- the icon ----
    TIconImageArray Images;
    int32_t CurrentIndex = -1;
    QString Folder;   // with a trailing separator; empty while never saved
    QString FileName; // shown in the caption
    QString LibIconName;
    QString LibName;
    uint8_t Modified = 0;

    // ---- the canvas ----
    int32_t ZoomFactor = 1;
    uint8_t ShowGrid = 1;
    CanvasBuffer BackBuffer; // always the canvas size

    // ---- state the tools keep between mouse events ----
    uint8_t ButtonDown = 0;
    Bitmap24 BackupBitmap{BackupSide, BackupSide};
    Bitmap24 BackupMask{BackupSide, BackupSide};
    int32_t TextX = 0, TextY = 0, TextW = 0, TextH = 0;
    int32_t TextAngle = 0;
    int32_t LastCellX = -1, LastCellY = -1;
    Rect OutlineRect{};
    // Selection polygon as corners of the pixel grid in image units (scaled by the zoom only to
    // draw); a selection exists from three points on. See model/selection.h.
    std::vector<Point> Points;
    int32_t PointCount = 0;
    // Cells of the freehand stroke in progress, kept apart from the selection polygon so that a
    // stroke never turns into a selection.
    std::vector<Point> StrokePoints;
    int32_t LastTool = 0;

    // The current format, or null when CurrentIndex is outside the formats.
    TIconImageRec* CurrentImage() { return Images.At(CurrentIndex); }
    const TIconImageRec* CurrentImage() const { return Images.At(CurrentIndex); }
    bool HasSelection() const { return PointCount >= 3; }

    // ---- modified flag and caption ----
    QString Caption() const;
    // Returns true when the flag changed (the caption then needs rebuilding).
    bool SetModified(bool modified);
    // The icon lives at this path from now on: Folder and FileName follow it.
    void SetFilePath(const QString& path);
    // Writes the formats as an icon file at path. On success the icon lives there and is no longer
    // modified; on failure nothing changes and error says why.
    bool SaveIconTo(const QString& path, QString& error);

    // ---- formats ----
    // Appends a copy of the record as a new last format with no history track yet: its size,
    // colour type and palette, and pixels from the record's bitmaps where those exist and are at
    // least the format's size (otherwise white and fully transparent). Returns the new index.
    int AppendFormat(const TIconImageRec& rec);
    // The same, taking over the record's bitmaps where they are exactly the format's size (the
    // record is left without them); the new format is the same as a copy would be.
    int AppendFormat(TIconImageRec&& rec);
    // The first format of that size and colour type, or -1.
    int FindFormat(int32_t width, int32_t height, int32_t colorType) const;
    // Removes a format; the others keep their addresses. Returns false for an invalid index.
    bool RemoveFormat(int index);

    // ---- canvas geometry and rendering ----
    // The zoom and canvas placement for a free area of that size; the zoom never goes below 1.
    static TCanvasFit ComputeFit(int freeWidth, int freeHeight, int imageWidth, int imageHeight);
    // Applies ComputeFit for the current format: sets ZoomFactor and sizes BackBuffer. Without a
    // current format nothing changes and the result is a default fit.
    TCanvasFit FitCanvas(int freeWidth, int freeHeight);
    Rect CanvasRect() const { return BackBuffer.Bounds(); }
    bool GridVisible() const { return ShowGrid == 1 && ZoomFactor > 2; }
    // The grid can be shown when one format pixel covers at least three canvas pixels.
    bool GridFits() const;
    // Renders a canvas rectangle of the current format into BackBuffer: checkerboard behind
    // transparency, palette formats through their palette, the grid when visible. Returns the
    // rectangle actually rendered (normalised and clipped; empty when nothing was drawn).
    Rect RenderRect(Rect rect);
    Rect RenderAll() { return RenderRect(CanvasRect()); }
    // The image cell under a canvas point.
    Point CellAt(int canvasX, int canvasY) const;

    // ---- palette ----
    // Whether the colour window must take the format's colour type and palette: its colour type
    // differs, or its palette has as many entries as the format's and differs in any of them.
    static bool PanelNeedsFormatPalette(int32_t panelColorType, const TPalette& panelPalette,
                                        const TIconImageRec& format);
    // Copies a palette (entry count and that many entries, at most 256) into the current format.
    // True-colour formats and palettes without entries change nothing. Returns true when the
    // format changed.
    bool ApplyPalette(const TPalette& palette);

    // ---- tool backups ----
    // Copies the current format's colour and mask bitmaps into the backups.
    void TakeBackups();
    // Puts the backups back into the current format (when their size still matches).
    void RestoreBackups();

private:
    // RenderRect's scratch rows, kept between calls: the small repaints of a brush stroke then
    // allocate nothing.
    std::vector<uint32_t> renderColours_;
    std::vector<uint32_t> renderColumns_[2];
    std::vector<uint8_t> renderPalette_;
};
