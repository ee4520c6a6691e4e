#include "imaging/color_step.h"

#include <algorithm>
#include <cstring>

#include "platform/small_routines.h"
#include "imaging/gblur2.h"
#include "imaging/imaging_state.h"
#include "imaging/point_lookups.h"
#include "platform/bitmap24.h"
#include "platform/rounding.h"

namespace {

// Neighbours in the order the growth tries them: below, above, left, right, upper-left,
// upper-right, lower-left, lower-right.
constexpr int NeighbourDX[8] = {0, 0, -1, 1, -1, 1, -1, 1};
constexpr int NeighbourDY[8] = {1, -1, 0, 0, -1, -1, 1, 1};

// A colour as one comparable number: red, then green, then blue.
inline int32_t PackRGB(const uint8_t* p) { return (int32_t(p[2]) << 16) | (int32_t(p[1]) << 8) | int32_t(p[0]); }
inline void UnpackRGB(int32_t v, uint8_t* p)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
}

} // namespace

TColorStep::TColorStep()
{
    // Listed by red, green, blue; stored blue, green, red like the pixels.
    static constexpr uint8_t List[64][3] = {
        {0, 0, 0},       {255, 0, 0},     {0, 255, 0},     {0, 0, 255},     {255, 255, 0},   {0, 255, 255},
        {255, 0, 255},   {170, 170, 170}, {170, 0, 0},     {0, 170, 0},     {0, 0, 170},     {170, 170, 0},
        {0, 170, 170},   {170, 0, 170},   {255, 170, 170}, {170, 255, 170}, {170, 170, 255}, {170, 255, 255},
        {255, 170, 255}, {255, 255, 170}, {0, 170, 255},   {0, 255, 170},   {170, 0, 255},   {170, 255, 0},
        {255, 0, 170},   {255, 170, 0},   {85, 0, 0},      {0, 85, 0},      {0, 0, 85},      {85, 170, 170},
        {170, 85, 170},  {170, 170, 85},  {85, 255, 255},  {255, 85, 255},  {255, 255, 85},  {0, 85, 85},
        {85, 0, 85},     {85, 85, 0},     {170, 85, 85},   {85, 170, 85},   {85, 85, 170},   {255, 85, 85},
        {85, 255, 85},   {85, 85, 255},   {85, 85, 85},    {0, 85, 170},    {0, 170, 85},    {0, 85, 255},
        {0, 255, 85},    {85, 0, 170},    {85, 170, 0},    {85, 0, 255},    {85, 255, 0},    {170, 0, 85},
        {170, 85, 0},    {170, 85, 255},  {170, 255, 85},  {255, 0, 85},    {255, 85, 0},    {255, 85, 170},
        {255, 170, 85},  {85, 170, 255},  {85, 255, 170},  {255, 255, 255}};
    for (size_t i = 0; i < 64; ++i) palette64_[i] = Color3{List[i][2], List[i][1], List[i][0]};
}

bool TColorStep::Loaded() const
{
    return width_ > 0 && height_ > 0 && data_.size() == size_t(sourceWidth_) * size_t(sourceHeight_) * 3 &&
           result_.size() == RegionPixels() * 3;
}

void TColorStep::Load(const Bitmap24& source, int left, int top, int width, int height)
{
    auto emptyAll = [this] {
        data_.clear();
        reduced_.clear();
        smoothed_.clear();
        blurred_.clear();
        result_.clear();
    };
    sourceWidth_ = std::max(0, source.Width());
    sourceHeight_ = std::max(0, source.Height());
    // The region is held to the source, computed in 64 bits so that no sum of the values wraps.
    const long long l = std::clamp<long long>(left, 0, sourceWidth_);
    const long long t = std::clamp<long long>(top, 0, sourceHeight_);
    const long long r = std::clamp<long long>(static_cast<long long>(left) + std::max(0, width), l, sourceWidth_);
    const long long b = std::clamp<long long>(static_cast<long long>(top) + std::max(0, height), t, sourceHeight_);
    left_ = int(l);
    top_ = int(t);
    right_ = int(r);
    bottom_ = int(b);
    width_ = right_ - left_;
    height_ = bottom_ - top_;
    if (sourceWidth_ == 0 || sourceHeight_ == 0) {
        emptyAll();
        return;
    }

    const uint8_t& cancel = Imaging().CancelRequested;
    const size_t rowBytes = size_t(sourceWidth_) * 3;
    data_.resize(rowBytes * size_t(sourceHeight_));
    for (int y = 0; y < sourceHeight_; ++y) {
        if (cancel) {
            emptyAll();
            return;
        }
        std::memcpy(data_.data() + size_t(y) * rowBytes, source.Row(y), rowBytes);
    }
    // Every pass writes the whole of its output buffer, and the reduction starts from the picture
    // itself, so the work buffers need sizing only (repeated runs of one size reuse them as they are).
    const size_t regionBytes = RegionPixels() * 3;
    reduced_.resize(regionBytes);
    smoothed_.resize(regionBytes);
    blurred_.resize(regionBytes);
    result_.resize(regionBytes);
}

