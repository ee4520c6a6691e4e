// Building the record of a new format: presets, blank formats, and formats made from an existing
// one in every colour type.
#include <gtest/gtest.h>

#include "imaging/icon_image.h"
#include "support/test_support.h"
#include "model/new_format.h"

namespace {

constexpr TColor Red = 0x0000FF;
constexpr TColor White = 0xFFFFFF;
constexpr TColor Black = 0x000000;

void SetMask(Bitmap24& mask, int x, int y, uint8_t v) { mask.SetPixel(x, y, MakeColor(v, v, v)); }

// A 48 x 48 true-colour-with-alpha format: columns 0..2 red at half transparency, 3..23 opaque
// red, 24..47 fully transparent over dark noise (which must not leak into the result).
TIconImageRec AlphaSource()
{
    TIconImageRec s;
    InitIconImage(s, 48, 48, ctTrueAlpha, 7);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 48; ++x) {
            if (x < 24) {
                s.Bitmap->SetPixel(x, y, Red);
                SetMask(*s.Mask, x, y, x < 3 ? 128 : 0);
            } else {
                s.Bitmap->SetPixel(x, y, MakeColor((x * 7 + y) % 40, (x + y * 3) % 50, (x * y) % 30));
                SetMask(*s.Mask, x, y, 255);
            }
        }
    return s;
}

// Every pixel's colour (through the palette for the palette types) and mask byte as the
// expectation says for its column.
void ExpectColumns(const TIconImageRec& r, int split, TColor left, TColor right, uint8_t firstMask, uint8_t leftMask)
{
    ASSERT_TRUE(r.Bitmap && r.Mask);
    ASSERT_EQ(r.Bitmap->Width(), r.Width);
    ASSERT_EQ(r.Mask->Height(), r.Height);
    const TPalette* pal = IsPaletteColorType(r.ColorType) ? &r.Palette : nullptr;
    for (int y = 0; y < r.Height; ++y)
        for (int x = 0; x < r.Width; ++x) {
            const TColor c = PaletteColor(r.Bitmap->Pixel(x, y), pal);
            ASSERT_EQ(c, x < split ? left : right) << "type " << r.ColorType << " at " << x << "," << y;
            const uint8_t m = x == 0 ? firstMask : (x < split ? leftMask : 255);
            ASSERT_EQ(r.Mask->Pixel(x, y), MakeColor(m, m, m)) << "type " << r.ColorType << " mask at " << x << "," << y;
        }
}

} // namespace

TEST(NewFormat, BlankFormatsCarryTheirTypesDefaultPalette)
{
    const struct {
        int32_t type;
        int w, h;
        const TPaletteEntry* palette;
        int entries;
    } cases[] = {
        {ctColors256, 32, 32, DefaultPalette256().data(), 256},
        {ctTrueColor, 24, 24, nullptr, 0}, // made after a palette type, it keeps no entries
        {ctColors16, 16, 16, DefaultPalette16().data(), 16},
        {ctColors2, 1, 256, DefaultPalette2().data(), 2},
        {ctTrueAlpha, 256, 1, nullptr, 0},
    };
    TIconImageRec r;
    r.Id = 5;
    for (const auto& c : cases) {
        BuildNewFormat(r, c.w, c.h, c.type, nullptr);
        EXPECT_EQ(QSize(r.Width, r.Height), QSize(c.w, c.h));
        EXPECT_EQ(r.ColorType, c.type);
        EXPECT_EQ(r.Palette.palNumEntries, c.entries) << c.type;
        if (c.palette) EXPECT_TRUE(std::equal(c.palette, c.palette + c.entries, r.Palette.palPalEntry.begin())) << c.type;
        EXPECT_FALSE(r.Bitmap || r.Mask);
    }
    EXPECT_EQ(r.Palette.palVersion, 0x300);
    EXPECT_EQ(r.Id, 5);
}

TEST(NewFormat, FromAnAlphaSourceIntoEveryColourType)
{
    const TIconImageRec s = AlphaSource();

    // Columns 0..7 of 16 come from the red half, 8..15 from the transparent half, which reads
    // white. Column 0 takes the half-transparent mask, which only alpha keeps.
    TIconImageRec r;
    for (int32_t type : {ctTrueAlpha, ctTrueColor, ctColors16, ctColors256}) {
        BuildNewFormat(r, 16, 16, type, &s);
        ExpectColumns(r, 8, Red, White, type == ctTrueAlpha ? 128 : 0, 0);
    }
    // 256 colours (the last) get a palette made for the picture: both colours came through exactly.
    EXPECT_EQ(r.Palette.palNumEntries, 256);
    EXPECT_EQ(r.Palette.palVersion, 0x300);

    // 16 colours: mapped onto the default palette, which is kept (red is entry 9, white 15).
    BuildNewFormat(r, 16, 16, ctColors16, &s);
    EXPECT_TRUE(std::equal(DefaultPalette16().begin(), DefaultPalette16().end(), r.Palette.palPalEntry.begin()));
    EXPECT_EQ(r.Bitmap->Pixel(0, 0), 9u);
    EXPECT_EQ(r.Bitmap->Pixel(15, 15), 15u);
    BuildNewFormat(r, 16, 16, ctTrueColor, &s);
    EXPECT_EQ(r.Palette.palNumEntries, 0);

    // Enlarging keeps uniform areas uniform; the mask is taken pixel by pixel.
    BuildNewFormat(r, 96, 96, ctTrueAlpha, &s);
    EXPECT_EQ(r.Bitmap->Pixel(10, 10), Red);
    EXPECT_EQ(r.Bitmap->Pixel(90, 90), White);
    EXPECT_EQ(r.Mask->Byte0(5, 0), 128);
    EXPECT_EQ(r.Mask->Byte0(6, 0), 0);
    EXPECT_EQ(r.Mask->Byte0(48, 0), 255);
}

