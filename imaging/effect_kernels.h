#pragma once
// The pixel arithmetic behind the effect dialogs. Each kernel reads a source (the dialog's
// untouched backup) and writes a destination (the format being edited), so a dialog can recompute
// from the backup whenever a value changes. Source and destination may be the same bitmap.
//
// Rectangles are clipped to both bitmaps; an inverted one changes nothing. Every caller passes the
// whole image, (0, 0, W, H).
#include <cstdint>

#include "imaging/icon_image.h"
#include "platform/bitmap24.h"
#include "platform/color.h"
#include "platform/rect.h"

// Brightness and colour balance: each channel plus its offset, clamped to 0..255.
void ApplyChannelOffsets(const Bitmap24& Src, Bitmap24& Dst, const Rect& rect, int DR, int DG, int DB);
// The same on the first palNumEntries entries (of Src) of a palette; flags untouched. Src and Dst
// may be the same palette.
void OffsetPaletteChannels(const TPalette& Src, TPalette& Dst, int DR, int DG, int DB);
// Contrast K about Pivot (see BuildContrastLookup); the brightness-and-contrast dialog passes 253.
void ApplyContrast(const Bitmap24& Src, Bitmap24& Dst, const Rect& rect, int Pivot, int K);
// Saturation Level -127..127 (clamped): -127 is grey, 0 a very slight desaturation.
void ApplySaturation(const Bitmap24& Src, Bitmap24& Dst, const Rect& rect, int Level);

// Blurs Width x Height colour values (red in the low byte) in place with the shared Gaussian
// kernel; the high byte of every value comes out 0. Sigma <= 0 leaves the colours as they are.
void GaussianBlurColors(TColor* Colors, int Width, double Sigma, int Height);
// Blurs the pixels of rect in Src and writes the result into Dst from (0, 0) (clipped to Dst).
// Sigma <= 0 copies.
void GaussianBlurRect(const Bitmap24& Src, Bitmap24& Dst, const Rect& rect, double Sigma);
// Each pixel moves away from the pixel above it: c + Amount (c - above), truncated and clamped.
// The rectangle's first row and last column are left as Dst held them.
void SharpenRect(const Bitmap24& Src, Bitmap24& Dst, const Rect& rect, double Amount);

// Drop shadow: the source's mask shifted by Distance towards Angle (degrees; 135 falls right and
// down), blurred with Sigma, coloured with Colour and laid under the picture with Opacity. Dst
// takes the source's size, colour type, palette and id. Uses the shared ScratchBitmap1.
void ApplyDropShadow(const TIconImageRec& Src, TIconImageRec& Dst, TColor Colour, int Distance, int Opacity,
                     int Angle, double Sigma);

// Stroke of Size pixels along the edge of the picture: Position > 0 outside it, < 0 inside, 0
// across it. True colour blends Colour in with Opacity; palette formats take the index in
// Colour's low byte as it is. Dst takes Src's size, colour type and id; its palette stays. Uses the
// shared ScratchBitmap1 (the mark) and ScratchBitmap2 (growth); images larger than them are
// stroked within the part that fits.
void ApplyStroke(const TIconImageRec& Src, TIconImageRec& Dst, TColor Colour, int Position, int Opacity, int Size);
// One growth step of a stroke mark (first bytes 0 outside, 255 inside, 128 on the band): in every
// 2 x 2 block of rect whose top-left (or bottom-right) pixel holds V and whose other pixels hold
// 128 somewhere, that pixel joins the band. Computed into Grown, which then replaces Mark.
void GrowStrokeMark(Bitmap24& Mark, Bitmap24& Grown, const Rect& rect, int V);
// Steps growth steps of the same V at once, with exactly the result of that many GrowStrokeMark
// calls: each step adds the V pixels next to those the step before added, so the band is walked
// outwards once instead of the whole rect being scanned per step.
void GrowStrokeMarkSteps(Bitmap24& Mark, const Rect& rect, int V, int Steps);
