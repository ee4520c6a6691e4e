#include "imaging/flood_fill.h"

#include <algorithm>
#include <cstring>

#include "imaging/icon_image.h"
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
    if (FillWidth_ > 0 && FillHeight_ > 0)
        FillBitmapRect(ResultMask_, 0xFFFFFF, SizeRect(FillWidth_, FillHeight_));
    std::memset(Visited_.data(), 0, size_t(FillWidth_) * size_t(FillHeight_));
    if (!Source_ || x < 0 || y < 0 || x >= FillWidth_ || y >= FillHeight_) return;
    const int t = std::clamp(tolerance, 0, 255);
    const uint8_t* seed = Source_->Row(y) + 3 * x;
    auto low = [t](int v) { return uint8_t(std::max(v - t, 0)); };
    auto high = [t](int v) { return uint8_t(std::min(v + t, 255)); };
    LowB_ = low(seed[0]);
    HighB_ = high(seed[0]);
    LowG_ = low(seed[1]);
    HighG_ = high(seed[1]);
    LowR_ = low(seed[2]);
    HighR_ = high(seed[2]);
    FillFrom(x, y);
}

bool TFloodFill::Matches(int x, int y) const
{
    const uint8_t* p = Source_->Row(y) + 3 * x;
    return p[0] >= LowB_ && p[0] <= HighB_ && p[1] >= LowG_ && p[1] <= HighG_ && p[2] >= LowR_ && p[2] <= HighR_;
}

void TFloodFill::MarkSpan(int left, int right, int y)
{
    std::memset(Visited_.data() + size_t(left) + size_t(y) * size_t(FillWidth_), 1, size_t(right - left));
    std::memset(ResultMask_.Row(y) + 3 * left, 0, size_t(right - left) * 3);
}

void TFloodFill::FillFrom(int x, int y)
{
    // Scan lines: a seed grows into the whole run of matching pixels on its row, and the rows
    // above and below that run get one seed for each run of theirs that touches it. The region is
    // the same 4-connected set a pixel-by-pixel search finds, with one test per pixel and spans
    // marked whole. Seeds travel as x + y * 256.
    const int w = FillWidth_, h = FillHeight_;
    std::vector<int32_t>& seeds = current_;
    seeds.clear();
    seeds.push_back(x + y * MaxSide);
    while (!seeds.empty()) {
        const int32_t s = seeds.back();
        seeds.pop_back();
        const int sx = s % MaxSide, sy = s / MaxSide;
        const uint8_t* visited = Visited_.data() + size_t(sy) * size_t(w);
        if (visited[sx]) continue;
        int left = sx, right = sx + 1;
        while (left > 0 && !visited[left - 1] && Matches(left - 1, sy)) --left;
        while (right < w && !visited[right] && Matches(right, sy)) ++right;
        MarkSpan(left, right, sy);
        for (const int ny : {sy - 1, sy + 1}) {
            if (ny < 0 || ny >= h) continue;
            const uint8_t* seen = Visited_.data() + size_t(ny) * size_t(w);
            bool inRun = false;
            for (int nx = left; nx < right; ++nx) {
                const bool take = !seen[nx] && Matches(nx, ny);
                if (take && !inRun) seeds.push_back(nx + ny * MaxSide);
                inRun = take;
            }
        }
    }
}

bool TFloodFill::Filled(int x, int y) const
{
    if (x < 0 || y < 0 || x >= FillWidth_ || y >= FillHeight_) return false;
    return Visited_[size_t(x) + size_t(y) * size_t(FillWidth_)] != 0;
}

void TFloodFill::ApplyMask(Bitmap24& target) const
{
    if (FillWidth_ <= 0 || FillHeight_ <= 0) return;
    CopyBitmapRect(ResultMask_, SizeRect(FillWidth_, FillHeight_), target, 0, 0);
}
