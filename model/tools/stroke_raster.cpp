// The freehand and line coverage stamps, pixel by pixel.
#include "model/tools/stroke_raster.h"

#include <algorithm>
#include <cmath>

namespace {

Rect Intersect(const Rect& a, const Rect& b)
{
    return Rect{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right), std::min(a.Bottom, b.Bottom)};
}

inline void Darken(Bitmap24& stamp, int x, int y, int grey)
{
    uint8_t* p = stamp.Row(y) + x * 3;
    if (grey < p[0]) p[0] = p[1] = p[2] = uint8_t(grey);
}

// Squared distance from (px, py) to the segment a-b.
inline double DistanceSq(double px, double py, double ax, double ay, double bx, double by)
{
    const double vx = bx - ax, vy = by - ay;
    const double len = vx * vx + vy * vy;
    double t = len > 0 ? ((px - ax) * vx + (py - ay) * vy) / len : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    const double dx = px - (ax + t * vx), dy = py - (ay + t * vy);
    return dx * dx + dy * dy;
}

// The core passes: the line's pixels (width 1) or 2 x 2 squares at them (width 2).
void StampThin(Bitmap24& stamp, const Rect& clip, Point p0, Point p1, int width, int grey)
{
    const int side = width >= 2 ? 2 : 1;
    ForEachLinePixel(p0, p1, [&](int x, int y) {
        for (int j = y; j < y + side; ++j)
            for (int i = x; i < x + side; ++i)
                if (i >= clip.Left && i < clip.Right && j >= clip.Top && j < clip.Bottom) Darken(stamp, i, j, grey);
    });
}

} // namespace

Rect BrushSegmentBounds(Point p0, Point p1, int size)
{
    const int n = std::max(size, 1);
    return Rect{std::min(p0.X, p1.X) - n, std::min(p0.Y, p1.Y) - n, std::max(p0.X, p1.X) + n + 1,
                std::max(p0.Y, p1.Y) + n + 1};
}

void StampPenSegment(Bitmap24& stamp, const Rect& clip, Point p0, Point p1, int width, double offset, int grey)
{
    const Rect c = Intersect(clip, stamp.Bounds());
    if (c.IsEmpty() || width < 1) return;
    if (width <= 2) {
        StampThin(stamp, c, p0, p1, width, grey);
        return;
    }
    const double radius = (width - 1) / 2.0 + 0.4;
    const double ax = p0.X + offset, ay = p0.Y + offset, bx = p1.X + offset, by = p1.Y + offset;
    const Rect box = Intersect(c, Rect{int(std::floor(std::min(ax, bx) - radius)), int(std::floor(std::min(ay, by) - radius)),
                                       int(std::ceil(std::max(ax, bx) + radius)) + 1, int(std::ceil(std::max(ay, by) + radius)) + 1});
    const double limit = radius * radius + 1e-9;
    for (int y = box.Top; y < box.Bottom; ++y)
        for (int x = box.Left; x < box.Right; ++x)
            if (DistanceSq(x, y, ax, ay, bx, by) <= limit) Darken(stamp, x, y, grey);
}

void StampBrushSegment(Bitmap24& stamp, const Rect& clip, Point p0, Point p1, int size, int softness)
{
    if (size < 1) return;
    if (size <= 2) {
        StampPenSegment(stamp, clip, p0, p1, size, 0.0, 0);
        return;
    }
    const int r = (size - 1) / 2;
    const double offset = (size - 1) / 2.0 - r;
    const int k = 255 - std::clamp(softness, 0, 255);
    const Rect c = Intersect(Intersect(clip, stamp.Bounds()), BrushSegmentBounds(p0, p1, size));
    if (c.IsEmpty()) return;
    // One distance per pixel: the narrowest pass that reaches it is also the darkest.
    const double ax = p0.X + offset, ay = p0.Y + offset, bx = p1.X + offset, by = p1.Y + offset;
    const double outer = (size - 1) / 2.0 + 0.4;
    const double outerSq = outer * outer + 1e-9;
    for (int y = c.Top; y < c.Bottom; ++y)
        for (int x = c.Left; x < c.Right; ++x) {
            const double dSq = DistanceSq(x, y, ax, ay, bx, by);
            if (dSq > outerSq) continue;
            for (int e = r - 1; e >= 0; --e) {
                const double radius = (size - 2 * e - 1) / 2.0 + 0.4;
                if (dSq <= radius * radius + 1e-9) {
                    Darken(stamp, x, y, k * (r - e) / r);
                    break;
                }
            }
        }
    StampPenSegment(stamp, c, p0, p1, size - 2 * r, 0.0, 0);
}
