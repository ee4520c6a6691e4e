#include "imaging/flood_fill.h"

#include <algorithm>
#include <cstring>

#include "imaging/row_sums.h"
#include "platform/canvas_ops.h"

TFloodFill::TFloodFill() : Visited_(size_t(MaxSide) * MaxSide, 0)
{
    current_.reserve(4 * MaxSide);
}

void TFloodFill::SetSource(const Bitmap24* source, int width, int height)
{
    Source_ = source;
    const int w = source ? source->Width() : 0;
    const int h = source ? source->Height() : 0;
    FillWidth_ = std::clamp(width, 0, std::min(w, int(MaxSide)));
    FillHeight_ = std::clamp(height, 0, std::min(h, int(MaxSide)));
}

namespace {

// The first index in from..to whose byte is not `value` (to when there is none), eight bytes at
// a time over long runs.
int EndOfRun(const uint8_t* bytes, int from, int to, uint8_t value)
{
    const uint64_t all = 0x0101010101010101ull * value;
    while (to - from >= 8) {
        uint64_t word;
        std::memcpy(&word, bytes + from, 8);
        if (word != all) break;
        from += 8;
    }
    while (from < to && bytes[from] == value) ++from;
    return from;
}

} // namespace

void TFloodFill::Fill(int x, int y, int tolerance)
{
    for (int row = 0; row < FillHeight_; ++row) std::memset(ResultMask_.Row(row), 0xFF, size_t(FillWidth_) * 3);
    if (!Source_ || x < 0 || y < 0 || x >= FillWidth_ || y >= FillHeight_) {
        std::memset(Visited_.data(), Outside, size_t(FillWidth_) * size_t(FillHeight_));
        return;
    }
    const int t = std::clamp(tolerance, 0, 255);
    const uint8_t* seed = Source_->Row(y) + 3 * x;
    uint8_t low[3], range[3];
    for (int c = 0; c < 3; ++c) {
        low[c] = uint8_t(std::max(seed[c] - t, 0));
        range[c] = uint8_t(std::min(seed[c] + t, 255) - low[c]);
    }
    // Every pixel is tested once, up front, whole rows at a time; the search then reads one byte
    // per pixel.
    for (int row = 0; row < FillHeight_; ++row)
        MarkPixelsInRange(Visited_.data() + size_t(row) * size_t(FillWidth_), Source_->Row(row), size_t(FillWidth_),
                          low, range);
    FillFrom(x, y);
}

void TFloodFill::FillFrom(int x, int y)
{
    // Scan lines: a seed grows into the whole run of matching pixels on its row, and the rows
    // above and below that run get one seed for each run of theirs that touches it. The region is
    // the same 4-connected set a pixel-by-pixel search finds, with spans marked whole. Seeds
    // travel as x + y * 256.
    const int w = FillWidth_, h = FillHeight_;
    std::vector<int32_t>& seeds = current_;
    seeds.clear();
    seeds.push_back(x + y * MaxSide);
    while (!seeds.empty()) {
        const int32_t s = seeds.back();
        seeds.pop_back();
        const int sx = s % MaxSide, sy = s / MaxSide;
        uint8_t* state = Visited_.data() + size_t(sy) * size_t(w);
        if (state[sx] != Open) continue;
        int left = sx;
        while (left > 0 && state[left - 1] == Open) --left;
        const int right = EndOfRun(state, sx + 1, w, Open);
        std::memset(state + left, Taken, size_t(right - left));
        std::memset(ResultMask_.Row(sy) + 3 * left, 0, size_t(right - left) * 3);
        for (const int ny : {sy - 1, sy + 1}) {
            if (ny < 0 || ny >= h) continue;
            const uint8_t* next = Visited_.data() + size_t(ny) * size_t(w);
            for (int nx = left; nx < right;) {
                if (next[nx] != Open) {
                    ++nx;
                    continue;
                }
                seeds.push_back(nx + ny * MaxSide);
                nx = EndOfRun(next, nx + 1, right, Open);
            }
        }
    }
}

bool TFloodFill::Filled(int x, int y) const
{
    if (x < 0 || y < 0 || x >= FillWidth_ || y >= FillHeight_) return false;
    return Visited_[size_t(x) + size_t(y) * size_t(FillWidth_)] == Taken;
}

void TFloodFill::ApplyMask(Bitmap24& target) const
{
    if (FillWidth_ <= 0 || FillHeight_ <= 0) return;
    CopyBitmapRect(ResultMask_, SizeRect(FillWidth_, FillHeight_), target, 0, 0);
}