void TColorStep::ColorReduce(int step, int kind, int keepAverage, int bandCount, const uint8_t thresholds[5])
{
    if (!Loaded()) return;
    progress_.Caption(QStringLiteral("Color Reducing"));
    step = std::max(1, step);
    bandCount_ = std::clamp(bandCount, 0, 5);
    uint8_t sorted[5] = {};
    if (thresholds) std::copy_n(thresholds, bandCount_, sorted);
    SortBytes(sorted, bandCount_);
    bands_.fill(0);
    bands_[0] = -1;
    for (int i = 0; i < bandCount_; ++i) bands_[size_t(i) + 1] = sorted[i];
    bands_[size_t(bandCount_) + 1] = 256;
    // The band of every channel value: i with Bands[i] < v <= Bands[i + 1].
    for (int v = 0; v < 256; ++v) {
        int i = 0;
        while (i < bandCount_ && bands_[size_t(i) + 1] < v) ++i;
        bandOf_[size_t(v)] = uint8_t(i);
    }

    // Pixels that no region covers keep the picture's own colour.
    const size_t srcRow = size_t(sourceWidth_) * 3;
    const size_t regRow = size_t(width_) * 3;
    for (int y = 0; y < height_; ++y)
        std::memcpy(reduced_.data() + size_t(y) * regRow, data_.data() + size_t(top_ + y) * srcRow + size_t(left_) * 3,
                    regRow);

    const size_t sourcePixels = size_t(sourceWidth_) * size_t(sourceHeight_);
    visited_.assign(sourcePixels, 0);
    region_.reset(new XY[sourcePixels]);
    regionCount_ = 0;

    const uint8_t& cancel = Imaging().CancelRequested;
    bool finished = true;
    for (int y = 0; y < bottom_ && finished; ++y) {
        for (int x = 0; x < right_; ++x) {
            if (cancel) {
                finished = false;
                break;
            }
            if (visited_[size_t(y) * size_t(sourceWidth_) + size_t(x)]) continue;
            const bool grown = kind == 0 ? ReduceByStep(x, y, step) : ReduceByBands(x, y, keepAverage);
            if (!grown) {
                finished = false;
                break;
            }
        }
        if (finished) progress_.PassAt(y - top_, height_ - 1);
    }

    visited_ = {};
    region_.reset();
    frontier_ = {};
    next_ = {};
    regionCount_ = 0;
    if (finished) progress_.StepTotal();
}

template <class Join>
int TColorStep::GrowRegion(int seedX, int seedY, Join&& join)
{
    const uint8_t& cancel = Imaging().CancelRequested;
    regionCount_ = 0;
    bool inside = false;
    // The seed is not marked: it joins only when the growth reaches it again like any pixel.
    frontier_.clear();
    frontier_.push_back(XY{seedX, seedY});
    while (!frontier_.empty()) {
        next_.clear();
        for (const XY p : frontier_) {
            if (cancel) return -1;
            for (int n = 0; n < 8; ++n) {
                const int qx = p.X + NeighbourDX[n], qy = p.Y + NeighbourDY[n];
                if (qx < 0 || qy < 0 || qx >= sourceWidth_ || qy >= sourceHeight_) continue;
                const size_t qi = size_t(qy) * size_t(sourceWidth_) + size_t(qx);
                if (visited_[qi] || !join(data_.data() + qi * 3)) continue;
                next_.push_back(XY{qx, qy});
                region_[regionCount_++] = XY{qx, qy};
                visited_[qi] = 1;
                if (InRegion(qx, qy)) inside = true;
            }
        }
        std::swap(frontier_, next_);
    }
    return regionCount_ > 0 && inside ? 1 : 0;
}

void TColorStep::PaintRegion(const uint8_t* color, bool grown, int seedX, int seedY)
{
    if (grown) {
        for (int i = 0; i < regionCount_; ++i) {
            const XY p = region_[i];
            if (InRegion(p.X, p.Y))
                std::memcpy(reduced_.data() + (size_t(p.Y - top_) * size_t(width_) + size_t(p.X - left_)) * 3, color, 3);
        }
    } else if (InRegion(seedX, seedY)) {
        std::memcpy(reduced_.data() + (size_t(seedY - top_) * size_t(width_) + size_t(seedX - left_)) * 3,
                    data_.data() + (size_t(seedY) * size_t(sourceWidth_) + size_t(seedX)) * 3, 3);
    }
}

