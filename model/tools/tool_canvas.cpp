// Shared pieces of the painting tools.
#include "model/tools/tool_canvas.h"

#include <algorithm>
#include <cstring>

#include "model/tool_ids.h"
#include "model/tools/freehand_tool.h"

Rect ClipToImage(const Rect& rect, const TIconImageRec& format)
{
    return LimitRect(rect, format.Width, format.Height);
}

Rect ImageToCanvas(const Rect& r, int zoom)
{
    const int z = std::max(zoom, 1);
    return Rect{r.Left * z, r.Top * z, r.Right * z + 1, r.Bottom * z + 1};
}

void RestoreArea(TDocumentModel& doc, const Rect& area)
{
    TIconImageRec* f = doc.CurrentImage();
    if (!f || !f->Bitmap || !f->Mask) return;
    const Bitmap24* from[2] = {&doc.BackupBitmap, &doc.BackupMask};
    Bitmap24* to[2] = {f->Bitmap.get(), f->Mask.get()};
    for (int k = 0; k < 2; ++k) {
        const Rect r = LimitRect(LimitRect(area, to[k]->Width(), to[k]->Height()), from[k]->Width(), from[k]->Height());
        if (r.IsEmpty()) continue;
        for (int y = r.Top; y < r.Bottom; ++y)
            std::memcpy(to[k]->Row(y) + r.Left * 3, from[k]->Row(y) + r.Left * 3, size_t(r.Width()) * 3);
    }
}

void DropSelection(TDocumentModel& doc, TToolHost& host)
{
    if (doc.PointCount == 0) return;
    const bool had = doc.HasSelection();
    doc.PointCount = 0;
    if (had) host.RenderAll();
}

int ToolOfKind(int kind)
{
    switch (kind) {
    case fkBrush: return tiBrush;
    case fkEraser: return tiEraser;
    default: return tiPencil;
    }
}

QString ToolCaption(int toolId)
{
    switch (toolId) {
    case tiPencil: return QStringLiteral("Pencil");
    case tiBrush: return QStringLiteral("Brush");
    case tiBucket: return QStringLiteral("Bucket");
    case tiEraser: return QStringLiteral("Eraser");
    case tiRectangle: return QStringLiteral("Rectangle");
    case tiEllipse: return QStringLiteral("Ellipse");
    case tiLine: return QStringLiteral("Line");
    default: return QString();
    }
}

TReleaseSteps ReleaseOf(int toolId, TColor color, const TIconImageRec& format)
{
    TReleaseSteps steps;
    steps.Caption = ToolCaption(toolId);
    steps.Preview = toolId != tiEllipse;
    steps.AddHistory = toolId != tiRectangle && toolId != tiEllipse;
    steps.HistoryColor = PaletteColor(color, IsPaletteColorType(format.ColorType) ? &format.Palette : nullptr);
    return steps;
}

bool CellInImage(const Point& cell, const TIconImageRec& format)
{
    return cell.X >= 0 && cell.Y >= 0 && cell.X < format.Width && cell.Y < format.Height;
}

void DragFromStartCell(TToolSession& session, TDocumentModel& doc, TToolHost& host, int toolId,
                       const TToolEvent& e, const TPaintOptions& options,
                       const std::function<void(Point from, Point to)>& draw)
{
    TIconImageRec* f = doc.CurrentImage();
    if (!f) return;
    const Point cell = doc.CellAt(e.X, e.Y);
    switch (e.Phase) {
    case tpPress:
        session.HideOutline(doc, host);
        DropSelection(doc, host);
        doc.TakeBackups();
        doc.StrokePoints.assign(1, cell);
        break;
    case tpMove:
        if (!e.Left) {
            session.MoveOutline(doc, host, e.X, e.Y, TToolSession::OutlineSize(toolId, options));
            break;
        }
        if (doc.StrokePoints.empty()) break;
        draw(doc.StrokePoints.front(), cell);
        host.RenderAll();
        break;
    case tpRelease:
        doc.StrokePoints.clear();
        host.Release(ReleaseOf(toolId, host.Colors().Color, *f));
        break;
    default:
        break;
    }
}
