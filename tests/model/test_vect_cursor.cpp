// The brush outline against the brush tip: footprints, the traced edges and what gets drawn.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "imaging/vect_cursor.h"

namespace {

// Whether the point (px, py) lies inside the closed polygon (even-odd rule).
bool InsidePolygon(const std::vector<Point>& poly, double px, double py)
{
    bool inside = false;
    for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        const double xi = poly[i].X, yi = poly[i].Y, xj = poly[j].X, yj = poly[j].Y;
        if ((yi > py) != (yj > py) && px < (xj - xi) * (py - yi) / (yj - yi) + xi) inside = !inside;
    }
    return inside;
}

} // namespace

TEST(VectCursor, FootprintsHaveTheDocumentedRows)
{
    // Size, pixel count and the first half of the rows' dx ranges (the rest mirror them).
    const struct {
        int size, pixels;
        std::vector<std::pair<int, int>> rows;
    } cases[] = {
        {1, 1, {{0, 0}}},
        {2, 4, {{0, 1}, {0, 1}}},
        {3, 5, {{0, 0}, {-1, 1}, {0, 0}}},
        {4, 12, {{0, 1}, {-1, 2}, {-1, 2}, {0, 1}}},
        {6, 24, {{0, 1}, {-1, 2}, {-2, 3}, {-2, 3}, {-1, 2}, {0, 1}}},
        {9, 61, {{-1, 1}, {-3, 3}, {-3, 3}, {-4, 4}, {-4, 4}, {-4, 4}, {-3, 3}, {-3, 3}, {-1, 1}}},
        {12, 112, {{-1, 2}, {-3, 4}, {-4, 5}, {-4, 5}, {-5, 6}, {-5, 6}, {-5, 6}, {-5, 6}, {-4, 5}, {-4, 5}, {-3, 4}, {-1, 2}}},
        {15, 177, {{-2, 2}, {-4, 4}, {-5, 5}, {-6, 6}, {-6, 6}, {-7, 7}, {-7, 7}, {-7, 7}, {-7, 7}, {-7, 7}, {-6, 6}, {-6, 6}, {-5, 5}, {-4, 4}, {-2, 2}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        const auto foot = BrushFootprint(c.size);
        const int r = (c.size - 1) / 2;
        int count = 0;
        for (int j = 0; j < c.size; ++j) {
            int lo = 1000, hi = -1000;
            for (int i = 0; i < c.size; ++i)
                if (foot[size_t(j)][size_t(i)]) {
                    ++count;
                    lo = std::min(lo, i - r);
                    hi = std::max(hi, i - r);
                }
            EXPECT_EQ(lo, c.rows[size_t(j)].first) << "row " << j;
            EXPECT_EQ(hi, c.rows[size_t(j)].second) << "row " << j;
        }
        EXPECT_EQ(count, c.pixels);
    }
}

TEST(VectCursor, EveryOutlineEnclosesExactlyItsFootprint)
{
    const TVectCursor cursor;
    for (int size = 1; size <= 15; ++size) {
        SCOPED_TRACE(size);
        const auto& list = cursor.Outline(size);
        ASSERT_GE(list.size(), 5u);
        const int r = (size - 1) / 2;
        EXPECT_EQ(list[0], (Point{-r, -r}));
        const std::vector<Point> poly(list.begin() + 1, list.end());
        // Clockwise on the screen (y down): the shoelace sum is positive.
        long long area2 = 0;
        for (size_t i = 0; i < poly.size(); ++i) {
            const Point& a = poly[i];
            const Point& b = poly[(i + 1) % poly.size()];
            area2 += (long long)a.X * b.Y - (long long)b.X * a.Y;
            // Edges run along pixel edges.
            EXPECT_TRUE(a.X == b.X || a.Y == b.Y);
        }
        const auto foot = BrushFootprint(size);
        int pixels = 0;
        for (int j = -1; j <= size; ++j)
            for (int i = -1; i <= size; ++i) {
                const bool painted = i >= 0 && j >= 0 && i < size && j < size && foot[size_t(j)][size_t(i)];
                pixels += painted;
                EXPECT_EQ(InsidePolygon(poly, i + 0.5, j + 0.5), painted) << i << "," << j;
            }
        EXPECT_EQ(area2, 2LL * pixels);
    }
}

TEST(VectCursor, RectangleAndNothingOutsideTheSizes)
{
    const TVectCursor cursor;
    EXPECT_EQ(cursor.OutlineRect(35, 47, 10, 1), (Rect{29, 39, 41, 51}));
    EXPECT_EQ(cursor.OutlineRect(35, 47, 10, 3), (Rect{19, 29, 51, 61}));
    for (int size : {0, 16, -3}) {
        QImage image(40, 40, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter p(&image);
        Rect out{1, 2, 3, 4};
        cursor.DrawOutline(15, 15, out, p, 4, size);
        p.end();
        EXPECT_EQ(out, Rect{});
        EXPECT_EQ(image.pixel(0, 0), image.pixel(20, 20));
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x) ASSERT_EQ(image.pixel(x, y), qRgb(255, 255, 255));
    }
}

TEST(VectCursor, DrawsOnTheZoomedGridAndRestoresThePen)
{
    const TVectCursor cursor;
    QImage image(60, 60, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setPen(QPen(QColor(1, 2, 3), 1));
    Rect out;
    // Size 2 at zoom 10 over cell (2, 1): the square (20, 10)-(40, 30).
    cursor.DrawOutline(25, 19, out, p, 10, 2);
    EXPECT_EQ(p.pen().color(), QColor(1, 2, 3));
    p.end();
    EXPECT_EQ(out, (Rect{19, 9, 41, 31}));
    const QRgb grey = qRgb(0x66, 0x66, 0x66);
    for (int k = 20; k <= 40; ++k) {
        EXPECT_EQ(image.pixel(k, 10), grey) << k;
        EXPECT_EQ(image.pixel(k, 30), grey) << k;
        EXPECT_EQ(image.pixel(20, k - 10), grey) << k;
        EXPECT_EQ(image.pixel(40, k - 10), grey) << k;
    }
    EXPECT_EQ(image.pixel(30, 20), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(41, 20), qRgb(255, 255, 255));
}
