#include "imaging/filter_engine.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string_view>
#include <vector>

#include "imaging/row_sums.h"
#include "platform/parallel.h"
#include "platform/small_routines.h"
#include "platform/rounding.h"

namespace {

constexpr TFilterDef Preset(const char* name, int size, std::initializer_list<int> weights, int divisor, int bias)
{
    TFilterDef f;
    f.Kind = 1;
    f.SizeCode = uint8_t(size == 7 ? 3 : size == 5 ? 2 : 1);
    const int r = size / 2;
    int i = 0;
    for (int w : weights) {
        f.Kernel[3 - r + i / size][3 - r + i % size] = w;
        ++i;
    }
    f.Divisor = divisor;
    f.Bias = bias;
    for (int c = 0; name[c] != '\0' && c < 128; ++c) f.Name[c] = name[c];
    return f;
}

}  // namespace

const std::array<TFilterDef, FilterPresetCount> FilterPresets = {
    Preset("Null", 3, {0, 0, 0, 0, 1, 0, 0, 0, 0}, 1, 0),
    Preset("Color Emboss", 3, {-1, -1, -1, 0, 1, 0, 1, 1, 1}, 1, 0),
    Preset("Light Emboss", 3, {0, -1, 0, 0, 0, 0, 0, 1, 0}, 1, 192),
    Preset("Median Emboss", 3, {-1, -2, -1, 0, 0, 0, 1, 2, 1}, 1, 192),
    Preset("Dark Emboss", 3, {-1, -2, -1, 0, 0, 0, 1, 2, 1}, 1, 128),
    Preset("Edge Enhance", 3, {-1, -2, -1, -2, 16, -2, -1, -2, -1}, 4, 0),
    Preset("Bartlett Blur", 7,
           {1, 2, 3, 4, 3, 2, 1, 2, 4, 6, 8, 6, 4, 2, 3, 6, 9, 12, 9, 6, 3, 4, 8, 12, 16, 12, 8, 4,
            3, 6, 9, 12, 9, 6, 3, 2, 4, 6, 8, 6, 4, 2, 1, 2, 3, 4, 3, 2, 1},
           256, 0),
    Preset("Gaussian Blur", 7,
           {1, 4, 8, 10, 8, 4, 1, 4, 12, 25, 29, 25, 12, 4, 8, 25, 49, 58, 49, 25, 8, 10, 29, 58, 67, 58, 29, 10,
            8, 25, 49, 58, 49, 25, 8, 4, 12, 25, 29, 25, 12, 4, 1, 4, 8, 10, 8, 4, 1},
           999, 0),
    Preset("Negative", 3, {0, 0, 0, 0, -1, 0, 0, 0, 0}, 1, 255),
    Preset("Average filter", 3, {1, 1, 1, 1, 1, 1, 1, 1, 1}, 9, 0),
    Preset("Blur", 3, {1, 2, 1, 2, 4, 2, 1, 2, 1}, 16, 0),
    Preset("Blur Softly", 3, {1, 3, 1, 3, 16, 3, 1, 3, 1}, 32, 0),
    Preset("Blur More", 5, {0, 1, 2, 1, 0, 1, 4, 6, 4, 1, 2, 6, 8, 6, 2, 1, 4, 6, 4, 1, 0, 1, 2, 1, 0}, 64, 0),
    Preset("Prewitt Edges", 3, {1, 1, 1, 1, -2, 1, -1, -1, -1}, 1, 0),
    Preset("Trace Contour", 3, {-6, -2, -6, -1, 32, -1, -6, -2, -6}, 1, 240),
    Preset("Sharpen", 3, {-1, -1, -1, -1, 16, -1, -1, -1, -1}, 8, 0),
    Preset("Sharpen More", 3, {-1, -1, -1, -1, 12, -1, -1, -1, -1}, 4, 0),
    Preset("Sharpen Less", 3, {-1, -1, -1, -1, 24, -1, -1, -1, -1}, 16, 0),
    Preset("Unsharp Mask", 3, {-1, -2, -1, -2, 16, -2, -1, -2, -1}, 4, 0),
    Preset("Strong Edges", 3, {1, 3, 1, 3, -16, 3, 1, 3, 1}, 1, 0),
    Preset("Weak Edges", 3, {0, 1, 0, 1, -4, 1, 0, 1, 0}, 1, 0),
    Preset("Etch", 3, {-6, 2, -6, -1, 32, -1, -6, -2, -6}, 1, 240),
    Preset("Laplacian  Horz./Vert", 3, {0, -1, 0, -1, 4, -1, 0, -1, 0}, 1, 0),
    Preset("Laplacian Omni-directional", 3, {-1, -1, -1, -1, 8, -1, -1, -1, -1}, 1, 0),
    Preset("Sharpen Directional", 3, {-3, -3, -3, 0, 16, 0, 1, 1, 1}, 10, 0),
};

