#pragma once
// Small pieces the painting tools share: image and canvas rectangles, restoring part of a format
// from the stroke backups, dropping the selection, and the release steps of each tool.
#include "model/document_model.h"
#include <functional>

#include "model/tools/tool_host.h"
#include "model/tools/tool_session.h"

// Rect limited to the format's pixels.
Rect ClipToImage(const Rect& rect, const TIconImageRec& format);
// The canvas area showing an image rectangle (right and bottom grown by one for the grid line).
Rect ImageToCanvas(const Rect& imageRect, int zoom);
// The format's pixels in Area go back to the backups taken at the press.
void RestoreArea(TDocumentModel& doc, const Rect& area);
// A painting press ends the selection; its outline goes from the canvas.
void DropSelection(TDocumentModel& doc, TToolHost& host);
// Tool id of a freehand kind.
int ToolOfKind(int kind);
// The history caption of a tool ("Pencil", "Brush", ...); empty for tools without a step.
QString ToolCaption(int toolId);
// What the release of a painting tool does: its step, the preview (not for the ellipse) and the
// painted colour into the colour history (not for the rectangle and the ellipse).
TReleaseSteps ReleaseOf(int toolId, TColor color, const TIconImageRec& format);
// Whether the cell lies on the format's pixels.
bool CellInImage(const Point& cell, const TIconImageRec& format);

// The tools drawn from the press cell to the mouse (line, rectangle, ellipse): the press keeps the
// start cell and the backups, a held move draws from the start to the mouse's cell, a move without
// the button moves the outline, the release takes the tool's release steps.
void DragFromStartCell(TToolSession& session, TDocumentModel& doc, TToolHost& host, int toolId,
                       const TToolEvent& e, const TPaintOptions& options,
                       const std::function<void(Point from, Point to)>& draw);
