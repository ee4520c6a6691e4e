// Pencil, brush and eraser strokes.
#include "model/tools/freehand_tool.h"

#include <algorithm>
#include <cstring>

#include "imaging/imaging_state.h"
#include "imaging/paint.h"
#include "model/tools/stroke_raster.h"
#include "model/tools/tool_canvas.h"

TFreehandParams FreehandParams(int kind, const TPaintOptions& options, const TToolColors& colors)
{
    TFreehandParams p;
    switch (kind) {
    case fkBrush:
        p.Size = 2 * std::clamp(options.BrushSize, 1, 7) + 1;
        p.Softness = std::clamp(options.BrushGradient, 1, 255);
        p.Colors = colors;
        break;
    case fkEraser:
        p.Size = std::clamp(options.EraserSize, 1, 15);
        p.Colors = TToolColors{0xFFFFFF, 0};
        break;
    default:
        p.Size = std::clamp(options.PencilSize, 1, 15);
        p.Colors = colors;
        break;
    }
    return p;
}

Rect PaintDab(TIconImageRec& format, Point cell, const TFreehandParams& p)
{
    Bitmap24& tip = Imaging().ScratchBitmap1();
    MakeBrushTip(tip, p.Size, p.Softness);
    const int r = (p.Size - 1) / 2;
    const Rect dab{cell.X - r, cell.Y - r, cell.X - r + p.Size, cell.Y - r + p.Size};
    if (format.Bitmap && format.Mask)
        PaintStamp(tip, *format.Bitmap, *format.Mask, format.ColorType, p.Colors.AlphaColor, p.Colors.Color, dab);
    return dab;
}

void RedrawStroke(TToolSession& session, TDocumentModel& doc, const TFreehandParams& p)
{
    TIconImageRec* f = doc.CurrentImage();
    if (!f || !f->Bitmap || !f->Mask) return;
    doc.RestoreBackups();
    Bitmap24& stamp = session.StrokeStamp;
    if (stamp.Width() != f->Width || stamp.Height() != f->Height) stamp.SetSize(f->Width, f->Height);
    stamp.Fill(0xFFFFFF);
    const std::vector<Point>& pts = doc.StrokePoints;
    const Rect all = stamp.Bounds();
    if (pts.size() == 1) StampBrushSegment(stamp, all, pts[0], pts[0], p.Size, p.Softness);
    for (size_t i = 1; i < pts.size(); ++i) StampBrushSegment(stamp, all, pts[i - 1], pts[i], p.Size, p.Softness);
    PaintStamp(stamp, *f->Bitmap, *f->Mask, f->ColorType, p.Colors.AlphaColor, p.Colors.Color, all);
}

Rect ExtendStroke(TToolSession& session, TDocumentModel& doc, const TFreehandParams& p)
{
    TIconImageRec* f = doc.CurrentImage();
    const std::vector<Point>& pts = doc.StrokePoints;
    if (!f || !f->Bitmap || !f->Mask || pts.size() < 2) return Rect{};
    Bitmap24& stamp = session.StrokeStamp;
    if (stamp.Width() != f->Width || stamp.Height() != f->Height) return Rect{};
    const Point a = pts[pts.size() - 2], b = pts.back();
    const Rect area = ClipToImage(BrushSegmentBounds(a, b, p.Size), *f);
    if (area.IsEmpty()) return Rect{};
    StampBrushSegment(stamp, area, a, b, p.Size, p.Softness);
    // The format over the area goes back to the backups and takes the whole stamp there again:
    // outside the area neither the stamp nor the format changed.
    RestoreArea(doc, area);
    Bitmap24 part(area.Width(), area.Height());
    for (int y = 0; y < area.Height(); ++y)
        std::memcpy(part.Row(y), stamp.Row(area.Top + y) + area.Left * 3, size_t(area.Width()) * 3);
    PaintStamp(part, *f->Bitmap, *f->Mask, f->ColorType, p.Colors.AlphaColor, p.Colors.Color, area);
    return area;
}

void FreehandTool(TToolSession& session, TDocumentModel& doc, TToolHost& host, int kind, const TToolEvent& e,
                  const TPaintOptions& options)
{
    TIconImageRec* f = doc.CurrentImage();
    if (!f) return;
    const Point cell = doc.CellAt(e.X, e.Y);
    switch (e.Phase) {
    case tpPress: {
        const TFreehandParams p = FreehandParams(kind, options, host.Colors());
        session.HideOutline(doc, host);
        DropSelection(doc, host);
        doc.TakeBackups();
        const Rect dab = PaintDab(*f, cell, p);
        host.RenderRect(ImageToCanvas(dab, doc.ZoomFactor));
        doc.StrokePoints.assign(1, cell);
        break;
    }
    case tpMove: {
        if (!e.Left) {
            session.MoveOutline(doc, host, e.X, e.Y, TToolSession::OutlineSize(ToolOfKind(kind), options));
            break;
        }
        std::vector<Point>& pts = doc.StrokePoints;
        if (pts.empty() || pts.back() == cell) break;
        const TFreehandParams p = FreehandParams(kind, options, host.Colors());
        const Point last = pts.back();
        if (int(pts.size()) >= TToolSession::MaxStrokePoints) {
            // The stroke is full: its last point follows the mouse, so the last segment changes
            // and the stroke is drawn again whole.
            pts.back() = cell;
            RedrawStroke(session, doc, p);
        } else {
            pts.push_back(cell);
            // The first move replaces the press's dab by the stroke; later ones add a segment.
            if (pts.size() == 2)
                RedrawStroke(session, doc, p);
            else
                ExtendStroke(session, doc, p);
        }
        const int n = p.Size;
        const Point a = pts.size() >= 2 ? pts[pts.size() - 2] : last;
        // The old last point too: a full stroke moved its last segment.
        const Rect around{std::min({a.X, last.X, cell.X}) - n, std::min({a.Y, last.Y, cell.Y}) - n,
                          std::max({a.X, last.X, cell.X}) + n, std::max({a.Y, last.Y, cell.Y}) + n};
        const int z = doc.ZoomFactor;
        host.RenderRect(Rect{around.Left * z, around.Top * z, around.Right * z + 1, around.Bottom * z + 1});
        break;
    }
    case tpRelease: {
        const TFreehandParams p = FreehandParams(kind, options, host.Colors());
        doc.StrokePoints.clear();
        host.Release(ReleaseOf(ToolOfKind(kind), p.Colors.Color, *f));
        break;
    }
    default:
        break;
    }
}
