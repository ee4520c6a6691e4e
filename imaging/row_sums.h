#pragma once
// The inner loops of the convolutions and of the smooth enlargement: one operation over a whole
// line of bytes at a time. Integer sums come out the same in any order and at any vector width,
// and the real-valued ones are computed in the same order with the same roundings (no fused
// multiply-add), so these pick the widest vector unit the processor has when the program starts.
#include <cstddef>
#include <cstdint>

// Builds a function for plain x86-64 and for AVX2, picked once at load time. Other processors
// and compilers, and the sanitizer builds, get the plain build.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__)
#define TAVRIN_WIDE_VECTORS __attribute__((target_clones("avx2", "default")))
#else
#define TAVRIN_WIDE_VECTORS
#endif

// acc[j] += w * q[j] for j < n.
void AddWeightedRow(int32_t* acc, const uint8_t* q, int32_t w, size_t n);
// acc[j] += w * (lo[j] + hi[j]) for j < n: two taps of equal weight.
void AddWeightedPair(int32_t* acc, const uint8_t* lo, const uint8_t* hi, int32_t w, size_t n);
// acc[j] += w[0] * q[0][j] + ... + w[3] * q[3][j] for j < n: four taps in one pass over acc.
void AddWeightedRows4(int32_t* acc, const uint8_t* const q[4], const int32_t w[4], size_t n);
// acc[j] += w[k] * (lo[k][j] + hi[k][j]) summed over k < 4, for j < n.
void AddWeightedPairs4(int32_t* acc, const uint8_t* const lo[4], const uint8_t* const hi[4], const int32_t w[4],
                       size_t n);
// out[j] = acc[j] >> 10, held to 0..255, for j < n.
void StoreShifted10(uint8_t* out, const int32_t* acc, size_t n);
// out[j] = TruncForgivingByte(r0[j] * w0 + r1[j] * w1 + r2[j] * w2 + r3[j] * w3), summed left to
// right in double: the pass down of the bicubic enlargement.
void WeighFourRows(uint8_t* out, const uint8_t* r0, const uint8_t* r1, const uint8_t* r2, const uint8_t* r3,
                   double w0, double w1, double w2, double w3, size_t n);
// The same where every weight is a whole number of 65536ths (wi = Wi / 65536, |wi| < 16): then
// each product and sum above is exact in double, the forgiving truncation of an exact multiple of
// 1/65536 is its floor, and whole numbers give the same bytes faster.
void WeighFourRowsFixed16(uint8_t* out, const uint8_t* r0, const uint8_t* r1, const uint8_t* r2, const uint8_t* r3,
                          int32_t W0, int32_t W1, int32_t W2, int32_t W3, size_t n);
// For each of `pixels` pixels (3 bytes each): out = (colour * (255 - m) + ground * m + 127) / 255
// per channel (CompositeChannel), m being the first byte of the pixel's mask. Out overlaps neither
// colour nor mask.
void CompositeRow(uint8_t* out, const uint8_t* colour, const uint8_t* mask, const uint8_t ground[3], size_t pixels);
// The two checks of the canvas behind `cells` pixels (3 bytes each, blue first): light[i] is pixel i
// composited over 255 grey and dark[i] over 220 grey, as CompositeChannel does, each as a
// 0xFFrrggbb canvas pixel.
void CompositeCanvasChecks(uint32_t* light, uint32_t* dark, const uint8_t* colour, const uint8_t* mask, size_t cells);
// out[j] = table[index[j]] for j < n.
void LookUpPixels(uint32_t* out, const uint32_t* table, const uint32_t* index, size_t n);
// state[i] = 1 where every channel of pixel i (3 bytes) lies in low[c]..low[c] + range[c], else 0.
void MarkPixelsInRange(uint8_t* state, const uint8_t* pixels, size_t count, const uint8_t low[3],
                       const uint8_t range[3]);
// out[j] = bias + acc[j] / divisor in double, truncated toward zero and held to 0..255 (NaN gives
// 0): ClampReal(0, 255, ...) of the filter engine's quotient, for j < n.
void StoreFiltered(uint8_t* out, const int32_t* acc, size_t n, double bias, double divisor);
// How many threads a whole-picture kernel reading `taps` pixels for each of `pixels` is worth
// sharing its rows over: one below some two million reads (a few hundred microseconds), where
// waking parked threads and handing them rows costs about as much as it saves.
size_t KernelThreads(size_t pixels, size_t taps);
