#pragma once
// The line tool: a press fixes the start cell, left-button moves draw the line from it to the cell
// under the mouse over the format as it was at the press (plain or anti-aliased), the release
// records "Line".
#include "model/tools/tool_session.h"

void LineTool(TToolSession& session, TDocumentModel& doc, TToolHost& host, const TToolEvent& e,
              const TPaintOptions& options);

// Draws the line from the backups: the format restored, the coverage of the line of that width
// (anti-aliased or not) painted over it with the colours.
void DrawLine(TDocumentModel& doc, Point from, Point to, int width, bool antialias, const TToolColors& colors);

// The coverage of that line in Area of Stamp (white elsewhere in Area), Work serving the
// anti-aliased line; the tools window's line preview draws with it too.
void StampLine(Bitmap24& stamp, Bitmap24& work, const Rect& area, Point from, Point to, int width, bool antialias);
