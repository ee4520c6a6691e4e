#include "imaging/quantizer_dither.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/quantizer.h"

void QuantizeToPalette(const Bitmap24& Src, Bitmap24& Dst, TPalette& Palette, int32_t Colors, int32_t Dither,
                       int32_t PaletteMode)
{
    const int width = Src.Width(), height = Src.Height();
    const size_t rowBytes = size_t(std::max(width, 0)) * 3;
    const size_t bytes = rowBytes * size_t(std::max(height, 0));
    // The quantizer takes rows without padding. Src is read where it lies when its rows have none
    // and it is not also Dst; otherwise its pixels are copied out first, so Src and Dst may be
    // the same bitmap.
    std::unique_ptr<uint8_t[]> copy;
    const uint8_t* input = nullptr;
    if (&Src != &Dst && size_t(Src.Stride()) == rowBytes && height > 0) {
        input = Src.Row(0);
    } else {
        copy = std::make_unique_for_overwrite<uint8_t[]>(bytes);
        for (int y = 0; y < height; ++y) std::memcpy(copy.get() + size_t(y) * rowBytes, Src.Row(y), rowBytes);
        input = copy.get();
    }
    Dst.SetSize(width, height);
    if (width <= 0 || height <= 0) return;

    // Every pixel comes out as (0, 0, palette index), so that pixels compare equal as colour
    // values whenever their indices do: straight into Dst when its rows have no padding.
    std::unique_ptr<uint8_t[]> spare;
    uint8_t* output = Dst.Row(0);
    if (size_t(Dst.Stride()) != rowBytes) {
        spare = std::make_unique_for_overwrite<uint8_t[]>(bytes);
        output = spare.get();
    }
    uint8_t buffer[768] = {};
    const int entries = std::clamp<int>(Palette.palNumEntries, 1, 256);
    for (int i = 0; i < entries; ++i) {
        buffer[i * 3] = Palette.palPalEntry[size_t(i)].peRed;
        buffer[i * 3 + 1] = Palette.palPalEntry[size_t(i)].peGreen;
        buffer[i * 3 + 2] = Palette.palPalEntry[size_t(i)].peBlue;
    }
    const int colors = std::clamp<int32_t>(Colors, 1, 256);
    quantizer(input, output, width, height, buffer, colors, Dither, PaletteMode);

    for (int i = 0; i < colors; ++i) {
        Palette.palPalEntry[size_t(i)].peRed = buffer[i * 3];
        Palette.palPalEntry[size_t(i)].peGreen = buffer[i * 3 + 1];
        Palette.palPalEntry[size_t(i)].peBlue = buffer[i * 3 + 2];
    }
    if (spare)
        for (int y = 0; y < height; ++y) std::memcpy(Dst.Row(y), spare.get() + size_t(y) * rowBytes, rowBytes);
}
