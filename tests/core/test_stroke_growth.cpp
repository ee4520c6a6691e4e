// The stroke band grown many steps at once must be exactly the band grown one step at a time:
// random marks (blobs, noise, thin lines, the rect's edges), rects inside and beyond the bitmap,
// both values the band grows into, and step counts from none to more than the picture needs.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "imaging/effect_kernels.h"
#include "platform/bitmap24.h"

namespace {

// A mark of 0, 255 and some 128 seeds; `kind` picks the shape of the inside.
Bitmap24 RandomMark(int w, int h, int kind, std::mt19937& rng)
{
    Bitmap24 b(w, h);
    std::uniform_int_distribution<int> percent(0, 99);
    const int cx = w / 2, cy = h / 2, radius = std::max(1, std::min(w, h) / 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int v = 0;
            switch (kind) {
            case 0: v = (x - cx) * (x - cx) + (y - cy) * (y - cy) < radius * radius ? 255 : 0; break;
            case 1: v = percent(rng) < 50 ? 255 : 0; break;
            case 2: v = (x == cx || y == cy) ? 255 : 0; break;
            default: v = percent(rng) < 85 ? 255 : 0; break;
            }
            if (percent(rng) < 3) v = 128;
            b.SetPixel(x, y, MakeColor(v, v, v));
        }
    // Seeds on the rect's corners and edges too, where the block rule differs.
    b.SetPixel(0, 0, MakeColor(128, 128, 128));
    b.SetPixel(w - 1, h - 1, MakeColor(128, 128, 128));
    b.SetPixel(w - 1, 0, MakeColor(128, 128, 128));
    return b;
}

bool SameBytes(const Bitmap24& a, const Bitmap24& b)
{
    return a.ByteCount() == b.ByteCount() && std::memcmp(a.Bits(), b.Bits(), a.ByteCount()) == 0;
}

TEST(StrokeGrowth, ManyStepsAtOnceMatchOneStepAtATime)
{
    std::mt19937 rng(1234);
    const Rect rects[] = {{0, 0, 37, 29}, {3, 2, 30, 25}, {-4, -4, 60, 60}, {5, 5, 6, 6}, {10, 0, 11, 29}};
    for (int kind = 0; kind < 4; ++kind)
        for (const Rect& rect : rects)
            for (int v : {0, 255})
                for (int steps : {0, 1, 2, 3, 7, 40, 300}) {
                    SCOPED_TRACE(testing::Message() << "kind " << kind << " rect " << rect.Left << "," << rect.Top << ","
                                                    << rect.Right << "," << rect.Bottom << " v " << v << " steps " << steps);
                    const Bitmap24 start = RandomMark(37, 29, kind, rng);
                    Bitmap24 stepwise = start, grown(37, 29), atOnce = start;
                    for (int i = 0; i < steps; ++i) GrowStrokeMark(stepwise, grown, rect, v);
                    GrowStrokeMarkSteps(atOnce, rect, v, steps);
                    ASSERT_TRUE(SameBytes(stepwise, atOnce));
                }
}

TEST(StrokeGrowth, TheBandStopsAtTheOtherValueAndAtTheStepCount)
{
    // One seed at the left of a row of V: each step adds exactly one more pixel to the right.
    Bitmap24 mark(12, 3);
    mark.Fill(MakeColor(255, 255, 255));
    for (int x = 0; x < 12; ++x) mark.SetPixel(x, 1, 0);
    mark.SetPixel(0, 1, MakeColor(128, 128, 128));
    GrowStrokeMarkSteps(mark, Rect{0, 0, 12, 3}, 0, 4);
    // The mark lives in each pixel's first byte.
    for (int x = 0; x < 12; ++x) EXPECT_EQ(mark.Row(1)[x * 3], x <= 4 ? 128 : 0) << x;
    // The 255 pixels around never join a band that grows into 0.
    for (int x = 0; x < 12; ++x) EXPECT_EQ(mark.Row(0)[x * 3], 255) << x;
}

} // namespace
