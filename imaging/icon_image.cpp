#include "imaging/icon_image.h"

#include <algorithm>
#include <utility>

TIconImageRec TIconImageRec::Clone() const
{
    TIconImageRec copy;
    copy.Width = Width;
    copy.Height = Height;
    copy.ColorType = ColorType;
    if (Bitmap) copy.Bitmap = std::make_unique<Bitmap24>(*Bitmap);
    if (Mask) copy.Mask = std::make_unique<Bitmap24>(*Mask);
    copy.Palette = Palette;
    copy.Id = Id;
    return copy;
}

bool TIconImageRec::IsParked() const { return (Bitmap && Bitmap->IsParked()) || (Mask && Mask->IsParked()); }

void TIconImageRec::Unpark() const
{
    if (Bitmap) std::as_const(*Bitmap).Bits();
    if (Mask) std::as_const(*Mask).Bits();
}

TIconImageRec TIconImageRec::ReadingCopy() const
{
    TIconImageRec copy = Clone();
    copy.Unpark();
    return copy;
}

TIconImageRec& TIconImageArray::Add()
{
    items_.push_back(std::make_unique<TIconImageRec>());
    return *items_.back();
}

TIconImageRec& TIconImageArray::Add(TIconImageRec&& rec)
{
    items_.push_back(std::make_unique<TIconImageRec>(std::move(rec)));
    return *items_.back();
}

TIconImageRec& TIconImageArray::Insert(int index, TIconImageRec&& rec)
{
    index = std::clamp(index, 0, Count());
    auto it = items_.insert(items_.begin() + index, std::make_unique<TIconImageRec>(std::move(rec)));
    return **it;
}

void TIconImageArray::SetLength(int count)
{
    count = std::max(count, 0);
    while (Count() > count) items_.pop_back();
    while (Count() < count) Add();
}

void TIconImageArray::Delete(int index)
{
    if (IsValidIndex(index)) items_.erase(items_.begin() + index);
}

TIconImageRec TIconImageArray::TakeAt(int index)
{
    if (!IsValidIndex(index)) return TIconImageRec();
    TIconImageRec rec = std::move(*items_[size_t(index)]);
    items_.erase(items_.begin() + index);
    return rec;
}

TIconImageArray TIconImageArray::Clone() const
{
    TIconImageArray copy;
    for (const auto& item : items_) copy.Add(item->Clone());
    return copy;
}

namespace {

constexpr TPaletteEntry Entry(int r, int g, int b) { return TPaletteEntry{uint8_t(r), uint8_t(g), uint8_t(b), 0}; }

std::array<TPaletteEntry, 256> BuildPalette256()
{
    std::array<TPaletteEntry, 256> p{};
    int n = 0;
    p[n++] = Entry(0, 0, 0);
    // The dark colours of the 16-colour table, then both of its greys.
    const int dark[6][3] = {{128, 0, 0}, {0, 128, 0}, {128, 128, 0}, {0, 0, 128}, {128, 0, 128}, {0, 128, 128}};
    for (const auto& d : dark) p[n++] = Entry(d[0], d[1], d[2]);
    p[n++] = Entry(128, 128, 128);
    p[n++] = Entry(192, 192, 192);
    // The 6x6x6 cube without black and white, which take the two ends.
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b) {
                if ((r == 0 && g == 0 && b == 0) || (r == 5 && g == 5 && b == 5)) continue;
                p[n++] = Entry(r * 51, g * 51, b * 51);
            }
    // 32 greys between the cube's levels.
    for (int k = 1; k <= 32; ++k) {
        const int level = (k * 255 + 16) / 33;
        p[n++] = Entry(level, level, level);
    }
    p[n++] = Entry(255, 255, 255);
    return p;
}

} // namespace

const std::array<TPaletteEntry, 2>& DefaultPalette2()
{
    static const std::array<TPaletteEntry, 2> p{Entry(0, 0, 0), Entry(255, 255, 255)};
    return p;
}

const std::array<TPaletteEntry, 16>& DefaultPalette16()
{
    static const std::array<TPaletteEntry, 16> p{
        Entry(0, 0, 0),       Entry(128, 0, 0),   Entry(0, 128, 0),   Entry(128, 128, 0),
        Entry(0, 0, 128),     Entry(128, 0, 128), Entry(0, 128, 128), Entry(128, 128, 128),
        Entry(192, 192, 192), Entry(255, 0, 0),   Entry(0, 255, 0),   Entry(255, 255, 0),
        Entry(0, 0, 255),     Entry(255, 0, 255), Entry(0, 255, 255), Entry(255, 255, 255)};
    return p;
}