TEST(NewFormat, TwoColoursFromBlackAndTransparent)
{
    TIconImageRec s;
    InitIconImage(s, 32, 32, ctTrueAlpha, 0);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            s.Bitmap->SetPixel(x, y, x < 16 ? Black : MakeColor(20, 10, 5));
            SetMask(*s.Mask, x, y, x < 16 ? 0 : 255);
        }
    TIconImageRec r;
    BuildNewFormat(r, 16, 16, ctColors2, &s);
    EXPECT_EQ(r.Palette.palNumEntries, 2);
    ExpectColumns(r, 8, Black, White, 0, 0);
    EXPECT_EQ(r.Bitmap->Pixel(0, 0), 0u);
    EXPECT_EQ(r.Bitmap->Pixel(15, 0), 1u);
}

TEST(NewFormat, ShrinkingAveragesAreasAndDitheringKeepsTheMean)
{
    // A one-pixel checkerboard of black and (200, 100, 50): each 2 x 2 area averages to half.
    TIconImageRec s;
    InitIconImage(s, 32, 32, ctTrueColor, 0);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            s.Bitmap->SetPixel(x, y, (x + y) % 2 ? MakeColor(200, 100, 50) : Black);
            SetMask(*s.Mask, x, y, 0);
        }
    TIconImageRec r;
    BuildNewFormat(r, 16, 16, ctTrueColor, &s);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) ASSERT_EQ(r.Bitmap->Pixel(x, y), MakeColor(100, 50, 25));

    // The same reduced to 16 colours: dithering spreads the error, so the mean red level of the
    // picture stays near 100 although no palette entry has that value.
    BuildNewFormat(r, 16, 16, ctColors16, &s);
    long sum = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) sum += ColorR(PaletteColor(r.Bitmap->Pixel(x, y), &r.Palette));
    EXPECT_NEAR(double(sum) / 256.0, 100.0, 12.0);
}

TEST(NewFormat, PaletteSourceIsReadThroughItsPalette)
{
    TIconImageRec s;
    InitIconImage(s, 16, 16, ctColors16, 0);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            // Only the low four bits of the red byte count.
            s.Bitmap->SetPixel(x, y, TColor(0xF0 | (x % 16)));
            SetMask(*s.Mask, x, y, y < 8 ? 0 : 255);
        }
    TIconImageRec r;
    BuildNewFormat(r, 16, 16, ctTrueColor, &s);
    for (int x = 0; x < 16; ++x) {
        const TPaletteEntry& e = DefaultPalette16()[size_t(x)];
        EXPECT_EQ(r.Bitmap->Pixel(x, 0), MakeColor(e.peRed, e.peGreen, e.peBlue)) << x;
        EXPECT_EQ(r.Bitmap->Pixel(x, 15), White) << "transparent pixels read white";
        EXPECT_EQ(r.Mask->Byte0(x, 15), 255);
    }
}

TEST(NewFormat, MasksOfTypesWithoutAlphaHoldOnlyOpaqueAndTransparent)
{
    TIconImageRec s;
    InitIconImage(s, 16, 16, ctTrueAlpha, 0);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) SetMask(*s.Mask, x, y, uint8_t(x * 17)); // 0, 17, .., 255
    for (int32_t type : NewFormatColorTypes) {
        TIconImageRec r;
        BuildNewFormat(r, 16, 16, type, &s);
        for (int x = 0; x < 16; ++x) {
            const uint8_t expected = type == ctTrueAlpha ? uint8_t(x * 17) : (x == 15 ? 255 : 0);
            EXPECT_EQ(r.Mask->Pixel(x, 3), MakeColor(expected, expected, expected)) << "type " << type << " x " << x;
        }
    }
}

TEST(NewFormat, UnusableSourceGivesABlankFormat)
{
    TIconImageRec missing;
    missing.Width = missing.Height = 32;
    missing.ColorType = ctTrueAlpha;
    TIconImageRec r;
    BuildNewFormat(r, 16, 16, ctTrueAlpha, &missing);
    EXPECT_FALSE(r.Bitmap);
    EXPECT_FALSE(r.Mask);

    // Bitmaps smaller than the format claims are not read past their end.
    TIconImageRec lying;
    InitIconImage(lying, 8, 8, ctTrueColor, 0);
    lying.Width = lying.Height = 64;
    BuildNewFormat(r, 16, 16, ctTrueColor, &lying);
    EXPECT_FALSE(r.Bitmap);

    // A source is never changed by building from it, not even by making a palette for it.
    TIconImageRec source;
    InitIconImage(source, 32, 32, ctTrueAlpha, 0);
    *source.Bitmap = NoiseBitmap(32, 32, 5);
    const TIconImageRec before = source.Clone();
    BuildNewFormat(r, 48, 48, ctColors256, &source);
    EXPECT_EQ(*source.Bitmap, *before.Bitmap);
    EXPECT_EQ(*source.Mask, *before.Mask);
    EXPECT_EQ(source.Palette, before.Palette);
}
