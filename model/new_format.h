#pragma once
// Making the record of a new image format: blank (white and fully transparent once the document
// adds it) or built from an existing format of the icon, resampled to the new size and reduced to
// the new colour type. The add-format dialog runs it on OK; it needs no window.
#include <array>
#include <cstdint>

#include "imaging/icon_image.h"

// The size presets of the dialog, in the order of its radio buttons; anything else is custom.
constexpr std::array<int, 5> NewFormatSizePresets{16, 24, 32, 48, 256};
// The preset a size is (0..4), or -1 for a custom size (also for a non-square one).
int NewFormatSizePreset(int width, int height);

// The colour types in the order of the dialog's depth radio buttons (32, 24, 8, 4, 1 bits).
constexpr std::array<int32_t, 5> NewFormatColorTypes{ctTrueAlpha, ctTrueColor, ctColors256, ctColors16, ctColors2};

// Fills Rec as a new format of the given size and colour type. The palette types get the
// version 0x300 and their default palette; the true-colour types only an entry count of 0.
// With a Source the record also receives bitmaps of its own, Width x Height: the source's
// colours (palette indices replaced by their colours, fully transparent pixels white) resampled
// to the new size and, for the palette types, mapped onto a palette with dithering (the default
// one for 2 and 16 colours, one computed for the picture for 256); the mask is the source's
// stretched by nearest pixel, and in every type but 5 only 0 and 255 (255 stays 255, anything
// else becomes opaque), so what the canvas shows is what a file keeps.
// Without a Source, or with one whose bitmaps are missing or smaller than it claims, both
// bitmaps are left empty: the format is blank. Id is left as it was.
void BuildNewFormat(TIconImageRec& rec, int width, int height, int32_t colorType, const TIconImageRec* source);

// Leaves a mask only "opaque" (0) and "transparent" (255): anything short of fully transparent
// becomes opaque, as the icon writer stores the masks of every colour type but true colour with
// alpha.
void HardenMask(Bitmap24& mask);

// The format of Formats at Index, or null when the index is outside the array.
const TIconImageRec* SourceFormatAt(const TIconImageArray* formats, int index);