bool TColorStep::ReduceByStep(int seedX, int seedY, int step)
{
    const uint8_t* seed = data_.data() + (size_t(seedY) * size_t(sourceWidth_) + size_t(seedX)) * 3;
    // The running mean starts at the seed; halving it with every pixel that joins lets the region
    // drift slowly along a gradient.
    double m[3] = {double(seed[0]), double(seed[1]), double(seed[2])};
    int cls[3];
    auto classOfMean = [&] {
        for (int c = 0; c < 3; ++c) cls[c] = int(RoundByte(m[c])) / step;
    };
    classOfMean();
    const int grown = GrowRegion(seedX, seedY, [&](const uint8_t* q) {
        if (q[0] / step != cls[0] || q[1] / step != cls[1] || q[2] / step != cls[2]) return false;
        for (int c = 0; c < 3; ++c) m[c] = (m[c] + double(q[c])) / 2.0;
        classOfMean();
        return true;
    });
    if (grown < 0) return false;
    const uint8_t color[3] = {RoundByte(m[0]), RoundByte(m[1]), RoundByte(m[2])};
    PaintRegion(color, grown == 1, seedX, seedY);
    return true;
}

bool TColorStep::ReduceByBands(int seedX, int seedY, int keepAverage)
{
    auto classOf = [&](const uint8_t* p) {
        return bandOf_[p[0]] | (bandOf_[p[1]] << 4) | (bandOf_[p[2]] << 8);
    };
    auto pixelAt = [&](const XY& p) {
        return data_.data() + (size_t(p.Y) * size_t(sourceWidth_) + size_t(p.X)) * 3;
    };
    const int cls = classOf(pixelAt(XY{seedX, seedY}));
    const int grown = GrowRegion(seedX, seedY, [&](const uint8_t* q) { return classOf(q) == cls; });
    if (grown < 0) return false;
    if (grown == 1) {
        // Starting from the middle pixel, fold in the mean of each pair taken from both ends of the
        // growth order, halving each time: the region's colour leans toward its centre pairs.
        const uint8_t* mid = pixelAt(region_[regionCount_ / 2]);
        regionColor_ = Color3{mid[0], mid[1], mid[2]};
        for (int i = 0; i <= (regionCount_ - 1) / 2; ++i) {
            const uint8_t* a = pixelAt(region_[i]);
            const uint8_t* b = pixelAt(region_[regionCount_ - 1 - i]);
            for (int c = 0; c < 3; ++c)
                regionColor_[size_t(c)] = uint8_t((((int(a[c]) + int(b[c])) / 2) + int(regionColor_[size_t(c)])) / 2);
        }
        if (keepAverage == 0) regionColor_ = NearestListColor(regionColor_);
    }
    PaintRegion(regionColor_.data(), grown == 1, seedX, seedY);
    return true;
}

TColorStep::Color3 TColorStep::NearestListColor(const Color3& c) const
{
    // Only entries of about the same hue qualify (their red-green and red-blue differences within
    // 80 of the colour's); of those the nearest by the sum of channel distances wins, the first in
    // list order on ties.
    const int cb = c[0], cg = c[1], cr = c[2];
    int best = 16581375;
    size_t bestIndex = 0; // black when no entry qualifies
    for (size_t i = 0; i < palette64_.size(); ++i) {
        const int eb = palette64_[i][0], eg = palette64_[i][1], er = palette64_[i][2];
        if (std::abs((er - eg) - (cr - cg)) >= 80 || std::abs((er - eb) - (cr - cb)) >= 80) continue;
        const int d = std::abs(er - cr) + std::abs(eg - cg) + std::abs(eb - cb);
        if (d < best) {
            best = d;
            bestIndex = i;
        }
    }
    return palette64_[bestIndex];
}

void TColorStep::ApplyTables(const std::vector<uint8_t>& from, const uint8_t* tb, const uint8_t* tg,
                             const uint8_t* tr)
{
    const uint8_t& cancel = Imaging().CancelRequested;
    const size_t rowBytes = size_t(width_) * 3;
    for (int y = 0; y < height_; ++y) {
        const uint8_t* s = from.data() + size_t(y) * rowBytes;
        uint8_t* d = result_.data() + size_t(y) * rowBytes;
        for (int x = 0; x < width_; ++x, s += 3, d += 3) {
            if (cancel) return;
            d[0] = tb[s[0]];
            d[1] = tg[s[1]];
            d[2] = tr[s[2]];
        }
        progress_.PassAt(y, height_ - 1);
    }
    progress_.StepTotal();
}

