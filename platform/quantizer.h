#pragma once
// Our colour quantizer: maps a true-colour picture onto a palette of up to 256 colours.
//
// Buffers:
//   input    Width x Height pixels, rows top to bottom without padding, 3 bytes each: blue, green, red
//   output   the same layout; each pixel comes out as (0, 0, palette index)
//   palette  256 entries of 3 bytes: red, green, blue (note: not the pixels' order)
//
// PaletteMode 0 maps onto the first Colors entries of the palette and leaves it unchanged.
// PaletteMode 2 (and any mode but 0 and 1) computes a palette of Colors entries for the picture
// and maps onto it: Wu's variance-minimising box cuts, refined by k-means. Up to 4096 distinct
// colours, k-means runs on the exact colours until they settle (at most 10 rounds). More colours
// are first gathered into buckets of 4 x 4 x 4 levels, or of 2 x 2 x 2 where the larger would
// leave fewer than 4 buckets per entry (and the exact colours are used where both would); each
// bucket stands at its pixels' mean, and k-means gives the buckets 3 rounds, the first two moving
// each centre 1.8 times the way to its cluster's mean. The result depends on the input alone. A
// picture with no more distinct colours than Colors comes out lossless; palette entries it does
// not need keep what the buffer held.
// PaletteMode 1 computes the palette as mode 2 does and maps without dithering.
// Dither 0 maps every pixel to its nearest colour; any other value diffuses the error
// (Floyd-Steinberg, rows top to bottom, each row left to right).
// Nearest means least squared distance in red, green, blue; ties go to the lower index.
//
// Colors is clamped to 1..256. Returns 0, or -1 (touching nothing) when a buffer is missing or a
// size is not positive.
#include <cstdint>

int32_t quantizer(const uint8_t* input, uint8_t* output, int32_t width, int32_t height, uint8_t* palette,
                  int32_t colors, int32_t dither, int32_t paletteMode);
