#include "imaging/sketch.h"

#include <algorithm>
#include <limits>

#include "imaging/gblur2.h"
#include "imaging/imaging_state.h"
#include "platform/bitmap24.h"

namespace {

// Nearest integer to num / den for num >= 0, den > 0, halves to the even neighbour.
long long DivRoundHalfEven(long long num, long long den)
{
    const long long q = num / den, rem = num % den;
    if (2 * rem > den || (2 * rem == den && (q & 1))) return q + 1;
    return q;
}

} // namespace

void TSketch::LoadInverted(const Bitmap24& source, int left, int top, int width, int height)
{
    const long long sw = std::max(0, source.Width()), sh = std::max(0, source.Height());
    const long long l = std::clamp<long long>(left, 0, sw);
    const long long t = std::clamp<long long>(top, 0, sh);
    const long long r = std::clamp<long long>(static_cast<long long>(left) + std::max(0, width), l, sw);
    const long long b = std::clamp<long long>(static_cast<long long>(top) + std::max(0, height), t, sh);
    width_ = int(r - l);
    height_ = int(b - t);
    const size_t pixels = size_t(width_) * size_t(height_);
    data_.assign(pixels * 3, 0);
    result_.assign(pixels, 0);

    const uint8_t& cancel = Imaging().CancelRequested;
    const size_t rowBytes = size_t(width_) * 3;
    for (int y = 0; y < height_; ++y) {
        const uint8_t* s = source.Row(int(t) + y) + size_t(l) * 3;
        uint8_t* d = data_.data() + size_t(y) * rowBytes;
        for (size_t i = 0; i < rowBytes; ++i) {
            if (i % 3 == 0 && cancel) return;
            d[i] = uint8_t(255 - s[i]);
        }
    }
}

void TSketch::AddEdge(int column, int row, long long amount)
{
    if (column < 0 || row < 0 || column >= width_ || row >= height_) return;
    int32_t& v = result_[size_t(row) * size_t(width_) + size_t(column)];
    const long long sum = static_cast<long long>(v) + amount;
    v = int32_t(std::clamp<long long>(sum, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

void TSketch::Draw(int sketchType, int detail, int darkness, int cutOff, int threshold, int strength,
                   int remainDarkArea, double preBlurSigma, int ridgeWeightFifths)
{
    const uint8_t& cancel = Imaging().CancelRequested;
    if (width_ <= 0 || height_ <= 0 || cancel) return;
    const int w = width_, h = height_;
    const size_t stride = size_t(w) * 3;

    if (preBlurSigma > 0) {
        GaussianBlurBuffer(data_.data(), data_.data(), w, h, preBlurSigma, progress_);
        if (cancel) return;
    }
    progress_.Caption(QStringLiteral("Draw Sketch"));

    // Edge sums. Across each horizontal and vertical pair the channel difference goes to the pixel
    // with the larger inverted value, so a pixel's sum is what it exceeds each of its four
    // neighbours by; it is gathered per pixel rather than scattered pair by pair.
    //
    // Ridge terms, for a pixel above both neighbours on a line (a thin dark line of the picture):
    // weight/5 x (2c - a - b) x 5/20, that is weight x (2c - a - b) / 20, rounded half to even in
    // integers. 2c - a - b is at most 510, so the terms come from a table.
    const bool ridges = ridgeWeightFifths > 0;
    std::vector<long long> ridgeTerm(ridges ? 511 : 0);
    for (size_t i = 0; i < ridgeTerm.size(); ++i)
        ridgeTerm[i] = DivRoundHalfEven(static_cast<long long>(ridgeWeightFifths) * static_cast<long long>(i), 20);
    const uint8_t* d = data_.data();
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = d + size_t(y) * stride;
        const uint8_t* up = y > 0 ? row - stride : nullptr;
        const uint8_t* down = y < h - 1 ? row + stride : nullptr;
        for (int x = 0; x < w; ++x) {
            if (cancel) return;
            const bool hasL = x > 0, hasR = x < w - 1;
            const size_t at = size_t(x) * 3;
            long long sum = 0;
            for (int ch = 0; ch < 3; ++ch) {
                const size_t i = at + size_t(ch);
                const int c = row[i];
                if (hasL) sum += std::max(0, c - row[i - 3]);
                if (hasR) sum += std::max(0, c - row[i + 3]);
                if (up) sum += std::max(0, c - up[i]);
                if (down) sum += std::max(0, c - down[i]);
            }
            if (ridges) {
                for (int ch = 2; ch >= 0; --ch) { // red, green, blue
                    const size_t i = at + size_t(ch);
                    const int c = row[i];
                    auto ridge = [&](int a, int b) {
                        if (c > a && c > b) sum += ridgeTerm[size_t(2 * c - a - b)];
                    };
                    if (hasL && hasR) ridge(row[i - 3], row[i + 3]);
                    if (up && down) {
                        ridge(up[i], down[i]);
                        if (hasL && hasR) {
                            ridge(up[i - 3], down[i + 3]);
                            ridge(up[i + 3], down[i - 3]);
                        }
                    }
                }
            }
            AddEdge(x, y, sum);
        }
        progress_.PassAt(y, h - 1);
    }

    // Mapping, in 64 bits: the scale and offsets come from a file and may be anything.
    const long long paperFloor = 255LL - strength;
    const long long darkAbove = 255LL - threshold;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (cancel) return;
            int32_t& out = result_[size_t(y) * size_t(w) + size_t(x)];
            long long v = static_cast<long long>(out) * darkness / 32 - detail;
            if (remainDarkArea) {
                const uint8_t* p = d + size_t(y) * stride + size_t(x) * 3;
                if (p[0] > darkAbove && p[1] > darkAbove && p[2] > darkAbove && v < paperFloor) v = paperFloor;
            }
            v = std::clamp<long long>(v, 0, 255);
            if (sketchType == 1)
                v = v < 16 ? 255 : 0;
            else if (sketchType == 2) {
                v = 255 - v;
                if (v > cutOff) v = 255;
            }
            out = int32_t(v);
        }
    }
    progress_.StepTotal();
}
