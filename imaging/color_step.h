#pragma once
// The colour layer of the cartoon rendering: the picture flattened into areas of one colour, then
// saturation, contrast and brightness, an optional median or maximum smoothing, a blur and a
// final colour balance. Passes run in the driver's order and each reads the previous one's buffer:
// Data -> Reduced -> Result -> Smoothed -> Blurred -> Result.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/progress.h"

class Bitmap24;

class TColorStep {
public:
    TColorStep();

    void SetProgress(const ProgressTargets& targets) { progress_ = targets; }

    // Copies the whole source into Data and sizes the work buffers to the region. The region is
    // clipped to the source; an empty one leaves everything empty.
    void Load(const Bitmap24& source, int left, int top, int width, int height);

    // Kind 0 reduces by step, any other kind by bands. A step below 1 counts as 1; the band count is
    // held to 0..5 (only five thresholds exist).
    void ColorReduce(int step, int kind, int keepAverage, int bandCount, const uint8_t thresholds[5]);
    // Saturation (-127..127), then contrast (-255..255), then brightness (-255..255); values outside
    // are held to those ranges.
    void Adjust(int brightness, int contrast, int saturation);
    // Median (mode 0) or maximum of the (2r + 1) x (2r + 1) window; r <= 0 copies.
    void ColorSmooth(int radius, int mode);
    void Blur(double sigma);
    // Offsets of -255..255 per channel; values outside are held to that range.
    void ColorBalance(int red, int green, int blue);

    // The single passes that Adjust runs, public for their own use.
    void Saturation(int level);
    void Contrast(int level);
    void Brightness(int red, int green, int blue);

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Left() const { return left_; }
    int Top() const { return top_; }
    int SourceWidth() const { return sourceWidth_; }
    int SourceHeight() const { return sourceHeight_; }

    // Packed buffers: rows top first, 3 bytes per pixel blue, green, red, no padding.
    const std::vector<uint8_t>& Data() const { return data_; }
    const std::vector<uint8_t>& Reduced() const { return reduced_; }
    const std::vector<uint8_t>& Smoothed() const { return smoothed_; }
    const std::vector<uint8_t>& Blurred() const { return blurred_; }
    // The finished colour layer (Width x Height) once the driver's passes have run.
    const std::vector<uint8_t>& Result() const { return result_; }

    // The fixed 64-colour list, blue, green, red per entry: every mix of 0, 85, 170 and 255.
    using Color3 = std::array<uint8_t, 3>;
    const std::array<Color3, 64>& Palette64() const { return palette64_; }

private:
    struct XY {
        int32_t X;
        int32_t Y;
    };
    bool Loaded() const;
    size_t RegionPixels() const { return size_t(width_) * size_t(height_); }
    bool InRegion(int x, int y) const { return x >= left_ && x < right_ && y >= top_ && y < bottom_; }
    // Grows an 8-connected region from the seed, breadth first; join tells whether an unvisited
    // pixel joins (and may update the region's class). 1 when the region has pixels and some lie
    // in the processed region, 0 otherwise, -1 when cancelled.
    template <class Join>
    int GrowRegion(int seedX, int seedY, Join&& join);
    // Writes the colour over the region's pixels in the processed region, or, when it did not
    // grow there, the seed's own colour at the seed.
    void PaintRegion(const uint8_t* color, bool grown, int seedX, int seedY);
    // Grows one region from the seed and writes its colour; false when cancelled.
    bool ReduceByStep(int seedX, int seedY, int step);
    bool ReduceByBands(int seedX, int seedY, int keepAverage);
    Color3 NearestListColor(const Color3& c) const;
    // Channel offsets from a buffer into Result.
    void OffsetPass(const std::vector<uint8_t>& from, int red, int green, int blue);
    void ApplyTables(const std::vector<uint8_t>& from, const uint8_t* tb, const uint8_t* tg, const uint8_t* tr);

    ProgressTargets progress_;

    std::vector<uint8_t> visited_;
    // One slot per source pixel, left uninitialised: a region only ever reads what it wrote.
    std::unique_ptr<XY[]> region_;
    int regionCount_ = 0;
    Color3 regionColor_{};
    std::vector<uint8_t> reduced_;
    std::vector<uint8_t> smoothed_;
    std::vector<uint8_t> blurred_;
    std::vector<uint8_t> data_;
    std::array<Color3, 64> palette64_{};
    std::array<int, 7> bands_{};
    int bandCount_ = 0;
    std::array<uint8_t, 256> bandOf_{};
    std::vector<uint8_t> result_;
    int width_ = 0, height_ = 0;
    int sourceWidth_ = 0, sourceHeight_ = 0;
    int left_ = 0, top_ = 0;
    int right_ = 0, bottom_ = 0;
    // Frontiers of the breadth-first growth, kept between regions to spare allocations.
    std::vector<XY> frontier_, next_;
};
