#include "iconfiles/pixel_rows.h"

// Repacking between three- and four-byte pixels only vectorises with byte shuffles, which the
// baseline x86-64 instruction set lacks; on x86-64 the converters are also compiled for SSSE3
// and AVX2 and the loader picks the best one the processor has. GCC only: clang 14 names the
// dispatcher apart from the function, so callers in other files would not link.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define PIXEL_ROW_TARGETS __attribute__((target_clones("default", "ssse3", "avx2")))
#else
#define PIXEL_ROW_TARGETS
#endif

namespace {

template <bool FromRgba>
inline bool SplitRow(const uint8_t* __restrict src, uint8_t* __restrict colour, uint8_t* __restrict mask, int width)
{
    uint8_t partial = 0;
    for (int x = 0; x < width; ++x) {
        const uint8_t* s = src + 4 * x;
        uint8_t* c = colour + 3 * x;
        uint8_t* m = mask + 3 * x;
        c[0] = FromRgba ? s[2] : s[0];
        c[1] = s[1];
        c[2] = FromRgba ? s[0] : s[2];
        const uint8_t alpha = s[3];
        m[0] = m[1] = m[2] = uint8_t(255 - alpha);
        partial |= uint8_t(uint8_t(alpha - 1) < 254);
    }
    return partial != 0;
}

template <bool ToRgba, bool TwoLevel>
inline void JoinRow(const uint8_t* __restrict colour, const uint8_t* __restrict mask, uint8_t* __restrict dst, int width)
{
    for (int x = 0; x < width; ++x) {
        const uint8_t* c = colour + 3 * x;
        uint8_t* d = dst + 4 * x;
        const uint8_t m = mask[3 * x];
        d[0] = ToRgba ? c[2] : c[0];
        d[1] = c[1];
        d[2] = ToRgba ? c[0] : c[2];
        d[3] = TwoLevel ? uint8_t(m == 255 ? 0 : 255) : uint8_t(255 - m);
    }
}

} // namespace

PIXEL_ROW_TARGETS
bool SplitAlphaRow(const uint8_t* src, ChannelOrder order, uint8_t* colour, uint8_t* mask, int width)
{
    if (order == ChannelOrder::Rgba) return SplitRow<true>(src, colour, mask, width);
    return SplitRow<false>(src, colour, mask, width);
}

PIXEL_ROW_TARGETS
void JoinAlphaRow(const uint8_t* colour, const uint8_t* mask, ChannelOrder order, bool twoLevel, uint8_t* dst, int width)
{
    const bool rgba = order == ChannelOrder::Rgba;
    if (rgba && twoLevel)
        JoinRow<true, true>(colour, mask, dst, width);
    else if (rgba)
        JoinRow<true, false>(colour, mask, dst, width);
    else if (twoLevel)
        JoinRow<false, true>(colour, mask, dst, width);
    else
        JoinRow<false, false>(colour, mask, dst, width);
}
