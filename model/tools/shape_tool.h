#pragma once
// The rectangle and ellipse tools: a press fixes the start cell, left-button moves draw the shape
// between it and the cell under the mouse over the format as it was at the press, the release
// records "Rectangle" or "Ellipse".
#include "model/tools/tool_session.h"

void ShapeTool(TToolSession& session, TDocumentModel& doc, TToolHost& host, int toolId, const TToolEvent& e,
               const TPaintOptions& options);

// Draws the shape from the backups: the format restored, then the rectangle or ellipse of the
// tool (tiRectangle or tiEllipse) with corners From and To (in either order) rendered into it.
void DrawShape(TDocumentModel& doc, int toolId, Point from, Point to, const TPaintOptions& options,
               const TToolColors& colors);
