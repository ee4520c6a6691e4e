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

    // Edge sums. Each pair is visited once, from its right or lower pixel.
    const uint8_t* d = data_.data();
    auto at = [&](int x, int y, int c) { return int(d[size_t(y) * stride + size_t(x) * 3 + size_t(c)]); };
    const bool ridges = ridgeWeightFifths > 0;
    // Ridge lines through a pixel as pairs of offsets: horizontal, vertical, diagonal, anti-diagonal.
    static constexpr int Lines[4][4] = {{-1, 0, 1, 0}, {0, -1, 0, 1}, {-1, -1, 1, 1}, {1, -1, -1, 1}};
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (cancel) return;
            for (int ch = 0; ch < 3; ++ch) {
                const int c = at(x, y, ch);
                if (x > 0) {
                    const int l = at(x - 1, y, ch);
                    if (l < c)
                        AddEdge(x, y, c - l);
                    else
                        AddEdge(x - 1, y, l - c);
                }
                if (y > 0) {
                    const int u = at(x, y - 1, ch);
                    if (u < c)
                        AddEdge(x, y, c - u);
                    else
                        AddEdge(x, y - 1, u - c);
                }
            }
            if (!ridges) continue;
            // Red, green, blue: the buffer holds them as bytes 2, 1, 0.
            for (int ch = 2; ch >= 0; --ch) {
                const int c = at(x, y, ch);
                for (const auto& line : Lines) {
                    const int ax = x + line[0], ay = y + line[1], bx = x + line[2], by = y + line[3];
                    if (ax < 0 || ay < 0 || bx < 0 || by < 0 || ax >= w || bx >= w || ay >= h || by >= h) continue;
                    const int a = at(ax, ay, ch), b = at(bx, by, ch);
                    if (c <= a || c <= b) continue;
                    // weight/5 x (2c - a - b) x 5/20, exactly: weight x (2c - a - b) / 20.
                    AddEdge(x, y, DivRoundHalfEven(static_cast<long long>(ridgeWeightFifths) * (2 * c - a - b), 20));
                }
            }
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
