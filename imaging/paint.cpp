#include "imaging/paint.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include <QFontMetrics>
#include <QPainter>

#include "platform/small_routines.h"
#include "imaging/icon_image.h"
#include "imaging/resample.h"
#include "imaging/transforms.h"
#include "platform/canvas_ops.h"
#include "platform/rounding.h"

namespace {

constexpr TColor White = 0xFFFFFF;

double Frac(double x) { return x - std::floor(x); }

bool Inside(const Rect& inner, const Bitmap24& bitmap)
{
    return inner.Left >= 0 && inner.Top >= 0 && inner.Right <= bitmap.Width() && inner.Bottom <= bitmap.Height();
}

} // namespace

int PointsToPixels(int points) { return int((int64_t(points) * 96 * 2 + 72) / (72 * 2)); }

int FontPoints(const QFont& font)
{
    const int points = font.pointSize();
    if (points > 0) return points;
    return std::max(1, RoundInt(font.pixelSize() * 72 / 96.0));
}

double InvFrac(double x) { return 1.0 - Frac(x); }

void PlotCoveragePixel(int x, int y, Bitmap24& bitmap, double coverage)
{
    if (!bitmap.Contains(x, y)) return;
    const int grey = 255 - RoundInt(std::clamp(coverage, 0.0, 1.0) * 255);
    std::memset(bitmap.Row(y) + x * 3, grey, 3);
}

void DrawWuLine(Bitmap24& bitmap, int x0, int y0, int x1, int y1)
{
    if (bitmap.IsEmpty()) return;
    if (x0 == x1) {
        const int from = std::max(std::min(y0, y1), 0), to = std::min(std::max(y0, y1), bitmap.Height() - 1);
        for (int y = from; y <= to; ++y) PlotCoveragePixel(x0, y, bitmap, 1.0);
        return;
    }
    if (y0 == y1) {
        const int from = std::max(std::min(x0, x1), 0), to = std::min(std::max(x0, x1), bitmap.Width() - 1);
        for (int x = from; x <= to; ++x) PlotCoveragePixel(x, y0, bitmap, 1.0);
        return;
    }
    const bool xMajor = std::llabs(int64_t(y1) - y0) < std::llabs(int64_t(x1) - x0);
    // Work along the major axis; Plot maps (major, minor) back to (x, y).
    int64_t ma = xMajor ? x0 : y0, na = xMajor ? y0 : x0;
    int64_t mb = xMajor ? x1 : y1, nb = xMajor ? y1 : x1;
    if (mb < ma) {
        std::swap(ma, mb);
        std::swap(na, nb);
    }
    const auto plot = [&](int64_t major, int64_t minor, double coverage) {
        const int64_t x = xMajor ? major : minor, y = xMajor ? minor : major;
        if (x < 0 || y < 0 || x >= bitmap.Width() || y >= bitmap.Height()) return;
        PlotCoveragePixel(int(x), int(y), bitmap, coverage);
    };
    const double g = double(nb - na) / double(mb - ma);
    plot(ma, na, 0.5);
    plot(ma, na + 1, 0.0);
    plot(mb, nb, 0.5);
    plot(mb, nb + 1, 0.0);
    // Points off the bitmap's major extent plot nothing, so the walk skips them.
    const int64_t extent = xMajor ? bitmap.Width() : bitmap.Height();
    const int64_t from = std::max<int64_t>(ma + 1, 0), to = std::min<int64_t>(mb - 1, extent - 1);
    for (int64_t m = from; m <= to; ++m) {
        const double n = double(na) + g * double(m - ma);
        const double base = std::floor(n);
        plot(m, int64_t(base), InvFrac(n));
        plot(m, int64_t(base) + 1, Frac(n));
    }
}

void DrawSmoothLine(Bitmap24& target, Bitmap24& work, const Rect& rect, int x0, int y0, int x1, int y1, int width)
{
    if (width == 1) {
        FillBitmapRect(target, White, rect);
        DrawWuLine(target, x0, y0, x1, y1);
        return;
    }
    const auto up = [](int v) { return RoundInt(v / SupersampleFactor); };
    const Rect big{up(rect.Left), up(rect.Top), up(rect.Right), up(rect.Bottom)};
    if (big.IsEmpty() || rect.IsEmpty()) return;
    // The enlarged rectangle must fit whole, or the reduction would change the scale: where Work
    // cannot hold it, a bitmap of its size stands in, with the drawing moved to its origin.
    Bitmap24 spare;
    Bitmap24* w = &work;
    int ox = 0, oy = 0;
    if (!Inside(big, work)) {
        spare.SetSize(big.Width(), big.Height());
        w = &spare;
        ox = -big.Left;
        oy = -big.Top;
    }
    const Rect drawn{big.Left + ox, big.Top + oy, big.Right + ox, big.Bottom + oy};
    FillBitmapRect(*w, White, drawn);
    DrawPenLine(*w, up(x0) + ox, up(y0) + oy, up(x1) + ox, up(y1) + oy, RoundInt(width / SupersampleFactor), 0);
    if (Inside(rect, target)) {
        ShrinkAreaAverage(*w, target, drawn, rect);
    } else {
        Bitmap24 reduced(rect.Width(), rect.Height());
        ShrinkAreaAverage(*w, reduced, drawn, SizeRect(rect.Width(), rect.Height()));
        CopyBitmapRect(reduced, SizeRect(rect.Width(), rect.Height()), target, rect.Left, rect.Top);
    }
}

