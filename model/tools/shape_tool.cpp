// The rectangle and ellipse tools.
#include "model/tools/shape_tool.h"

#include <algorithm>
#include <memory>

#include "imaging/gradient_shapes.h"
#include "model/tool_ids.h"
#include "model/tools/tool_canvas.h"

namespace {

// The two shapes differ only in their renderer and in which of the tools window's options they read.
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
    DragFromStartCell(session, doc, host, toolId, e, options, [&](Point from, Point to) {
        DrawShape(doc, toolId, from, to, options, host.Colors());
    });
}

} // namespace

void DrawRectangle(TDocumentModel& doc, Point from, Point to, const TPaintOptions& options, const TToolColors& colors)
{
    DrawShape(doc, tiRectangle, from, to, options, colors);
}

void DrawEllipse(TDocumentModel& doc, Point from, Point to, const TPaintOptions& options, const TToolColors& colors)
{
    DrawShape(doc, tiEllipse, from, to, options, colors);
}

void RectangleTool(TToolSession& session, TDocumentModel& doc, TToolHost& host, const TToolEvent& e,
                   const TPaintOptions& options)
{
    ShapeTool(session, doc, host, tiRectangle, e, options);
}

void EllipseTool(TToolSession& session, TDocumentModel& doc, TToolHost& host, const TToolEvent& e,
                 const TPaintOptions& options)
{
    ShapeTool(session, doc, host, tiEllipse, e, options);
}
