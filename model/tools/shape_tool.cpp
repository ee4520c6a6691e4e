// The rectangle and ellipse tools.
#include "model/tools/shape_tool.h"

#include <algorithm>
#include <memory>

#include "imaging/gradient_shapes.h"
#include "model/tool_ids.h"
#include "model/tools/tool_canvas.h"

void DrawShape(TDocumentModel& doc, int toolId, Point from, Point to, const TPaintOptions& o, const TToolColors& colors)
{
    TIconImageRec* f = doc.CurrentImage();
    if (!f || !f->Bitmap || !f->Mask) return;
    doc.RestoreBackups();
    const bool rect = toolId == tiRectangle;
    std::unique_ptr<TGradientRect> shape = rect ? std::make_unique<TGradientRect>() : std::make_unique<TGradientEllipse>();
    shape->ShapeRect = Rect{from.X, from.Y, to.X, to.Y};
    shape->ShapeType = rect ? o.RectType : o.EllipseType;
    shape->FillMode = o.GradientMode;
    shape->BorderWidth = rect ? o.RectBorderSize : o.EllipseBorderSize;
    shape->CornerRadius = rect ? o.RectRound : 0;
    shape->FillColor = rect ? o.RectFillColor : o.EllipseFillColor;
    shape->AntiAlias = (rect ? o.RectAntiAlias : o.EllipseAntiAlias) ? 1 : 0;
    shape->AlphaColor = colors.AlphaColor;
    shape->Color = colors.Color;
    if (IsPaletteColorType(f->ColorType)) {
        // Palette formats are written with indices, never past the palette's end.
        const TColor last = TColor(std::max<int>(f->Palette.palNumEntries, 1) - 1);
        shape->Color = colors.Color & last;
        shape->FillColor = shape->FillColor & last;
    }
    shape->ColorType = f->ColorType;
    shape->ColorBitmap = f->Bitmap.get();
    shape->MaskBitmap = f->Mask.get();
    shape->GradientStrip = rect ? o.RectGradientStrip : o.EllipseGradientStrip;
    shape->Render();
}

void ShapeTool(TToolSession& session, TDocumentModel& doc, TToolHost& host, int toolId, const TToolEvent& e,
               const TPaintOptions& options)
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
        DrawShape(doc, toolId, doc.StrokePoints.front(), cell, options, host.Colors());
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
