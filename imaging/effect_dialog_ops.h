#pragma once
// What each effect dialog computes from its parameters: which kernel runs with which values for
// which colour type. The dialogs keep the untouched backup of the format and, for palette
// formats, a true-colour work copy, and call one of these on every change; the function rebuilds
// the target from them alone, so the result never depends on earlier previews.
//
// Palette formats are handled in one of three ways: through the work copy and then mapped back
// onto a palette of their own entry count (brightness/contrast, saturation, blur, sharpen,
// filters, shadow), on the palette entries (colour balance), or on the indices themselves
// (rotation, stroke and zoom, which never invent an index).
#include <cstdint>

#include <QString>

#include "imaging/filter_engine.h"
#include "imaging/icon_image.h"
#include "platform/color.h"

// The sources of one dialog run. WorkCopy is only read for palette formats.
struct TEffectSources {
    const TIconImageRec& Backup;
    const TIconImageRec& WorkCopy;
    // The work copy for palette formats, the backup for the others.
    const TIconImageRec& Source() const;
};

// The work copy of a palette format: its indices replaced by their colours, colour type 5 and no
// palette entries in use.
void MakeTrueColorWorkCopy(const TIconImageRec& image, TIconImageRec& workCopy);
// Maps a palette format's colour bitmap (true colours at this point) back onto a palette of its own
// entry count: computed for the picture, no dithering.
void RequantizeToOwnPalette(TIconImageRec& target);

void ApplyBrightnessContrastEffect(const TEffectSources& s, TIconImageRec& target, int brightness, int contrast);
void ApplyColorBalanceEffect(const TEffectSources& s, TIconImageRec& target, int red, int green, int blue);
void ApplySaturationEffect(const TEffectSources& s, TIconImageRec& target, int saturation);
// Radius blur / 20.
void ApplyBlurEffect(const TEffectSources& s, TIconImageRec& target, int blur);
// Amount sharpen / 25.
void ApplySharpenEffect(const TEffectSources& s, TIconImageRec& target, int sharpen);
void ApplyFilterEffect(const TEffectSources& s, TIconImageRec& target, const TFilterDef& filter, bool red,
                       bool green, bool blue);
// Angle in degrees, counter-clockwise.
void ApplyRotateEffect(const TEffectSources& s, TIconImageRec& target, int angle);
// Position: Outer +1, Inner -1, Middle 0. Palette formats take the index in color's low byte.
void ApplyStrokeEffect(const TEffectSources& s, TIconImageRec& target, TColor color, int position, int opacity,
                       int size);
// Blur radius size / 20.
void ApplyShadowEffect(const TEffectSources& s, TIconImageRec& target, TColor color, int offset, int opacity,
                       int angle, int size);
// Percent 10..259 (others are ignored by the dialog before they get here).
void ApplyZoomEffect(const TEffectSources& s, TIconImageRec& target, int percent);

// The percentage a zoom text stands for ("%" signs dropped, digits beyond any integer saturating),
// or -1 when it is not a whole number in 10..259.
int ZoomPercentOfText(const QString& text);
// The size a side takes at a zoom percentage: rounded to the nearest, halves to even.
int ZoomedSide(int side, int percent);
// A 24-bit format's mask made two-valued after a blending pass: first byte up to 230 is opaque (0),
// above it transparent (255).
void ThresholdMask(Bitmap24& mask, const Rect& rect);
