#include "imaging/flood_fill.h"

#include <algorithm>
#include <cstring>

#include "imaging/icon_image.h"
#include "platform/canvas_ops.h"

TFloodFill::TFloodFill() : Visited_(size_t(MaxSide) * MaxSide, 0)
{
    current_.reserve(4 * MaxSide);
    next_.reserve(4 * MaxSide);
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
    if (x < 0 || y < 0 || x >= FillWidth_ || y >= FillHeight_) return false;
    if (Visited_[size_t(x) + size_t(y) * size_t(FillWidth_)]) return false;
    const uint8_t* p = Source_->Row(y) + 3 * x;
    return p[0] >= LowB_ && p[0] <= HighB_ && p[1] >= LowG_ && p[1] <= HighG_ && p[2] >= LowR_ && p[2] <= HighR_;
}

void TFloodFill::MarkPixel(int x, int y)
{
    Visited_[size_t(x) + size_t(y) * size_t(FillWidth_)] = 1;
    uint8_t* m = ResultMask_.Row(y) + 3 * x;
    m[0] = m[1] = m[2] = 0;
}

void TFloodFill::FillFrom(int x, int y)
{
    // Pixels travel as x + y * 256 so a generation is a flat list of ints.
    current_.clear();
    MarkPixel(x, y);
    current_.push_back(x + y * MaxSide);
    static constexpr int dx[4] = {0, 0, -1, 1};
    static constexpr int dy[4] = {1, -1, 0, 0};
    while (!current_.empty()) {
        next_.clear();
        for (const int32_t p : current_) {
            const int px = p % MaxSide;
            const int py = p / MaxSide;
            for (int k = 0; k < 4; ++k) {
                const int nx = px + dx[k];
                const int ny = py + dy[k];
                if (!Matches(nx, ny)) continue;
                MarkPixel(nx, ny);
                next_.push_back(nx + ny * MaxSide);
            }
        }
        current_.swap(next_);
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
