// Rectangle selection and lasso.
#include "model/tools/selection_tool.h"

#include <algorithm>

#include "iconfiles/qv_clipboard.h"
#include "model/selection.h"
#include "model/tool_ids.h"
#include "model/tools/tool_session.h"
#include "platform/small_routines.h"

namespace {

// The canvas area of the segment between two corners.
Rect SegmentArea(const Point& a, const Point& b, int zoom)
{
    const int z = std::max(zoom, 1);
    return Rect{std::min(a.X, b.X) * z, std::min(a.Y, b.Y) * z, std::max(a.X, b.X) * z + 1, std::max(a.Y, b.Y) * z + 1};
}

// Renders the selected pixels and hands them to the tool's readout. With dropEmpty, a selection
// less than one pixel wide or high is dropped instead.
void ShowSelectedPixels(TDocumentModel& doc, TSelectionHost& host, int toolId, bool dropEmpty)
{
    const TIconImageRec* f = doc.CurrentImage();
    if (!f) return;
    Bitmap24 mask;
    const Rect bounds = RenderSelectionMask(doc, mask);
    if (dropEmpty && (bounds.Width() < 1 || bounds.Height() < 1)) {
        SelectNoneShown(doc, host, toolId);
        return;
    }
    Bitmap24 colour, maskOut, composite;
    TQVClipboard::RenderSelection(*f, mask, colour, maskOut, composite, bounds);
    host.ShowSelection(toolId, bounds, &colour, &maskOut);
}

void RectSelectTool(TDocumentModel& doc, TSelectionHost& host, int phase, const Point& corner, bool left)
{
    switch (phase) {
    case tpPress: {
        const Rect old = SelectionOutlineArea(doc);
        doc.Points[0] = corner;
        doc.PointCount = 1;
        host.OutlineChanged(old);
        break;
    }
    case tpMove: {
        if (!left || doc.PointCount < 1) break;
        if (doc.PointCount == 5 && doc.Points[2] == corner) break; // the same rectangle
        const Rect old = SelectionOutlineArea(doc);
        const Point start = doc.Points[0];
        doc.Points[1] = Point{corner.X, start.Y};
        doc.Points[2] = corner;
        doc.Points[3] = Point{start.X, corner.Y};
        doc.Points[4] = start;
        doc.PointCount = 5;
        host.OutlineChanged(UnionRects(old, SelectionOutlineArea(doc)));
        break;
    }
    case tpRelease: ShowSelectedPixels(doc, host, tiRectSelect, true); break;
    default: break;
    }
}

void LassoSelectTool(TDocumentModel& doc, TSelectionHost& host, int phase, const Point& corner, bool left)
{
    // One entry stays free for the closing corner; a drag beyond that adds nothing more.
    const int room = int(doc.Points.size()) - 1;
    switch (phase) {
    case tpPress: {
        const Rect old = SelectionOutlineArea(doc);
        doc.Points[0] = corner;
        doc.PointCount = 1;
        host.OutlineChanged(old);
        break;
    }
    case tpMove: {
        if (!left || doc.PointCount < 1 || doc.PointCount >= room) break;
        const Point last = doc.Points[doc.PointCount - 1];
        if (corner == last) break;
        doc.Points[doc.PointCount++] = corner;
        host.OutlineChanged(SegmentArea(last, corner, doc.ZoomFactor));
        break;
    }
    case tpRelease:
        if (doc.PointCount < 3) {
            SelectNoneShown(doc, host, tiLasso);
            break;
        }
        doc.Points[doc.PointCount++] = doc.Points[0];
        host.OutlineChanged(SegmentArea(doc.Points[doc.PointCount - 2], doc.Points[0], doc.ZoomFactor));
        ShowSelectedPixels(doc, host, tiLasso, false);
        break;
    default: break;
    }
}

} // namespace

bool IsSelectionTool(int toolId) { return toolId == tiRectSelect || toolId == tiLasso; }

void SelectionToolMouse(TDocumentModel& doc, TSelectionHost& host, int toolId, int phase, int x, int y, bool left)
{
    const TIconImageRec* f = doc.CurrentImage();
    if (!f || !IsSelectionTool(toolId) || doc.Points.size() < 5) return;
    const Point corner = SnapToGrid(x, y, doc.ZoomFactor, f->Width, f->Height);
    if (toolId == tiRectSelect)
        RectSelectTool(doc, host, phase, corner, left);
    else
        LassoSelectTool(doc, host, phase, corner, left);
}

void SelectAllShown(TDocumentModel& doc, TSelectionHost& host, int currentTool)
{
    if (!doc.CurrentImage()) return;
    const Rect old = SelectionOutlineArea(doc);
    SelectAll(doc);
    host.OutlineChanged(UnionRects(old, SelectionOutlineArea(doc)));
    if (IsSelectionTool(currentTool)) ShowSelectedPixels(doc, host, currentTool, false);
}

void SelectNoneShown(TDocumentModel& doc, TSelectionHost& host, int currentTool)
{
    const Rect old = SelectionOutlineArea(doc);
    SelectNone(doc);
    host.OutlineChanged(old);
    if (IsSelectionTool(currentTool)) host.ShowSelection(currentTool, Rect{}, nullptr, nullptr);
}
