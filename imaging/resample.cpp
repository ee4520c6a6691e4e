#include "imaging/resample.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/row_sums.h"
#include "platform/canvas_ops.h"
#include "platform/small_routines.h"

namespace {

// Each channel of the four pixels weighted, truncated and clamped.
inline void Weigh4(uint8_t* out, const std::array<double, 4>& w, const uint8_t* p0, const uint8_t* p1,
                   const uint8_t* p2, const uint8_t* p3)
{
    for (int c = 0; c < 3; ++c)
        out[c] = TruncForgivingByte(p0[c] * w[0] + p1[c] * w[1] + p2[c] * w[2] + p3[c] * w[3]);
}

inline std::array<double, 4> CubicWeights(double t)
{
    return {CubicWeight(t + 1), CubicWeight(t), CubicWeight(t - 1), CubicWeight(t - 2)};
}

// The weights as whole numbers of 65536ths, when each is one and below 16 in size.
bool Fixed16(const std::array<double, 4>& w, std::array<int32_t, 4>& fixed)
{
    for (size_t i = 0; i < 4; ++i) {
        const double v = w[i] * 65536.0;  // exact: a power of two
        if (!(std::abs(v) < 16.0 * 65536.0) || v != std::trunc(v)) return false;
        fixed[i] = int32_t(v);
    }
    return true;
}

// A source that is also the destination is read from a copy, so no pixel is read after it was written.
const Bitmap24& Unaliased(const Bitmap24& src, const Bitmap24& dst, Bitmap24& copy)
{
    if (&src != &dst) return src;
    copy = src;
    return copy;
}

} // namespace

double CubicWeight(double x)
{
    const double b = x < 0 ? -x : x;
    if (b < 1) return b * b * b - 2 * b * b + 1;
    if (b < 2) return 4 - 8 * b + 5 * b * b - b * b * b;
    return 0;
}

void CubicInterpolate(uint8_t* result, double t, const uint8_t* p0, const uint8_t* p1, const uint8_t* p2,
                      const uint8_t* p3)
{
    Weigh4(result, CubicWeights(t), p0, p1, p2, p3);
}

void ResampleRect(const Bitmap24& src, Bitmap24& dst, Rect srcRect, Rect dstRect)
{
    ClipRectToBounds(srcRect, src.Width(), src.Height());
    ClipRectToBounds(dstRect, dst.Width(), dst.Height());
    if (srcRect.Width() <= 0 || srcRect.Height() <= 0 || dstRect.Width() <= 0 || dstRect.Height() <= 0) return;
    if (srcRect.Width() == dstRect.Width() && srcRect.Height() == dstRect.Height()) {
        CopyBitmapRect(src, srcRect, dst, dstRect.Left, dstRect.Top);
    } else if (srcRect.Width() < dstRect.Width() || srcRect.Height() < dstRect.Height()) {
        EnlargeBicubic(src, dst, srcRect, dstRect);
    } else {
        ShrinkAreaAverage(src, dst, srcRect, dstRect);
    }
}

void ResampleBitmap(const Bitmap24& src, Bitmap24& dst, int srcWidth, int srcHeight, int dstWidth, int dstHeight)
{
    ResampleRect(src, dst, SizeRect(srcWidth, srcHeight), SizeRect(dstWidth, dstHeight));
}

void EnlargeBicubic(const Bitmap24& srcIn, Bitmap24& dst, Rect srcRect, Rect dstRect)
{
    ClipRectToBounds(srcRect, srcIn.Width(), srcIn.Height());
    ClipRectToBounds(dstRect, dst.Width(), dst.Height());
    const int dw = dstRect.Width(), dh = dstRect.Height();
    if (srcRect.Width() <= 0 || srcRect.Height() <= 0 || dw <= 0 || dh <= 0) return;
    EnlargeBicubicPart(srcIn, srcRect, dw, dh, SizeRect(dw, dh), dst, dstRect.Left, dstRect.Top);
}

