#include "imaging/row_sums.h"

#include "imaging/resample.h"
#include "platform/parallel.h"

TAVRIN_WIDE_VECTORS void AddWeightedRow(int32_t* acc, const uint8_t* q, int32_t w, size_t n)
{
    for (size_t j = 0; j < n; ++j) acc[j] += w * int32_t(q[j]);
}

TAVRIN_WIDE_VECTORS void AddWeightedPair(int32_t* acc, const uint8_t* lo, const uint8_t* hi, int32_t w, size_t n)
{
    for (size_t j = 0; j < n; ++j) acc[j] += w * (int32_t(lo[j]) + int32_t(hi[j]));
}

TAVRIN_WIDE_VECTORS void AddWeightedRows4(int32_t* acc, const uint8_t* const q[4], const int32_t w[4], size_t n)
{
    const uint8_t *q0 = q[0], *q1 = q[1], *q2 = q[2], *q3 = q[3];
    const int32_t w0 = w[0], w1 = w[1], w2 = w[2], w3 = w[3];
    for (size_t j = 0; j < n; ++j)
        acc[j] += w0 * int32_t(q0[j]) + w1 * int32_t(q1[j]) + w2 * int32_t(q2[j]) + w3 * int32_t(q3[j]);
}

TAVRIN_WIDE_VECTORS void AddWeightedPairs4(int32_t* acc, const uint8_t* const lo[4], const uint8_t* const hi[4],
                                           const int32_t w[4], size_t n)
{
    const uint8_t *a0 = lo[0], *a1 = lo[1], *a2 = lo[2], *a3 = lo[3];
    const uint8_t *b0 = hi[0], *b1 = hi[1], *b2 = hi[2], *b3 = hi[3];
    const int32_t w0 = w[0], w1 = w[1], w2 = w[2], w3 = w[3];
    for (size_t j = 0; j < n; ++j)
        acc[j] += w0 * (int32_t(a0[j]) + int32_t(b0[j])) + w1 * (int32_t(a1[j]) + int32_t(b1[j])) +
                  w2 * (int32_t(a2[j]) + int32_t(b2[j])) + w3 * (int32_t(a3[j]) + int32_t(b3[j]));
}

TAVRIN_WIDE_VECTORS void StoreShifted10(uint8_t* out, const int32_t* acc, size_t n)
{
    for (size_t j = 0; j < n; ++j) {
        const int32_t v = acc[j] >> 10;
        out[j] = uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
    }
}

TAVRIN_WIDE_VECTORS void WeighFourRows(uint8_t* out, const uint8_t* r0, const uint8_t* r1, const uint8_t* r2,
                                       const uint8_t* r3, double w0, double w1, double w2, double w3, size_t n)
{
    for (size_t j = 0; j < n; ++j)
        out[j] = TruncForgivingByte(double(r0[j]) * w0 + double(r1[j]) * w1 + double(r2[j]) * w2 + double(r3[j]) * w3);
}

TAVRIN_WIDE_VECTORS void WeighFourRowsFixed16(uint8_t* out, const uint8_t* r0, const uint8_t* r1, const uint8_t* r2,
                                              const uint8_t* r3, int32_t w0, int32_t w1, int32_t w2, int32_t w3,
                                              size_t n)
{
    for (size_t j = 0; j < n; ++j) {
        const int32_t v = (int32_t(r0[j]) * w0 + int32_t(r1[j]) * w1 + int32_t(r2[j]) * w2 + int32_t(r3[j]) * w3) >> 16;
        out[j] = uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
    }
}

