#pragma once
// A format that looks like a drawn icon: smooth colours, a round opaque middle with soft alpha
// edges (in the alpha type), so the file codecs have something real to encode. Seed shifts the
// colours, so many icons are not all alike.
#include "imaging/icon_image.h"

inline TIconImageRec DrawnFormat(int size, int32_t colorType, int seed = 0)
{
    TIconImageRec f;
    InitIconImage(f, size, size, colorType, -1);
    const int entries = f.Palette.palNumEntries;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const int dx = x - size / 2;
            const int dy = y - size / 2;
            const bool inside = dx * dx + dy * dy < size * size / 5;
            const TColor c = MakeColor((x * 255 / size + seed) & 255, y * 255 / size, ((x + y + seed) * 127 / size) & 255);
            f.Bitmap->SetPixel(x, y, entries ? MakeColor((x / 3 + y / 5 + seed) % entries, 0, 0) : c);
            const int level = !inside ? 255 : (colorType == ctTrueAlpha ? (dx * dx + dy * dy) * 255 / (size * size) : 0);
            f.Mask->SetPixel(x, y, MakeColor(level, level, level));
        }
    return f;
}
