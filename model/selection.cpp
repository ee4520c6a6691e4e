// Selection rules: snapping, the even-odd mask, the Edit commands, the outline's dots.
#include "model/selection.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "iconfiles/qv_clipboard.h"
#include "platform/rounding.h"

Point SnapToGrid(int canvasX, int canvasY, int zoom, int width, int height)
{
    const double z = std::max(zoom, 1);
    const int gx = RoundInt(canvasX / z);
    const int gy = RoundInt(canvasY / z);
    return Point{std::clamp(gx, 0, std::max(width, 0)), std::clamp(gy, 0, std::max(height, 0))};
}

namespace {

// One non-horizontal edge of the polygon: it crosses the centre lines of rows Top..Bottom-1.
struct TEdge {
    int Top = 0, Bottom = 0;
    int X0 = 0, Y0 = 0; // start point
    int DX = 0, DY = 0; // direction, DY never 0
};

// Writes colour into pixels [x0, x1) of a row.
void FillSpan(uint8_t* row, int x0, int x1, TColor color)
{
    const uint8_t b = uint8_t(color >> 16), g = uint8_t(color >> 8), r = uint8_t(color);
    uint8_t* p = row + size_t(x0) * 3;
    for (int x = x0; x < x1; ++x, p += 3) {
        p[0] = b;
        p[1] = g;
        p[2] = r;
    }
}

} // namespace

void FillPolygonEvenOdd(Bitmap24& bitmap, const Point* points, int count, TColor color)
{
    const int w = bitmap.Width();
    const int h = bitmap.Height();
    if (count < 3 || w <= 0 || h <= 0) return;

    // Edges bucketed by the first row they cross, so each row looks only at the edges it meets.
    std::vector<TEdge> edges;
    edges.reserve(size_t(count));
    int firstRow = h, lastRow = 0;
    for (int i = 0; i < count; ++i) {
        const Point& p = points[i];
        const Point& q = points[(i + 1) % count];
        if (p.Y == q.Y) continue; // a horizontal edge crosses no row centre
        TEdge e;
        e.Top = std::max(std::min(p.Y, q.Y), 0);
        e.Bottom = std::min(std::max(p.Y, q.Y), h);
        if (e.Top >= e.Bottom) continue;
        e.X0 = p.X;
        e.Y0 = p.Y;
        e.DX = q.X - p.X;
        e.DY = q.Y - p.Y;
        edges.push_back(e);
        firstRow = std::min(firstRow, e.Top);
        lastRow = std::max(lastRow, e.Bottom);
    }
    if (edges.empty()) return;
    std::sort(edges.begin(), edges.end(), [](const TEdge& a, const TEdge& b) { return a.Top < b.Top; });

    std::vector<const TEdge*> active;
    std::vector<double> crossings;
    size_t next = 0;
    for (int y = firstRow; y < lastRow; ++y) {
        while (next < edges.size() && edges[next].Top == y) active.push_back(&edges[next++]);
        active.erase(std::remove_if(active.begin(), active.end(), [y](const TEdge* e) { return e->Bottom <= y; }),
                     active.end());
        crossings.clear();
        // The row's centre line is y + 1/2; vertices lie on whole numbers, so it never meets one.
        for (const TEdge* e : active)
            crossings.push_back(e->X0 + double(2 * (y - e->Y0) + 1) * e->DX / (2.0 * e->DY));
        std::sort(crossings.begin(), crossings.end());
        uint8_t* row = bitmap.Row(y);
        for (size_t k = 0; k + 1 < crossings.size(); k += 2) {
            // Pixels whose centre x + 1/2 lies in [a, b).
            const double a = std::ceil(crossings[k] - 0.5);
            const double b = std::ceil(crossings[k + 1] - 0.5);
            const int x0 = int(std::clamp(a, 0.0, double(w)));
            const int x1 = int(std::clamp(b, 0.0, double(w)));
            if (x0 < x1) FillSpan(row, x0, x1, color);
        }
    }
}

namespace {

// The smallest and largest x and y of the first n corners (n >= 1), in grid units.
Rect CornerBounds(const TDocumentModel& doc, int n)
{
    Rect r{doc.Points[0].X, doc.Points[0].Y, doc.Points[0].X, doc.Points[0].Y};
    for (int i = 1; i < n; ++i) {
        const Point& p = doc.Points[i];
        r.Left = std::min(r.Left, p.X);
        r.Top = std::min(r.Top, p.Y);
        r.Right = std::max(r.Right, p.X);
        r.Bottom = std::max(r.Bottom, p.Y);
    }
    return r;
}

int UsedPoints(const TDocumentModel& doc) { return std::clamp<int>(doc.PointCount, 0, int(doc.Points.size())); }

} // namespace

