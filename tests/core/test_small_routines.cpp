#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <tuple>
#include <vector>

#include "platform/small_routines.h"
#include "imaging/imaging_state.h"
#include "support/bitmap_checks.h"

TEST(SmallRoutines, IsIntegerText)
{
    for (const char* bad : {"", "+", "7-", "+-1", " 1", "1 ", "1.0", "0x1"})
        EXPECT_FALSE(IsIntegerText(QString::fromLatin1(bad))) << bad;
    for (const char* good : {"-7", "007", "+3", "12345678901234567890"})
        EXPECT_TRUE(IsIntegerText(QString::fromLatin1(good))) << good;
    EXPECT_FALSE(IsIntegerText(QStringLiteral("١٢"))); // digits of other scripts are not digits here
}

TEST(SmallRoutines, RectanglesAndClamps)
{
    Rect r = MakeRect(5, 9, 1, 2);
    EXPECT_EQ(NormalizeRect(r), MakeRect(1, 2, 5, 9));
    Rect off = MakeRect(300, 10, 400, 20);
    ClipRectToBounds(off, 256, 256);
    EXPECT_EQ(off.Left, 300);
    EXPECT_EQ(off.Right, 256);
    Rect neg = MakeRect(-4, -4, 3, 3);
    EXPECT_EQ(ClipRectToBounds(neg, 2, 2), MakeRect(0, 0, 2, 2));
    EXPECT_EQ(IntersectRects(MakeRect(0, 0, 4, 4), MakeRect(4, 0, 8, 4)), Rect{});
    EXPECT_EQ(IntersectRects(MakeRect(4, 4, 0, 0), MakeRect(2, 1, 8, 3)), MakeRect(2, 1, 4, 3));
    EXPECT_EQ(ScaleRect(MakeRect(1, 1, 3, 3), 0.5, 0.5), MakeRect(0, 0, 2, 2));
    EXPECT_EQ(RectToLocal(MakeRect(5, 5, 9, 9), 2, 3), MakeRect(3, 2, 7, 6));
    EXPECT_TRUE(PtInRectXY(0, 0, MakeRect(0, 0, 1, 1)));
    EXPECT_FALSE(PointInRect(Point{1, 0}, MakeRect(0, 0, 1, 1)));

    // ClampReal clamps in double first: NaN gives Lo, values beyond the int range the limits.
    const std::pair<double, int> bytes[] = {{254.9, 254}, {-0.7, 0}, {300, 255}, {std::nan(""), 0}};
    for (const auto& [v, want] : bytes) EXPECT_EQ(ClampReal(0, 255, v), want) << v;
    EXPECT_EQ(ClampReal(-5, 5, 1e300), 5);
    EXPECT_EQ(ClampReal(-5, 5, -1e300), -5);
    EXPECT_EQ(ClampInt(0, 10, 11), 10);
    EXPECT_EQ(RealToInt(2.5), 2);
    EXPECT_EQ(Lightness(MakeColor(255, 0, 0)), 127);
}

TEST(SmallRoutines, SelectKthMaxAndSort)
{
    std::vector<int32_t> four = {9, 1, 7, 3};
    EXPECT_EQ(SelectKth(four.data(), 4), 3); // the lower median
    EXPECT_EQ(SelectKth(nullptr, 0), 0);
    EXPECT_EQ(SelectKth(four.data(), -3), 0);
    std::mt19937 rng(5);
    for (int n = 1; n < 60; ++n) {
        std::vector<int32_t> v(static_cast<size_t>(n), 0);
        for (auto& x : v) x = int32_t(rng() % 20);
        std::vector<int32_t> sorted = v;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(SelectKth(v.data(), n), sorted[size_t((n - 1) / 2)]) << n;
    }
    {
        const uint8_t cancel = 1;
        std::vector<int32_t> v = {5, 4, 3, 2, 1};
        EXPECT_EQ(SelectKth(v.data(), 5, &cancel), 3); // cancelled: what stands at position 2, untouched
    }

    const int32_t v[] = {4, 9, 2};
    EXPECT_EQ(MaxOfInts(v, 0), 4);
    EXPECT_EQ(MaxOfInts(v, 2), 9);
    EXPECT_EQ(MaxOfInts(v, -1), 0);
    std::vector<uint8_t> bytes(5000);
    for (auto& b : bytes) b = uint8_t(rng());
    std::vector<uint8_t> expect = bytes;
    std::sort(expect.begin(), expect.end());
    SortBytes(bytes.data(), int(bytes.size()));
    EXPECT_EQ(bytes, expect);
    std::vector<uint8_t> same(10000, 7); // many equal keys must not degrade
    SortBytes(same.data(), int(same.size()));
    SortBytes(nullptr, 0);
    EXPECT_EQ(same, std::vector<uint8_t>(10000, 7));
}

TEST(SmallRoutines, HsvAndHslConversions)
{
    int v, s, h, r, g, b;
    RgbToHsv(255, 0, 0, v, s, h);
    EXPECT_EQ(std::tuple(h, s, v), std::tuple(0, 255, 255));
    RgbToHsv(0, 0, 255, v, s, h);
    EXPECT_EQ(h, 240);
    HsvToRgb(120, 255, 255, b, g, r);
    EXPECT_EQ(std::tuple(r, g, b), std::tuple(0, 255, 0));
    HsvToRgb(400, 300, -5, b, g, r); // clamped to 359, 255, 0
    EXPECT_EQ(std::tuple(r, g, b), std::tuple(0, 0, 0));
    HsvToRgb(359, 255, 255, b, g, r);
    EXPECT_EQ(r, 255);
    for (int grey = 0; grey < 256; grey += 17) { // greys round-trip exactly
        RgbToHsv(grey, grey, grey, v, s, h);
        HsvToRgb(h, s, v, b, g, r);
        EXPECT_EQ(std::tuple(r, g, b), std::tuple(grey, grey, grey));
    }

    RgbToHsl(255, 0, 0, v, s, h);
    EXPECT_EQ(std::tuple(h, s, v), std::tuple(0, 100, 50));
    RgbToHsl(0, 0, 255, v, s, h);
    EXPECT_EQ(h, 240);
    HslToRgb(240, 100, 50, b, g, r);
    EXPECT_EQ(std::tuple(r, g, b), std::tuple(0, 0, 255));
    HslToRgb(360, 100, 50, b, g, r); // out of range: black
    EXPECT_EQ(std::tuple(r, g, b), std::tuple(0, 0, 0));
    HslToRgb(0, 100, 100, b, g, r);
    EXPECT_EQ(std::tuple(r, g, b), std::tuple(255, 255, 255));
}

TEST(SmallRoutines, GrayscaleByLightness)
{
    Bitmap24 src(3, 2), dst;
    src.SetPixel(0, 0, MakeColor(255, 0, 0));
    src.SetPixel(1, 1, MakeColor(10, 20, 31));
    std::vector<int> positions;
    GrayscaleByLightness(src, dst, [&](int mn, int mx, int pos) {
        EXPECT_EQ(mn, 0);
        EXPECT_EQ(mx, 100);
        positions.push_back(pos);
    });
    EXPECT_EQ(dst.Width(), 3);
    EXPECT_TRUE(PixelsAre(dst, {{0, 0, GreyColor(127)}, {1, 1, GreyColor(20)}, {2, 0, 0xFFFFFF}}));
    EXPECT_EQ(positions, (std::vector<int>{0, 50}));
}
