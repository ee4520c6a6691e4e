#pragma once
// The program's use of libjpeg: writing one colour baseline JPEG from a 24-bit bitmap, and reading
// one for a preview, scaled down by the library itself so a large photo never decodes at full
// size. The library's error exit (which would end the process) is replaced, so a failure gives
// false.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/bitmap24.h"

// Appends the bitmap as a baseline colour JPEG of the given quality, other settings the codec's
// defaults.
bool EncodeJpeg(const Bitmap24& bitmap, int quality, std::vector<uint8_t>& out);

// Reads only the header of a JPEG stream: its full size in pixels. False when the stream is not a
// JPEG the library accepts.
bool ReadJpegSize(const uint8_t* data, size_t size, int& width, int& height);

// Decodes a JPEG stream into Target as 24-bit colour, scaled by the library by 1/1, 1/2, 1/4 or
// 1/8: the smallest of those whose result still covers MinWidth x MinHeight (a box <= 0 decodes
// at full size). FullWidth and FullHeight get the picture's own size. Streams declaring more than
// maxPixels pixels are refused from the header, before anything is allocated. A damaged or
// truncated stream gives false; Target is only changed on success.
bool DecodeJpegScaled(const uint8_t* data, size_t size, int minWidth, int minHeight, int64_t maxPixels,
                      Bitmap24& target, int& fullWidth, int& fullHeight);