void EnlargeBicubicPart(const Bitmap24& srcIn, Rect srcRect, int dw, int dh, Rect part, Bitmap24& dst, int dstX,
                        int dstY)
{
    ClipRectToBounds(srcRect, srcIn.Width(), srcIn.Height());
    const int sw = srcRect.Width(), sh = srcRect.Height();
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return;
    part = LimitRect(part, dw, dh);
    // Only what lands inside the destination is computed.
    part = LimitRect(Rect{part.Left + dstX, part.Top + dstY, part.Right + dstX, part.Bottom + dstY}, dst.Width(),
                     dst.Height());
    part = Rect{part.Left - dstX, part.Top - dstY, part.Right - dstX, part.Bottom - dstY};
    if (part.IsEmpty()) return;
    Bitmap24 copy;
    const Bitmap24& src = Unaliased(srcIn, dst, copy);
    const int lastCol = src.Width() - 1, lastRow = src.Height() - 1;
    const int u0 = part.Left, pw = part.Width();

    // Columns: the four source columns and their weights, the same for every row.
    const double scaleX = double(dw) / double(sw);
    std::vector<std::array<int, 4>> cols(static_cast<size_t>(pw));
    std::vector<std::array<double, 4>> colW(static_cast<size_t>(pw));
    for (int i = 0; i < pw; ++i) {
        const int u = u0 + i;
        const double x = u / scaleX + srcRect.Left;
        const int k = TruncForgiving(x);
        const double tx = std::max(0.0, x - k);
        for (int j = 0; j < 4; ++j) cols[size_t(i)][size_t(j)] = std::clamp(k - 1 + j, 0, lastCol);
        colW[size_t(i)] = CubicWeights(tx);
    }
    // Across in whole numbers where that is exact for every column (see Fixed16).
    std::vector<std::array<int32_t, 4>> colFixed(static_cast<size_t>(pw));
    bool allFixed = true;
    for (int i = 0; i < pw && allFixed; ++i) allFixed = Fixed16(colW[size_t(i)], colFixed[size_t(i)]);

    // Source rows interpolated across, four at a time: the rows in use are always four
    // consecutive indices, so a ring of four keyed by the row index serves them all. The
    // truncated channel values are bytes, read as reals by the pass down.
    std::array<std::vector<uint8_t>, 4> ring;
    std::array<int, 4> ringRow{-1, -1, -1, -1};
    for (auto& r : ring) r.resize(size_t(pw) * 3);
    const auto across = [&](int row) -> const uint8_t* {
        const size_t slot = size_t(row & 3);
        if (ringRow[slot] != row) {
            const uint8_t* s = src.Row(row);
            uint8_t* out = ring[slot].data();
            if (allFixed) {
                for (int i = 0; i < pw; ++i) {
                    const auto& c = cols[size_t(i)];
                    const auto& f = colFixed[size_t(i)];
                    const uint8_t *p0 = s + c[0] * 3, *p1 = s + c[1] * 3, *p2 = s + c[2] * 3, *p3 = s + c[3] * 3;
                    for (int k = 0; k < 3; ++k) {
                        const int32_t v = (p0[k] * f[0] + p1[k] * f[1] + p2[k] * f[2] + p3[k] * f[3]) >> 16;
                        out[i * 3 + k] = uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
                    }
                }
            } else {
                for (int i = 0; i < pw; ++i) {
                    const auto& c = cols[size_t(i)];
                    Weigh4(out + i * 3, colW[size_t(i)], s + c[0] * 3, s + c[1] * 3, s + c[2] * 3, s + c[3] * 3);
                }
            }
            ringRow[slot] = row;
        }
        return ring[slot].data();
    };

    const double scaleY = double(dh) / double(sh);
    for (int r = part.Top; r < part.Bottom; ++r) {
        const double y = r / scaleY + srcRect.Top;
        const int c = TruncForgiving(y);
        const auto w = CubicWeights(std::max(0.0, y - c));
        std::array<const uint8_t*, 4> rows;
        for (int i = 0; i < 4; ++i) rows[size_t(i)] = across(std::clamp(c - 1 + i, 0, lastRow));
        uint8_t* d = dst.Row(dstY + r) + (dstX + u0) * 3;
        // The same arithmetic as Weigh4; in whole numbers where that is exact (zooms by powers of two).
        std::array<int32_t, 4> fixed;
        if (Fixed16(w, fixed))
            WeighFourRowsFixed16(d, rows[0], rows[1], rows[2], rows[3], fixed[0], fixed[1], fixed[2], fixed[3],
                                 size_t(pw) * 3);
        else
            WeighFourRows(d, rows[0], rows[1], rows[2], rows[3], w[0], w[1], w[2], w[3], size_t(pw) * 3);
    }
}

