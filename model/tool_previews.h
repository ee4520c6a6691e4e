#pragma once
// What the tools window's previews show, composed without widgets: the pencil, brush and eraser
// footprints, the line and text previews, the shape pages' swatches and shape previews, and the
// readouts the document sends while a tool works (selection and bucket thumbnails, the picked
// colour). Each routine draws into a bitmap of its preview's size; the window copies it into the
// page's picture. Tests check these pixels headless.
//
// A preview is what the user trusts about the tool, so the previews paint with the very
// primitives the tools paint with (the brush tip, the line coverage, the text stamp, the shape
// renderer, PaintStamp) and compose over a checkerboard of 4 x 4 checks (255 where bit 2 of x
// differs from bit 2 of y, else 220) by the same compositing as the canvas.
#include <cstdint>

#include <QFont>
#include <QSize>
#include <QString>

#include "imaging/icon_image.h"
#include "model/tool_settings.h"
#include "platform/bitmap24.h"
#include "platform/color.h"
#include "platform/rect.h"

// The colour window's colour, alpha and palette, and the two colour types the previews ask: the
// active format's (footprints, line, text) and the colour window's (shape pages).
struct TPreviewColors {
    // A palette index in the palette colour types.
    TColor Color = 0;
    // Alpha as a grey colour value; 0 is the transparent state (the tools erase with it).
    TColor AlphaColor = 0xFFFFFF;
    // The colour window's palette; null in true colour.
    const TPalette* Palette = nullptr;
    // The active format's colour type; 5 when no document is open.
    int32_t ActiveColorType = ctTrueAlpha;
    // The colour type the colour window is set to.
    int32_t PanelColorType = ctTrueAlpha;
};

// The four working bitmaps every preview composes in: colour, mask, checkerboard ground and the
// composed result.
constexpr int PreviewWorkSize = 256;
struct TPreviewWork {
    Bitmap24 Color{PreviewWorkSize, PreviewWorkSize};
    Bitmap24 Mask{PreviewWorkSize, PreviewWorkSize};
    Bitmap24 Ground{PreviewWorkSize, PreviewWorkSize};
    Bitmap24 Result{PreviewWorkSize, PreviewWorkSize};
};

// The checkerboard ground over Rect (in the bitmap's own coordinates).
void DrawPreviewChecker(Bitmap24& bitmap, const Rect& rect);

// ---- pencil, brush, eraser, line, text ----

constexpr int StrokePreviewSize = 100;
// The stroke previews show the tool magnified three times.
constexpr int PreviewMagnification = 3;
// The eraser is shown cutting through a half-transparent ground of this colour.
constexpr TColor EraserGroundColor = 0xA37E20;
constexpr TColor EraserGroundMask = 0x808080;

// The tip a freehand tool paints a dab with.
struct TFootprint {
    int Size = 1;
    int Softness = 255;
    TColor Color = 0;
    // PaintStamp's mode: the alpha colour, or StampErase.
    uint32_t Mode = 0;
    bool Eraser = false;
};
// Pencil (5), brush (6) or eraser (10); anything else is the pencil.
TFootprint FootprintOf(int toolId, const TToolSettings& settings, const TPreviewColors& colors);

// The footprint of one dab, magnified, into a 100 x 100 image with a black outline.
void DrawFootprintPreview(TPreviewWork& work, int toolId, const TToolSettings& settings, const TPreviewColors& colors,
                          Bitmap24& image);
// The line from (7, 14) to (28, 19) at the line size, magnified, into a 100 x 100 image.
constexpr Point LinePreviewFrom{7, 14};
constexpr Point LinePreviewTo{28, 19};
void DrawLinePreview(TPreviewWork& work, const TToolSettings& settings, const TPreviewColors& colors, Bitmap24& image);

// The text stamp stretched over a 128 x 128 image; a stamp larger than the working bitmaps is
// reduced to fit them first. Face is the colour behind (the button face).
constexpr int TextPreviewSize = 128;
void DrawTextPreview(TPreviewWork& work, const TToolSettings& settings, const TPreviewColors& colors, TColor face,
                     Bitmap24& image);

// ---- shape pages ----

constexpr int ShapeSwatchWidth = 161;
constexpr int ShapeSwatchHeight = 25;
constexpr int ShapePreviewSize = 70;

// "Click to change color" in true colour, "Depend on color panel" in the palette types.
QString ShapeSwatchCaption(int32_t panelColorType);
// The page's fill (solid or its gradient strip) in a black frame, with the caption centred over it
// in the fill colour inverted.
void DrawShapeSwatch(TPreviewWork& work, TShapePage page, const TToolSettings& settings, const TPreviewColors& colors,
                     const QFont& font, Bitmap24& swatch);
// The shape as the tool would draw it over a 70 x 70 format, laid over the checkerboard.
void DrawShapePreview(TPreviewWork& work, TShapePage page, const TToolSettings& settings, const TPreviewColors& colors,
                      Bitmap24& preview);

// ---- readouts ----

constexpr int ThumbnailSize = 128;
// The thumbnail of a w x h area fitted into 128 x 128 keeping its aspect; no side below 1.
QSize FitThumbnail(int width, int height);

// Thumbnail of Source of the two bitmaps into the 128 x 128 image (face around it), composed
// through Palette. False (image untouched) when Source is empty.
bool DrawThumbnail(TPreviewWork& work, const Bitmap24& color, const Bitmap24& mask, const Rect& source,
                   const TPalette* palette, TColor face, Bitmap24& image);

// The selection's numbers as its labels show them.
struct TSelectionLabels {
    QString X, Y, W, H;
};
TSelectionLabels SelectionLabels(const Rect& bounds);

constexpr int PickerSwatchSize = 78;
// The colour laid over the checkerboard by alpha 0..255.
void DrawPickedColour(TColor color, int alpha, Bitmap24& swatch);
struct TPickerLabels {
    QString R, G, B, A;
};
TPickerLabels PickedColourLabels(TColor color, int alpha);
