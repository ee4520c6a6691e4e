#include "platform/small_routines.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <QDesktopServices>
#include <QUrl>

#include "platform/rounding.h"

bool IsIntegerText(const QString& text)
{
    if (text.isEmpty()) return false;
    const QChar first = text.at(0);
    const bool sign = first == QLatin1Char('+') || first == QLatin1Char('-');
    const auto isDigit = [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); };
    if (!sign && !isDigit(first)) return false;
    if (sign && text.size() == 1) return false;
    for (qsizetype i = 1; i < text.size(); ++i)
        if (!isDigit(text.at(i))) return false;
    return true;
}

namespace {
std::function<void(const QString&)>& ShellHandler()
{
    static std::function<void(const QString&)> handler;
    return handler;
}
} // namespace

bool ShellOpen(const QString& path)
{
    if (ShellHandler()) {
        ShellHandler()(path);
        return true;
    }
    const QUrl url = QUrl::fromUserInput(path);
    QDesktopServices::openUrl(url);
    return true;
}

void SetShellOpenHandler(std::function<void(const QString&)> handler) { ShellHandler() = std::move(handler); }

Rect NormalizeRect(Rect& rect)
{
    if (rect.Right < rect.Left) std::swap(rect.Left, rect.Right);
    if (rect.Bottom < rect.Top) std::swap(rect.Top, rect.Bottom);
    return rect;
}

Rect ClipRectToBounds(Rect& rect, int width, int height)
{
    NormalizeRect(rect);
    if (rect.Top < 0) rect.Top = 0;
    if (rect.Left < 0) rect.Left = 0;
    if (rect.Right > width) rect.Right = width;
    if (rect.Bottom > height) rect.Bottom = height;
    return rect;
}

Rect UnionRects(const Rect& a, const Rect& b)
{
    if (a.IsEmpty()) return b;
    if (b.IsEmpty()) return a;
    return Rect{std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right), std::max(a.Bottom, b.Bottom)};
}

Rect IntersectRects(const Rect& a, const Rect& b)
{
    Rect x = a, y = b;
    NormalizeRect(x);
    NormalizeRect(y);
    const Rect r{std::max(x.Left, y.Left), std::max(x.Top, y.Top), std::min(x.Right, y.Right),
                 std::min(x.Bottom, y.Bottom)};
    if (r.Left < r.Right && r.Top < r.Bottom) return r;
    return Rect{};
}

Rect RectToLocal(const Rect& rect, int x, int y)
{
    return Rect{rect.Left - x, rect.Top - y, rect.Right - x, rect.Bottom - y};
}

Rect ScaleRect(const Rect& rect, double sx, double sy)
{
    return Rect{RoundInt(rect.Left * sx), RoundInt(rect.Top * sy), RoundInt(rect.Right * sx),
                RoundInt(rect.Bottom * sy)};
}

bool PtInRectXY(int x, int y, const Rect& rect)
{
    return rect.Left <= x && x < rect.Right && rect.Top <= y && y < rect.Bottom;
}

bool PointInRect(const Point& point, const Rect& rect) { return PtInRectXY(point.X, point.Y, rect); }

int ClampInt(int lo, int hi, int value)
{
    if (value > hi) return hi;
    if (value < lo) return lo;
    return value;
}

int ClampReal(int lo, int hi, double x)
{
    if (std::isnan(x)) return lo;
    x = std::trunc(x);
    if (x > double(hi)) return hi;
    if (x < double(lo)) return lo;
    return int(x);
}

int RealToInt(double x) { return RoundInt(x); }

void MinMax3(int a, int b, int c, int& min, int& max)
{
    min = std::min({a, b, c});
    max = std::max({a, b, c});
}

int Lightness(TColor color)
{
    int mn, mx;
    MinMax3(ColorR(color), ColorG(color), ColorB(color), mn, mx);
    return (mn + mx) / 2;
}

void PrepareLikeBitmap(const Bitmap24& src, Bitmap24& dst) { dst.SetSize(src.Width(), src.Height()); }

void SwapInts(int& a, int& b) { std::swap(a, b); }

int32_t SelectKth(int32_t* values, int count, const uint8_t* cancel)
{
    if (!values || count <= 0) return 0;
    const int k = (count - 1) / 2;
    int lo = 0, hi = count - 1;
    while (true) {
        if (cancel && *cancel) return values[k];
        if (hi <= lo + 1) {
            if (hi == lo + 1 && values[hi] < values[lo]) std::swap(values[lo], values[hi]);
            return values[k];
        }
        // Median of first, middle and last as pivot, placed in order at lo, lo + 1 and hi.
        const int mid = lo + (hi - lo) / 2;
        std::swap(values[mid], values[lo + 1]);
        if (values[lo] > values[hi]) std::swap(values[lo], values[hi]);
        if (values[lo + 1] > values[hi]) std::swap(values[lo + 1], values[hi]);
        if (values[lo] > values[lo + 1]) std::swap(values[lo], values[lo + 1]);
        int i = lo + 1, j = hi;
        const int32_t pivot = values[lo + 1];
        while (true) {
            do ++i; while (values[i] < pivot);
            do --j; while (values[j] > pivot);
            if (j < i) break;
            std::swap(values[i], values[j]);
        }
        values[lo + 1] = values[j];
        values[j] = pivot;
        if (j >= k) hi = j - 1;
        if (j <= k) lo = i;
    }
}

int32_t MaxOfInts(const int32_t* values, int last)
{
    if (!values || last < 0) return 0;
    int32_t best = values[0];
    for (int i = 1; i <= last; ++i) best = std::max(best, values[i]);
    return best;
}

