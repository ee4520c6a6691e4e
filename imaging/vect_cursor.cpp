// The brush outline: footprints read from the brush tip's stamp, traced along pixel edges.
#include "imaging/vect_cursor.h"

#include <algorithm>
#include <map>
#include <utility>

#include <QPainter>
#include <QPen>

#include "imaging/paint.h"
#include "platform/bitmap24.h"

std::vector<std::vector<bool>> BrushFootprint(int size)
{
    std::vector<std::vector<bool>> foot;
    if (size < 1) return foot;
    // The hardest tip: every pixel it paints at all is full paint.
    Bitmap24 tip(size, size);
    MakeBrushTip(tip, size, 255);
    foot.assign(size_t(size), std::vector<bool>(size_t(size), false));
    for (int j = 0; j < size; ++j)
        for (int i = 0; i < size; ++i) foot[size_t(j)][size_t(i)] = tip.Row(j)[i * 3] != 255;
    return foot;
}

namespace {

// The closed edge of a footprint, clockwise on the screen (y down), collinear runs merged.
std::vector<Point> TraceFootprint(const std::vector<std::vector<bool>>& foot)
{
    const int n = int(foot.size());
    const auto filled = [&](int i, int j) {
        return i >= 0 && j >= 0 && i < n && j < n && foot[size_t(j)][size_t(i)];
    };
    // Every edge between a painted and an unpainted pixel, directed so the painted side lies on
    // its right when walked on the screen: that walk is clockwise.
    std::map<std::pair<int, int>, std::pair<int, int>> next;
    std::pair<int, int> start{-1, -1};
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
            if (!filled(i, j)) continue;
            if (!filled(i, j - 1)) {
                next[{i, j}] = {i + 1, j};
                if (start.first < 0) start = {i, j};
            }
            if (!filled(i + 1, j)) next[{i + 1, j}] = {i + 1, j + 1};
            if (!filled(i, j + 1)) next[{i + 1, j + 1}] = {i, j + 1};
            if (!filled(i - 1, j)) next[{i, j + 1}] = {i, j};
        }
    }
    std::vector<Point> corners;
    if (start.first < 0) return corners;
    std::vector<Point> walk;
    auto at = start;
    do {
        walk.push_back(Point{at.first, at.second});
        const auto it = next.find(at);
        if (it == next.end()) break;
        at = it->second;
    } while (at != start && walk.size() <= next.size());
    // Only the corners: a vertex whose two edges run the same way is dropped.
    const size_t count = walk.size();
    for (size_t k = 0; k < count; ++k) {
        const Point& prev = walk[(k + count - 1) % count];
        const Point& cur = walk[k];
        const Point& nxt = walk[(k + 1) % count];
        const int ax = cur.X - prev.X, ay = cur.Y - prev.Y, bx = nxt.X - cur.X, by = nxt.Y - cur.Y;
        if (ax * by - ay * bx != 0) corners.push_back(cur);
    }
    return corners;
}

const std::vector<Point> NoOutline;

} // namespace

TVectCursor::TVectCursor()
{
    for (int size = 1; size <= MaxSize; ++size) {
        const int r = (size - 1) / 2;
        std::vector<Point>& list = Outlines[size_t(size - 1)];
        list.push_back(Point{-r, -r});
        const std::vector<Point> corners = TraceFootprint(BrushFootprint(size));
        list.insert(list.end(), corners.begin(), corners.end());
    }
}

const std::vector<Point>& TVectCursor::Outline(int size) const
{
    if (size < 1 || size > MaxSize) return NoOutline;
    return Outlines[size_t(size - 1)];
}

Rect TVectCursor::OutlineRect(int x, int y, int zoom, int size) const
{
    const std::vector<Point>& list = Outline(size);
    if (list.size() < 2 || zoom < 1) return Rect{};
    const int cx = x / zoom + list[0].X, cy = y / zoom + list[0].Y;
    int left = list[1].X, top = list[1].Y, right = left, bottom = top;
    for (size_t k = 1; k < list.size(); ++k) {
        left = std::min(left, list[k].X);
        right = std::max(right, list[k].X);
        top = std::min(top, list[k].Y);
        bottom = std::max(bottom, list[k].Y);
    }
    return Rect{zoom * (cx + left) - 1, zoom * (cy + top) - 1, zoom * (cx + right) + 1, zoom * (cy + bottom) + 1};
}

void TVectCursor::DrawOutline(int x, int y, Rect& out, QPainter& canvas, int zoom, int size) const
{
    out = OutlineRect(x, y, zoom, size);
    if (out.IsEmpty()) {
        out = Rect{};
        return;
    }
    const std::vector<Point>& list = Outline(size);
    const int cx = x / zoom + list[0].X, cy = y / zoom + list[0].Y;
    QPen pen = canvas.pen();
    const QColor saved = pen.color();
    pen.setColor(ToQColor(PenColor));
    canvas.setPen(pen);
    const auto canvasPoint = [&](const Point& v) { return QPoint(zoom * (cx + v.X), zoom * (cy + v.Y)); };
    QPoint from = canvasPoint(list.back());
    for (size_t k = 1; k < list.size(); ++k) {
        const QPoint to = canvasPoint(list[k]);
        canvas.drawLine(from, to);
        from = to;
    }
    pen.setColor(saved);
    canvas.setPen(pen);
}