// Built for AVX2 too (see row_sums.h): every sum is taken in the same order either way.
TAVRIN_WIDE_VECTORS void ShrinkAreaAverage(const Bitmap24& srcIn, Bitmap24& dst, Rect srcRect, Rect dstRect)
{
    ClipRectToBounds(srcRect, srcIn.Width(), srcIn.Height());
    ClipRectToBounds(dstRect, dst.Width(), dst.Height());
    const int sw = srcRect.Width(), sh = srcRect.Height();
    const int dw = dstRect.Width(), dh = dstRect.Height();
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return;
    // An area average cannot enlarge: its cells would lie beyond the accumulators.
    if (sw < dw || sh < dh) {
        EnlargeBicubic(srcIn, dst, srcRect, dstRect);
        return;
    }
    Bitmap24 copy;
    const Bitmap24& src = Unaliased(srcIn, dst, copy);

    const double sx = double(sw) / double(dw), sy = double(sh) / double(dh);
    std::vector<int> cellX(static_cast<size_t>(sw));
    std::vector<double> fracX(static_cast<size_t>(sw));
    for (int i = 0; i < sw; ++i) {
        const int X = std::min(TruncForgiving(i / sx), dw - 1);
        cellX[size_t(i)] = X;
        fracX[size_t(i)] = std::min(1.0, (X + 1) * sx - i);
    }

    // A pixel's share of its own cell and of the next factors into a horizontal and a vertical
    // part. Source rows are first summed down into one row per destination row, then across
    // into cells. Most source rows lie wholly inside one cell row, and their sums are exact
    // integers; only a row straddling two cell rows is split by weight. The same holds across:
    // only the last column of a cell straddles its edge.
    const size_t n = size_t(sw) * 3;
    // Whole rows are summed in 16 bits when no cell row can take enough of them to overflow that
    // (some 200 rows of 255), which halves the additions' work; the sums are the same integers.
    const bool narrow = sy <= 200;
    std::vector<int32_t> whole(narrow ? 0 : n, 0);
    std::vector<uint16_t> whole16(narrow ? n : 0, 0);
    // One spare slot after the last pixel: a pixel's three channels are read as four lanes.
    std::vector<double> part(n, 0.0), spill(n, 0.0), column(n + 1, 0.0);
    std::vector<int> cellFirst(size_t(dw) + 1, sw);
    for (int i = sw - 1; i >= 0; --i) cellFirst[size_t(cellX[size_t(i)])] = i;
    for (int X = dw - 1; X >= 0; --X) cellFirst[size_t(X)] = std::min(cellFirst[size_t(X)], cellFirst[size_t(X) + 1]);
    const double area = sx * sy;

    // A pixel's three channels side by side in one vector, the fourth lane unused: each lane
    // takes exactly the operations, in the order, that its channel took alone.
    using Lanes = double __attribute__((vector_size(32)));
    // Passed by reference: a vector returned by value would change the calling convention between
    // the plain and the AVX2 build of this routine.
    const auto loadPixel = [&](Lanes& v, int i) { std::memcpy(&v, column.data() + size_t(i) * 3, sizeof v); };

    // Writes destination row y from the sums gathered for it, and leaves those sums at zero for
    // the row after next (whole, and part, which the caller swaps with spill).
    const auto writeRow = [&](int y) {
        if (narrow) {
            for (size_t k = 0; k < n; ++k) {
                column[k] = whole16[k] + part[k];
                whole16[k] = 0;
                part[k] = 0.0;
            }
        } else {
            for (size_t k = 0; k < n; ++k) {
                column[k] = whole[k] + part[k];
                whole[k] = 0;
                part[k] = 0.0;
            }
        }
        if (y < 0 || y >= dh) return;
        uint8_t* d = dst.Row(dstRect.Top + y) + dstRect.Left * 3;
        Lanes carry = {0, 0, 0, 0};
        for (int X = 0; X < dw; ++X) {
            Lanes sum = carry;
            carry = Lanes{0, 0, 0, 0};
            const int first = cellFirst[size_t(X)], last = cellFirst[size_t(X) + 1] - 1;
            if (last >= first) {
                Lanes v;
                for (int i = first; i < last; ++i) {
                    loadPixel(v, i);
                    sum += v;
                }
                const double fx = fracX[size_t(last)];
                loadPixel(v, last);
                sum += v * fx;
                carry = v * (1 - fx);
            }
            const Lanes mean = sum / area;
            for (int c = 0; c < 3; ++c) d[X * 3 + c] = TruncForgivingByte(mean[c]);
        }
    };

    int curY = 0;
    for (int j = 0; j < sh; ++j) {
        const int Y = std::min(TruncForgiving(j / sy), dh - 1);
        while (curY < Y) {
            writeRow(curY);
            part.swap(spill);
            ++curY;
        }
        const uint8_t* p = src.Row(srcRect.Top + j) + srcRect.Left * 3;
        const double fy = std::min(1.0, (Y + 1) * sy - j);
        if (fy == 1.0) {
            if (narrow) {
                uint16_t* w = whole16.data();
                for (size_t k = 0; k < n; ++k) w[k] = uint16_t(w[k] + p[k]);
            } else {
                int32_t* w = whole.data();
                for (size_t k = 0; k < n; ++k) w[k] += p[k];
            }
        } else {
            const double gy = 1 - fy;
            for (size_t k = 0; k < n; ++k) {
                part[k] += p[k] * fy;
                spill[k] += p[k] * gy;
            }
        }
    }
    writeRow(curY);
    if (curY + 1 < dh) {
        part.swap(spill);
        writeRow(curY + 1);
    }
}

