#pragma once
// Coverage stamps of the freehand strokes and the plain line, drawn pixel by pixel by our own
// rule so that a stroke can be extended one segment at a time: every pass of a stroke paints a
// per-pixel minimum (the darker value wins), so drawing only a new segment over the stamp gives
// the same pixels as drawing the whole polyline again.
//
// A pen of width w through cells p0-p1: width 1 is the line's own pixels (both ends included),
// width 2 the 2 x 2 squares at those pixels, wider pens every pixel whose centre lies within
// (w - 1) / 2 + 0.4 of the segment, round at both ends and at every join; a single point gives
// exactly the footprint of the hard brush tip of that size.
#include "platform/bitmap24.h"
#include "platform/rect.h"

// The pixels of the segment from p0 to p1, both ends included, for pens of width 1.
template <typename Plot>
void ForEachLinePixel(Point p0, Point p1, Plot&& plot);

// Darkens Stamp with the pen pass of width Width and grey Grey along p0-p1; Offset (0 or 0.5)
// moves the pen's centre off the cell centres, as even brush tips sit. Only Clip is touched.
void StampPenSegment(Bitmap24& stamp, const Rect& clip, Point p0, Point p1, int width, double offset, int grey);

// Darkens Stamp with every pass of a brush of size N and softness S along p0-p1: with
// r = (N - 1) div 2, pass e = 0..r has width N - 2e and grey (255 - S) * (r - e) div r, the
// widest and lightest outermost, a black core of 1 or 2 pixels in the middle.
void StampBrushSegment(Bitmap24& stamp, const Rect& clip, Point p0, Point p1, int size, int softness);

// The image pixels a segment of a brush of that size can touch.
Rect BrushSegmentBounds(Point p0, Point p1, int size);

// ---- implementation of the template ----
template <typename Plot>
void ForEachLinePixel(Point p0, Point p1, Plot&& plot)
{
    long long x = p0.X, y = p0.Y;
    const long long dx = p1.X >= p0.X ? p1.X - (long long)p0.X : (long long)p0.X - p1.X;
    const long long dy = p1.Y >= p0.Y ? (long long)p0.Y - p1.Y : p1.Y - (long long)p0.Y; // -|dy|
    const int sx = p0.X < p1.X ? 1 : -1, sy = p0.Y < p1.Y ? 1 : -1;
    long long err = dx + dy;
    for (;;) {
        plot(int(x), int(y));
        if (x == p1.X && y == p1.Y) break;
        const long long e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}
