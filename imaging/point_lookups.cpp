#include "imaging/point_lookups.h"

#include <cstdlib>

const std::array<int32_t, 128> SaturationBoostTable = {
    255,   263,   271,   279,   287,   295,   303,   311,   319,   327,   335,   343,   351,   359,   367,   375,
    383,   391,   399,   407,   415,   423,   431,   439,   447,   463,   479,   495,   511,   527,   543,   559,
    575,   591,   607,   623,   639,   655,   671,   688,   703,   719,   735,   751,   767,   783,   799,   815,
    831,   847,   863,   879,   895,   911,   927,   943,   959,   975,   991,   1007,  1023,  1055,  1087,  1119,
    1151,  1183,  1215,  1247,  1279,  1311,  1343,  1375,  1407,  1439,  1471,  1503,  1535,  1567,  1659,  1631,
    1663,  1695,  1727,  1759,  1791,  1823,  1855,  1887,  1919,  2015,  1952,  1983,  2047,  2176,  2303,  2431,
    2559,  2687,  2815,  2943,  3071,  3199,  3327,  3455,  3583,  3711,  3839,  3967,  4095,  4531,  4607,  5119,
    5631,  6143,  7167,  8191,  10239, 12287, 14335, 16383, 20479, 24575, 28671, 32767, 40959, 49151, 57343, 65535,
};

namespace {
uint8_t Clamp255(long long v) { return uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v)); }
}  // namespace

void BuildOffsetLookup(int offset, ByteLookup& lookup)
{
    for (int i = 0; i < 256; ++i) lookup[size_t(i)] = Clamp255(static_cast<long long>(i) + offset);
}

void BuildContrastLookup(int pivot, int k, ByteLookup& lookup)
{
    // 64-bit throughout: the contrast and the pivot come from spin edits and files.
    const long long kk = k < 0 ? static_cast<long long>(k) : static_cast<long long>(k) * (k + 16LL) / 17;
    for (int i = 0; i < 256; ++i) {
        const long long d = kk * std::llabs(static_cast<long long>(pivot) + 1 - i) / 256;
        lookup[size_t(i)] = Clamp255(i < pivot ? i - d : i + d);
    }
}

int32_t SaturationFactor(int level)
{
    if (level < -127) level = -127;
    if (level > 127) level = 127;
    return level < 0 ? 2 * level + 254 : SaturationBoostTable[size_t(level)];
}

void BuildSaturationLookup(int level, std::array<int32_t, 256>& scaled)
{
    const int32_t f = SaturationFactor(level);
    for (int v = 0; v < 256; ++v) scaled[size_t(v)] = (v * f) >> 8;
}
