#pragma once
// What the painting tools need around them, kept apart from any window: the options they read at
// each event, the colour they paint with, and the host that repaints the canvas, records the
// step and shows the tools window's readouts. The document window's controller is the real host;
// tests drive the tools through a host of their own.
#include <cstdint>

#include <QString>

#include "imaging/icon_image.h"
#include "platform/bitmap24.h"
#include "platform/color.h"
#include "platform/rect.h"

// The tool options as they stand at one mouse event.
struct TPaintOptions {
    int PencilSize = 1;      // 1..15
    int BrushSize = 3;       // radius n; the tip is 2n + 1 wide
    int BrushGradient = 32;  // softness 1..255 (255 a hard edge)
    int EraserSize = 1;      // 1..15
    int BucketTolerance = 32;
    int LineSize = 1;        // line width, and the outline size of line, rectangle and ellipse
    bool LineAntiAlias = false;
    // ---- rectangle and ellipse ----
    int RectType = 1;        // 0 outline, 1 outline and fill, 2 fill only
    int EllipseType = 1;
    bool RectAntiAlias = true;
    bool EllipseAntiAlias = true;
    int RectBorderSize = 1;
    int EllipseBorderSize = 1;
    int RectRound = 0;
    int GradientMode = 1;    // 0 solid, 1..4 gradients; one value for both shapes
    TColor RectFillColor = 0xFFFFFF;
    TColor EllipseFillColor = 0xFFFFFF;
    const Bitmap24* RectGradientStrip = nullptr;    // 512 x 1
    const Bitmap24* EllipseGradientStrip = nullptr; // 512 x 1
};

// The colour a tool paints with, read from the colour window at the event: Color is a palette
// index in the palette colour types; AlphaColor is the alpha as a grey (0 erases).
struct TToolColors {
    TColor Color = 0;
    TColor AlphaColor = 0xFFFFFF;
};

// What happens after a painting tool's release.
struct TReleaseSteps {
    QString Caption;          // history step and modified mark; empty: neither
    bool Preview = true;      // the preview window shows the format
    bool AddHistory = true;   // the colour history gets HistoryColor
    TColor HistoryColor = 0;  // a colour, never a palette index
};

class TToolHost {
public:
    virtual ~TToolHost() = default;
    virtual TToolColors Colors() { return TToolColors{}; }
    // Canvas areas to draw again from the format (and the tool's overlay over them).
    virtual void RenderRect(const Rect& /*canvasRect*/) {}
    virtual void RenderAll() {}
    // The release sequence: step, modified mark, strip thumbnail, preview, colour history.
    virtual void Release(const TReleaseSteps& /*steps*/) {}
    // The colour picker's press: the colour window takes the value (a palette index in the
    // palette colour types) and the alpha.
    virtual void PickColor(TColor /*value*/, int /*alpha*/) {}
    // The picker's readout: the colour under the mouse and its alpha.
    virtual void ShowPickedColour(TColor /*color*/, int /*alpha*/) {}
    // The bucket's hover preview: the format as the fill would leave it.
    virtual void ShowBucketPreview(const Bitmap24& /*bitmap*/, const Bitmap24& /*mask*/, const TIconImageRec& /*format*/) {}
    // The text frame's place (centre, angle in degrees, height, width in image pixels) for the
    // tools window's text fields.
    virtual void ShowTextPlacement(int /*x*/, int /*y*/, int /*angle*/, int /*height*/, int /*width*/) {}
};
