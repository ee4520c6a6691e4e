// Nearest-neighbour stretch limited to the visible part; see view_stretch.h.
#include "imaging/view_stretch.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

void StretchNearestClipped(const Bitmap24& src, Bitmap24& dst, const Rect& dstRect)
{
    const int64_t fw = int64_t(dstRect.Right) - dstRect.Left, fh = int64_t(dstRect.Bottom) - dstRect.Top;
    if (src.IsEmpty() || dst.IsEmpty() || fw <= 0 || fh <= 0) return;
    const int x0 = int(std::max<int64_t>(dstRect.Left, 0)), x1 = int(std::min<int64_t>(dstRect.Right, dst.Width()));
    const int y0 = int(std::max<int64_t>(dstRect.Top, 0)), y1 = int(std::min<int64_t>(dstRect.Bottom, dst.Height()));
    if (x0 >= x1 || y0 >= y1) return;
    std::vector<int> column(size_t(x1 - x0));
    for (int x = x0; x < x1; ++x)
        column[size_t(x - x0)] = int(std::min<int64_t>((int64_t(x) - dstRect.Left) * src.Width() / fw, src.Width() - 1)) * 3;
    for (int y = y0; y < y1; ++y) {
        const int sy = int(std::min<int64_t>((int64_t(y) - dstRect.Top) * src.Height() / fh, src.Height() - 1));
        const uint8_t* s = src.Row(sy);
        uint8_t* d = dst.Row(y) + size_t(x0) * 3;
        for (int x = x0; x < x1; ++x, d += 3) std::memcpy(d, s + column[size_t(x - x0)], 3);
    }
}