namespace {

int RadiusOf(int sizeCode) { return sizeCode == 2 ? 2 : sizeCode == 3 ? 3 : 1; }

// For every position along a line of n pixels, the 2r + 1 positions read for the offsets -r..r.
// Offsets that point towards a near edge are mirrored through the current pixel; where even the
// mirror leaves a short line, the read is held to the nearest end.
std::vector<int> EdgeTable(int n, int r)
{
    std::vector<int> t(size_t(n) * size_t(2 * r + 1));
    for (int i = 0; i < n; ++i)
        for (int d = -r; d <= r; ++d) {
            const bool mirror = (i <= r && d < 0) || (i >= n - r - 1 && d >= 1);
            t[size_t(i) * size_t(2 * r + 1) + size_t(d + r)] = std::clamp(mirror ? i - d : i + d, 0, n - 1);
        }
    return t;
}

struct Tap {
    int dy, dx;  // offsets -r..r
    int32_t weight;
};

std::vector<Tap> TapsOf(const TFilterDef& f, int r)
{
    std::vector<Tap> taps;
    for (int dy = -r; dy <= r; ++dy)
        for (int dx = -r; dx <= r; ++dx)
            if (const int32_t w = f.Kernel[dy + 3][dx + 3]; w != 0) taps.push_back({dy, dx, w});
    return taps;
}

void Report(const ProgressCallback& callback, int y, int height)
{
    if (callback) callback(0, 100, RoundInt(double(y) / double(height) * 100.0));
}

// The filtered value of one component: Bias + sum / Divisor. The quotient is taken in double, which
// keeps every exact quotient of two 32-bit integers exact.
double Filtered(const TFilterDef& f, long long sum) { return double(f.Bias) + double(sum) / double(f.Divisor); }

void ConvolveRgb(const Bitmap24& src, Bitmap24& dst, const TFilterDef& f, int r, const bool on[3],
                 const ProgressCallback& callback)
{
    const int w = src.Width(), h = src.Height();
    const std::vector<int> rowsAt = EdgeTable(h, r), colsAt = EdgeTable(w, r);
    const std::vector<Tap> taps = TapsOf(f, r);
    const size_t span = size_t(2 * r + 1);
    // Byte order blue, green, red; on[] is red, green, blue.
    const bool enabled[3] = {on[2], on[1], on[0]};
    // Columns whose every tap reads x + dx (no mirrored or held read) are summed a tap at a time
    // over the whole run, which the compiler turns into vector code; that needs the sums to fit
    // 32 bits, as they do for every preset. The columns near the edges take the table.
    long long reach = 0;
    for (const Tap& tap : taps) reach += (long long)std::abs((long long)tap.weight) * 255;
    const int inner0 = r + 1, inner1 = w - r - 1;
    const bool fast = reach <= INT32_MAX && inner1 > inner0;
    const size_t innerBytes = fast ? size_t(inner1 - inner0) * 3 : 0;
    // Every output row depends on the source alone, so without a callback that must see the rows
    // in order they are shared out over the cores, a block at a time.
    const size_t threads = callback ? 1 : KernelThreads(size_t(w) * size_t(h), taps.size());
    ParallelForSpans(size_t(h), threads > 1 ? 8 : size_t(h), threads, [&](size_t from, size_t end) {
        std::vector<int32_t> acc(innerBytes);
        std::vector<const uint8_t*> rowPtr(span);
        for (int y = int(from); y < int(end); ++y) {
            Report(callback, y, h);
            for (size_t t = 0; t < span; ++t) rowPtr[t] = src.Row(rowsAt[size_t(y) * span + t]);
            const uint8_t* s = src.Row(y);
            uint8_t* d = dst.Row(y);
            auto edgePixel = [&](int x) {
                const int* cx = &colsAt[size_t(x) * span];
                long long sum[3] = {0, 0, 0};
                for (const Tap& tap : taps) {
                    const uint8_t* p = rowPtr[size_t(tap.dy + r)] + cx[tap.dx + r] * 3;
                    sum[0] += (long long)tap.weight * p[0];
                    sum[1] += (long long)tap.weight * p[1];
                    sum[2] += (long long)tap.weight * p[2];
                }
                for (int c = 0; c < 3; ++c) d[x * 3 + c] = enabled[c] ? uint8_t(ClampReal(0, 255, Filtered(f, sum[c]))) : s[x * 3 + c];
            };
            if (!fast) {
                for (int x = 0; x < w; ++x) edgePixel(x);
                continue;
            }
            for (int x = 0; x < inner0; ++x) edgePixel(x);
            std::fill(acc.begin(), acc.end(), 0);
            int32_t* a = acc.data();
            // Four taps per pass over the sums, the rest one at a time; integer sums in any order.
            size_t t = 0;
            for (; t + 4 <= taps.size(); t += 4) {
                const uint8_t* q[4];
                int32_t wt[4];
                for (size_t k = 0; k < 4; ++k) {
                    q[k] = rowPtr[size_t(taps[t + k].dy + r)] + (inner0 + taps[t + k].dx) * 3;
                    wt[k] = taps[t + k].weight;
                }
                AddWeightedRows4(a, q, wt, innerBytes);
            }
            for (; t < taps.size(); ++t)
                AddWeightedRow(a, rowPtr[size_t(taps[t].dy + r)] + (inner0 + taps[t].dx) * 3, taps[t].weight, innerBytes);
            uint8_t* out = d + inner0 * 3;
            const uint8_t* keep = s + inner0 * 3;
            StoreFiltered(out, a, innerBytes, double(f.Bias), double(f.Divisor));
            if (!(enabled[0] && enabled[1] && enabled[2]))
                for (size_t j = 0; j < innerBytes; j += 3)
                    for (size_t c = 0; c < 3; ++c)
                        if (!enabled[c]) out[j + c] = keep[j + c];
            for (int x = inner1; x < w; ++x) edgePixel(x);
        }
    });
}

// Hue, saturation and value (or lightness) filtered like channels; R, G, B switch the three
// components. The hue is rounded without a clamp (the conversion back limits it).
void ConvolveHue(const Bitmap24& src, Bitmap24& dst, const TFilterDef& f, int r, int mode, const bool on[3],
                 const ProgressCallback& callback)
{
    const int w = src.Width(), h = src.Height();
    const size_t n = size_t(w) * size_t(h);
    std::vector<int> comp[3] = {std::vector<int>(n), std::vector<int>(n), std::vector<int>(n)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = src.Row(y) + x * 3;
            const size_t i = size_t(y) * size_t(w) + size_t(x);
            if (mode == fmHSV)
                RgbToHsv(p[2], p[1], p[0], comp[2][i], comp[1][i], comp[0][i]);
            else
                RgbToHsl(p[2], p[1], p[0], comp[2][i], comp[1][i], comp[0][i]);
        }
    const int topSV = mode == fmHSV ? 255 : 100;
    const std::vector<int> rowsAt = EdgeTable(h, r), colsAt = EdgeTable(w, r);
    const std::vector<Tap> taps = TapsOf(f, r);
    const size_t span = size_t(2 * r + 1);
    for (int y = 0; y < h; ++y) {
        Report(callback, y, h);
        for (int x = 0; x < w; ++x) {
            const size_t i = size_t(y) * size_t(w) + size_t(x);
            int out[3] = {comp[0][i], comp[1][i], comp[2][i]};
            for (int c = 0; c < 3; ++c) {
                if (!on[c]) continue;
                long long sum = 0;
                for (const Tap& tap : taps) {
                    const size_t j = size_t(rowsAt[size_t(y) * span + size_t(tap.dy + r)]) * size_t(w) +
                                     size_t(colsAt[size_t(x) * span + size_t(tap.dx + r)]);
                    sum += (long long)tap.weight * comp[c][j];
                }
                out[c] = c == 0 ? RealToInt(Filtered(f, sum)) : ClampReal(0, topSV, Filtered(f, sum));
            }
            int rr, gg, bb;
            if (mode == fmHSV)
                HsvToRgb(out[0], out[1], out[2], bb, gg, rr);
            else
                HslToRgb(out[0], out[1], out[2], bb, gg, rr);
            uint8_t* d = dst.Row(y) + x * 3;
            d[0] = ClampByte(bb);
            d[1] = ClampByte(gg);
            d[2] = ClampByte(rr);
        }
    }
}

// The rank filter: each pixel takes the enabled channels of the window's pixel of least lightness
// ("Minimum (Static)"), of greatest lightness ("Maximum (Static)"), or else of the median one.
void RankFilter(const Bitmap24& src, Bitmap24& dst, const TFilterDef& f, int r, const bool on[3],
                const ProgressCallback& callback)
{
    const int w = src.Width(), h = src.Height();
    const std::string_view name(f.Name, strnlen(f.Name, sizeof f.Name));
    const int pick = name == "Minimum (Static)" ? -1 : name == "Maximum (Static)" ? 1 : 0;
    const std::vector<int> rowsAt = EdgeTable(h, r), colsAt = EdgeTable(w, r);
    const size_t span = size_t(2 * r + 1);
    const bool enabled[3] = {on[2], on[1], on[0]};
    std::vector<std::pair<int, const uint8_t*>> window;
    window.reserve(span * span);
    for (int y = 0; y < h; ++y) {
        Report(callback, y, h);
        for (int x = 0; x < w; ++x) {
            window.clear();
            for (size_t ty = 0; ty < span; ++ty) {
                const uint8_t* row = src.Row(rowsAt[size_t(y) * span + ty]);
                for (size_t tx = 0; tx < span; ++tx) {
                    const uint8_t* p = row + colsAt[size_t(x) * span + tx] * 3;
                    window.emplace_back(Lightness(ReadPixel(p)), p);
                }
            }
            auto byLight = [](const auto& a, const auto& b) { return a.first < b.first; };
            const uint8_t* chosen;
            if (pick < 0)
                chosen = std::min_element(window.begin(), window.end(), byLight)->second;
            else if (pick > 0)
                chosen = std::max_element(window.begin(), window.end(), byLight)->second;
            else {
                std::stable_sort(window.begin(), window.end(), byLight);
                chosen = window[(window.size() - 1) / 2].second;
            }
            const uint8_t* s = src.Row(y) + x * 3;
            uint8_t* d = dst.Row(y) + x * 3;
            for (int c = 0; c < 3; ++c) d[c] = enabled[c] ? chosen[c] : s[c];
        }
    }
}

}  // namespace

