#include <gtest/gtest.h>

#include <set>

#include "imaging/icon_image.h"

namespace {
bool AllPixels(const Bitmap24& b, TColor c)
{
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            if (b.Pixel(x, y) != c) return false;
    return true;
}
} // namespace

TEST(IconImage, InitGivesWhiteTransparentFormatWithDefaultPalette)
{
    TIconImageRec rec;
    InitIconImage(rec, 16, 8, ctColors256, -1);
    EXPECT_EQ(rec.Palette.palVersion, 0x300);
    EXPECT_EQ(rec.Palette.palNumEntries, 256);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(rec.Palette.palPalEntry[size_t(i)], DefaultPalette256()[size_t(i)]);
    EXPECT_EQ(rec.Id, -1);
    ASSERT_TRUE(rec.Bitmap && rec.Mask);
    EXPECT_EQ(rec.Bitmap->Width(), 16);
    EXPECT_EQ(rec.Mask->Height(), 8);
    EXPECT_TRUE(AllPixels(*rec.Mask, 0xFFFFFF));
    // A new palette format holds index 255 everywhere, which must read white.
    EXPECT_EQ(PaletteColor(rec.Bitmap->Pixel(3, 3), &rec.Palette), 0xFFFFFFu);

    TIconImageRec alpha;
    InitIconImage(alpha, 32, 32, ctTrueAlpha, 4);
    EXPECT_EQ(alpha.Palette.palNumEntries, 0);
    EXPECT_TRUE(AllPixels(*alpha.Bitmap, 0xFFFFFF));
    EXPECT_TRUE(AllPixels(*alpha.Mask, 0xFFFFFF));
}

TEST(IconImage, InitWithUnknownColorTypeKeepsThePalette)
{
    TIconImageRec rec;
    rec.Palette.palNumEntries = 7;
    rec.Palette.palPalEntry[6] = TPaletteEntry{1, 2, 3, 4};
    InitIconImage(rec, 2, 2, 0, -1);
    EXPECT_EQ(rec.Palette.palNumEntries, 7);
    EXPECT_EQ(rec.Palette.palPalEntry[6], (TPaletteEntry{1, 2, 3, 4}));
}

TEST(IconImage, DefaultPalettes)
{
    EXPECT_EQ(DefaultPalette16()[7], (TPaletteEntry{128, 128, 128, 0}));
    EXPECT_EQ(DefaultPalette16()[8], (TPaletteEntry{192, 192, 192, 0}));
    const auto& p = DefaultPalette256();
    EXPECT_EQ(p[0], (TPaletteEntry{0, 0, 0, 0}));
    EXPECT_EQ(p[255], (TPaletteEntry{255, 255, 255, 0}));
    std::set<uint32_t> distinct;
    for (const auto& e : p) distinct.insert(MakeColor(e.peRed, e.peGreen, e.peBlue));
    EXPECT_EQ(distinct.size(), 256u);
    // Every colour of the 16-colour table and of the 6x6x6 cube is there exactly.
    for (const auto& e : DefaultPalette16()) EXPECT_TRUE(distinct.count(MakeColor(e.peRed, e.peGreen, e.peBlue)));
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b) EXPECT_TRUE(distinct.count(MakeColor(r * 51, g * 51, b * 51)));
}

TEST(IconImage, PaletteColorMasksTheIndex)
{
    TIconImageRec rec;
    InitIconImage(rec, 1, 1, ctColors16, -1);
    EXPECT_EQ(PaletteColor(19, &rec.Palette), MakeColor(128, 128, 0)); // 19 AND 15 = 3
    TPalette none;
    EXPECT_EQ(PaletteColor(0x123456, &none), 0x123456u);
    EXPECT_EQ(PaletteColor(0x123456, nullptr), 0x123456u);
}

TEST(IconImage, ExpandPaletteIndicesClipsItsRectangle)
{
    TIconImageRec rec;
    InitIconImage(rec, 4, 4, ctColors2, -1);
    FillBitmap(*rec.Bitmap, 0); // index 0: black
    ExpandPaletteIndices(*rec.Bitmap, MakeRect(-5, 2, 100, 100), &rec.Palette);
    EXPECT_EQ(rec.Bitmap->Pixel(0, 1), 0u);
    EXPECT_EQ(rec.Bitmap->Pixel(3, 3), 0u); // black stays black
    FillBitmap(*rec.Bitmap, 1);
    ExpandPaletteIndices(*rec.Bitmap, MakeRect(-5, 2, 100, 100), &rec.Palette);
    EXPECT_EQ(rec.Bitmap->Pixel(0, 1), 1u);
    EXPECT_EQ(rec.Bitmap->Pixel(3, 3), 0xFFFFFFu);
}

TEST(IconImage, CopySkipsMissingBitmapsAndKeepsTheDestinationObjects)
{
    TIconImageRec src;
    InitIconImage(src, 3, 2, ctTrueAlpha, 9);
    FillBitmap(*src.Bitmap, MakeColor(1, 2, 3));
    FillBitmap(*src.Mask, 0);
    TIconImageRec dst;
    InitIconImage(dst, 1, 1, ctColors2, -1);
    dst.Mask.reset();
    const Bitmap24* before = dst.Bitmap.get();
    CopyIconImage(&src, &dst);
    EXPECT_EQ(dst.Bitmap.get(), before);
    EXPECT_EQ(dst.Width, 3);
    EXPECT_EQ(dst.ColorType, ctTrueAlpha);
    EXPECT_EQ(dst.Bitmap->Width(), 3);
    EXPECT_EQ(dst.Bitmap->Pixel(2, 1), MakeColor(1, 2, 3));
    EXPECT_EQ(dst.Palette.palNumEntries, 0);
    EXPECT_EQ(dst.Id, 9);
    EXPECT_FALSE(dst.Mask);
    CopyIconImage(nullptr, &dst);
    CopyIconImage(&src, nullptr);
}

TEST(IconImage, BitsAndColorTypes)
{
    EXPECT_EQ(ColorTypeToBits(0), 32);
    EXPECT_EQ(ColorTypeToBits(2), 4);
    EXPECT_EQ(BitsToColorType(16), 5);
    EXPECT_EQ(BitsToColorType(24), 4);
}

TEST(IconImage, ArrayKeepsAddressesStable)
{
    TIconImageArray arr;
    TIconImageRec& first = arr.Add();
    EXPECT_EQ(first.Id, 0);
    EXPECT_EQ(first.Palette.palVersion, 0);
    InitIconImage(first, 16, 16, ctTrueColor, -1);
    for (int i = 0; i < 100; ++i) arr.Add();
    EXPECT_EQ(&arr[0], &first);
    arr.Delete(50);
    arr.Delete(500);
    EXPECT_EQ(arr.Count(), 100);
    EXPECT_EQ(arr.At(100), nullptr);
    EXPECT_EQ(arr.At(-1), nullptr);
    TIconImageArray copy = arr.Clone();
    EXPECT_NE(copy[0].Bitmap.get(), arr[0].Bitmap.get());
    EXPECT_TRUE(*copy[0].Bitmap == *arr[0].Bitmap);
}

TEST(IconImage, FillRectIsClipped)
{
    Bitmap24 b(4, 4);
    FillBitmapRect(b, 0, MakeRect(2, -3, 9, 2));
    EXPECT_EQ(b.Pixel(3, 1), 0u);
    EXPECT_EQ(b.Pixel(1, 1), 0xFFFFFFu);
    EXPECT_EQ(b.Pixel(3, 2), 0xFFFFFFu);
}