void StretchBilinear(const Bitmap24& srcIn, Bitmap24& dst, int srcWidth, int srcHeight, int dstWidth, int dstHeight)
{
    const int sw = std::min(srcWidth, srcIn.Width()), sh = std::min(srcHeight, srcIn.Height());
    const int dw = std::min(dstWidth, dst.Width()), dh = std::min(dstHeight, dst.Height());
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return;
    Bitmap24 copy;
    const Bitmap24& src = Unaliased(srcIn, dst, copy);
    // The scale follows the sizes asked for, even where the bitmaps hold less.
    const double scaleX = double(dstWidth) / double(srcWidth);
    const double scaleY = double(dstHeight) / double(srcHeight);
    std::vector<int> colL(static_cast<size_t>(dw)), colM(static_cast<size_t>(dw));
    std::vector<double> fracX(static_cast<size_t>(dw));
    for (int u = 0; u < dw; ++u) {
        const double x = u / scaleX;
        const int l = std::clamp(TruncForgiving(x), 0, sw - 1);
        colL[size_t(u)] = l;
        colM[size_t(u)] = std::min(l + 1, sw - 1);
        fracX[size_t(u)] = std::max(0.0, x - l);
    }
    for (int r = 0; r < dh; ++r) {
        const double y = r / scaleY;
        const int f = std::clamp(TruncForgiving(y), 0, sh - 1);
        const int g = std::min(f + 1, sh - 1);
        const double fy = std::max(0.0, y - f);
        const uint8_t* rowF = src.Row(f);
        const uint8_t* rowG = src.Row(g);
        uint8_t* d = dst.Row(r);
        for (int u = 0; u < dw; ++u) {
            const int l = colL[size_t(u)] * 3, m = colM[size_t(u)] * 3;
            const double fx = fracX[size_t(u)];
            for (int c = 0; c < 3; ++c) {
                const int top = TruncForgiving(fx * (rowF[m + c] - rowF[l + c]) + rowF[l + c]);
                const int bottom = TruncForgiving(fx * (rowG[m + c] - rowG[l + c]) + rowG[l + c]);
                d[u * 3 + c] = TruncForgivingByte(fy * (bottom - top) + top);
            }
        }
    }
}
