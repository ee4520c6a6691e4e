// The bucket tool's region finder: tolerance per channel, 4-connection, the searched area's
// limits and what a second fill leaves of the first.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>

#include "imaging/flood_fill.h"

namespace {

// Which pixels of the searched area the last fill took, row by row, '#' filled and '.' not.
std::vector<std::string> Region(const TFloodFill& fill)
{
    std::vector<std::string> rows;
    for (int y = 0; y < fill.FillHeight(); ++y) {
        std::string row;
        for (int x = 0; x < fill.FillWidth(); ++x) {
            const bool black = fill.ResultMask().Pixel(x, y) == 0;
            EXPECT_EQ(black, fill.Filled(x, y)) << x << "," << y;
            row += black ? '#' : '.';
        }
        rows.push_back(row);
    }
    return rows;
}

// A picture drawn from rows of letters: each letter a colour of the table.
Bitmap24 Picture(const std::vector<std::string>& rows)
{
    Bitmap24 b(int(rows[0].size()), int(rows.size()));
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) {
            switch (rows[size_t(y)][size_t(x)]) {
            case 'a': b.SetPixel(x, y, MakeColor(200, 10, 10)); break;
            case 'b': b.SetPixel(x, y, MakeColor(232, 42, 0)); break;  // just within 32 of a
            case 'c': b.SetPixel(x, y, MakeColor(233, 10, 10)); break; // red one past 32
            case 'd': b.SetPixel(x, y, MakeColor(200, 10, 43)); break; // blue one past 32
            default: b.SetPixel(x, y, MakeColor(0, 0, 0)); break;
            }
        }
    return b;
}

} // namespace

TEST(FloodFill, ToleranceIsPerChannelAndOnlyFourNeighboursConnect)
{
    const Bitmap24 picture = Picture({
        "aab.a",
        "a.cda",
        "ab.x.",
        "...a.",
    });
    struct Case {
        int x, y, tolerance;
        std::vector<std::string> region;
    };
    const std::vector<Case> cases = {
        // Exactly the seed's colour; (4, 0) and (3, 3) touch only across corners or other colours.
        {0, 0, 0, {"##...", "#....", "#....", "....."}},
        // Within 32 on every channel: b joins, c (red) and d (blue) stay out.
        {0, 0, 32, {"###..", "#....", "##...", "....."}},
        // Everything.
        {2, 1, 255, {"#####", "#####", "#####", "#####"}},
    };
    TFloodFill fill;
    fill.SetSource(&picture, picture.Width(), picture.Height());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tolerance);
        fill.Fill(c.x, c.y, c.tolerance);
        EXPECT_EQ(Region(fill), c.region);
    }
}

TEST(FloodFill, SeedsOutsideTheAreaAndSecondFillsLeaveNoTrace)
{
    const Bitmap24 big = Picture({"aaaa", "aaaa", "aaaa"});
    const Bitmap24 small = Picture({"a.", ".a"});
    TFloodFill fill;
    fill.SetSource(&big, 4, 3);
    fill.Fill(0, 0, 0);
    EXPECT_EQ(Region(fill), (std::vector<std::string>{"####", "####", "####"}));
    // A smaller picture afterwards: nothing of the first region shows in its area.
    fill.SetSource(&small, 2, 2);
    fill.Fill(1, 1, 0);
    EXPECT_EQ(Region(fill), (std::vector<std::string>{"..", ".#"}));
    // Seeds outside the area, negative ones included, leave the mask white.
    for (const auto& [x, y] : {std::pair{-1, 0}, std::pair{0, -5}, std::pair{2, 0}, std::pair{0, 2}}) {
        fill.Fill(x, y, 255);
        EXPECT_EQ(Region(fill), (std::vector<std::string>{"..", ".."}));
    }
    // An area asked larger than the picture is held to it; a 1 x 1 picture fills its one pixel.
    fill.SetSource(&small, 300, 300);
    EXPECT_EQ(std::pair(fill.FillWidth(), fill.FillHeight()), std::pair(2, 2));
    const Bitmap24 one = Picture({"a"});
    fill.SetSource(&one, 1, 1);
    fill.Fill(0, 0, 0);
    EXPECT_EQ(Region(fill), std::vector<std::string>{"#"});
}

