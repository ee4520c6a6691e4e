#include "platform/canvas_ops.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

void CopyBitmapRect(const Bitmap24& src, const Rect& srcRect, Bitmap24& dst, int dstX, int dstY)
{
    if (srcRect.IsEmpty()) return;
    // Work in 64 bits: callers may pass far-away corners.
    int64_t sl = srcRect.Left, st = srcRect.Top, sr = srcRect.Right, sb = srcRect.Bottom;
    int64_t dl = dstX, dt = dstY;
    if (sl < 0) { dl -= sl; sl = 0; }
    if (st < 0) { dt -= st; st = 0; }
    sr = std::min<int64_t>(sr, src.Width());
    sb = std::min<int64_t>(sb, src.Height());
    if (dl < 0) { sl -= dl; dl = 0; }
    if (dt < 0) { st -= dt; dt = 0; }
    sr = std::min<int64_t>(sr, sl + (dst.Width() - dl));
    sb = std::min<int64_t>(sb, st + (dst.Height() - dt));
    if (sr <= sl || sb <= st) return;
    const size_t bytes = size_t(sr - sl) * 3;
    const int rows = int(sb - st);
    if (&src == &dst && dt > st) {
        for (int i = rows - 1; i >= 0; --i)
            std::memmove(dst.Row(int(dt) + i) + dl * 3, src.Row(int(st) + i) + sl * 3, bytes);
    } else {
        for (int i = 0; i < rows; ++i)
            std::memmove(dst.Row(int(dt) + i) + dl * 3, src.Row(int(st) + i) + sl * 3, bytes);
    }
}

void StretchCopyNearest(const Bitmap24& srcIn, const Rect& srcRect, Bitmap24& dst, const Rect& dstRect)
{
    const int64_t sw = srcRect.Width(), sh = srcRect.Height();
    const int64_t dw = dstRect.Width(), dh = dstRect.Height();
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return;
    const Rect limited = LimitRect(dstRect, dst.Width(), dst.Height());
    if (limited.IsEmpty()) return;
    Bitmap24 copy;
    const Bitmap24* src = &srcIn;
    if (&srcIn == &dst) {
        copy = srcIn;
        src = &copy;
    }
    const int x0 = limited.Left, x1 = limited.Right, y0 = limited.Top, y1 = limited.Bottom;
    // Source column of every destination column, -1 where it falls outside the source.
    std::vector<int> column(size_t(x1 - x0));
    for (int x = x0; x < x1; ++x) {
        const int64_t sx = srcRect.Left + (int64_t(x) - dstRect.Left) * sw / dw;
        column[size_t(x - x0)] = (sx >= 0 && sx < src->Width()) ? int(sx) : -1;
    }
    const bool allColumns = std::find(column.begin(), column.end(), -1) == column.end();
    int64_t lastSy = -1;
    for (int y = y0; y < y1; ++y) {
        const int64_t sy = srcRect.Top + (int64_t(y) - dstRect.Top) * sh / dh;
        if (sy < 0 || sy >= src->Height()) continue;
        uint8_t* d = dst.Row(y);
        if (sy == lastSy && allColumns) {
            // Enlarging repeats source rows: the row just made serves again.
            std::memcpy(d + x0 * 3, dst.Row(y - 1) + x0 * 3, size_t(x1 - x0) * 3);
            continue;
        }
        lastSy = sy;
        const uint8_t* s = src->Row(int(sy));
        for (int x = x0; x < x1; ++x) {
            const int sx = column[size_t(x - x0)];
            if (sx < 0) continue;
            std::memcpy(d + x * 3, s + sx * 3, 3);
        }
    }
}

namespace {
// A one-pixel line by Bresenham's rule, without its last point.
void ThinLine(Bitmap24& bitmap, int64_t x0, int64_t y0, int64_t x1, int64_t y1, TColor color)
{
    const int64_t dx = std::llabs(x1 - x0), dy = std::llabs(y1 - y0);
    const int64_t stepX = x0 < x1 ? 1 : -1, stepY = y0 < y1 ? 1 : -1;
    const int64_t steps = std::max(dx, dy);
    int64_t err = (dx > dy ? dx : -dy) / 2;
    int64_t x = x0, y = y0;
    for (int64_t i = 0; i < steps; ++i) {
        if (x >= 0 && y >= 0 && x < bitmap.Width() && y < bitmap.Height())
            WritePixel(bitmap.Row(int(y)) + x * 3, color);
        else if ((x < 0 && stepX < 0) || (y < 0 && stepY < 0) || (x >= bitmap.Width() && stepX > 0)
                 || (y >= bitmap.Height() && stepY > 0))
            break; // moving away from the bitmap: nothing more to draw
        const int64_t e = err;
        if (e > -dx) { err -= dy; x += stepX; }
        if (e < dy) { err += dx; y += stepY; }
    }
}
} // namespace

void DrawPenLine(Bitmap24& bitmap, int x0, int y0, int x1, int y1, int width, TColor color)
{
    if (bitmap.IsEmpty()) return;
    if (width <= 1) {
        ThinLine(bitmap, x0, y0, x1, y1, color);
        return;
    }
    // A wide pen covers the pixels within half its width of the segment. Odd widths centre the
    // pen on the pixel, even widths on the pixel corner, so a horizontal line is exactly Width
    // pixels high.
    const double half = width / 2.0;
    const double offset = (width % 2 == 0) ? 0.5 : 0.0;
    const double ax = x0, ay = y0, bx = x1, by = y1;
    const double vx = bx - ax, vy = by - ay;
    const double len2 = vx * vx + vy * vy;
    const double limit = half * half + 1e-9;
    const int64_t reach = int64_t(std::ceil(half)) + 1;
    const int left = int(std::max<int64_t>(0, std::min<int64_t>(x0, x1) - reach));
    const int right = int(std::min<int64_t>(bitmap.Width() - 1, std::max<int64_t>(x0, x1) + reach));
    const int top = int(std::max<int64_t>(0, std::min<int64_t>(y0, y1) - reach));
    const int bottom = int(std::min<int64_t>(bitmap.Height() - 1, std::max<int64_t>(y0, y1) + reach));
    for (int y = top; y <= bottom; ++y) {
        uint8_t* row = bitmap.Row(y);
        const double py = y + offset - ay;
        // The pen's pixels on this row lie within half a width of the part of the segment that
        // comes within half a width of the row: only those columns are tested.
        int from = left, to = right;
        if (vy != 0) {
            double t0 = (py - half) / vy, t1 = (py + half) / vy;
            if (t0 > t1) std::swap(t0, t1);
            t0 = std::max(t0, 0.0);
            t1 = std::min(t1, 1.0);
            if (t0 > t1) continue;
            const double xa = ax + t0 * vx - offset, xb = ax + t1 * vx - offset;
            from = int(std::max<double>(left, std::floor(std::min(xa, xb) - half) - 1));
            to = int(std::min<double>(right, std::ceil(std::max(xa, xb) + half) + 1));
        } else if (std::fabs(py) > half + 1) {
            continue;
        }
        for (int x = from; x <= to; ++x) {
            const double px = x + offset - ax;
            double t = len2 > 0 ? (px * vx + py * vy) / len2 : 0.0;
            t = std::clamp(t, 0.0, 1.0);
            const double ex = px - t * vx, ey = py - t * vy;
            if (ex * ex + ey * ey <= limit) WritePixel(row + x * 3, color);
        }
    }
}
