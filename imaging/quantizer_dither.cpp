#include "imaging/quantizer_dither.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/quantizer.h"

void QuantizeToPalette(const Bitmap24& Src, Bitmap24& Dst, TPalette& Palette, int32_t Colors, int32_t Dither,
                       int32_t PaletteMode)
{
    const int width = Src.Width(), height = Src.Height();
    const size_t rowBytes = size_t(std::max(width, 0)) * 3;
    // The pixels are copied out first, so Src and Dst may be the same bitmap.
    std::vector<uint8_t> input(rowBytes * size_t(std::max(height, 0)));
    for (int y = 0; y < height; ++y) std::memcpy(input.data() + size_t(y) * rowBytes, Src.Row(y), rowBytes);
    Dst.SetSize(width, height);
    if (width <= 0 || height <= 0) return;

    std::vector<uint8_t> output(input.size(), 0);
    uint8_t buffer[768] = {};
    const int entries = std::clamp<int>(Palette.palNumEntries, 1, 256);
    for (int i = 0; i < entries; ++i) {
        buffer[i * 3] = Palette.palPalEntry[size_t(i)].peRed;
        buffer[i * 3 + 1] = Palette.palPalEntry[size_t(i)].peGreen;
        buffer[i * 3 + 2] = Palette.palPalEntry[size_t(i)].peBlue;
    }
    const int colors = std::clamp<int32_t>(Colors, 1, 256);
    quantizer(input.data(), output.data(), width, height, buffer, colors, Dither, PaletteMode);

    for (int i = 0; i < colors; ++i) {
        Palette.palPalEntry[size_t(i)].peRed = buffer[i * 3];
        Palette.palPalEntry[size_t(i)].peGreen = buffer[i * 3 + 1];
        Palette.palPalEntry[size_t(i)].peBlue = buffer[i * 3 + 2];
    }
    // Only the index is meaningful; the other two bytes are written as 0 so that pixels compare
    // equal as colour values whenever their indices do.
    for (int y = 0; y < height; ++y) {
        uint8_t* d = Dst.Row(y);
        const uint8_t* s = output.data() + size_t(y) * rowBytes;
        for (int x = 0; x < width; ++x) {
            d[x * 3] = 0;
            d[x * 3 + 1] = 0;
            d[x * 3 + 2] = s[x * 3 + 2];
        }
    }
}
