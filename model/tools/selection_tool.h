#pragma once
// The mouse logic of the two selection tools, the rectangle and the lasso, apart from any window.
// Both snap the mouse to the nearest grid corner. The rectangle keeps five corners (start, the two
// beside it, the opposite one, the start again); the lasso every distinct corner of the drag and,
// on release, the first again. On release the selected pixels go to the tools window's readout.
// The host shows the outline again where it changed and carries the readout to the tools window.
//
//     SelectionToolMouse(doc, host, tiRectSelect, tpPress, x, y, true);
//     SelectionToolMouse(doc, host, tiRectSelect, tpMove, x2, y2, true);
//     SelectionToolMouse(doc, host, tiRectSelect, tpRelease, x2, y2, false);
#include "model/document_model.h"
#include "platform/bitmap24.h"
#include "platform/rect.h"

class TSelectionHost {
public:
    virtual ~TSelectionHost() = default;
    // The outline is drawn differently inside this canvas area from now on.
    virtual void OutlineChanged(const Rect& canvasArea) = 0;
    // The readout of a selection tool: the bounds in image pixels with the selected pixels' true
    // colours and mask from the bounds' origin; both bitmaps null clear it.
    virtual void ShowSelection(int toolId, const Rect& bounds, const Bitmap24* colour, const Bitmap24* mask) = 0;
};

// True for the rectangle selection and the lasso.
bool IsSelectionTool(int toolId);

// A canvas mouse event (TToolPhase, canvas pixels) for a selection tool; left: the left button is
// held. Other tools are ignored.
void SelectionToolMouse(TDocumentModel& doc, TSelectionHost& host, int toolId, int phase, int x, int y, bool left);

// Edit > Select All and Select None with what the canvas and the tools window show: the outline
// goes up or away, and while a selection tool is current its readout follows.
void SelectAllShown(TDocumentModel& doc, TSelectionHost& host, int currentTool);
void SelectNoneShown(TDocumentModel& doc, TSelectionHost& host, int currentTool);
