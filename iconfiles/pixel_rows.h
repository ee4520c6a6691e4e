#pragma once
// Row converters between the program's pair of bitmaps (24-bit colour, and a mask whose three
// bytes per pixel hold 255 - alpha) and the four-byte pixels of DIB and PNG images. Icon files
// are read and written through them, so they are kept free of per-pixel branches.
#include <cstdint>

enum class ChannelOrder {
    Bgra, // DIB pixels: blue, green, red, alpha
    Rgba, // PNG pixels: red, green, blue, alpha
};

// Splits width four-byte pixels into a colour row and a mask row (255 - alpha in each of the
// three bytes). True when some alpha lies strictly between transparent and opaque.
bool SplitAlphaRow(const uint8_t* src, ChannelOrder order, uint8_t* colour, uint8_t* mask, int width);

// Joins width pixels of a colour row and a mask row into four-byte pixels with alpha =
// 255 - the mask's first byte; with twoLevel, alpha is 0 where that byte is 255 and 255 elsewhere.
void JoinAlphaRow(const uint8_t* colour, const uint8_t* mask, ChannelOrder order, bool twoLevel, uint8_t* dst, int width);
