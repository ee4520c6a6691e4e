#pragma once
// The list of photo to icon's output formats: what adding and deleting one does.
#include "imaging/icon_image.h"

namespace PhotoFormats {

// The four formats a new list starts with: 24, 32, 48 and 256 pixels, 32-bit with alpha, Id -1.
TIconImageArray DefaultFormats();

// Appends a format made from the add-format dialog's result: its size, colour type and palette,
// new bitmaps of its size, and its colour and mask pictures copied where they exist and cover the
// format. Returns the new index.
int AppendFormat(TIconImageArray& formats, const TIconImageRec& newImage);

// The refusal when only one format is left.
inline constexpr const char* KeepOneMessage = "At least one icon image should be reserved.";
// Deletes format index, the later ones moving down; false (nothing changes) when fewer than two
// formats are left or the index is out of range.
bool DeleteFormat(TIconImageArray& formats, int index);

} // namespace PhotoFormats
