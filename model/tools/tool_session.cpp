// Dispatch of canvas mouse events to the painting tools, and the brush outline.
#include "model/tools/tool_session.h"

#include <algorithm>

#include <QPainter>

#include "model/tool_ids.h"
#include "model/tools/bucket_tool.h"
#include "model/tools/freehand_tool.h"
#include "model/tools/line_tool.h"
#include "model/tools/picker_tool.h"
#include "model/tools/shape_tool.h"

TToolSession::TToolSession() = default;

int TToolSession::OutlineSize(int toolId, const TPaintOptions& options)
{
    switch (toolId) {
    case tiPencil: return std::clamp(options.PencilSize, 1, 15);
    case tiBrush: return 2 * std::clamp(options.BrushSize, 1, 7) + 1;
    case tiEraser: return std::clamp(options.EraserSize, 1, 15);
    case tiLine:
    case tiRectangle:
    case tiEllipse: return std::clamp(options.LineSize, 1, 15);
    default: return 0;
    }
}

void TToolSession::HideOutline(TDocumentModel& doc, TToolHost& host)
{
    if (doc.OutlineRect.IsEmpty()) return;
    const Rect old = doc.OutlineRect;
    doc.OutlineRect = Rect{};
    host.RenderRect(old);
}

void TToolSession::MoveOutline(TDocumentModel& doc, TToolHost& host, int x, int y, int size)
{
    HideOutline(doc, host);
    const Rect now = BrushOutline.OutlineRect(x, y, doc.ZoomFactor, size);
    if (now.IsEmpty()) return;
    OutlineX = x;
    OutlineY = y;
    OutlineSizeShown = size;
    doc.OutlineRect = now;
    // Rendering the area again brings the outline with it (it is the canvas's overlay).
    host.RenderRect(now);
}

void TToolSession::PaintOutline(const TDocumentModel& doc, QPainter& painter) const
{
    if (doc.OutlineRect.IsEmpty()) return;
    Rect drawn;
    BrushOutline.DrawOutline(OutlineX, OutlineY, drawn, painter, doc.ZoomFactor, OutlineSizeShown);
}

void TToolSession::Mouse(TDocumentModel& doc, TToolHost& host, int toolId, int phase, int x, int y, bool left,
                         const TPaintOptions& options)
{
    if (!doc.CurrentImage()) return;
    const TToolEvent e{phase, x, y, left};
    switch (toolId) {
    case tiPencil: FreehandTool(*this, doc, host, fkPencil, e, options); break;
    case tiBrush: FreehandTool(*this, doc, host, fkBrush, e, options); break;
    case tiEraser: FreehandTool(*this, doc, host, fkEraser, e, options); break;
    case tiLine: LineTool(*this, doc, host, e, options); break;
    case tiBucket: BucketTool(*this, doc, host, e, options); break;
    case tiPicker: PickerTool(doc, host, e); break;
    case tiRectangle: RectangleTool(*this, doc, host, e, options); break;
    case tiEllipse: EllipseTool(*this, doc, host, e, options); break;
    default: break;
    }
}
