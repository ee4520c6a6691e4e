#pragma once
// How a format is shown: its colour bitmap laid over a ground by its mask, scaled into a target,
// thumbnails for the format strips, merging one format over another, inverting and whitening.
// Rectangles are clipped to every bitmap involved; an empty or inverted rectangle changes nothing.
#include <cstdint>

#include "imaging/icon_image.h"
#include "platform/bitmap24.h"
#include "platform/color.h"
#include "platform/rect.h"

class QPainter;

// The cells of a format strip are this wide; the thumbnail box inside a cell is square.
constexpr int FormatStripCellWidth = 80;
constexpr int ThumbnailBoxSize = 48;

// Dst at every pixel of Rect receives the pixel of Bitmap (through Palette when it has one) laid
// over the solid colour Ground by Mask.
void CompositeOnColor(const Bitmap24& bitmap, const Bitmap24& mask, const TPalette* palette, Bitmap24& dst,
                      TColor ground, const Rect& rect);
// The same with the ground taken from Ground at the same position.
void CompositeOnBitmap(const Bitmap24& bitmap, const Bitmap24& mask, const Bitmap24& ground, Bitmap24& dst,
                       const Rect& rect, const TPalette* palette);

// Draws the whole format scaled into Rect of the canvas over Ground. A format whose bitmaps are
// missing or smaller than it claims draws nothing.
void DrawIconImage(Bitmap24& canvas, const Rect& rect, TColor ground, const TIconImageRec& rec);
void DrawIconImage(QPainter& canvas, const Rect& rect, TColor ground, const TIconImageRec& rec);
// Draws the format into the square Target on white: 1:1 and centred when it fits, else scaled
// down keeping its aspect ratio.
void DrawIconImageFitted(const TIconImageRec& rec, Bitmap24& target);
// Where format Index lands in a strip (see DrawFormatThumbnail); empty for an index outside.
Rect FormatThumbnailRect(const TIconImageArray& formats, int index);
// Draws format Index as the thumbnail of cell Index of a strip, over the shared BackgroundColor.
void DrawFormatThumbnail(Bitmap24& canvas, const TIconImageArray& formats, int index);
void DrawFormatThumbnail(QPainter& canvas, const TIconImageArray& formats, int index);
// Fills Rect with Color laid over a checkerboard of 4 x 4 squares (220 at the origin, 255 beside
// it), weighted by the third byte of Level.
void DrawCheckerSwatch(const Rect& rect, TColor color, TColor level, Bitmap24& bitmap);

// Lays A over B within Rect with B's share scaled by Opacity (0..255), storing the result in A.
// Both formats hold true colour.
void MergeIconImageOver(TIconImageRec& a, const TIconImageRec& b, const Rect& rect, int opacity);
// With a palette of at least one entry inverts its entries and leaves the pixels; else inverts
// every byte of the pixels in Rect.
void InvertColors(Bitmap24& bitmap, const Rect& rect, TPalette* palette);
// Sets the colour to white wherever the mask is fully transparent.
void WhitenTransparent(Bitmap24& bitmap, const Bitmap24& mask, const Rect& rect);
