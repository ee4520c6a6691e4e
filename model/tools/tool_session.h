#pragma once
// The painting tools of one document: the state they keep between mouse events besides the
// document's own (the stroke's coverage stamp, the flood fill, the brush outline), and the
// dispatch of a canvas mouse event to the current tool. UI-free: a host repaints and records.
//
//     TToolSession session;                       // one per document window
//     session.Mouse(doc, host, tiBrush, mpPress, x, y, true, options);
//     ... moves ...
//     session.Mouse(doc, host, tiBrush, mpRelease, x, y, false, options);
#include <memory>

#include "imaging/flood_fill.h"
#include "imaging/vect_cursor.h"
#include "model/document_model.h"
#include "model/tools/tool_host.h"
#include "platform/bitmap24.h"

// Mouse phases as the document window hands them on.
enum TToolPhase : int { tpRelease = 1, tpPress = 2, tpMove = 3 };

// One mouse event: the phase, the canvas point and whether the left button is held.
struct TToolEvent {
    int Phase = tpMove;
    int X = 0;
    int Y = 0;
    bool Left = false;
};

class TToolSession {
public:
    // The freehand stroke stops growing here; later cells replace its last point.
    static constexpr int MaxStrokePoints = 65530;

    TToolSession();

    // A canvas mouse event for tool toolId (TToolId).
    void Mouse(TDocumentModel& doc, TToolHost& host, int toolId, int phase, int x, int y, bool left,
               const TPaintOptions& options);

    // The brush outline's size for a tool (0 for tools without one).
    static int OutlineSize(int toolId, const TPaintOptions& options);
    // Erases the outline (re-renders the area it covered) and moves it to the canvas point.
    void MoveOutline(TDocumentModel& doc, TToolHost& host, int x, int y, int size);
    // Erases the outline, if one is shown.
    void HideOutline(TDocumentModel& doc, TToolHost& host);
    // Draws the outline where the document's OutlineRect says it is shown.
    void PaintOutline(const TDocumentModel& doc, QPainter& painter) const;

    // ---- state of the tools ----
    TVectCursor BrushOutline;
    TFloodFill FloodFill;
    // Coverage of the freehand stroke in progress, the size of the format.
    Bitmap24 StrokeStamp;
    // Where the outline was last drawn (canvas point) and its size.
    int OutlineX = 0, OutlineY = 0, OutlineSizeShown = 0;
};