const std::array<TPaletteEntry, 256>& DefaultPalette256()
{
    static const std::array<TPaletteEntry, 256> p = BuildPalette256();
    return p;
}

bool LoadDefaultPalette(TPalette& palette, int32_t colorType)
{
    switch (colorType) {
    case ctColors2:
        palette.palNumEntries = 2;
        std::copy(DefaultPalette2().begin(), DefaultPalette2().end(), palette.palPalEntry.begin());
        return true;
    case ctColors16:
        palette.palNumEntries = 16;
        std::copy(DefaultPalette16().begin(), DefaultPalette16().end(), palette.palPalEntry.begin());
        return true;
    case ctColors256:
        palette.palNumEntries = 256;
        std::copy(DefaultPalette256().begin(), DefaultPalette256().end(), palette.palPalEntry.begin());
        return true;
    default:
        return false;
    }
}

void InitIconImage(TIconImageRec& rec, int32_t width, int32_t height, int32_t colorType, int32_t id)
{
    rec.Width = width;
    rec.Height = height;
    rec.ColorType = colorType;
    rec.Palette.palVersion = 0x300;
    if (!LoadDefaultPalette(rec.Palette, colorType) && (colorType == ctTrueColor || colorType == ctTrueAlpha))
        rec.Palette.palNumEntries = 0;
    rec.Id = id;
    rec.Bitmap = NewBitmap24(width, height);
    rec.Mask = NewBitmap24(width, height);
}

std::unique_ptr<Bitmap24> NewBitmap24(int width, int height)
{
    return std::make_unique<Bitmap24>(width, height);
}

void CopyIconImage(const TIconImageRec* src, TIconImageRec* dst)
{
    if (!src || !dst || src == dst) return;
    dst->Width = src->Width;
    dst->Height = src->Height;
    dst->ColorType = src->ColorType;
    if (dst->Bitmap && src->Bitmap) *dst->Bitmap = *src->Bitmap;
    if (dst->Mask && src->Mask) *dst->Mask = *src->Mask;
    dst->Palette = src->Palette;
    dst->Id = src->Id;
}

void FillBitmap(Bitmap24& bitmap, TColor color) { bitmap.Fill(color); }

void FillBitmapRect(Bitmap24& bitmap, TColor color, const Rect& rect)
{
    const Rect r = LimitRect(rect, bitmap.Width(), bitmap.Height());
    for (int y = r.Top; y < r.Bottom; ++y) {
        uint8_t* row = bitmap.Row(y);
        for (int x = r.Left; x < r.Right; ++x) WritePixel(row + x * 3, color);
    }
}

int32_t ColorTypeToBits(int32_t colorType)
{
    switch (colorType) {
    case ctColors2: return 1;
    case ctColors16: return 4;
    case ctColors256: return 8;
    case ctTrueColor: return 24;
    default: return 32;
    }
}

int32_t BitsToColorType(int32_t bits)
{
    switch (bits) {
    case 1: return ctColors2;
    case 4: return ctColors16;
    case 8: return ctColors256;
    case 24: return ctTrueColor;
    default: return ctTrueAlpha;
    }
}

TColor PaletteColor(TColor value, const TPalette* palette)
{
    if (!palette) return value;
    const int n = palette->palNumEntries;
    if (n != 2 && n != 16 && n != 256) return value;
    const TPaletteEntry& e = palette->palPalEntry[value & TColor(n - 1)];
    return MakeColor(e.peRed, e.peGreen, e.peBlue);
}

void ExpandPaletteIndices(Bitmap24& bitmap, const Rect& rect, const TPalette* palette)
{
    if (!palette) return;
    const Rect r = LimitRect(rect, bitmap.Width(), bitmap.Height());
    for (int y = r.Top; y < r.Bottom; ++y) {
        uint8_t* row = bitmap.Row(y);
        for (int x = r.Left; x < r.Right; ++x) {
            uint8_t* p = row + x * 3;
            WritePixel(p, PaletteColor(ReadPixel(p), palette));
        }
    }
}
