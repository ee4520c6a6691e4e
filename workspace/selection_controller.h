#pragma once
// The document window's side of the selection: the two selection tools' mouse events, the dotted
// outline over the canvas (only while a selection tool is current; the selection itself stays
// when another tool is chosen), Select All and Select None, and the readouts in the tools window.
// Not a window: free functions on a document's model and its canvas widget, reached from the
// document window's mouse dispatch and paint event and from the main window's Edit menu.
#include <Qt>

#include "model/document_model.h"

class QPainter;
class QWidget;

namespace SelectionController {

// A canvas mouse event for a selection tool (toolId: tiRectSelect or tiLasso; phase: TMousePhase).
void ToolMouse(TDocumentModel& doc, QWidget* canvas, int toolId, int phase, int x, int y, Qt::MouseButtons buttons);
// Draws the outline over the canvas when the current tool is a selection tool: white dots, the
// gaps untouched.
void PaintOutline(const TDocumentModel& doc, int currentTool, QPainter& painter);
// Edit > Select All, Select None.
void SelectAll(TDocumentModel& doc, QWidget* canvas);
void SelectNone(TDocumentModel& doc, QWidget* canvas);

} // namespace SelectionController
