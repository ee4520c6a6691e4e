// Wide pen lines tested only near the segment on each row give exactly the pixels of testing
// every pixel of the line's bounding box: random segments of every width, steep, flat, short,
// single points and ends far outside the bitmap.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "platform/canvas_ops.h"

namespace {

// Every pixel whose centre (corner for even widths) lies within half the width of the segment.
Bitmap24 Reference(int w, int h, int x0, int y0, int x1, int y1, int width)
{
    Bitmap24 b(w, h);
    const double half = width / 2.0, offset = (width % 2 == 0) ? 0.5 : 0.0;
    const double vx = x1 - x0, vy = y1 - y0, len2 = vx * vx + vy * vy;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double px = x + offset - x0, py = y + offset - y0;
            const double t = len2 > 0 ? std::clamp((px * vx + py * vy) / len2, 0.0, 1.0) : 0.0;
            const double ex = px - t * vx, ey = py - t * vy;
            if (ex * ex + ey * ey <= half * half + 1e-9) b.SetPixel(x, y, 0);
        }
    return b;
}

} // namespace

TEST(PenLineSpans, RowSpansGiveTheSamePixelsAsTheWholeBox)
{
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> coord(-20, 84), width(2, 40);
    for (int i = 0; i < 400; ++i) {
        int x0 = coord(rng), y0 = coord(rng), x1 = coord(rng), y1 = coord(rng);
        if (i % 10 == 0) y1 = y0;          // flat
        if (i % 10 == 1) x1 = x0;          // steep
        if (i % 10 == 2) x1 = x0, y1 = y0; // a point
        if (i % 10 == 3) x1 = x0 + 1;      // nearly steep
        const int w = width(rng);
        Bitmap24 drawn(64, 64);
        DrawPenLine(drawn, x0, y0, x1, y1, w, 0);
        const Bitmap24 want = Reference(64, 64, x0, y0, x1, y1, w);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                ASSERT_EQ(drawn.Pixel(x, y), want.Pixel(x, y))
                    << "segment (" << x0 << "," << y0 << ")-(" << x1 << "," << y1 << ") width " << w << " at " << x
                    << "," << y;
    }
}
