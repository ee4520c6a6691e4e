#include "imaging/draw_effect.h"

#include <algorithm>

#include "imaging/imaging_state.h"
#include "platform/bitmap24.h"

void TDrawEffect::Execute()
{
    uint8_t& cancel = Imaging().CancelRequested;
    cancel = 0;
    sketchMade_ = false;
    colorMade_ = false;
    cancelled_ = false;
    const TCartoonOptions& o = options_;
    if (progress_.TotalProgress) progress_.TotalProgress->SetMaximum((o.DrawSketch ? 3 : 0) + (o.DrawColor ? 7 : 0));

    if (o.DrawSketch && o.Source) {
        sketch_.SetProgress(progress_);
        sketch_.LoadInverted(*o.Source, o.Left, o.Top, o.Width, o.Height);
        sketch_.Draw(o.SketchType, o.Detail, o.Darkness, o.CutOff, o.Threshold, o.Strength, o.RemainDarkArea,
                     double(o.SketchSmooth) / 20.0, o.RidgeWeight);
        sketchMade_ = sketch_.Width() > 0 && sketch_.Height() > 0;
    }
    if (o.DrawColor && o.Source) {
        colorStep_.SetProgress(progress_);
        colorStep_.Load(*o.Source, o.Left, o.Top, o.Width, o.Height);
        colorStep_.ColorReduce(o.ColorReducer, o.ReducerKind, o.KeepAverage, o.BandCount, o.BandThresholds);
        colorStep_.Adjust(o.Brightness, o.Contrast, o.Saturation);
        colorStep_.ColorSmooth(o.SmoothRadius, o.SmoothMode);
        colorStep_.Blur(double(o.Blur) / 20.0);
        colorStep_.ColorBalance(o.Red, o.Green, o.Blue);
        colorMade_ = colorStep_.Width() > 0 && colorStep_.Height() > 0;
    }
    cancelled_ = cancel != 0;
}

void TDrawEffect::ComposeTo(Bitmap24& dst) const
{
    if (cancelled_ || Imaging().CancelRequested) return;
    const bool withSketch = sketchMade_;
    const bool withColor = colorMade_;
    if (!withSketch && !withColor) return;
    if (withSketch && withColor && options_.ComposeMode != 1 && options_.ComposeMode != 2) return;

    // The size comes from the layers themselves, not from the record, and is clipped to dst.
    int w = dst.Width(), h = dst.Height();
    if (withSketch) {
        w = std::min(w, sketch_.Width());
        h = std::min(h, sketch_.Height());
    }
    if (withColor) {
        w = std::min(w, colorStep_.Width());
        h = std::min(h, colorStep_.Height());
    }
    const int mix = std::clamp(options_.MixWeight, 0, 100);
    const int32_t* line = sketch_.Result().data();
    const uint8_t* color = colorStep_.Result().data();
    const size_t lineStride = size_t(sketch_.Width());
    const size_t colorStride = size_t(colorStep_.Width()) * 3;

    for (int y = 0; y < h; ++y) {
        uint8_t* d = dst.Row(y);
        const int32_t* s = withSketch ? line + size_t(y) * lineStride : nullptr;
        const uint8_t* c = withColor ? color + size_t(y) * colorStride : nullptr;
        for (int x = 0; x < w; ++x, d += 3) {
            if (!withColor) {
                const uint8_t g = uint8_t(std::clamp(s[x], 0, 255));
                d[0] = d[1] = d[2] = g;
                continue;
            }
            const uint8_t* cp = c + size_t(x) * 3;
            if (!withSketch) {
                d[0] = cp[0];
                d[1] = cp[1];
                d[2] = cp[2];
                continue;
            }
            const int sv = std::clamp(s[x], 0, 255);
            for (int k = 0; k < 3; ++k)
                d[k] = uint8_t(options_.ComposeMode == 1 ? cp[k] * sv / 255 : (cp[k] * (100 - mix) + sv * mix) / 100);
        }
    }
}
