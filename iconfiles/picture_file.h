#pragma once
// Pictures that become icons (photo to icon): a JPEG, PNG, GIF (first frame) or BMP file read
// into a 24-bit bitmap. Pictures may be far larger than an icon, so each decode is held to a
// memory bound stated here instead of the icon readers' 256-pixel limit.
#include <QImage>
#include <QString>

#include "platform/bitmap24.h"

namespace PictureFile {

// At most 64 megapixels (192 MB as a 24-bit bitmap) and 16384 pixels a side.
constexpr long long MaxPixels = 64LL * 1024 * 1024;
constexpr int MaxSide = 16384;

// True for the extensions a picture is opened by: ".bmp", ".jpg", ".jpeg", ".png", ".gif" (any case).
bool IsPictureExtension(const QString& path);

// Reads the picture at path into out. False when the extension is none of the above, the file
// is no regular readable file, its codec cannot decode it, or it exceeds the bounds; out is then
// unchanged. Transparent pixels are laid over white.
bool LoadPicture(const QString& path, Bitmap24& out);

// Reads the BMP file at path as Qt decodes it, bottom-up and top-down rows alike. False when the
// path is no regular file, the picture is wider or higher than maxSide or holds more than
// maxPixels (checked from its header before anything is decoded), or it cannot be decoded; image
// is then unchanged.
bool ReadBmpImage(const QString& path, int maxSide, long long maxPixels, QImage& image);

} // namespace PictureFile
