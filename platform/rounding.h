#pragma once
// The two ways reals become integers in pixel code: rounding (halves to the even neighbour)
// and truncation toward zero. Both clamp before converting, so out-of-range values and NaN
// never reach an undefined float-to-int conversion.
#include <cmath>
#include <cstdint>
#include <limits>

inline int RoundInt(double x)
{
    if (std::isnan(x)) return std::numeric_limits<int>::min();
    x = std::nearbyint(x);
    if (x <= double(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
    if (x >= double(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    return int(x);
}

inline int TruncInt(double x)
{
    if (std::isnan(x)) return std::numeric_limits<int>::min();
    if (x <= double(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
    if (x >= double(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    return int(x);
}

inline int ClampToByte(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }
inline uint8_t ClampByte(int v) { return uint8_t(ClampToByte(v)); }

// Truncates a real channel value and clamps it to 0..255 (NaN gives 0).
inline uint8_t TruncByte(double x)
{
    if (!(x > 0.0)) return 0;
    if (x >= 255.0) return 255;
    return uint8_t(int(x));
}

// Rounds a real channel value (halves to even) and clamps it to 0..255 (NaN gives 0).
inline uint8_t RoundByte(double x)
{
    if (!(x > 0.0)) return 0;
    if (x >= 255.0) return 255;
    return uint8_t(int(std::nearbyint(x)));
}