Rect SelectionBounds(const TDocumentModel& doc)
{
    if (!doc.HasSelection() || UsedPoints(doc) < 3) return Rect{};
    return CornerBounds(doc, UsedPoints(doc));
}

Rect RenderSelectionMask(const TDocumentModel& doc, Bitmap24& mask)
{
    const TIconImageRec* f = doc.CurrentImage();
    if (!doc.HasSelection() || !f || f->Width <= 0 || f->Height <= 0) return Rect{};
    if (mask.Width() != f->Width || mask.Height() != f->Height) mask.SetSize(f->Width, f->Height);
    mask.Fill(0);
    const int n = UsedPoints(doc);
    FillPolygonEvenOdd(mask, doc.Points.data(), n, SelectedMaskColor);
    return SelectionBounds(doc);
}

void ClearSelectedPixels(TIconImageRec& format, const Bitmap24& mask)
{
    if (!format.Bitmap || !format.Mask) return;
    const int w = std::min({format.Width, format.Bitmap->Width(), format.Mask->Width(), mask.Width()});
    const int h = std::min({format.Height, format.Bitmap->Height(), format.Mask->Height(), mask.Height()});
    for (int y = 0; y < h; ++y) {
        const uint8_t* sel = mask.Row(y);
        uint8_t* colour = format.Bitmap->Row(y);
        uint8_t* alpha = format.Mask->Row(y);
        for (int x = 0; x < w; ++x) {
            if (sel[x * 3] != 255) continue;
            // Black is palette index 0 in the palette colour types as well.
            colour[x * 3] = colour[x * 3 + 1] = colour[x * 3 + 2] = 0;
            alpha[x * 3] = alpha[x * 3 + 1] = alpha[x * 3 + 2] = 255;
        }
    }
}

QString SelectionCommand(TDocumentModel& doc, int kind, TQVClipboard& clipboard)
{
    TIconImageRec* f = doc.CurrentImage();
    if (!f || !doc.HasSelection() || kind < skCopy || kind > skClear) return QString();
    Bitmap24 mask;
    const Rect bounds = RenderSelectionMask(doc, mask);
    if (kind == skCopy || kind == skCut) clipboard.CopySelection(*f, mask, bounds);
    if (kind == skCopy) return QString();
    ClearSelectedPixels(*f, mask);
    doc.PointCount = 0;
    return kind == skCut ? QStringLiteral("Cut") : QStringLiteral("Clear Selected Area");
}

void SelectAll(TDocumentModel& doc)
{
    const TIconImageRec* f = doc.CurrentImage();
    if (!f || doc.Points.size() < 5) return;
    const int w = f->Width, h = f->Height;
    const Point corners[5] = {{0, 0}, {w, 0}, {w, h}, {0, h}, {0, 0}};
    std::copy(std::begin(corners), std::end(corners), doc.Points.begin());
    doc.PointCount = 5;
}

void SelectNone(TDocumentModel& doc) { doc.PointCount = 0; }

void SelectionOutlineDots(const TDocumentModel& doc, std::vector<Point>& dots)
{
    dots.clear();
    const int n = UsedPoints(doc);
    const int z = std::max(doc.ZoomFactor, 1);
    int step = 0;
    for (int i = 0; i + 1 < n; ++i) {
        int x = doc.Points[i].X * z, y = doc.Points[i].Y * z;
        const int x1 = doc.Points[i + 1].X * z, y1 = doc.Points[i + 1].Y * z;
        const int dx = std::abs(x1 - x), dy = -std::abs(y1 - y);
        const int sx = x < x1 ? 1 : -1, sy = y < y1 ? 1 : -1;
        int err = dx + dy;
        // A segment's first pixel is the last of the one before it, and a closed outline ends
        // on the pixel it started with.
        bool first = i > 0;
        const bool closing = i + 2 == n && doc.Points[i + 1] == doc.Points[0];
        for (;;) {
            const bool end = x == x1 && y == y1;
            if (end && closing && n > 2) break;
            if (!first && (step++ & 1) == 0) dots.push_back(Point{x, y});
            first = false;
            if (end) break;
            const int e2 = 2 * err;
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
}

Rect SelectionOutlineArea(const TDocumentModel& doc)
{
    const int n = UsedPoints(doc);
    if (n <= 0) return Rect{};
    const int z = std::max(doc.ZoomFactor, 1);
    const Rect r = CornerBounds(doc, n);
    return Rect{r.Left * z, r.Top * z, r.Right * z + 1, r.Bottom * z + 1};
}