void MakeBrushTip(Bitmap24& bitmap, int size, int s)
{
    if (size <= 0) return;
    const int w = std::min(size, bitmap.Width()), h = std::min(size, bitmap.Height());
    if (size <= 2) {
        FillBitmapRect(bitmap, 0, SizeRect(w, h));
        return;
    }
    const double r = (size - 1) / 2.0;
    const int k = 255 - std::clamp(s, 0, 255);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = bitmap.Row(y);
        for (int x = 0; x < w; ++x) {
            const double d = std::hypot(x - r, y - r);
            int v;
            if (d > r + 0.4)
                v = 255;
            else if (d >= r)
                v = k;
            else
                v = RoundInt(d * k / r);
            std::memset(row + x * 3, v, 3);
        }
    }
}

void RenderTextStamp(Bitmap24& stamp, const QString& text, const QFont& font, Rect& result, bool antialias,
                     int angle, int width, int height, const Rect* needed)
{
    const int points = FontPoints(font);
    const int size = antialias ? RoundInt(points / SupersampleFactor) : points;
    QFont f(font);
    f.setPixelSize(std::max(1, PointsToPixels(size)));
    f.setStyleStrategy(antialias ? QFont::PreferAntialias : QFont::NoAntialias);
    const QFontMetrics metrics(f);
    const int h0 = std::max(1, metrics.height());
    const int w0 = std::max(1, metrics.horizontalAdvance(text) + (f.italic() ? size : 1));

    Bitmap24 block(w0, h0);
    {
        QImage image = block.Image();
        QPainter painter(&image);
        painter.setRenderHint(QPainter::TextAntialiasing, antialias);
        painter.setFont(f);
        painter.setPen(Qt::black);
        painter.drawText(0, metrics.ascent(), text);
    }

    const int tw = std::max(0, width), th = std::max(0, height);
    Bitmap24 scaled(tw, th);
    if (antialias)
        ResampleBitmap(block, scaled, w0, h0, tw, th);
    else
        StretchCopyNearest(block, SizeRect(w0, h0), scaled, SizeRect(tw, th));

    const int side = std::max(width, height) + 4;
    result = SizeRect(side, side);
    if (side <= 0) return;
    // Only the part a caller reads is turned and handed out: a large stamp over a small format
    // is mostly outside it.
    const Rect part = needed ? LimitRect(*needed, side, side) : SizeRect(side, side);
    if (part.IsEmpty()) return;
    Bitmap24 square(side, side);
    CopyBitmapRect(scaled, SizeRect(tw, th), square, (side - tw) / 2, (side - th) / 2);
    RotateRectBilinear(square, SizeRect(side, side), angle, part);
    if (!antialias) {
        // No grey survives a hard stamp: below the colour value 0xA00000 is black, the rest white.
        for (int y = part.Top; y < part.Bottom; ++y) {
            uint8_t* row = square.Row(y);
            for (int x = part.Left; x < part.Right; ++x)
                WritePixel(row + x * 3, ReadPixel(row + x * 3) < 0xA00000 ? 0 : White);
        }
    }
    CopyBitmapRect(square, part, stamp, part.Left, part.Top);
}

void PaintStamp(const Bitmap24& stamp, Bitmap24& bitmap, Bitmap24& mask, int colorType, uint32_t mode, TColor color,
                const Rect& rect)
{
    if (mode != StampErase && (colorType < ctColors2 || colorType > ctTrueAlpha)) return;
    Rect r = LimitRect(rect, std::min(bitmap.Width(), mask.Width()), std::min(bitmap.Height(), mask.Height()));
    // Only where the stamp has pixels.
    r.Right = int(std::min<int64_t>(r.Right, int64_t(rect.Left) + stamp.Width()));
    r.Bottom = int(std::min<int64_t>(r.Bottom, int64_t(rect.Top) + stamp.Height()));
    if (r.IsEmpty()) return;
    const uint8_t paint[3] = {uint8_t(ColorB(color)), uint8_t(ColorG(color)), uint8_t(ColorR(color))};
    const int opacity = int((mode >> 16) & 0xFF);
    for (int y = r.Top; y < r.Bottom; ++y) {
        const uint8_t* st = stamp.Row(y - rect.Top);
        uint8_t* c = bitmap.Row(y);
        uint8_t* m = mask.Row(y);
        for (int x = r.Left; x < r.Right; ++x) {
            const int s = st[(x - rect.Left) * 3];
            if (s == 255) continue;
            uint8_t* p = c + x * 3;
            uint8_t& alpha = m[x * 3];
            if (mode == StampErase) {
                p[0] = p[1] = p[2] = 0;
                alpha = 255;
            } else if (colorType <= ctColors256) {
                std::memcpy(p, paint, 3);
                alpha = 0;
            } else if (colorType == ctTrueColor) {
                const bool transparent = alpha == 255;
                for (int ch = 0; ch < 3; ++ch) {
                    const int ground = transparent ? 255 : p[ch];
                    p[ch] = uint8_t((ground * s + paint[ch] * (255 - s)) / 255);
                }
                alpha = 0;
            } else {
                const double t = (255 - alpha) / 255.0;
                const double u = (255 - s) * opacity / 65025.0;
                const double v = t * (1 - u);
                const double t2 = 1 - (1 - t) * (1 - u);
                // Nothing of either left: the pixel stays as it was.
                if (t2 <= 0) continue;
                for (int ch = 0; ch < 3; ++ch) p[ch] = RoundByte((p[ch] * v + paint[ch] * u) / t2);
                alpha = RoundByte(255 - t2 * 255);
            }
        }
    }
}

