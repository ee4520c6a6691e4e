// The bucket tool.
#include "model/tools/bucket_tool.h"

#include "imaging/imaging_state.h"
#include "imaging/paint.h"
#include "model/tool_ids.h"
#include "model/tools/tool_canvas.h"

bool ApplyBucketFill(TFloodFill& fill, Bitmap24& bitmap, Bitmap24& mask, const TIconImageRec& format, Point cell,
                     int tolerance, const TToolColors& colors)
{
    // Off the pixels (the canvas's extra row and column, a drag held outside) nothing is filled,
    // never with what an earlier fill left in the mask.
    if (!CellInImage(cell, format) || !bitmap.Contains(cell.X, cell.Y)) return false;
    const Rect area = SizeRect(format.Width, format.Height);
    fill.SetSource(&bitmap, format.Width, format.Height);
    fill.Fill(cell.X, cell.Y, tolerance);
    Bitmap24& stamp = Imaging().ScratchBitmap1();
    FillBitmapRect(stamp, 0xFFFFFF, area);
    fill.ApplyMask(stamp);
    PaintStamp(stamp, bitmap, mask, format.ColorType, colors.AlphaColor, colors.Color, area);
    return true;
}

void BucketTool(TToolSession& session, TDocumentModel& doc, TToolHost& host, const TToolEvent& e,
                const TPaintOptions& options)
{
    TIconImageRec* f = doc.CurrentImage();
    if (!f || !f->Bitmap || !f->Mask) return;
    const Point cell = doc.CellAt(e.X, e.Y);
    switch (e.Phase) {
    case tpPress:
        DropSelection(doc, host);
        ApplyBucketFill(session.FloodFill, *f->Bitmap, *f->Mask, *f, cell, options.BucketTolerance, host.Colors());
        host.RenderAll();
        break;
    case tpMove:
        if (e.Left) break;
        // The fill is tried on copies; the format stays as it is.
        doc.TakeBackups();
        ApplyBucketFill(session.FloodFill, doc.BackupBitmap, doc.BackupMask, *f, cell, options.BucketTolerance,
                        host.Colors());
        host.ShowBucketPreview(doc.BackupBitmap, doc.BackupMask, *f);
        break;
    case tpRelease:
        host.Release(ReleaseOf(tiBucket, host.Colors().Color, *f));
        break;
    default:
        break;
    }
}
