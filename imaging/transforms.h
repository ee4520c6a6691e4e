#pragma once
// Rotations, moves and mirror flips of 24-bit bitmaps. The three bytes of a pixel are treated
// alike, so colour bitmaps, masks and palette indices are all served.
#include "platform/bitmap24.h"
#include "platform/color.h"
#include "platform/rect.h"

// Writes into Dst the source rotated by Angle degrees (positive turns counter-clockwise on the
// screen) about the centre of Rect, measured from the bitmap's origin, nearest neighbour.
// Destination pixels whose source lies outside Src become blue 255, green 0, red 0.
void RotateBitmapNearest(const Bitmap24& src, Bitmap24& dst, const Rect& rect, int angle);
// Rotates Rect's content in place about its centre, bilinear; what comes from outside is white.
void RotateRectBilinear(Bitmap24& bitmap, Rect rect, int angle);
// The same turn, writing only the pixels of Rect that lie in Only (the rest of Rect keeps its
// content unturned); each written pixel is the one the whole turn gives.
void RotateRectBilinear(Bitmap24& bitmap, Rect rect, int angle, const Rect& only);
// Moves Rect's content by (DX, DY), filling what it leaves with Fill; what leaves the bitmap is lost.
void ShiftRectContent(Bitmap24& bitmap, const Rect& rect, int dx, int dy, TColor fill);
// Mirror Rect top to bottom, or left to right. Callers pass the whole image.
void FlipRectVertical(Bitmap24& bitmap, const Rect& rect);
void FlipRectHorizontal(Bitmap24& bitmap, const Rect& rect);
