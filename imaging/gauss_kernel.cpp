#include "imaging/gauss_kernel.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/row_sums.h"
#include "platform/parallel.h"
#include "platform/rounding.h"

namespace {

constexpr int M = TGaussKernel::MaxRadius;

void MakeIdentity(TGaussKernel& kernel)
{
    kernel = TGaussKernel{};
    kernel.Radius = 1;
    kernel.Weights[M] = 1.0f;
    kernel.IntWeights[M] = TGaussKernel::Scale;
}

}  // namespace

void BuildGaussianKernel(TGaussKernel& kernel, int A, int B, double Sigma)
{
    if (!(Sigma > 0.0)) {
        MakeIdentity(kernel);
        return;
    }
    kernel = TGaussKernel{};
    std::array<float, TGaussKernel::TapCount> w{};
    double sum = 0.0;
    for (int k = -M; k <= M; ++k) {
        const double q = double(k) / Sigma;
        w[size_t(k + M)] = float(std::exp(-q * q / 2.0));
        sum += double(w[size_t(k + M)]);
    }
    // The centre tap is exp(0) = 1, so the sum is at least 1.
    for (float& v : w) v = float(double(v) / sum);

    const double threshold = B > 0 ? double(A) / (2.0 * double(B)) : 0.0;
    int r = M;
    double dropped = 0.0;
    while (dropped < threshold && r > 1) {
        dropped += 2.0 * double(w[size_t(r + M)]);
        --r;
    }
    double kept = 0.0;
    for (int k = -r; k <= r; ++k) kept += double(w[size_t(k + M)]);

    kernel.Radius = uint8_t(r);
    int32_t intSum = 0;
    for (int k = -r; k <= r; ++k) {
        const float v = float(double(w[size_t(k + M)]) / kept);
        kernel.Weights[size_t(k + M)] = v;
        const int32_t iw = RoundInt(double(v) * TGaussKernel::Scale);
        kernel.IntWeights[size_t(k + M)] = iw;
        intSum += iw;
    }
    // Rounding each tap on its own leaves the sum a little off 1024, which would brighten or
    // darken flat areas; the centre tap takes up the difference.
    int32_t& centre = kernel.IntWeights[M];
    centre += TGaussKernel::Scale - intSum;
    // Very wide kernels (sigma far beyond any setting of the program) have many taps that round
    // up, and the centre would go negative; the excess is then taken one unit per pair from the
    // outside in, so the kernel stays symmetric and never weighs a pixel negatively.
    while (centre < 0) {
        for (int k = r; k >= 1 && centre < 0; --k) {
            if (kernel.IntWeights[size_t(M + k)] <= 0) continue;
            --kernel.IntWeights[size_t(M + k)];
            --kernel.IntWeights[size_t(M - k)];
            centre += 2;
        }
    }
}

TGaussKernel BuildGaussKernel(double sigma)
{
    TGaussKernel kernel;
    BuildGaussianKernel(kernel, 1, 255, sigma);
    return kernel;
}