void QuickSortBytes(uint8_t* data, int first, int last)
{
    // Recurse into the smaller part and loop over the larger, so the depth stays logarithmic.
    while (first < last) {
        const uint8_t pivot = data[first + (last - first) / 2];
        int i = first, j = last;
        while (i <= j) {
            while (data[i] < pivot) ++i;
            while (data[j] > pivot) --j;
            if (i <= j) {
                std::swap(data[i], data[j]);
                ++i;
                --j;
            }
        }
        if (j - first < last - i) {
            QuickSortBytes(data, first, j);
            first = i;
        } else {
            QuickSortBytes(data, i, last);
            last = j;
        }
    }
}

void SortBytes(uint8_t* data, int count)
{
    if (!data || count < 2) return;
    QuickSortBytes(data, 0, count - 1);
}

void RgbToHsv(int r, int g, int b, int& v, int& s, int& h)
{
    const int mx = std::max({r, g, b});
    const int mn = std::min({r, g, b});
    v = mx;
    s = (mx == mn || mx == 0) ? 0 : (mx - mn) * 255 / mx;
    if (s == 0) {
        h = 0;
        return;
    }
    const int d = mx - mn;
    if (r == mx)
        h = g * 60 / d - b * 60 / d;
    else if (g == mx)
        h = b * 60 / d - r * 60 / d + 120;
    else
        h = r * 60 / d - g * 60 / d + 240;
    if (h < 0) h += 360;
}

void HsvToRgb(int h, int s, int v, int& b, int& g, int& r)
{
    h = ClampInt(0, 359, h);
    s = ClampInt(0, 255, s);
    v = ClampInt(0, 255, v);
    if (s == 0) {
        r = g = b = v;
        return;
    }
    const int a = 6 * h;
    const int f = a % 360;
    const int p = v * (255 - s) / 255;
    const int q = v * (255 - f * s / 360) / 255;
    const int t = v * (255 - s * (360 - f) / 360) / 255;
    switch (a / 360) {
    case 0: r = v; g = t; b = p; break;
    case 1: r = q; g = v; b = p; break;
    case 2: r = p; g = v; b = t; break;
    case 3: r = p; g = q; b = v; break;
    case 4: r = t; g = p; b = v; break;
    default: r = v; g = p; b = q; break;
    }
}

void RgbToHsl(int r, int g, int b, int& l, int& s, int& h)
{
    const double R = r / 255.0, G = g / 255.0, B = b / 255.0;
    const double mx = std::max({R, G, B});
    const double mn = std::min({R, G, B});
    const double L = (mx + mn) / 2.0;
    double S = 0.0, H = 0.0;
    if (mx != mn) {
        const double d = mx - mn;
        S = L >= 0.5 ? d / (2.0 - mx - mn) : d / (mx + mn);
        if (R == mx)
            H = (G - B) / d;
        else if (G == mx)
            H = (B - R) / d + 2.0;
        else
            H = (R - G) / d + 4.0;
        H /= 6.0;
        if (H < 0.0) H += 1.0;
    }
    h = RoundInt(H * 360.0);
    s = RoundInt(S * 100.0);
    l = RoundInt(L * 100.0);
}

void HslToRgb(int h, int s, int l, int& b, int& g, int& r)
{
    if (h < 0 || h > 359 || s < 0 || s > 100 || l < 0 || l > 100) {
        r = g = b = 0;
        return;
    }
    double c[3];
    if (h <= 60) {
        c[0] = 255; c[1] = RoundInt(h * 4.25); c[2] = 0;
    } else if (h <= 120) {
        c[0] = RoundInt(255 - (h - 60) * 4.25); c[1] = 255; c[2] = 0;
    } else if (h <= 180) {
        c[0] = 0; c[1] = 255; c[2] = RoundInt((h - 120) * 4.25);
    } else if (h <= 240) {
        c[0] = 0; c[1] = RoundInt(255 - (h - 180) * 4.25); c[2] = 255;
    } else if (h <= 300) {
        c[0] = RoundInt((h - 240) * 4.25); c[1] = 0; c[2] = 255;
    } else {
        c[0] = 255; c[1] = 0; c[2] = RoundInt(255 - (h - 300) * 4.25);
    }
    const double sat = std::abs(s - 100) / 100.0;
    const double e = (l - 50) / 50.0;
    int out[3];
    for (int i = 0; i < 3; ++i) {
        double v = RoundInt(c[i] - (c[i] - 128) * sat);
        if (e > 0)
            v = RoundInt(v + (255 - v) * e);
        else if (e < 0)
            v = RoundInt(v + v * e);
        out[i] = ClampToByte(int(v));
    }
    r = out[0];
    g = out[1];
    b = out[2];
}

void GrayscaleByLightness(const Bitmap24& src, Bitmap24& dst, const ProgressCallback& progress)
{
    PrepareLikeBitmap(src, dst);
    const int w = src.Width(), h = src.Height();
    for (int y = 0; y < h; ++y) {
        if (progress) progress(0, 100, RoundInt(double(y) / h * 100.0));
        const uint8_t* s = src.Row(y);
        uint8_t* d = dst.Row(y);
        for (int x = 0; x < w; ++x) {
            const int mn = std::min({s[0], s[1], s[2]});
            const int mx = std::max({s[0], s[1], s[2]});
            const uint8_t grey = uint8_t((mn + mx) / 2);
            d[0] = d[1] = d[2] = grey;
            s += 3;
            d += 3;
        }
    }
}
