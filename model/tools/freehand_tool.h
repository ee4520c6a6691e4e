#pragma once
// Pencil, brush and eraser: one freehand tool of three kinds. A press paints one dab of the brush
// tip; left-button moves extend the stroke through the cells the mouse crosses; the release
// records the step named after the tool.
#include "model/tools/tool_session.h"

enum TFreehandKind : int { fkPencil = 1, fkBrush = 2, fkEraser = 3 };

// Size, softness and colours of a kind as the options and the colour window give them.
struct TFreehandParams {
    int Size = 1;
    int Softness = 255;
    TToolColors Colors;
};
TFreehandParams FreehandParams(int kind, const TPaintOptions& options, const TToolColors& colors);

void FreehandTool(TToolSession& session, TDocumentModel& doc, TToolHost& host, int kind, const TToolEvent& e,
                  const TPaintOptions& options);

// One dab of the brush tip centred on the cell; returns the image rectangle it covers.
Rect PaintDab(TIconImageRec& format, Point cell, const TFreehandParams& p);

// Draws the whole stroke again from the backups: the stamp made from every point, painted over
// the format restored from the backups.
void RedrawStroke(TToolSession& session, TDocumentModel& doc, const TFreehandParams& p);
// Extends the stroke by its last segment only: the same pixels as RedrawStroke, at the cost of
// one segment. Returns the image rectangle that changed.
Rect ExtendStroke(TToolSession& session, TDocumentModel& doc, const TFreehandParams& p);