TAVRIN_WIDE_VECTORS void CompositeRow(uint8_t* __restrict out, const uint8_t* __restrict colour,
                                      const uint8_t* __restrict mask, const uint8_t ground[3], size_t pixels)
{
    // At most 255 * 255 + 127 = 65152: the sum fits 16 bits, and for every v up to there
    // v / 255 == (v + 1 + (v >> 8)) >> 8 without leaving them (checked for all of them), which
    // keeps the division in 16-bit lanes.
    const uint16_t g0 = ground[0], g1 = ground[1], g2 = ground[2];
    for (size_t i = 0; i < pixels; ++i) {
        const uint16_t a = mask[i * 3], na = uint16_t(255 - a);
        const uint16_t v0 = uint16_t(uint16_t(colour[i * 3] * na) + uint16_t(g0 * a) + 127u);
        const uint16_t v1 = uint16_t(uint16_t(colour[i * 3 + 1] * na) + uint16_t(g1 * a) + 127u);
        const uint16_t v2 = uint16_t(uint16_t(colour[i * 3 + 2] * na) + uint16_t(g2 * a) + 127u);
        out[i * 3] = uint8_t(uint16_t(v0 + 1u + (v0 >> 8)) >> 8);
        out[i * 3 + 1] = uint8_t(uint16_t(v1 + 1u + (v1 >> 8)) >> 8);
        out[i * 3 + 2] = uint8_t(uint16_t(v2 + 1u + (v2 >> 8)) >> 8);
    }
}

TAVRIN_WIDE_VECTORS void CompositeCanvasChecks(uint32_t* __restrict light, uint32_t* __restrict dark,
                                               const uint8_t* __restrict colour, const uint8_t* __restrict mask,
                                               size_t cells)
{
    // The same 16-bit division as CompositeRow; the colour's share is worked out once for both grounds.
    const auto div255 = [](uint16_t v) { return uint32_t(uint16_t(v + 1u + (v >> 8)) >> 8); };
    for (size_t i = 0; i < cells; ++i) {
        const uint16_t a = mask[i * 3], na = uint16_t(255 - a);
        const uint16_t b = uint16_t(colour[i * 3] * na), g = uint16_t(colour[i * 3 + 1] * na),
                       r = uint16_t(colour[i * 3 + 2] * na);
        const uint16_t hi = uint16_t(255u * a + 127u), lo = uint16_t(220u * a + 127u);
        light[i] = 0xFF000000u | div255(uint16_t(r + hi)) << 16 | div255(uint16_t(g + hi)) << 8 | div255(uint16_t(b + hi));
        dark[i] = 0xFF000000u | div255(uint16_t(r + lo)) << 16 | div255(uint16_t(g + lo)) << 8 | div255(uint16_t(b + lo));
    }
}

TAVRIN_WIDE_VECTORS void LookUpPixels(uint32_t* __restrict out, const uint32_t* __restrict table,
                                      const uint32_t* __restrict index, size_t n)
{
    for (size_t j = 0; j < n; ++j) out[j] = table[index[j]];
}

TAVRIN_WIDE_VECTORS void MarkPixelsInRange(uint8_t* state, const uint8_t* pixels, size_t count, const uint8_t low[3],
                                           const uint8_t range[3])
{
    // v lies in low..low + range exactly when v - low, taken modulo 256, is at most range.
    const uint8_t l0 = low[0], l1 = low[1], l2 = low[2], r0 = range[0], r1 = range[1], r2 = range[2];
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = pixels + i * 3;
        state[i] = uint8_t((uint8_t(p[0] - l0) <= r0) & (uint8_t(p[1] - l1) <= r1) & (uint8_t(p[2] - l2) <= r2));
    }
}

TAVRIN_WIDE_VECTORS void StoreFiltered(uint8_t* out, const int32_t* acc, size_t n, double bias, double divisor)
{
    for (size_t j = 0; j < n; ++j) {
        double v = bias + double(acc[j]) / divisor;
        // Comparisons with NaN are false, so NaN ends at 0 like the clamp's own rule.
        v = v >= 0.0 ? v : 0.0;
        v = v <= 255.0 ? v : 255.0;
        out[j] = uint8_t(int32_t(v));
    }
}

size_t KernelThreads(size_t pixels, size_t taps)
{
    constexpr size_t Least = size_t(1) << 21, PerThread = size_t(1) << 18;
    const size_t reads = pixels * taps;
    return reads < Least ? 1 : ParallelThreads(reads, PerThread);
}
