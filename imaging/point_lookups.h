#pragma once
// The 256-entry lookups behind the point effects (channel offsets, contrast, saturation). The
// effect kernels and the cartoon's colour-step engine build their tables here, so both adjust
// colours identically.
#include <array>
#include <cstddef>
#include <cstdint>

using ByteLookup = std::array<uint8_t, 256>;

// Saturation factors by level 0..127, scaled by 256 (256 would leave a colour unchanged). The
// table does not rise everywhere (levels 78/79 and 89/90 dip); the values are kept as they are
// because saved looks depend on them.
extern const std::array<int32_t, 128> SaturationBoostTable;

// lookup[i] = i + offset, clamped to 0..255.
void BuildOffsetLookup(int offset, ByteLookup& lookup);

// Contrast K about Pivot: K' = K when K < 0, else K (K + 16) div 17; values below Pivot move by
// -K' |Pivot + 1 - i| div 256, values from Pivot up by +K' |Pivot + 1 - i| div 256 (divisions
// truncate toward zero), clamped to 0..255. K = 0 is the identity.
void BuildContrastLookup(int pivot, int k, ByteLookup& lookup);

// The saturation factor of a level: 2 level + 254 below 0, else SaturationBoostTable[level]. The
// level is clamped to -127..127 first.
int32_t SaturationFactor(int level);

// scaled[v] = v f shr 8 for the level's factor f. A channel c of a pixel with grey g = (R + G + B)
// div 3 becomes clamp(g - scaled[g] + scaled[c]).
void BuildSaturationLookup(int level, std::array<int32_t, 256>& scaled);

// Applies a saturation lookup to one pixel's three channels in place (any channel order).
inline void SaturatePixel(uint8_t* p, const std::array<int32_t, 256>& scaled)
{
    const int g = (int(p[0]) + int(p[1]) + int(p[2])) / 3;
    const int base = g - scaled[size_t(g)];
    for (int c = 0; c < 3; ++c) {
        const int v = base + scaled[p[c]];
        p[c] = uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
    }
}
