#pragma once
// The screen's work area (the desktop without panels and docks) and the two rules that keep a
// window reachable on it: at least 50 pixels of it stay inside, and tool windows snap to its edges.
#include <QRect>

#include "platform/rect.h"

class QWidget;

// The work area of the screen the widget is on (the primary screen when it has none yet);
// right and bottom exclusive.
Rect WorkAreaOf(const QWidget* widget);

// x, y, w, h: a proposed outer position and size (any values; computed without overflow). Leaves at least 50 pixels of the window inside
// the work area each way; when both bounds of a pair conflict, the right or bottom one wins.
void KeepOnWorkArea(int& x, int& y, int w, int h, const Rect& workArea);
// Moves an edge that lies less than 15 pixels from a work-area edge onto it.
void SnapToWorkArea(int& x, int& y, int w, int h, const Rect& workArea);

// Where a window restored from the settings goes, whatever the stored values: a sizeable window
// no larger than the work area, and the top titleHeight pixels of its outer rectangle (its title
// bar) wholly on the work area, so it can always be grabbed and moved.
QRect PlaceOnWorkArea(qint64 x, qint64 y, qint64 w, qint64 h, int titleHeight, bool sizeable, const Rect& workArea);
