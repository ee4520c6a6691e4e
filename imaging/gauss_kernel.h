#pragma once
// The one Gaussian kernel of the program and the separable blur that runs it. The effect kernels
// (blur, drop shadow) and the cartoon engine (pre-blur of the line layer, colour blur) both build
// their kernel here, so every blur in the program weighs its neighbours identically.
//
// Kernel:
//   - 201 single-precision taps for the offsets -100..100 (Weight(k)), the radius R (1..99, or 100
//     when nothing is dropped) and the kept taps as integers scaled by 1024 (IntWeight(k)).
//   - The taps beyond R are zero in both arrays; the integer taps -R..R sum to exactly 1024 (the
//     rounding remainder goes to the centre tap), so a uniform area stays uniform.
//   - A sigma that is not above 0 (or NaN) gives the identity: R = 1, taps (0, 1, 0), (0, 1024, 0).
//
// Blur: a row pass then a column pass. Each output channel is the sum of IntWeight(k) times the
// channel k places away, the index held to the first or last pixel of the line (edges
// replicated), divided by 1024 (truncated) and clamped to 0..255. The row results are stored as
// bytes before the column pass reads them, exactly as if each row were written back first.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>

struct TGaussKernel {
    static constexpr int MaxRadius = 100;
    static constexpr int TapCount = 2 * MaxRadius + 1;
    static constexpr int32_t Scale = 1024;

    std::array<float, TapCount> Weights{};     // index k + MaxRadius
    uint8_t Radius = 1;
    std::array<int32_t, TapCount> IntWeights{};  // index k + MaxRadius

    float Weight(int k) const { return Weights[size_t(k + MaxRadius)]; }
    int32_t IntWeight(int k) const { return IntWeights[size_t(k + MaxRadius)]; }
    // True when blurring with this kernel changes nothing.
    bool IsIdentity() const { return IntWeights[MaxRadius] == Scale; }
};

// Builds the kernel for Sigma. Outer pairs of taps are dropped while the mass dropped so far is
// below A / (2 B) (every caller passes A = 1, B = 255, that is 1/510), keeping at least three taps;
// the kept taps are normalised again. A B of 0 or less drops nothing.
void BuildGaussianKernel(TGaussKernel& kernel, int A, int B, double Sigma);
// The same kernel with A = 1 and B = 255, as the cartoon engine builds it.
TGaussKernel BuildGaussKernel(double sigma);

// Called after each finished line of a blur pass: pass 0 is the row pass, pass 1 the column pass
// (its lines are the output rows, top to bottom); line counts from 1 to lines. Returning false
// stops the blur there (the destination may then be partly written).
using BlurLineHook = std::function<bool(int pass, int line, int lines)>;

// Blurs a Width x Height picture of 3-byte pixels (blue, green, red; rows srcStride and dstStride
// bytes apart) into dst. src and dst may be the same memory. Returns false when the hook stopped
// it. Sizes of 0 or less do nothing.
bool GaussianBlurPixels24(const uint8_t* src, int srcStride, uint8_t* dst, int dstStride, int width, int height,
                          const TGaussKernel& kernel, const BlurLineHook& hook = {});
