#pragma once
// The one way into the colour quantizer: maps a true-colour bitmap onto a palette of up to 256
// colours, writing each pixel of Dst as (0, 0, palette index).
//
// PaletteMode 0 keeps Palette and maps onto its first Colors entries; 2 computes a palette for the
// picture and writes its first Colors entries into Palette; 1 does the same without dithering.
// Dither 1 diffuses the error, 0 takes the nearest colour. Only the colours of Palette's entries
// change: their flags and palNumEntries stay. Colors and palNumEntries count as at most 256 and at
// least 1. Src and Dst may be the same bitmap; Dst takes Src's size.
#include <cstdint>

#include "imaging/icon_image.h"
#include "platform/bitmap24.h"

void QuantizeToPalette(const Bitmap24& Src, Bitmap24& Dst, TPalette& Palette, int32_t Colors, int32_t Dither,
                       int32_t PaletteMode);
