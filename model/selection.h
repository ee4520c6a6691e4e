#pragma once
// The selection of a document: a polygon over the current format whose corners lie on the pixel
// grid. The corners are kept in image grid units (they are snapped, so nothing is lost) and scaled
// by the zoom only to draw, so a zoom change never moves a selection. Here are the rules on it
// that need no window: snapping, the mask of selected pixels by the even-odd rule, the Edit
// commands (copy, cut, clear) and Select All / Select None.
#include <cstdint>
#include <vector>

#include <QString>

#include "model/document_model.h"
#include "platform/bitmap24.h"
#include "platform/color.h"
#include "platform/rect.h"

class TQVClipboard;

// The colour value of selected pixels in a selection mask (bytes blue 255, green 255, red 0);
// unselected pixels are black. Readers test the first byte.
constexpr TColor SelectedMaskColor = MakeColor(0, 255, 255);

// The Edit commands on a selection.
enum TSelectionCommandKind : int { skCopy = 1, skCut = 2, skClear = 3 };

// The grid corner nearest to a canvas point, in image grid units: the point divided by the zoom,
// rounded (halves to even) and clamped to 0..width and 0..height.
Point SnapToGrid(int canvasX, int canvasY, int zoom, int width, int height);

// Fills every pixel of the bitmap whose centre lies inside the closed polygon by the even-odd
// (alternate) rule: a pixel is inside when a ray from its centre crosses the outline an odd number
// of times, so regions a self-crossing outline encloses twice stay outside. Pixels whose centre
// lies exactly on an edge count as inside on the edge's left and outside on its right, so two
// polygons sharing an edge never both take a pixel. The polygon closes by itself.
void FillPolygonEvenOdd(Bitmap24& bitmap, const Point* points, int count, TColor color);

// The selection's bounds in image pixels: the smallest and largest x and y of its corners;
// (0, 0, 0, 0) without a selection.
Rect SelectionBounds(const TDocumentModel& doc);

// Draws the selection mask of the current format: the bitmap takes the format's size, black
// outside the polygon and SelectedMaskColor inside. Returns the bounds. Without a selection (or a
// current format) the bitmap is untouched and the bounds are (0, 0, 0, 0).
Rect RenderSelectionMask(const TDocumentModel& doc, Bitmap24& mask);

// Every selected pixel becomes black (palette index 0 in the palette colour types) and fully
// transparent (mask 255); the others stay as they are.
void ClearSelectedPixels(TIconImageRec& format, const Bitmap24& mask);

// Copy, cut or clear the selection of the current format. Copy and cut put the selected pixels on
// the clipboard; cut and clear then clear them and drop the selection. Returns the history caption
// of the change ("Cut", "Clear Selected Area"); empty when no pixel changed (a copy, or nothing
// selected, when nothing at all happens).
QString SelectionCommand(TDocumentModel& doc, int kind, TQVClipboard& clipboard);

// The whole current format becomes the selection (the outline around its edge).
void SelectAll(TDocumentModel& doc);
// Drops the selection.
void SelectNone(TDocumentModel& doc);

// The selection outline on the canvas: the canvas pixels of its dots at the current zoom, one
// pixel on and one off along the polygon, the pattern running on across corners.
void SelectionOutlineDots(const TDocumentModel& doc, std::vector<Point>& dots);
// The canvas area the outline covers (empty when there is none).
Rect SelectionOutlineArea(const TDocumentModel& doc);
