#pragma once
// The convolution filters of the Filters effect: the preset record, the 25 presets and the engine.
#include <array>
#include <cstdint>

#include "platform/progress.h"
#include "platform/bitmap24.h"

// One preset. Kernel rows are the vertical offsets -3..3 (top first), columns the horizontal
// offsets -3..3; 3 x 3 and 5 x 5 kernels sit in the centre with zeros around them.
struct TFilterDef {
    uint8_t Kind = 1;      // 1 convolution, 0 rank filter
    uint8_t SizeCode = 1;  // 1 = 3 x 3, 2 = 5 x 5, 3 = 7 x 7
    int32_t Kernel[7][7] = {};
    int32_t Divisor = 1;
    int32_t Bias = 0;
    char Name[129] = {};
};

constexpr int FilterPresetCount = 25;
// The presets in the order the Filters dialog lists them.
extern const std::array<TFilterDef, FilterPresetCount> FilterPresets;

// Mode 0 filters red, green and blue; 1 filters hue, saturation and value; 2 hue, saturation and
// lightness. R, G, B switch the three components on (a component switched off keeps the source's).
enum : int { fmRGB = 0, fmHSV = 1, fmHSL = 2 };

// Runs the preset on Src into Dst (Dst takes Src's size). A SizeCode above 0 replaces the preset's
// own. Kind 1 convolves, Kind 0 is the rank filter, any other Kind does nothing. Src and Dst may be
// the same bitmap. Progress is reported before each row as (0, 100, round(row / height x 100)).
void ApplyFilter(const Bitmap24& Src, Bitmap24& Dst, TFilterDef Filter, int SizeCode, int Mode, bool R, bool G, bool B,
                 const ProgressCallback& Callback = {});
// The convolution: each enabled channel becomes Bias + (weighted sum / Divisor), truncated and
// clamped to 0..255. A Divisor of 0 copies Src. Near an edge, offsets that point towards it read
// the pixel mirrored through the current one; in images too small for that, reads are held to the
// nearest edge.
void ConvolveFilter(const Bitmap24& Src, Bitmap24& Dst, const TFilterDef& Filter, int Mode, bool R, bool G, bool B,
                    const ProgressCallback& Callback = {});
