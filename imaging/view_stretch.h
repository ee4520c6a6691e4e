#pragma once
// Draws a large picture into a small view without scaling all of it: only the view pixels that
// the picture's rectangle covers are computed, each taking its nearest source pixel. A drag over
// a photo of tens of megapixels redraws in the time of the view's size.
#include "platform/bitmap24.h"
#include "platform/rect.h"

// Stretches the whole of src over dstRect (which may reach outside dst, or be larger than it)
// of dst, nearest neighbour, writing only the pixels of dst inside dstRect.
void StretchNearestClipped(const Bitmap24& src, Bitmap24& dst, const Rect& dstRect);
