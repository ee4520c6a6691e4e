#pragma once
// The program's use of libjpeg for writing: one colour baseline JPEG from a 24-bit bitmap. The
// library's error exit (which would end the process) is replaced, so a failure gives false.
#include <cstdint>
#include <vector>

#include "platform/bitmap24.h"

// Appends the bitmap as a baseline colour JPEG of the given quality, other settings the codec's
// defaults.
bool EncodeJpeg(const Bitmap24& bitmap, int quality, std::vector<uint8_t>& out);
