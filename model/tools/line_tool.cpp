// The line tool.
#include "model/tools/line_tool.h"

#include <algorithm>

#include "imaging/imaging_state.h"
#include "imaging/paint.h"
#include "model/tool_ids.h"
#include "model/tools/stroke_raster.h"
#include "model/tools/tool_canvas.h"

void DrawLine(TDocumentModel& doc, Point from, Point to, int width, bool antialias, const TToolColors& colors)
{
    TIconImageRec* f = doc.CurrentImage();
    if (!f || !f->Bitmap || !f->Mask) return;
    doc.RestoreBackups();
    const Rect area = SizeRect(f->Width, f->Height);
    Bitmap24& stamp = Imaging().ScratchBitmap1();
    StampLine(stamp, Imaging().ScratchBitmap2(), area, from, to, width, antialias);
    PaintStamp(stamp, *f->Bitmap, *f->Mask, f->ColorType, colors.AlphaColor, colors.Color, area);
}

void StampLine(Bitmap24& stamp, Bitmap24& work, const Rect& area, Point from, Point to, int width, bool antialias)
{
    FillBitmapRect(stamp, 0xFFFFFF, area);
    const int w = std::clamp(width, 1, 15);
    if (antialias) {
        DrawSmoothLine(stamp, work, area, from.X, from.Y, to.X, to.Y, w);
    } else {
        // An even pen sits between cells, as even brush tips do.
        const double offset = (w - 1) / 2.0 - (w - 1) / 2;
        StampPenSegment(stamp, area, from, to, w, offset, 0);
    }
}

void LineTool(TToolSession& session, TDocumentModel& doc, TToolHost& host, const TToolEvent& e,
              const TPaintOptions& options)
{
    DragFromStartCell(session, doc, host, tiLine, e, options, [&](Point from, Point to) {
        DrawLine(doc, from, to, options.LineSize, options.LineAntiAlias, host.Colors());
    });
}
