#pragma once
// The building blocks of the painting tools: anti-aliased lines, the round brush tip, the text
// stamp, painting a colour through a stamp into a format, the linear gradient and replacing
// colours by comparison. A stamp is a 24-bit bitmap read as grey coverage from its first byte:
// 255 leaves the target alone, 0 paints fully.
#include <cstdint>
#include <vector>

#include <QFont>
#include <QString>

#include "platform/bitmap24.h"
#include "platform/color.h"
#include "platform/rect.h"

// Supersampling factor of thick lines and anti-aliased text.
constexpr double SupersampleFactor = 0.39;

// Modes of PaintStamp: 0 erases, anything else paints; bits 16 to 23 carry the opacity that
// true colour with alpha uses.
constexpr uint32_t StampErase = 0;

// One stop of a gradient: Position 0..511 along the strip, colour value, enabled flag.
struct TNodeRec {
    int32_t Position = 0;
    TColor Color = 0;
    uint8_t Enabled = 0;
    friend bool operator==(const TNodeRec&, const TNodeRec&) = default;
};
using TNodeArray = std::vector<TNodeRec>;

// Coverage of a black line of Width from (X0, Y0) to (X1, Y1) into Rect of Target (white = no
// line). Width 1 is drawn by DrawWuLine; other widths are drawn 1 / 0.39 times larger in Work and
// reduced by area averaging.
void DrawSmoothLine(Bitmap24& target, Bitmap24& work, const Rect& rect, int x0, int y0, int x1, int y1, int width);
// The one-pixel anti-aliased line; every plot replaces the pixel.
void DrawWuLine(Bitmap24& bitmap, int x0, int y0, int x1, int y1);
// Sets the pixel to grey 255 - round(Coverage * 255); points outside the bitmap are ignored.
void PlotCoveragePixel(int x, int y, Bitmap24& bitmap, double coverage);
// 1 minus the fractional part of X (the part above floor(X)).
double InvFrac(double x);

// A Size x Size round stamp at the bitmap's origin; S (0..255) sets how hard its rim is: 255 gives a
// solid disc, 0 the softest tip.
void MakeBrushTip(Bitmap24& bitmap, int size, int s);

// Windows' MulDiv(points, 96, 72): the pixel height of a point size on a 96 dpi device.
int PointsToPixels(int points);
// The font's size in points; a font given in pixels counts at 96 dpi.
int FontPoints(const QFont& font);

// Draws Text into a square stamp at Stamp's origin, optionally anti-aliased, rotated by Angle
// degrees; Width and Height are the text block's size at the final scale. Result becomes the
// square (0, 0, S, S) with S = max(Width, Height) + 4; the part beyond Stamp is left out. With
// Needed given, only that part of the square is made and written (the rest of Stamp keeps what
// it held); each pixel of it is the one the whole stamp has.
void RenderTextStamp(Bitmap24& stamp, const QString& text, const QFont& font, Rect& result, bool antialias,
                     int angle, int width, int height, const Rect* needed = nullptr);

// Paints Colour (a palette index for the palette colour types) through Stamp into Rect of the
// format's colour bitmap and mask, as the colour type asks. Masks get their first byte only.
void PaintStamp(const Bitmap24& stamp, Bitmap24& bitmap, Bitmap24& mask, int colorType, uint32_t mode, TColor color,
                const Rect& rect);

// A horizontal gradient through the stops across Rect; sorts Stops by position first.
void DrawLinearGradient(TNodeArray& stops, Rect rect, Bitmap24& bitmap);
void SortGradientStops(TNodeArray& stops);
void QuickSortGradientStops(TNodeArray& stops, int first, int last);

// Modes of ReplaceColorByCompare.
enum : int { CompareEqual = 0, CompareGreater = 1, CompareLess = 2, CompareNotEqual = 3 };
// Every pixel in Rect whose colour value compares with Key as Mode says takes NewColor.
void ReplaceColorByCompare(Bitmap24& bitmap, Rect rect, int mode, int32_t key, TColor newColor);
