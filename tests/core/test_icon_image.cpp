#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "imaging/icon_image.h"
#include "support/bitmap_checks.h"

TEST(IconImage, InitGivesWhiteTransparentFormatWithDefaultPaletteOrKeepsAnUnknownOnesPalette)
{
    TIconImageRec rec;
    InitIconImage(rec, 16, 8, ctColors256, -1);
    EXPECT_EQ(std::tuple(rec.Palette.palVersion, rec.Palette.palNumEntries, rec.Id), std::tuple(0x300, 256, -1));
    EXPECT_TRUE(std::equal(DefaultPalette256().begin(), DefaultPalette256().end(), rec.Palette.palPalEntry.begin()));
    ASSERT_TRUE(rec.Bitmap && rec.Mask);
    EXPECT_EQ(std::pair(rec.Bitmap->Width(), rec.Mask->Height()), std::pair(16, 8));
    EXPECT_TRUE(AreaIs(*rec.Mask, SizeRect(16, 8), 0xFFFFFF));
    // A new palette format holds index 255 everywhere, which must read white.
    EXPECT_EQ(PaletteColor(rec.Bitmap->Pixel(3, 3), &rec.Palette), 0xFFFFFFu);

    TIconImageRec alpha;
    InitIconImage(alpha, 32, 32, ctTrueAlpha, 4);
    EXPECT_EQ(alpha.Palette.palNumEntries, 0);
    EXPECT_TRUE(AreaIs(*alpha.Bitmap, SizeRect(32, 32), 0xFFFFFF));
    EXPECT_TRUE(AreaIs(*alpha.Mask, SizeRect(32, 32), 0xFFFFFF));

    TIconImageRec unknown;
    unknown.Palette.palNumEntries = 7;
    unknown.Palette.palPalEntry[6] = TPaletteEntry{1, 2, 3, 4};
    InitIconImage(unknown, 2, 2, 0, -1);
    EXPECT_EQ(unknown.Palette.palNumEntries, 7);
    EXPECT_EQ(unknown.Palette.palPalEntry[6], (TPaletteEntry{1, 2, 3, 4}));
}

TEST(IconImage, DefaultPalettesAndIndexMasking)
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
    for (int c = 0; c < 216; ++c) EXPECT_TRUE(distinct.count(MakeColor(c / 36 * 51, c / 6 % 6 * 51, c % 6 * 51))) << c;

    TPalette sixteen;
    LoadDefaultPalette(sixteen, ctColors16);
    EXPECT_EQ(PaletteColor(19, &sixteen), MakeColor(128, 128, 0)); // 19 AND 15 = 3
    TPalette none;
    EXPECT_EQ(PaletteColor(0x123456, &none), 0x123456u);
    EXPECT_EQ(PaletteColor(0x123456, nullptr), 0x123456u);
}

TEST(IconImage, ExpandPaletteIndicesAndFillRectAreClipped)
{
    TIconImageRec rec;
    InitIconImage(rec, 4, 4, ctColors2, -1);
    for (TColor index : {0u, 1u}) {
        FillBitmap(*rec.Bitmap, index);
        ExpandPaletteIndices(*rec.Bitmap, MakeRect(-5, 2, 100, 100), &rec.Palette);
        // Rows 0 and 1 keep the index; rows 2 and 3 become black or white.
        EXPECT_TRUE(PixelsAre(*rec.Bitmap, {{0, 1, index}, {3, 3, index ? 0xFFFFFFu : 0u}})) << index;
    }
    Bitmap24 b(4, 4);
    FillBitmapRect(b, 0, MakeRect(2, -3, 9, 2));
    EXPECT_EQ(ChangedRect(b, 0xFFFFFF), MakeRect(2, 0, 4, 2));
}

TEST(IconImage, CopySkipsMissingBitmapsAndKeepsTheDestinationObjects)
{
    TIconImageRec src;
    InitIconImage(src, 3, 2, ctTrueAlpha, 9);
    FillBitmap(*src.Bitmap, MakeColor(1, 2, 3));
    TIconImageRec dst;
    InitIconImage(dst, 1, 1, ctColors2, -1);
    dst.Mask.reset();
    const Bitmap24* before = dst.Bitmap.get();
    CopyIconImage(&src, &dst);
    EXPECT_EQ(dst.Bitmap.get(), before);
    EXPECT_EQ(std::tuple(dst.Width, dst.ColorType, dst.Palette.palNumEntries, dst.Id), std::tuple(3, ctTrueAlpha, 0, 9));
    EXPECT_TRUE(*dst.Bitmap == *src.Bitmap);
    EXPECT_FALSE(dst.Mask);
    CopyIconImage(nullptr, &dst);
    CopyIconImage(&src, nullptr);
    EXPECT_EQ(dst.Width, 3);
}

TEST(IconImage, ArrayKeepsAddressesStable)
{
    TIconImageArray arr;
    TIconImageRec& first = arr.Add();
    EXPECT_EQ(first.Id, 0);
    InitIconImage(first, 16, 16, ctTrueColor, -1);
    for (int i = 0; i < 100; ++i) arr.Add();
    EXPECT_EQ(&arr[0], &first);
    arr.Delete(50);
    arr.Delete(500);
    EXPECT_EQ(arr.Count(), 100);
    EXPECT_EQ(arr.At(100), nullptr);
    EXPECT_EQ(arr.At(-1), nullptr);
    const TIconImageArray copy = arr.Clone();
    EXPECT_NE(copy[0].Bitmap.get(), arr[0].Bitmap.get());
    EXPECT_TRUE(*copy[0].Bitmap == *arr[0].Bitmap);
}