bool GaussianBlurPixels24(const uint8_t* src, int srcStride, uint8_t* dst, int dstStride, int width, int height,
                          const TGaussKernel& kernel, const BlurLineHook& hook)
{
    if (width <= 0 || height <= 0) return true;
    const size_t rowBytes = size_t(width) * 3;

    if (kernel.IsIdentity()) {
        for (int y = 0; y < height; ++y) {
            const uint8_t* s = src + size_t(y) * size_t(srcStride);
            uint8_t* d = dst + size_t(y) * size_t(dstStride);
            if (s != d) std::memmove(d, s, rowBytes);
            if (hook && !hook(0, y + 1, height)) return false;
        }
        if (hook)
            for (int y = 0; y < height; ++y)
                if (!hook(1, y + 1, height)) return false;
        return true;
    }

    const int r = kernel.Radius;
    const int taps = 2 * r + 1;
    std::vector<int32_t> w(size_t(taps), 0);
    bool symmetric = true;
    for (int t = 0; t < taps; ++t) w[size_t(t)] = kernel.IntWeight(t - r);
    for (int t = 0; t < r; ++t) symmetric = symmetric && w[size_t(t)] == w[size_t(taps - 1 - t)];

    // The pairs of taps t and taps - 1 - t (t < r) of non-zero weight, added four pairs per pass
    // over the sums; `line(t)` is the line tap t reads.
    std::vector<int> pairs;
    for (int t = 0; t < r; ++t)
        if (w[size_t(t)] != 0) pairs.push_back(t);
    const auto AddPairs = [&](int32_t* sums, const auto& line, size_t n) {
        size_t i = 0;
        for (; i + 4 <= pairs.size(); i += 4) {
            const uint8_t* lo[4];
            const uint8_t* hi[4];
            int32_t wt[4];
            for (size_t k = 0; k < 4; ++k) {
                const int t = pairs[i + k];
                lo[k] = line(t);
                hi[k] = line(taps - 1 - t);
                wt[k] = w[size_t(t)];
            }
            AddWeightedPairs4(sums, lo, hi, wt, n);
        }
        for (; i < pairs.size(); ++i) {
            const int t = pairs[i];
            AddWeightedPair(sums, line(t), line(taps - 1 - t), w[size_t(t)], n);
        }
    };

    std::vector<uint8_t> rows(rowBytes * size_t(height));  // row-pass results
    // Each row result depends on its source row alone, and each output row on the row results
    // alone, so without a hook that must see the lines in order the rows are shared out over the
    // cores, a block at a time; the source is read only before the first output row is written.
    const size_t threads = hook ? 1 : KernelThreads(size_t(width) * size_t(height), size_t(taps));
    const size_t block = threads > 1 ? 8 : size_t(height);
    std::atomic<bool> stopped {false};

    // Row pass: each row is widened by r replicated pixels at both ends, then every tap is one
    // multiply-add over the whole row, which the compiler turns into vector code.
    ParallelForSpans(size_t(height), block, threads, [&](size_t from, size_t end) {
        std::vector<uint8_t> pad((size_t(width) + 2 * size_t(r)) * 3);
        std::vector<int32_t> acc(rowBytes);
        int32_t* a = acc.data();
        for (int y = int(from); y < int(end) && !stopped; ++y) {
            const uint8_t* s = src + size_t(y) * size_t(srcStride);
            uint8_t* p = pad.data();
            for (int i = 0; i < r; ++i) std::memcpy(p + size_t(i) * 3, s, 3);
            std::memcpy(p + size_t(r) * 3, s, rowBytes);
            for (int i = 0; i < r; ++i) std::memcpy(p + (size_t(r) + size_t(width) + size_t(i)) * 3, s + rowBytes - 3, 3);

            std::fill(acc.begin(), acc.end(), 0);
            if (symmetric) {
                AddPairs(a, [&](int t) { return p + size_t(t) * 3; }, rowBytes);
                AddWeightedRow(a, p + size_t(r) * 3, w[size_t(r)], rowBytes);
            } else {
                for (int t = 0; t < taps; ++t)
                    if (const int32_t wt = w[size_t(t)]; wt != 0) AddWeightedRow(a, p + size_t(t) * 3, wt, rowBytes);
            }
            StoreShifted10(rows.data() + size_t(y) * rowBytes, a, rowBytes);
            if (hook && !hook(0, y + 1, height)) stopped = true;
        }
    });
    if (stopped) return false;

    // Column pass, one output row at a time over whole rows of the row results.
    auto rowAt = [&](int yy) {
        return rows.data() + size_t(std::clamp(yy, 0, height - 1)) * rowBytes;
    };
    ParallelForSpans(size_t(height), block, threads, [&](size_t from, size_t end) {
        std::vector<int32_t> acc(rowBytes);
        int32_t* a = acc.data();
        for (int y = int(from); y < int(end) && !stopped; ++y) {
            std::fill(acc.begin(), acc.end(), 0);
            if (symmetric) {
                AddPairs(a, [&](int t) { return rowAt(y + t - r); }, rowBytes);
                AddWeightedRow(a, rowAt(y), w[size_t(r)], rowBytes);
            } else {
                for (int t = 0; t < taps; ++t)
                    if (const int32_t wt = w[size_t(t)]; wt != 0) AddWeightedRow(a, rowAt(y + t - r), wt, rowBytes);
            }
            StoreShifted10(dst + size_t(y) * size_t(dstStride), a, rowBytes);
            if (hook && !hook(1, y + 1, height)) stopped = true;
        }
    });
    if (stopped) return false;
    return true;
}
