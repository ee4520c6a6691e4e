#pragma once
// Formats with known pixels for the core and widget tests.
#include <cstdint>
#include <string>

#include <gtest/gtest.h>
#include <QStandardPaths>

#include "imaging/icon_image.h"
#include "support/test_support.h"

// A format of the given colour type whose pixels and mask follow a fixed pattern: palette types
// hold indices spread over the palette, true colour holds noise, type 5 every mask level, the
// others only 0 and 255.
inline TIconImageRec PatternFormat(int width, int height, int32_t colorType, unsigned seed = 1)
{
    TIconImageRec f;
    InitIconImage(f, width, height, colorType, 7);
    const Bitmap24 noise = NoiseBitmap(width, height, seed);
    const int entries = f.Palette.palNumEntries;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const TColor c = noise.Pixel(x, y);
            if (entries > 0)
                f.Bitmap->SetPixel(x, y, MakeColor(int(c & 0xFF) % entries, 0, 0));
            else
                f.Bitmap->SetPixel(x, y, c);
            const int level = colorType == ctTrueAlpha ? int((c >> 8) & 0xFF) : (((c >> 16) & 1) ? 255 : 0);
            f.Mask->SetPixel(x, y, MakeColor(level, level, level));
        }
    return f;
}

// A w x h format of this colour type without a track, every pixel `color` at `transparency`
// (0 opaque .. 255 fully transparent). The defaults are those of a brand-new format.
inline TIconImageRec SolidFormat(int w, int h, int32_t type, TColor color = 0xFFFFFF, int transparency = 255)
{
    TIconImageRec rec;
    InitIconImage(rec, w, h, type, -1);
    rec.Bitmap->Fill(color);
    rec.Mask->Fill(MakeColor(transparency, transparency, transparency));
    return rec;
}

// The colour a person sees at (x, y): the palette colour for palette types.
inline TColor ShownColor(const TIconImageRec& f, int x, int y)
{
    return PaletteColor(f.Bitmap->Pixel(x, y), IsPaletteColorType(f.ColorType) ? &f.Palette : nullptr);
}

inline TColor EntryColor(const TPalette& p, int i)
{
    const TPaletteEntry& e = p.palPalEntry[size_t(i)];
    return MakeColor(e.peRed, e.peGreen, e.peBlue);
}

// The same format byte for byte: size, colour type, palette, colour and mask bitmaps.
inline bool SameFormat(const TIconImageRec& a, const TIconImageRec& b)
{
    return a.Width == b.Width && a.Height == b.Height && a.ColorType == b.ColorType && a.Palette == b.Palette &&
           a.Bitmap && b.Bitmap && a.Mask && b.Mask && *a.Bitmap == *b.Bitmap && *a.Mask == *b.Mask;
}

// Same size, colour type, shown colours and mask levels.
inline void ExpectSameImage(const TIconImageRec& a, const TIconImageRec& b, const std::string& what)
{
    ASSERT_EQ(a.Width, b.Width) << what;
    ASSERT_EQ(a.Height, b.Height) << what;
    EXPECT_EQ(a.ColorType, b.ColorType) << what;
    int differing = 0;
    for (int y = 0; y < a.Height; ++y)
        for (int x = 0; x < a.Width; ++x)
            if (ShownColor(a, x, y) != ShownColor(b, x, y) || a.Mask->Byte0(x, y) != b.Mask->Byte0(x, y)) ++differing;
    EXPECT_EQ(differing, 0) << what;
}

// Whether a public tool (icotool, wrestool, convert...) is on the path.
inline bool HaveTool(const char* name)
{
    return !QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty();
}
