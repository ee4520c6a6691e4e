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

// Where the tool windows go on first show, from the main window's outer rectangle (left, top,
// width) and the windows' outer sizes. A window that does not exist has an empty size.
struct TToolWindowLayout {
    QPoint Tools, Colors, History, Library, Preview;
    int LibraryHeight = 0;
};
TToolWindowLayout LayOutToolWindows(const QRect& mainOuter, QSize tools, QSize colors, QSize history, QSize library);

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

