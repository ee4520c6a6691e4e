// The bucket tool's region finder: tolerance per channel, 4-connection, the searched area's
// limits and what a second fill leaves of the first.
#include <gtest/gtest.h>

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
