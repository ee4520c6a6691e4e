#pragma once
// The rules behind the main window's commands that need no window: which edit commands the
// 200 ms timer enables, where the tool windows go on first show, the direct effects of the Effect
// menu, and the names Save As proposes and completes.
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include "imaging/icon_image.h"

// What the edit-command timer decides.
struct TEditCommandState {
    bool Cut = false;
    bool Copy = false;
    bool Clear = false;
    bool Paste = false;
    bool SelectAll = false;
    bool SelectNone = false;
    friend bool operator==(const TEditCommandState&, const TEditCommandState&) = default;
};
TEditCommandState EditCommandStates(bool documentActive, bool hasSelection, bool clipboardHasPicture, bool textEditing);

// Where the tool windows go on first show: their outer rectangles (frame included), from the
// main window's outer rectangle, the work area and the windows' outer sizes. The tools window
// and the colour window 80 pixels below the frame's top, at its left and right edges (5 pixels
// in); the history window under the colour window, the library window at its left with the
// same height, the preview window under the tools window. A window that does not exist has an
// empty size. Everything stays inside the work area: the right-hand column comes in from the
// work area's right edge, the history and library windows get shorter to end at its bottom;
// only on a work area too small for them all may windows overlap.
struct TToolWindowLayout {
    QRect Tools, Colors, History, Library, Preview;
};
TToolWindowLayout LayOutToolWindows(const QRect& mainOuter, const QRect& workArea, QSize tools, QSize colors,
                                    QSize history, QSize library, QSize preview);

// The direct effects of the Effect menu.
enum class TDirectEffect { FlipHorizontal, FlipVertical, Rotate180, Rotate90CW, Rotate90CCW, InvertColor };
// Applies one to a format over its whole rectangle; returns the history caption.
QString ApplyDirectEffect(TIconImageRec& format, TDirectEffect effect);

// Save As: the extension that the chosen filter stands for (1 ".ico" ... 5 ".gif").
QString SaveAsExtension(int filterIndex);
// The name with that extension appended when its own (compared in lower case) differs.
QString WithSaveAsExtension(const QString& name, int filterIndex);
// The name proposed by Save As: the document's file name without its extension.
QString SaveAsProposal(const QString& fileName);

