#pragma once
// The program's use of libpng: decoding one PNG stream from memory and encoding an 8-bit RGBA PNG
// with the settings every writer of the program uses. libpng's errors are contained here: a bad
// stream gives false, never an abort or an exception.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/bitmap24.h"

struct PngInfo {
    int Width = 0;
    int Height = 0;
    // True when rows hold one palette index per pixel (a palette PNG read with its indices);
    // otherwise rows hold red, green, blue, alpha per pixel.
    bool Indexed = false;
    // True when the stream carries transparency (an alpha channel, a transparency chunk, or a
    // palette that was expanded). A stream without it decodes with alpha 255 everywhere.
    bool HasAlpha = false;
    // Indexed images only: the palette (red, green, blue) and the transparency chunk's alpha
    // values in palette order (empty when the stream has none).
    std::vector<std::array<uint8_t, 3>> Palette;
    std::vector<uint8_t> Transparency;
};

// Receives a decoded image row by row, top to bottom, so no whole-image buffer is needed.
class PngRowSink {
public:
    virtual ~PngRowSink() = default;
    // Called once before the rows.
    virtual void Begin(const PngInfo& info) = 0;
    virtual void Row(int y, const uint8_t* pixels) = 0;
};

// Decodes the PNG stream at data. Any colour type and bit depth is accepted: grey becomes RGB,
// 16-bit samples become 8-bit. A palette image keeps its indices (unpacked to one per byte) when
// keepPaletteIndices is true, else it is expanded to RGBA. Images wider or higher than maxSide
// are refused. False when the stream is broken, also after some rows were delivered.
bool DecodePng(const uint8_t* data, size_t size, bool keepPaletteIndices, int maxSide, PngRowSink& sink);

inline bool HasPngSignature(const uint8_t* data, size_t size)
{
    static constexpr uint8_t sig[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    if (size < 8) return false;
    for (int i = 0; i < 8; ++i)
        if (data[i] != sig[i]) return false;
    return true;
}

// Length of the PNG stream at data up to and including its end chunk: every chunk header and
// length checked against size. 0 when the signature, a chunk or the end chunk is missing, so a
// stream that only some decoders accept is never taken as whole.
size_t PngStreamLength(const uint8_t* data, size_t size);

// Encodes colour (24-bit) with alpha = 255 - first byte of the mask pixel as an 8-bit RGBA PNG:
// compression level 7, the Sub filter on every row, no interlacing, image data chunks of at most
// 65535 bytes. With twoLevelMask, every mask value but 255 counts as opaque (the palette and
// true-colour types keep only two levels). Appends to out; false on a codec failure.
bool EncodePngRgba(const Bitmap24& colour, const Bitmap24& mask, bool twoLevelMask, std::vector<uint8_t>& out);
