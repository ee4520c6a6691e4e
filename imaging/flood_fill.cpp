#include "imaging/flood_fill.h"

#include <algorithm>
#include <cstring>

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

void TFloodFill::Fill(int x, int y, int tolerance)
{
    for (int row = 0; row < FillHeight_; ++row) std::memset(ResultMask_.Row(row), 0xFF, size_t(FillWidth_) * 3);
    if (!Source_ || x < 0 || y < 0 || x >= FillWidth_ || y >= FillHeight_) {
        std::memset(Visited_.data(), Outside, size_t(FillWidth_) * size_t(FillHeight_));
        return;
    }
    const int t = std::clamp(tolerance, 0, 255);
    const uint8_t* seed = Source_->Row(y) + 3 * x;
    // A channel v lies in low..high exactly when v - low, taken modulo 256, is at most high - low.
    uint8_t low[3], span[3];
    for (int c = 0; c < 3; ++c) {
        low[c] = uint8_t(std::max(seed[c] - t, 0));
        span[c] = uint8_t(std::min(seed[c] + t, 255) - low[c]);
    }
    // Every pixel is tested once, up front, in a loop without branches; the search then reads
    // one byte per pixel.
    for (int row = 0; row < FillHeight_; ++row) {
        const uint8_t* p = Source_->Row(row);
        uint8_t* state = Visited_.data() + size_t(row) * size_t(FillWidth_);
        for (int i = 0; i < FillWidth_; ++i, p += 3)
            state[i] = uint8_t(uint8_t(p[0] - low[0]) <= span[0] && uint8_t(p[1] - low[1]) <= span[1] &&
                               uint8_t(p[2] - low[2]) <= span[2]);
    }
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
        int left = sx, right = sx + 1;
        while (left > 0 && state[left - 1] == Open) --left;
        while (right < w && state[right] == Open) ++right;
        std::memset(state + left, Taken, size_t(right - left));
        std::memset(ResultMask_.Row(sy) + 3 * left, 0, size_t(right - left) * 3);
        for (const int ny : {sy - 1, sy + 1}) {
            if (ny < 0 || ny >= h) continue;
            const uint8_t* next = Visited_.data() + size_t(ny) * size_t(w);
            bool inRun = false;
            for (int nx = left; nx < right; ++nx) {
                const bool open = next[nx] == Open;
                if (open && !inRun) seeds.push_back(nx + ny * MaxSide);
                inRun = open;
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