void ConvolveFilter(const Bitmap24& Src, Bitmap24& Dst, const TFilterDef& Filter, int Mode, bool R, bool G, bool B,
                    const ProgressCallback& Callback)
{
    if (Filter.Divisor == 0) {
        if (&Src != &Dst) Dst = Src;
        return;
    }
    const Bitmap24 copy = &Src == &Dst ? Src : Bitmap24();
    const Bitmap24& src = &Src == &Dst ? copy : Src;
    PrepareLikeBitmap(src, Dst);
    if (src.IsEmpty()) return;
    const int r = RadiusOf(Filter.SizeCode);
    const bool on[3] = {R, G, B};
    if (Mode == fmHSV || Mode == fmHSL)
        ConvolveHue(src, Dst, Filter, r, Mode, on, Callback);
    else
        ConvolveRgb(src, Dst, Filter, r, on, Callback);
}

void ApplyFilter(const Bitmap24& Src, Bitmap24& Dst, TFilterDef Filter, int SizeCode, int Mode, bool R, bool G, bool B,
                 const ProgressCallback& Callback)
{
    if (SizeCode > 0) Filter.SizeCode = uint8_t(std::min(SizeCode, 255));
    if (Filter.Kind == 1) {
        ConvolveFilter(Src, Dst, Filter, Mode, R, G, B, Callback);
    } else if (Filter.Kind == 0) {
        const Bitmap24 copy = &Src == &Dst ? Src : Bitmap24();
        const Bitmap24& src = &Src == &Dst ? copy : Src;
        PrepareLikeBitmap(src, Dst);
        if (src.IsEmpty()) return;
        const bool on[3] = {R, G, B};
        RankFilter(src, Dst, Filter, RadiusOf(Filter.SizeCode), on, Callback);
    }
}
