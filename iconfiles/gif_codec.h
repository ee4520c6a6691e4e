#pragma once
// The program's use of giflib: writing one single-frame GIF over the fixed 216-colour palette, and
// reading the first frame of a GIF.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/bitmap24.h"
#include "platform/color.h"

// The level (0..5) a channel value takes in the fixed palette: (v + 3) div 51.
constexpr int GifLevel(int v) { return (v + 3) / 51; }
// The fixed palette's index of a colour: 36 x red level + 6 x green level + blue level.
constexpr int GifPaletteIndex(TColor c) { return 36 * GifLevel(ColorR(c)) + 6 * GifLevel(ColorG(c)) + GifLevel(ColorB(c)); }

// Appends the bitmap as a GIF: every pixel takes its own colour's entry of the fixed palette (no
// dithering, no transparency, no animation). False on a codec failure.
bool EncodeGif216(const Bitmap24& bitmap, std::vector<uint8_t>& out);

// Decodes the first frame of a GIF stream into a 24-bit bitmap of the logical screen's size: the
// screen's background colour (white without one) where the frame does not reach or is
// transparent. Refused when the screen exceeds maxPixels, before anything is allocated.
bool DecodeGifFirstFrame(const uint8_t* data, size_t size, Bitmap24& out, long long maxPixels = 64LL * 1024 * 1024);
