#pragma once
// Renders photo-to-icon's output formats from its 256 x 256 master picture: the crop placed in
// every format, optionally drawn cartoon-like (a colour layer of the whole master and a line layer
// per format), palette formats mapped onto their palettes. The cartoon-options window owns one of
// these and fills TCartoonSettings from its controls before each render.
#include <cstdint>

#include "imaging/cartoon_options.h"
#include "imaging/draw_effect.h"
#include "imaging/icon_image.h"
#include "platform/bitmap24.h"
#include "platform/rect.h"

// The values of the cartoon-options controls that a render reads.
struct TCartoonSettings {
    bool DrawSketch = true;
    bool DrawColor = false;
    bool RemainDarkArea = false;
    int Detail = 115;
    int Darkness = 68;
    int SketchSmooth = 5;
    int Threshold = 0;
    int Strength = 0;
    int ColorReducer = 1;
    int Saturation = 0;
    int Contrast = 0;
    int Brightness = 0;
    int Blur = 25;
    int Red = 0;
    int Green = 0;
    int Blue = 0;
    friend bool operator==(const TCartoonSettings&, const TCartoonSettings&) = default;
};


class TCartoonRender {
public:
    static constexpr int MasterSize = 256;

    TCartoonRender();

    // The record read from the preset file; SketchType and CutOff come only from here.
    TCartoonOptions Preset;

    // Overwrites the colour and mask of every format from Master: the part cropDest of the master
    // lands on cropDest scaled to the format (k = min(W, H) / 256). Outside it true-colour formats
    // are white and every format is opaque; palette formats are mapped onto their own palettes
    // (a palette computed for the picture, written back into the format).
    void RenderIconImages(TIconImageArray& formats, const Bitmap24& master, const Rect& cropDest,
                          bool cartoonEnabled, const TCartoonSettings& settings);

    // The colour layer of the master made by the last render that drew colours.
    const Bitmap24& ColorResult() const { return colorResult_; }

private:
    void RenderCartoon(const Bitmap24& work, Bitmap24& out, int w, int h, const TCartoonSettings& settings);
    // The whole colour layer scaled to m x m at the origin (m = min(w, h)), white elsewhere.
    void ScaleColorLayer(Bitmap24& out, int w, int h);

    TDrawEffect colorDriver_;
    TDrawEffect lineDriver_;
    Bitmap24 colorResult_;
    Bitmap24 colorScaled_;
};
