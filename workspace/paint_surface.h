#pragma once
// What the painting controller needs of a document window, without the window's class: its
// document, the canvas repaints and the marks a finished edit leaves. The document window is one;
// PaintSurfaceOf turns the window the peers hand over into it.
#include "model/document_model.h"
#include "platform/rect.h"

class QObject;
class Tfrm_childwin;

class TPaintSurface {
public:
    virtual TDocumentModel& Document() = 0;
    // Canvas areas drawn again from the current format (the tool's overlay comes with them).
    virtual void RenderRect(const Rect& rect) = 0;
    virtual void RenderAll() = 0;
    // The caption's modified mark.
    virtual void SetModified(bool modified) = 0;
    // The strip's thumbnails drawn again.
    virtual void DrawFormatThumbnails() = 0;
    // The window as an object, whose destroyed signal ends what is kept for it.
    virtual QObject* SurfaceObject() = 0;

protected:
    ~TPaintSurface() = default;
};

// The document window as the painting controller sees it.
TPaintSurface& PaintSurfaceOf(Tfrm_childwin& doc);