TEST(FloodFill, WholeLargestPictureAndTheMaskCopiedOntoATarget)
{
    Bitmap24 picture(256, 256);
    picture.Fill(MakeColor(5, 6, 7));
    // A wall of another colour splits it; the fill stays on its side.
    for (int y = 0; y < 256; ++y) picture.SetPixel(100, y, 0);
    TFloodFill fill;
    fill.SetSource(&picture, 256, 256);
    fill.Fill(255, 255, 0);
    int filled = 0;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) filled += fill.Filled(x, y);
    EXPECT_EQ(filled, 155 * 256);
    Bitmap24 target(16, 16);
    fill.ApplyMask(target); // the target is smaller: copied as far as it reaches
    EXPECT_EQ(target.Pixel(15, 15), 0xFFFFFFu);
    Bitmap24 whole(256, 256);
    fill.ApplyMask(whole);
    EXPECT_EQ(whole.Pixel(101, 0), 0u);
    EXPECT_EQ(whole.Pixel(99, 0), 0xFFFFFFu);
}

namespace {

// The region as a plain pixel-by-pixel breadth-first search finds it: the yardstick the span fill
// must match pixel for pixel.
std::vector<uint8_t> ReferenceRegion(const Bitmap24& picture, int w, int h, int sx, int sy, int tolerance)
{
    std::vector<uint8_t> in(size_t(w) * size_t(h), 0);
    if (sx < 0 || sy < 0 || sx >= w || sy >= h) return in;
    const uint8_t* seed = picture.Row(sy) + sx * 3;
    auto near = [&](int x, int y) {
        const uint8_t* p = picture.Row(y) + x * 3;
        for (int c = 0; c < 3; ++c)
            if (std::abs(int(p[c]) - int(seed[c])) > tolerance) return false;
        return true;
    };
    std::vector<std::pair<int, int>> queue{{sx, sy}};
    in[size_t(sy) * size_t(w) + size_t(sx)] = 1;
    for (size_t i = 0; i < queue.size(); ++i) {
        const auto [x, y] = queue[i];
        for (const auto& [nx, ny] : {std::pair{x + 1, y}, std::pair{x - 1, y}, std::pair{x, y + 1}, std::pair{x, y - 1}}) {
            if (nx < 0 || ny < 0 || nx >= w || ny >= h || in[size_t(ny) * size_t(w) + size_t(nx)] || !near(nx, ny))
                continue;
            in[size_t(ny) * size_t(w) + size_t(nx)] = 1;
            queue.push_back({nx, ny});
        }
    }
    return in;
}

} // namespace

TEST(FloodFill, SpanFillFindsExactlyThePixelByPixelRegionOnMazesAndNoise)
{
    // Few colours in small clumps make winding regions with holes, overhangs and U-turns, where a
    // span fill must go back up and down; several tolerances and areas smaller than the picture.
    unsigned seed = 2024;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 16;
    };
    for (int round = 0; round < 24; ++round) {
        const int w = 1 + int(next() % 96), h = 1 + int(next() % 96);
        Bitmap24 picture(w, h);
        const int levels = 2 + round % 3;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int v = int(next() % unsigned(levels)) * 40;
                picture.SetPixel(x, y, MakeColor(v, v / 2 + int(next() % 8), 255 - v));
            }
        const int areaW = round % 4 == 3 ? std::max(1, w - 7) : w, areaH = round % 5 == 4 ? std::max(1, h - 5) : h;
        TFloodFill fill;
        fill.SetSource(&picture, areaW, areaH);
        for (int probe = 0; probe < 6; ++probe) {
            const int x = int(next() % unsigned(areaW)), y = int(next() % unsigned(areaH));
            const int tolerance = std::array{0, 7, 40, 120}[size_t(probe % 4)];
            fill.Fill(x, y, tolerance);
            const std::vector<uint8_t> want = ReferenceRegion(picture, areaW, areaH, x, y, tolerance);
            for (int yy = 0; yy < areaH; ++yy)
                for (int xx = 0; xx < areaW; ++xx) {
                    const bool in = want[size_t(yy) * size_t(areaW) + size_t(xx)] != 0;
                    ASSERT_EQ(fill.Filled(xx, yy), in) << "round " << round << " at " << xx << "," << yy;
                    ASSERT_EQ(fill.ResultMask().Pixel(xx, yy), in ? 0u : 0xFFFFFFu);
                }
        }
    }
}
