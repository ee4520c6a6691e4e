#pragma once
// The rectangle and ellipse tools: a press fixes the start cell, left-button moves draw the shape
// between it and the cell under the mouse over the format as it was at the press, the release
// records "Rectangle" or "Ellipse".
#include "model/tools/tool_session.h"

void RectangleTool(TToolSession& session, TDocumentModel& doc, TToolHost& host, const TToolEvent& e,
                   const TPaintOptions& options);
void EllipseTool(TToolSession& session, TDocumentModel& doc, TToolHost& host, const TToolEvent& e,
                 const TPaintOptions& options);

// Draw the shape from the backups: the format restored, then the rectangle or ellipse with
// corners From and To (in either order) rendered into it with the tool's options.
void DrawRectangle(TDocumentModel& doc, Point from, Point to, const TPaintOptions& options, const TToolColors& colors);
void DrawEllipse(TDocumentModel& doc, Point from, Point to, const TPaintOptions& options, const TToolColors& colors);