void TColorStep::Adjust(int brightness, int contrast, int saturation)
{
    Saturation(saturation);
    Contrast(contrast);
    Brightness(brightness, brightness, brightness);
}

void TColorStep::Saturation(int level)
{
    if (!Loaded() || Imaging().CancelRequested) return;
    progress_.Caption(QStringLiteral("Saturation"));
    std::array<int32_t, 256> scaled;
    BuildSaturationLookup(std::clamp(level, -127, 127), scaled);
    const uint8_t& cancel = Imaging().CancelRequested;
    const size_t rowBytes = size_t(width_) * 3;
    for (int y = 0; y < height_; ++y) {
        const uint8_t* s = reduced_.data() + size_t(y) * rowBytes;
        uint8_t* d = result_.data() + size_t(y) * rowBytes;
        for (int x = 0; x < width_; ++x, s += 3, d += 3) {
            if (cancel) return;
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
            SaturatePixel(d, scaled);
        }
        progress_.PassAt(y, height_ - 1);
    }
    progress_.StepTotal();
}

void TColorStep::Contrast(int level)
{
    if (!Loaded() || Imaging().CancelRequested) return;
    progress_.Caption(QStringLiteral("Contrast"));
    ByteLookup table;
    // The pivot sits near white on purpose: a raised contrast mostly darkens, which suits flat
    // cartoon colours.
    BuildContrastLookup(253, std::clamp(level, -255, 255), table);
    ApplyTables(result_, table.data(), table.data(), table.data());
}

void TColorStep::OffsetPass(const std::vector<uint8_t>& from, int red, int green, int blue)
{
    if (!Loaded() || Imaging().CancelRequested) return;
    // The colour balance is this same brightness pass with an offset per channel, and shows as such.
    progress_.Caption(QStringLiteral("Brightness"));
    ByteLookup tr, tg, tb;
    BuildOffsetLookup(std::clamp(red, -255, 255), tr);
    BuildOffsetLookup(std::clamp(green, -255, 255), tg);
    BuildOffsetLookup(std::clamp(blue, -255, 255), tb);
    ApplyTables(from, tb.data(), tg.data(), tr.data());
}

void TColorStep::Brightness(int red, int green, int blue) { OffsetPass(result_, red, green, blue); }

void TColorStep::ColorBalance(int red, int green, int blue) { OffsetPass(blurred_, red, green, blue); }

void TColorStep::ColorSmooth(int radius, int mode)
{
    if (!Loaded() || Imaging().CancelRequested) return;
    progress_.Caption(QStringLiteral("Color Smooth"));
    smoothed_ = result_;
    const long long n64 = 2LL * radius + 1;
    // A window wider or higher than the region fits nowhere: the copy stands.
    if (radius <= 0 || n64 > width_ || n64 > height_) {
        progress_.StepTotal();
        return;
    }
    const int r = radius;
    const int n = int(n64);
    const size_t area = size_t(n) * size_t(n);
    std::vector<int32_t> ring(area);   // n rows of n values; slot (row mod n) holds an image row
    std::vector<int32_t> work(area);   // the median search reorders its input
    const size_t rowBytes = size_t(width_) * 3;
    const uint8_t& cancel = Imaging().CancelRequested;

    auto loadRow = [&](int x, int imageRow) {
        int32_t* slot = ring.data() + size_t(imageRow % n) * size_t(n);
        const uint8_t* p = result_.data() + size_t(imageRow) * rowBytes + size_t(x - r) * 3;
        for (int i = 0; i < n; ++i, p += 3) slot[i] = PackRGB(p);
    };

    for (int x = r; x <= width_ - r - 1; ++x) {
        for (int yy = 0; yy < n; ++yy) loadRow(x, yy);
        for (int y = r; y <= height_ - r - 1; ++y) {
            if (cancel) return;
            if (y > r) loadRow(x, y + r); // replaces the oldest row, y - r - 1
            int32_t v;
            if (mode == 0) {
                std::copy(ring.begin(), ring.end(), work.begin());
                v = SelectKth(work.data(), int(area), &Imaging().CancelRequested);
            } else {
                v = MaxOfInts(ring.data(), int(area) - 1);
            }
            UnpackRGB(v, smoothed_.data() + size_t(y) * rowBytes + size_t(x) * 3);
        }
        progress_.PassAt(x - r, width_ - 2LL * r - 1);
    }
    progress_.StepTotal();
}

void TColorStep::Blur(double sigma)
{
    if (!Loaded() || Imaging().CancelRequested) return;
    if (sigma > 0)
        GaussianBlurBuffer(smoothed_.data(), blurred_.data(), width_, height_, sigma, progress_);
    else
        blurred_ = smoothed_;
}
