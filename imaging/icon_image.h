#pragma once
// One image format of an icon and the ordered formats of one icon.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/bitmap24.h"
#include "platform/color.h"
#include "platform/rect.h"

// Colour type codes.
enum : int32_t {
    ctColors2 = 1,    // 2 colours, 1 bit
    ctColors16 = 2,   // 16 colours, 4 bits
    ctColors256 = 3,  // 256 colours, 8 bits
    ctTrueColor = 4,  // 24 bits
    ctTrueAlpha = 5,  // 32 bits
};

inline bool IsPaletteColorType(int32_t colorType) { return colorType >= ctColors2 && colorType <= ctColors256; }

struct TPaletteEntry {
    uint8_t peRed = 0;
    uint8_t peGreen = 0;
    uint8_t peBlue = 0;
    uint8_t peFlags = 0;
    friend bool operator==(const TPaletteEntry&, const TPaletteEntry&) = default;
};

// A logical palette: version, count of entries in use (2, 16 or 256 in the palette colour types,
// 0 otherwise) and 257 slots, all of which are always copied.
struct TPalette {
    uint16_t palVersion = 0;
    uint16_t palNumEntries = 0;
    std::array<TPaletteEntry, 257> palPalEntry{};
    friend bool operator==(const TPalette&, const TPalette&) = default;
};

// One image format. The colour bitmap is always 24-bit; in colour types 1..3 its red byte holds the
// palette index. The mask's first byte is the transparency: 0 opaque .. 255 fully transparent.
// The record owns its bitmaps; either may be missing. A default record is all zero, like a new
// array element.
struct TIconImageRec {
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t ColorType = 0;
    std::unique_ptr<Bitmap24> Bitmap;
    std::unique_ptr<Bitmap24> Mask;
    TPalette Palette;
    int32_t Id = 0;

    // A deep copy with bitmaps of its own (missing bitmaps stay missing).
    TIconImageRec Clone() const;
    // Whether either bitmap waits parked (Bitmap24::Park), as the formats of a large icon that
    // nobody has looked at yet do.
    bool IsParked() const;
    // Makes the pixels of parked bitmaps now.
    void Unpark() const;
    // A deep copy with its pixels made: a parked format is read once (drawn, written) without
    // its own pixels coming back for good.
    TIconImageRec ReadingCopy() const;
};

// The formats of one icon in order. Formats keep their addresses while the array grows or shrinks
// around them, so a dialog may hold a reference to one while formats are added.
class TIconImageArray {
public:
    int Count() const { return int(items_.size()); }
    bool IsEmpty() const { return items_.empty(); }
    bool IsValidIndex(int index) const { return index >= 0 && index < Count(); }

    TIconImageRec& operator[](int index) { return *items_[size_t(index)]; }
    const TIconImageRec& operator[](int index) const { return *items_[size_t(index)]; }
    // Null when the index is out of range.
    TIconImageRec* At(int index) { return IsValidIndex(index) ? items_[size_t(index)].get() : nullptr; }
    const TIconImageRec* At(int index) const { return IsValidIndex(index) ? items_[size_t(index)].get() : nullptr; }

    // Appends a zeroed format and returns it.
    TIconImageRec& Add();
    // Appends a format taken over whole.
    TIconImageRec& Add(TIconImageRec&& rec);
    TIconImageRec& Insert(int index, TIconImageRec&& rec);
    // Grows with zeroed formats or drops formats from the end.
    void SetLength(int count);
    void Delete(int index);
    void Clear() { items_.clear(); }
    // Removes a format and hands it over.
    TIconImageRec TakeAt(int index);

    TIconImageArray Clone() const;

private:
    std::vector<std::unique_ptr<TIconImageRec>> items_;
};

// The palettes that new 2-, 16- and 256-colour formats start from.
const std::array<TPaletteEntry, 2>& DefaultPalette2();
const std::array<TPaletteEntry, 16>& DefaultPalette16();
// Our fixed 256-entry table: entry 0 black, entry 255 white, the 6x6x6 colour cube and greys.
const std::array<TPaletteEntry, 256>& DefaultPalette256();
// Loads the default palette of a palette colour type (count and entries); other types: false.
bool LoadDefaultPalette(TPalette& palette, int32_t colorType);

// Makes a new format in place: white and fully transparent, with the colour type's default palette.
void InitIconImage(TIconImageRec& rec, int32_t width, int32_t height, int32_t colorType, int32_t id);
// A new white 24-bit bitmap.
std::unique_ptr<Bitmap24> NewBitmap24(int width, int height);
// Copies Src into Dst (size, colour type, pixels into Dst's existing bitmaps, palette, id).
void CopyIconImage(const TIconImageRec* src, TIconImageRec* dst);

void FillBitmap(Bitmap24& bitmap, TColor color);
void FillBitmapRect(Bitmap24& bitmap, TColor color, const Rect& rect);

int32_t ColorTypeToBits(int32_t colorType);
int32_t BitsToColorType(int32_t bits);

// The colour of a pixel value: through the palette when it has 2, 16 or 256 entries, else the value.
TColor PaletteColor(TColor value, const TPalette* palette);
// Turns palette indices in the rectangle into the colours they stand for (clipped to the bitmap).
void ExpandPaletteIndices(Bitmap24& bitmap, const Rect& rect, const TPalette* palette);