void QuickSortGradientStops(TNodeArray& stops, int first, int last)
{
    first = std::max(first, 0);
    last = std::min(last, int(stops.size()) - 1);
    while (first < last) {
        const int32_t pivot = stops[size_t(first + (last - first) / 2)].Position;
        int i = first, j = last;
        while (i <= j) {
            while (stops[size_t(i)].Position < pivot) ++i;
            while (stops[size_t(j)].Position > pivot) --j;
            if (i <= j) {
                std::swap(stops[size_t(i)], stops[size_t(j)]);
                ++i;
                --j;
            }
        }
        // Recurse into the smaller part and loop on the larger, so the depth stays logarithmic.
        if (j - first < last - i) {
            QuickSortGradientStops(stops, first, j);
            first = i;
        } else {
            QuickSortGradientStops(stops, i, last);
            last = j;
        }
    }
}

void SortGradientStops(TNodeArray& stops)
{
    if (!stops.empty()) QuickSortGradientStops(stops, 0, int(stops.size()) - 1);
}

void DrawLinearGradient(TNodeArray& stops, Rect rect, Bitmap24& bitmap)
{
    if (stops.empty()) return;
    SortGradientStops(stops);
    ClipRectToBounds(rect, bitmap.Width(), bitmap.Height());
    if (rect.Width() <= 0 || rect.Height() <= 0) return;
    const double k = rect.Width() / 512.0;
    const auto column = [&](const TNodeRec& stop) { return int64_t(rect.Left) + RoundInt(stop.Position * k); };
    // Columns outside the rectangle are never written.
    const auto fill = [&](int64_t from, int64_t to, TColor color) {
        from = std::max<int64_t>(from, rect.Left);
        to = std::min<int64_t>(to, rect.Right);
        if (from < to) FillBitmapRect(bitmap, color, Rect{int(from), rect.Top, int(to), rect.Bottom});
    };
    fill(rect.Left, column(stops.front()), stops.front().Color);
    for (size_t m = 1; m < stops.size(); ++m) {
        if (!stops[m].Enabled) continue;
        const int64_t u = column(stops[m - 1]), e = column(stops[m]);
        if (u >= e) continue;
        const int64_t n = e - u;
        const TColor c0 = stops[m - 1].Color, c1 = stops[m].Color;
        const int64_t vFrom = std::max<int64_t>(0, rect.Left - u), vTo = std::min<int64_t>(n, rect.Right - 1 - u);
        for (int64_t v = vFrom; v <= vTo; ++v) {
            const auto mix = [&](int a, int b) { return int(((n - v) * a + v * b) / n); };
            const TColor c = MakeColor(mix(ColorR(c0), ColorR(c1)), mix(ColorG(c0), ColorG(c1)),
                                       mix(ColorB(c0), ColorB(c1)));
            const int x = int(u + v);
            for (int y = rect.Top; y < rect.Bottom; ++y) WritePixel(bitmap.Row(y) + x * 3, c);
        }
    }
    fill(column(stops.back()), rect.Right, stops.back().Color);
}

void ReplaceColorByCompare(Bitmap24& bitmap, Rect rect, int mode, int32_t key, TColor newColor)
{
    if (mode < CompareEqual || mode > CompareNotEqual) return;
    ClipRectToBounds(rect, bitmap.Width(), bitmap.Height());
    for (int y = rect.Top; y < rect.Bottom; ++y) {
        uint8_t* row = bitmap.Row(y);
        for (int x = rect.Left; x < rect.Right; ++x) {
            const int32_t v = int32_t(ReadPixel(row + x * 3));
            bool match = false;
            switch (mode) {
            case CompareEqual: match = v == key; break;
            case CompareGreater: match = v > key; break;
            case CompareLess: match = v < key; break;
            default: match = v != key; break;
            }
            if (match) WritePixel(row + x * 3, newColor);
        }
    }
}
