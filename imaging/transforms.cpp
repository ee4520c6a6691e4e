#include "imaging/transforms.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <vector>

#include "platform/small_routines.h"
#include "imaging/icon_image.h"
#include "imaging/resample.h"
#include "platform/canvas_ops.h"
#include "platform/rounding.h"

namespace {

// Sine and cosine of whole degrees, exact at the quarter turns so that quarter and half turns
// move every pixel exactly onto another.
void SinCos(int degrees, double& s, double& c)
{
    const int a = ((degrees % 360) + 360) % 360;
    switch (a) {
    case 0: s = 0; c = 1; return;
    case 90: s = 1; c = 0; return;
    case 180: s = 0; c = -1; return;
    case 270: s = -1; c = 0; return;
    default: break;
    }
    const double r = a * std::numbers::pi / 180.0;
    s = std::sin(r);
    c = std::cos(r);
}

} // namespace

void RotateBitmapNearest(const Bitmap24& srcIn, Bitmap24& dst, const Rect& rect, int angle)
{
    const int64_t rw = int64_t(rect.Right) - rect.Left, rh = int64_t(rect.Bottom) - rect.Top;
    if (rw <= 0 || rh <= 0) return;
    Bitmap24 copy;
    const Bitmap24* src = &srcIn;
    if (&srcIn == &dst) {
        copy = srcIn;
        src = &copy;
    }
    double s, c;
    SinCos(angle, s, c);
    const double cx = (rw - 1) / 2.0, cy = (rh - 1) / 2.0;
    const int w = std::min(src->Width(), dst.Width()), h = std::min(src->Height(), dst.Height());
    for (int y = 0; y < h; ++y) {
        uint8_t* d = dst.Row(y);
        const double dy = y - cy;
        for (int x = 0; x < w; ++x) {
            const double dx = x - cx;
            const int sx = RoundInt(cx + c * dx - s * dy);
            const int sy = RoundInt(cy + s * dx + c * dy);
            uint8_t* p = d + x * 3;
            if (src->Contains(sx, sy)) {
                std::memcpy(p, src->Row(sy) + sx * 3, 3);
            } else {
                p[0] = 255;
                p[1] = 0;
                p[2] = 0;
            }
        }
    }
}

void RotateRectBilinear(Bitmap24& bitmap, Rect rect, int angle) { RotateRectBilinear(bitmap, rect, angle, rect); }

void RotateRectBilinear(Bitmap24& bitmap, Rect rect, int angle, const Rect& only)
{
    // A whole turn samples every pixel at its own place: nothing changes (the text tool's stamp
    // is turned on every keystroke, mostly by 0 degrees).
    if (angle % 360 == 0) return;
    ClipRectToBounds(rect, bitmap.Width(), bitmap.Height());
    const int w = rect.Width(), h = rect.Height();
    if (w <= 0 || h <= 0) return;
    // The written part, relative to Rect.
    const Rect part = LimitRect(Rect{only.Left - rect.Left, only.Top - rect.Top, only.Right - rect.Left,
                                     only.Bottom - rect.Top},
                                w, h);
    if (part.IsEmpty()) return;
    Bitmap24 buffer(w, h);
    CopyBitmapRect(bitmap, rect, buffer, 0, 0);
    double s, c;
    SinCos(angle, s, c);
    const double cx = (w - 1) / 2.0, cy = (h - 1) / 2.0;
    static const uint8_t white[3] = {255, 255, 255};
    const auto at = [&](int i, int j) -> const uint8_t* {
        return (i >= 0 && j >= 0 && i < w && j < h) ? buffer.Row(j) + i * 3 : white;
    };
    // floor() of a value already limited to a small range, without a library call.
    const auto floorSmall = [](double v) {
        const int t = int(v);
        return t > v ? t - 1 : t;
    };
    for (int y = part.Top; y < part.Bottom; ++y) {
        uint8_t* d = bitmap.Row(rect.Top + y) + rect.Left * 3;
        const double dy = y - cy;
        for (int x = part.Left; x < part.Right; ++x) {
            const double dx = x - cx;
            const double u = std::clamp(cx + dx * c - dy * s, -4.0, double(w) + 4);
            const double v = std::clamp(cy + dy * c + dx * s, -4.0, double(h) + 4);
            const int i = floorSmall(u), j = floorSmall(v);
            const double fu = u - i, fv = v - j;
            const double w00 = (1 - fv) * (1 - fu), w10 = (1 - fv) * fu, w01 = fv * (1 - fu), w11 = fv * fu;
            const uint8_t *p00, *p10, *p01, *p11;
            if (i >= 0 && j >= 0 && i + 1 < w && j + 1 < h) {
                p00 = buffer.Row(j) + i * 3;
                p10 = p00 + 3;
                p01 = buffer.Row(j + 1) + i * 3;
                p11 = p01 + 3;
            } else {
                p00 = at(i, j);
                p10 = at(i + 1, j);
                p01 = at(i, j + 1);
                p11 = at(i + 1, j + 1);
            }
            for (int ch = 0; ch < 3; ++ch)
                d[x * 3 + ch] = TruncForgivingByte(p00[ch] * w00 + p10[ch] * w10 + p01[ch] * w01 + p11[ch] * w11);
        }
    }
}

void ShiftRectContent(Bitmap24& bitmap, const Rect& rect, int dx, int dy, TColor fill)
{
    if (dx == 0 && dy == 0) return;
    const Rect r = LimitRect(rect, bitmap.Width(), bitmap.Height());
    if (r.IsEmpty()) return;
    Bitmap24 saved(r.Width(), r.Height());
    CopyBitmapRect(bitmap, r, saved, 0, 0);
    FillBitmapRect(bitmap, fill, r);
    const int64_t x = int64_t(r.Left) + dx, y = int64_t(r.Top) + dy;
    // A move of more than the bitmap's size leaves nothing inside it.
    if (x >= bitmap.Width() || y >= bitmap.Height() || x + r.Width() <= 0 || y + r.Height() <= 0) return;
    CopyBitmapRect(saved, SizeRect(r.Width(), r.Height()), bitmap, int(x), int(y));
}

void FlipRectVertical(Bitmap24& bitmap, const Rect& rect)
{
    const Rect r = LimitRect(rect, bitmap.Width(), bitmap.Height());
    if (r.IsEmpty()) return;
    const size_t bytes = size_t(r.Width()) * 3;
    std::vector<uint8_t> temp(bytes);
    for (int top = r.Top, bottom = r.Bottom - 1; top < bottom; ++top, --bottom) {
        uint8_t* a = bitmap.Row(top) + r.Left * 3;
        uint8_t* b = bitmap.Row(bottom) + r.Left * 3;
        std::memcpy(temp.data(), a, bytes);
        std::memcpy(a, b, bytes);
        std::memcpy(b, temp.data(), bytes);
    }
}

void FlipRectHorizontal(Bitmap24& bitmap, const Rect& rect)
{
    const Rect r = LimitRect(rect, bitmap.Width(), bitmap.Height());
    if (r.IsEmpty()) return;
    for (int y = r.Top; y < r.Bottom; ++y) {
        uint8_t* row = bitmap.Row(y);
        for (int left = r.Left, right = r.Right - 1; left < right; ++left, --right) {
            uint8_t* a = row + left * 3;
            uint8_t* b = row + right * 3;
            for (int c = 0; c < 3; ++c) std::swap(a[c], b[c]);
        }
    }
}
