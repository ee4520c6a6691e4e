#pragma once
// Our own reader and writer of the one BMP layout the program stores: a complete 24-bit BMP file
// image (14-byte file header, 40-byte info header, no colour table, rows bottom-up padded with zeros
// to a multiple of four bytes). Snapshots, the private clipboard block and BMP export use it.
#include <cstddef>

#include "platform/bitmap24.h"
#include "platform/bytes.h"

// Byte size of the BMP file image WriteBmp24 makes for a bitmap of this size.
size_t Bmp24FileSize(int width, int height);

// Appends the bitmap as a BMP file image.
void WriteBmp24(ByteWriter& out, const Bitmap24& bitmap);

// Reads one BMP file image starting at the reader's position and leaves the reader right after
// its pixel rows. Accepts only 24-bit uncompressed bottom-up images of 1..maxSide pixels each way
// whose rows are all present; anything else gives false and leaves Target unchanged.
bool ReadBmp24(ByteReader& in, Bitmap24& target, int maxSide);
