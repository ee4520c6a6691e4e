#pragma once
// The few canvas operations the pixel code needs from a drawing platform, done on our own bitmaps:
// a clipped block copy, a nearest-pixel stretched copy (no blending, so masks and palette indices
// survive) and aliased pen lines with round caps. Every one clips against both bitmaps and does
// nothing for empty or inverted rectangles.
#include "platform/bitmap24.h"
#include "platform/color.h"
#include "platform/rect.h"

// Copies SrcRect of Src to Dst with its top-left corner at (DstX, DstY). Src and Dst may be the
// same bitmap, also with overlapping areas.
void CopyBitmapRect(const Bitmap24& src, const Rect& srcRect, Bitmap24& dst, int dstX, int dstY);

// Stretches SrcRect of Src onto DstRect of Dst, every destination pixel (u, v) counted from
// DstRect's corner taking source pixel (floor(u * sw / dw), floor(v * sh / dh)) from SrcRect's
// corner. Destination pixels whose source pixel lies outside Src stay as they are.
void StretchCopyNearest(const Bitmap24& src, const Rect& srcRect, Bitmap24& dst, const Rect& dstRect);

// A solid line from (X0, Y0) to (X1, Y1) in Color. Width 1 or less is a one-pixel line that leaves
// out its last point; wider lines are filled without blending, with round caps, so consecutive
// segments join round.
void DrawPenLine(Bitmap24& bitmap, int x0, int y0, int x1, int y1, int width, TColor color);
