#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <tuple>

#include "iconfiles/file_access.h"
#include "iconfiles/png_codec.h"
#include "platform/bytes.h"
#include "support/bitmap_checks.h"
#include "support/format_helpers.h"

namespace {

// An icon file whose entries point at the given image blocks (size and offset filled in).
QByteArray IconWithBlocks(const std::vector<QByteArray>& blocks, const std::vector<int>& bits)
{
    ByteWriter w;
    w.U16(0);
    w.U16(1);
    w.U16(uint16_t(blocks.size()));
    uint32_t offset = uint32_t(6 + 16 * blocks.size());
    for (size_t i = 0; i < blocks.size(); ++i) {
        w.Zeros(4);
        w.U16(1);
        w.U16(uint16_t(bits[i]));
        w.U32(uint32_t(blocks[i].size()));
        w.U32(offset);
        offset += uint32_t(blocks[i].size());
    }
    QByteArray out = w.ToByteArray();
    for (const QByteArray& b : blocks) out += b;
    return out;
}

// A DIB block: header, colour table of tableEntries (entry i is red 10i + 2, green 10i + 1,
// blue 10i), then raw pixel bytes.
QByteArray DibBlock(int width, int headerHeight, int bits, uint32_t colorsUsed, int tableEntries,
                    const QByteArray& pixels, uint32_t compression = 0)
{
    ByteWriter w;
    w.U32(40);
    w.I32(width);
    w.I32(headerHeight);
    w.U16(1);
    w.U16(uint16_t(bits));
    w.U32(compression);
    w.Zeros(12);
    w.U32(colorsUsed);
    w.U32(0);
    for (int i = 0; i < tableEntries; ++i) w.U32(MakeColor(10 * i, 10 * i + 1, 10 * i + 2));
    return w.ToByteArray() + pixels;
}

QByteArray PngOf(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QImage Indexed(int w, const QVector<QRgb>& table)
{
    QImage img(w, 1, QImage::Format_Indexed8);
    img.setColorTable(table);
    for (int x = 0; x < w; ++x) img.setPixel(x, 0, uint(x % table.size()));
    return img;
}

uint32_t U32At(const QByteArray& data, int at)
{
    ByteReader r(data);
    r.Seek(uint64_t(at));
    return r.U32();
}

uint16_t U16At(const QByteArray& data, int at) { return uint16_t(U32At(data, at) & 0xFFFF); }

void ExpectSameFormat(const TIconImageRec& a, const TIconImageRec& b, bool samePalette = true)
{
    ASSERT_EQ(a.Width, b.Width);
    ASSERT_EQ(a.Height, b.Height);
    EXPECT_EQ(a.ColorType, b.ColorType);
    EXPECT_EQ(a.Palette.palNumEntries, b.Palette.palNumEntries);
    for (int i = 0; samePalette && i < a.Palette.palNumEntries; ++i)
        EXPECT_EQ(EntryColor(a.Palette, i), EntryColor(b.Palette, i)) << i;
    int bad = 0;
    for (int y = 0; y < a.Height; ++y)
        for (int x = 0; x < a.Width; ++x)
            bad += ShownColor(a, x, y) != ShownColor(b, x, y) || a.Mask->Pixel(x, y) != b.Mask->Pixel(x, y);
    EXPECT_EQ(bad, 0);
}

// The formats read from Data; the read itself must succeed.
TIconImageArray Loaded(const QByteArray& data)
{
    TIconFileAccess fa;
    TIconImageArray formats;
    EXPECT_EQ(fa.LoadIconData(data, formats), 0);
    return formats;
}

// The one format read from Data (a blank 1 x 1 one, after a failure, when there is not exactly one).
TIconImageRec LoadedOne(const QByteArray& data)
{
    const TIconImageArray formats = Loaded(data);
    EXPECT_EQ(formats.Count(), 1);
    TIconImageRec none;
    InitIconImage(none, 1, 1, 0, -1);
    return formats.Count() == 1 ? formats[0].Clone() : std::move(none);
}

TIconImageRec LoadedOne(const QByteArray& block, int bits) { return LoadedOne(IconWithBlocks({block}, {bits})); }

QByteArray Built(const TIconImageArray& formats)
{
    TIconFileAccess fa;
    QByteArray data;
    EXPECT_TRUE(fa.BuildIconData(formats, data));
    return data;
}

} // namespace

TEST(IconFileWriter, TwoByTwoMonochromeIconIsByteExact)
{
    TIconImageArray formats;
    TIconImageRec& f = formats.Add();
    InitIconImage(f, 2, 2, ctColors2, -1);
    // Row 0: black, white; row 1: white, black. Top-right pixel transparent.
    f.Bitmap->Fill(0);
    f.Bitmap->SetPixel(1, 0, 1);
    f.Bitmap->SetPixel(0, 1, 1);
    f.Mask->Fill(0);
    f.Mask->SetPixel(1, 0, 0xFFFFFF);
    const uint8_t expected[86] = {
        0, 0, 1, 0, 1, 0,                                   // header
        2, 2, 2, 0, 1, 0, 1, 0, 64, 0, 0, 0, 22, 0, 0, 0,   // entry: 2 x 2, 2 colours, 1 bit, 64 bytes at 22
        40, 0, 0, 0, 2, 0, 0, 0, 4, 0, 0, 0, 1, 0, 1, 0,    // DIB header
        0, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        0, 0, 0, 0, 255, 255, 255, 0,                       // colour table
        0x80, 0, 0, 0, 0x40, 0, 0, 0,                       // XOR rows, bottom row first
        0, 0, 0, 0, 0x40, 0, 0, 0,                          // AND rows
    };
    const QByteArray data = Built(formats);
    EXPECT_EQ(data, QByteArray(reinterpret_cast<const char*>(expected), 86));
    const TIconImageRec back = LoadedOne(data);
    ExpectSameFormat(f, back);
    EXPECT_EQ(back.Id, -1);
}

TEST(IconFileWriter, ThirtyTwoBitIconLayout)
{
    TIconImageArray formats;
    formats.Add(PatternFormat(32, 32, ctTrueAlpha));
    TIconImageRec& f = formats[0];
    f.Mask->SetPixel(3, 0, 0xFFFFFF);
    f.Mask->SetPixel(4, 0, GreyColor(55));
    f.Bitmap->SetPixel(4, 0, MakeColor(1, 2, 3));
    const QByteArray data = Built(formats);
    ASSERT_EQ(data.size(), 4286);
    // Entry: 32 x 32, no colour count, 1 plane, 32 bits, 4264 bytes at 22; DIB header of 40 bytes,
    // 32 wide, 64 high (XOR and AND rows), image size 4096 (XOR rows only).
    EXPECT_EQ(data.mid(6, 16), QByteArray("\x20\x20\0\0\1\0\x20\0\xA8\x10\0\0\x16\0\0\0", 16));
    EXPECT_EQ(data.mid(22, 12), QByteArray("\x28\0\0\0\x20\0\0\0\x40\0\0\0", 12));
    EXPECT_EQ(U32At(data, 22 + 20), 4096u);
    // Top row is the last XOR row: pixel 4 is blue, green, red, alpha 200.
    EXPECT_EQ(data.mid(22 + 40 + 31 * 128 + 16, 4), QByteArray("\3\2\1\xC8", 4));
    // Its AND row: only pixel 3 (mask 255) is set.
    EXPECT_EQ(uint8_t(data[22 + 40 + 4096 + 31 * 4]) & 0x18, 0x10);
    ExpectSameFormat(f, LoadedOne(data));
}

TEST(IconFileWriter, WidthsThatEndMidByteOrMidRunReadBackIdentically)
{
    // The row converters work on runs of pixels; these widths leave a remainder in every one.
    TIconImageArray formats;
    formats.Add(PatternFormat(37, 5, ctTrueAlpha, 11));  // 32-bit DIB
    formats.Add(PatternFormat(131, 3, ctTrueAlpha, 12)); // RGBA PNG, every alpha level
    formats.Add(PatternFormat(133, 2, ctTrueColor, 13)); // RGBA PNG, two alpha levels
    formats.Add(PatternFormat(13, 3, ctColors2, 14));
    formats.Add(PatternFormat(9, 4, ctColors16, 15));
    formats.Add(PatternFormat(11, 2, ctColors256, 16));
    formats.Add(PatternFormat(7, 3, ctTrueColor, 17));
    const TIconImageArray back = Loaded(Built(formats));
    ASSERT_EQ(back.Count(), formats.Count());
    for (int i = 0; i < formats.Count(); ++i) {
        SCOPED_TRACE(i);
        ExpectSameFormat(formats[i], back[i]);
    }
}

TEST(IconFileWriter, LargePaletteFormatGoesAsPngAndComesBackWithItsColoursInOrderMet)
{
    TIconImageArray formats;
    TIconImageRec& f = formats.Add();
    InitIconImage(f, 200, 200, ctColors256, -1);
    f.Mask->Fill(0);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x) f.Bitmap->SetPixel(x, y, MakeColor(200 - (x + y) % 40, 0, 0));
    const QByteArray data = Built(formats);
    EXPECT_EQ(U16At(data, 12), 8);
    const TIconImageRec back = LoadedOne(data);
    ExpectSameFormat(f, back, false); // the palette comes back in a new order
    // The first colour met is the top-left pixel's.
    EXPECT_EQ(EntryColor(back.Palette, 0), ShownColor(f, 0, 0));
    EXPECT_EQ(back.Bitmap->Pixel(0, 0) & 0xFF, 0u);
}

TEST(IconFileWriter, IndicesAreMaskedByThePaletteSizeAndTablesAreFull)
{
    TIconImageArray formats;
    TIconImageRec& four = formats.Add();
    InitIconImage(four, 2, 1, ctColors16, -1);
    four.Bitmap->SetPixel(0, 0, MakeColor(19, 0, 0)); // 19 AND 15 = 3, never spilling into pixel 1
    four.Bitmap->SetPixel(1, 0, MakeColor(5, 0, 0));
    TIconImageRec& one = formats.Add();
    InitIconImage(one, 2, 1, ctColors2, -1);
    one.Bitmap->SetPixel(0, 0, MakeColor(2, 0, 0)); // shown as entry 0, so written as 0
    one.Bitmap->SetPixel(1, 0, MakeColor(255, 0, 0));
    TIconImageRec& eight = formats.Add();
    InitIconImage(eight, 1, 1, ctColors256, -1);
    eight.Palette.palNumEntries = 16; // a short palette still gives a full table of 256
    eight.Bitmap->SetPixel(0, 0, MakeColor(200, 0, 0));
    const QByteArray data = Built(formats);
    EXPECT_EQ(uint8_t(data[int(U32At(data, 6 + 12)) + 40 + 64]), 0x35);
    EXPECT_EQ(uint8_t(data[int(U32At(data, 6 + 16 + 12)) + 40 + 8]), 0x40);
    EXPECT_EQ(U32At(data, 6 + 32 + 8), 40u + 256 * 4 + 4 + 4);
    const int eightAt = int(U32At(data, 6 + 32 + 12));
    EXPECT_EQ(U32At(data, eightAt + 40 + 16 * 4), 0u); // entries past the palette are zero
    EXPECT_EQ(uint8_t(data[eightAt + 40 + 256 * 4]), 200 & 15);

    const TIconImageArray back = Loaded(data);
    ASSERT_EQ(back.Count(), 3);
    EXPECT_EQ(ShownColor(back[0], 0, 0), ShownColor(four, 0, 0));
    EXPECT_EQ(ShownColor(back[0], 1, 0), ShownColor(four, 1, 0));
    EXPECT_EQ(ShownColor(back[1], 0, 0), 0u);
    EXPECT_EQ(ShownColor(back[1], 1, 0), 0xFFFFFFu);
}

TEST(IconFileWriter, RefusalsWriteNothing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("keep.ico"));
    TIconImageArray good;
    good.Add(PatternFormat(16, 16, ctTrueAlpha));
    TIconFileAccess fa;
    ASSERT_EQ(fa.SaveIconFile(path, good), 0);
    const QByteArray before = ReadFileBytes(path);

    EXPECT_EQ(fa.SaveIconFile(path, TIconImageArray()), -1);
    EXPECT_EQ(fa.LastError, QStringLiteral("Unknown error"));
    TIconImageArray broken = good.Clone();
    broken.Add(PatternFormat(16, 16, ctTrueAlpha));
    broken[1].Mask.reset();
    EXPECT_EQ(fa.SaveIconFile(path, broken), -1);
    EXPECT_EQ(fa.LastError, QStringLiteral("Written into the document error."));
    TIconImageArray tooMany;
    tooMany.SetLength(65536);
    EXPECT_EQ(fa.SaveIconFile(path, tooMany), -1);
    // A target that cannot be written (a folder) reports the failure.
    EXPECT_EQ(fa.SaveIconFile(dir.path(), good), -1);
    EXPECT_FALSE(fa.LastError.isEmpty());
    EXPECT_EQ(ReadFileBytes(path), before);
}

TEST(IconFileReader, FileAndHeaderRefusals)
{
    QTemporaryDir dir;
    TIconFileAccess fa;
    TIconImageArray formats;
    for (const QString& missing : {QStringLiteral(" x "), dir.filePath(QStringLiteral("none.ico"))}) {
        EXPECT_EQ(fa.LoadIconFile(missing, formats), -1);
        EXPECT_EQ(fa.LastError, QStringLiteral("File not found."));
    }
    const QString junk = dir.filePath(QStringLiteral("junk.ico"));
    QFile f(junk);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("hello world");
    f.close();
    // Short header, a cursor, reserved not 0, no images; and a file that is not an icon.
    for (const QByteArray& data : {QByteArray("\0\0\1\0", 4), QByteArray("\0\0\2\0\1\0", 6), QByteArray("\1\0\1\0\1\0", 6),
                                   QByteArray("\0\0\1\0\0\0", 6), ReadFileBytes(junk)}) {
        EXPECT_EQ(fa.LoadIconData(data, formats), -1);
        EXPECT_EQ(fa.LastError, QStringLiteral("The file format is not available."));
        EXPECT_EQ(formats.Count(), 0);
    }
    EXPECT_EQ(fa.LoadIconFile(junk, formats), -1);
    EXPECT_EQ(fa.LastError, QStringLiteral("The file format is not available."));
}

TEST(IconFileReader, BadImagesAreDroppedAndTheRestLoad)
{
    const QByteArray good = DibBlock(2, 4, 24, 0, 0, QByteArray(2 * 8 + 2 * 4, '\0'));
    const QByteArray px(64, '\0');
    const std::vector<std::pair<const char*, QByteArray>> bad = {
        {"height 0", DibBlock(2, 0, 24, 0, 0, px)},
        {"height 1 (half is 0)", DibBlock(2, 1, 24, 0, 0, px)},
        {"negative height", DibBlock(2, -4, 24, 0, 0, px)},
        {"height INT_MIN", DibBlock(2, INT32_MIN, 24, 0, 0, px)},
        {"width 0", DibBlock(0, 4, 24, 0, 0, px)},
        {"width 257", DibBlock(257, 4, 24, 0, 0, px)},
        {"huge", DibBlock(0x10000, 0x20000, 32, 0, 0, px)},
        {"16 bits", DibBlock(2, 4, 16, 0, 0, px)},
        {"bit count 0", DibBlock(2, 4, 0, 0, 0, px)},
        {"compressed", DibBlock(2, 4, 8, 0, 256, px, 1)},
        {"short colour table", DibBlock(2, 4, 8, 0, 100, QByteArray())},
        {"short header", QByteArray(30, '\0')},
        {"broken png", QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(40, 'x')},
    };
    for (const auto& [name, block] : bad) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Loaded(IconWithBlocks({good, block, good}, {24, 24, 24})).Count(), 2);
        // A single bad image reports its own failure to a direct caller and leaves the record.
        TIconFileAccess fa;
        ByteReader r(block);
        TIconImageRec rec;
        InitIconImage(rec, 4, 4, ctTrueColor, 3);
        EXPECT_EQ(fa.ReadIconImage(r, 24, rec), -1);
        EXPECT_EQ(rec.Width, 4);
        EXPECT_EQ(rec.Bitmap->Width(), 4);
    }
}

TEST(IconFileReader, DibDetails)
{
    // 8-bit with a colours-used count of 3: three entries are read, the rest are black, and the
    // pixels start right after the three. Rows bottom up: index 2, 1; top: index 0, 2.
    TIconImageRec f = LoadedOne(DibBlock(2, 4, 8, 3, 3, QByteArray("\2\1\0\0\0\2\0\0", 8) + QByteArray(8, '\0')), 8);
    EXPECT_EQ(std::tuple(f.ColorType, f.Palette.palNumEntries), std::tuple(ctColors256, 256));
    EXPECT_EQ(ShownColor(f, 0, 1), MakeColor(22, 21, 20));
    EXPECT_EQ(ShownColor(f, 1, 1), MakeColor(12, 11, 10));
    EXPECT_EQ(ShownColor(f, 0, 0), MakeColor(2, 1, 0));
    EXPECT_EQ(EntryColor(f.Palette, 3) | EntryColor(f.Palette, 255), 0u);

    // 32-bit with alpha: alpha alone decides, a set AND bit over alpha 200 does not wipe it out.
    f = LoadedOne(DibBlock(2, 2, 32, 0, 0, QByteArray("\1\2\3\xC8\4\5\6\xC8\x80\0\0\0", 12)), 32);
    EXPECT_EQ(f.ColorType, ctTrueAlpha);
    EXPECT_TRUE(PixelsAre(*f.Mask, {{0, 0, GreyColor(55)}, {1, 0, GreyColor(55)}}));
    EXPECT_EQ(f.Bitmap->Pixel(1, 0), MakeColor(6, 5, 4));
    // 32-bit whose alpha is all zero: the AND rows decide, opaque where the bit is clear.
    f = LoadedOne(DibBlock(2, 2, 32, 0, 0, QByteArray("\1\2\3\0\4\5\6\0\x80\0\0\0", 12)), 32);
    EXPECT_TRUE(PixelsAre(*f.Mask, {{0, 0, 0xFFFFFF}, {1, 0, 0}}));

    // A 24-bit image cut short inside its rows: the missing bytes read as 0, not as the previous
    // row, and with no AND rows it is opaque.
    f = LoadedOne(DibBlock(2, 4, 24, 0, 0, QByteArray("\x09\x09\x09\x09\x09\x09\0\0\x07\x07", 10)), 24);
    EXPECT_TRUE(PixelsAre(*f.Bitmap, {{0, 1, GreyColor(9)}, {0, 0, MakeColor(0, 7, 7)}, {1, 0, 0}}));
    EXPECT_TRUE(AreaIs(*f.Mask, SizeRect(2, 2), 0));

    // An entry whose size is short of its rows: the next image's bytes are not taken as AND rows.
    // (Zero alpha, so the AND rows would decide; missing ones leave the pixel opaque.)
    const QByteArray first = DibBlock(1, 2, 32, 0, 0, QByteArray("\1\2\3\0", 4));
    const QByteArray second = DibBlock(1, 2, 32, 0, 0, QByteArray("\1\2\3\0\xFF\xFF\xFF\xFF", 8));
    const TIconImageArray two = Loaded(IconWithBlocks({first, second}, {32, 32}));
    ASSERT_EQ(two.Count(), 2);
    EXPECT_EQ(two[0].Mask->Pixel(0, 0), 0u);
    EXPECT_EQ(two[1].Mask->Pixel(0, 0), 0xFFFFFFu);

    // A 108-byte header (as some tools write): the table (black, (48, 32, 16)) follows it, not the
    // first 40 bytes; the pixel takes index 1.
    QByteArray block = DibBlock(1, 2, 1, 0, 0, QByteArray());
    block[0] = char(108);
    block += QByteArray(68, '\x77') + QByteArray("\0\0\0\0\x10\x20\x30\0\x80\0\0\0\0\0\0\0", 16);
    EXPECT_EQ(ShownColor(LoadedOne(block, 1), 0, 0), MakeColor(48, 32, 16));
    // A header size pointing past the block: nothing to read, refused.
    QByteArray far = DibBlock(2, 4, 32, 0, 0, QByteArray(64, '\0'));
    far[2] = char(0x10);
    {
        TIconFileAccess fa;
        TIconImageArray none;
        EXPECT_EQ(fa.LoadIconData(IconWithBlocks({far}, {32}), none), -1);
        EXPECT_EQ(none.Count(), 0);
    }

    // Read into a record that holds a transparent mask from an earlier image: it starts opaque.
    TIconImageRec rec;
    InitIconImage(rec, 256, 256, 0, -1); // white and fully transparent
    const QByteArray noAnd = DibBlock(2, 4, 24, 0, 0, QByteArray(8, '\x40'));
    ByteReader r(noAnd);
    TIconFileAccess fa;
    ASSERT_EQ(fa.ReadIconImage(r, 24, rec), 0);
    EXPECT_EQ(std::tuple(rec.Width, rec.Mask->Width(), rec.Id), std::tuple(2, 2, -1));
    EXPECT_TRUE(AreaIs(*rec.Mask, SizeRect(2, 2), 0));
}

TEST(IconFileReader, PalettePngs)
{
    // A 4 x 1 palette PNG under a 4-bit entry: indices 0, 1, 2, 3; entry k is (10k, 20k, 30k).
    TIconImageRec f = LoadedOne(PngOf(Indexed(4, {qRgb(0, 0, 0), qRgb(10, 20, 30), qRgb(20, 40, 60), qRgb(30, 60, 90)})), 4);
    EXPECT_EQ(std::tuple(f.ColorType, f.Palette.palNumEntries), std::tuple(ctColors16, 16));
    // Index i lands as i - 1 and index 0 as 255; slot k holds PNG entry k + 1; no entry 6: black.
    EXPECT_TRUE(PixelsAre(*f.Bitmap, {{0, 0, 255}, {2, 0, 1}}));
    EXPECT_EQ(ShownColor(f, 2, 0), MakeColor(20, 40, 60));
    EXPECT_EQ(ShownColor(f, 3, 0), MakeColor(30, 60, 90));
    EXPECT_EQ(EntryColor(f.Palette, 5), 0u);
    // Without a transparency chunk every pixel of index 0 is transparent.
    EXPECT_TRUE(PixelsAre(*f.Mask, {{0, 0, 0xFFFFFF}, {1, 0, 0}}));

    // Index 17, the first past 16 slots, would fold onto index 1 under a 4-bit entry: the palette
    // grows to 256.
    QVector<QRgb> many;
    for (int k = 0; k < 32; ++k) many.append(qRgb(k, k, 100));
    QImage wide = Indexed(2, many);
    wide.setPixel(0, 0, 17);
    wide.setPixel(1, 0, 4);
    f = LoadedOne(PngOf(wide), 4);
    EXPECT_EQ(f.ColorType, ctColors256);
    EXPECT_EQ(ShownColor(f, 0, 0), MakeColor(17, 17, 100));
    EXPECT_EQ(ShownColor(f, 1, 0), MakeColor(4, 4, 100));

    // Exactly one entry (index 2) fully transparent: the pixels of index 2 are transparent.
    f = LoadedOne(PngOf(Indexed(3, {qRgba(0, 0, 0, 255), qRgba(50, 50, 50, 255), qRgba(90, 10, 10, 0)})), 8);
    EXPECT_EQ(f.ColorType, ctColors256);
    EXPECT_TRUE(PixelsAre(*f.Mask, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0xFFFFFF}}));

    // Under a true-colour entry, or one of no bit count, it is expanded with its transparency.
    const QByteArray png = PngOf(Indexed(2, {qRgba(10, 20, 30, 0), qRgba(40, 50, 60, 255)}));
    for (int bits : {32, 24, 0}) {
        f = LoadedOne(png, bits);
        EXPECT_EQ(std::tuple(f.ColorType, f.Palette.palNumEntries), std::tuple(bits == 24 ? ctTrueColor : ctTrueAlpha, 0));
        EXPECT_EQ(f.Bitmap->Pixel(1, 0), MakeColor(40, 50, 60)) << bits;
        EXPECT_TRUE(PixelsAre(*f.Mask, {{0, 0, 0xFFFFFF}, {1, 0, 0}})) << bits;
    }
}

TEST(IconFileReader, RgbaGreyAndDeepPngs)
{
    // Three colours under a 4-bit entry: 16 entries, 13 of them black; entry 0 met four times.
    QImage img(3, 2, QImage::Format_ARGB32);
    img.fill(qRgba(1, 2, 3, 255));
    img.setPixel(1, 0, qRgba(200, 100, 0, 255));
    img.setPixel(2, 1, qRgba(9, 9, 9, 0));
    TIconImageRec f = LoadedOne(PngOf(img), 4);
    EXPECT_EQ(std::tuple(f.ColorType, f.Palette.palNumEntries), std::tuple(ctColors16, 16));
    EXPECT_EQ(f.Palette.palPalEntry[0], (TPaletteEntry{1, 2, 3, 3}));
    EXPECT_EQ(EntryColor(f.Palette, 1), MakeColor(200, 100, 0));
    for (int k = 3; k < 16; ++k) EXPECT_EQ(EntryColor(f.Palette, k), 0u);
    EXPECT_EQ(f.Bitmap->Pixel(1, 0) & 0xFF, 1u);
    EXPECT_EQ(f.Mask->Pixel(2, 1), 0xFFFFFFu);

    // Partial alpha keeps its levels: colour type 5 whatever the entry says.
    img.setPixel(0, 0, qRgba(1, 2, 3, 100));
    f = LoadedOne(PngOf(img), 8);
    EXPECT_EQ(f.ColorType, ctTrueAlpha);
    EXPECT_EQ(f.Mask->Pixel(0, 0), GreyColor(155));

    // More than 256 colours under an 8-bit entry stay true colour; an opaque RGB PNG is opaque
    // true colour; grey and 16-bit PNGs are read at 8 bits.
    QImage rich(20, 20, QImage::Format_ARGB32);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) rich.setPixel(x, y, qRgba(x, y, 7, 255));
    QImage rgb(2, 2, QImage::Format_RGB32), grey(2, 2, QImage::Format_Grayscale16), deep(2, 2, QImage::Format_RGBA64);
    rgb.fill(qRgb(4, 5, 6));
    grey.fill(QColor(128, 128, 128));
    deep.fill(QColor(10, 20, 30, 255));
    const TIconImageArray formats = Loaded(IconWithBlocks({PngOf(rich), PngOf(rgb), PngOf(grey), PngOf(deep)}, {8, 32, 32, 32}));
    ASSERT_EQ(formats.Count(), 4);
    EXPECT_EQ(std::tuple(formats[0].ColorType, formats[0].Bitmap->Pixel(5, 6)), std::tuple(ctTrueColor, MakeColor(5, 6, 7)));
    EXPECT_EQ(std::tuple(formats[1].ColorType, formats[1].Mask->Pixel(1, 1)), std::tuple(ctTrueColor, 0u));
    EXPECT_EQ(formats[2].Bitmap->Pixel(1, 1), GreyColor(128));
    EXPECT_EQ(formats[3].Bitmap->Pixel(0, 0), MakeColor(10, 20, 30));
}

namespace {

struct Expected {
    int size;
    int32_t colorType;
    const char* source;
};

// Compares a format read from another tool's file with the picture the tool was given.
// icotool also sets the AND bit where alpha is at most 127; alpha decides over it, so every level
// of the source's alpha comes through.
void ExpectLikeSource(const TIconImageRec& f, const QString& sourceName)
{
    QImage src(TestDataPath(QStringLiteral("ico/") + sourceName));
    ASSERT_FALSE(src.isNull()) << sourceName.toStdString();
    src = src.convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(src.size(), QSize(f.Width, f.Height));
    int badColour = 0, badMask = 0;
    for (int y = 0; y < f.Height; ++y)
        for (int x = 0; x < f.Width; ++x) {
            const QRgb s = src.pixel(x, y);
            const int alpha = qAlpha(s);
            int expectedMask = f.ColorType == ctTrueAlpha ? 255 - alpha : (alpha == 0 ? 255 : 0);
            badMask += f.Mask->Byte0(x, y) != expectedMask;
            badColour += alpha > 0 && ShownColor(f, x, y) != MakeColor(qRed(s), qGreen(s), qBlue(s));
        }
    EXPECT_EQ(badColour, 0) << sourceName.toStdString();
    EXPECT_EQ(badMask, 0) << sourceName.toStdString();
}

void ExpectIconFromTool(const char* file, const std::vector<Expected>& expected)
{
    SCOPED_TRACE(file);
    TIconFileAccess fa;
    TIconImageArray formats;
    ASSERT_EQ(fa.LoadIconFile(TestDataPath(QStringLiteral("ico/") + QLatin1String(file)), formats), 0);
    ASSERT_EQ(formats.Count(), int(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(formats[int(i)].Width, expected[i].size);
        EXPECT_EQ(formats[int(i)].ColorType, expected[i].colorType);
        ExpectLikeSource(formats[int(i)], QLatin1String(expected[i].source));
    }
}

const std::vector<Expected> AlphaSizes = {{16, ctTrueAlpha, "src_alpha_16.png"},
                                          {32, ctTrueAlpha, "src_alpha_32.png"},
                                          {48, ctTrueAlpha, "src_alpha_48.png"},
                                          {256, ctTrueAlpha, "src_alpha_256.png"}};

bool RunTool(const QString& program, const QStringList& args, QString* output)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(20000)) return false;
    *output = QString::fromUtf8(p.readAllStandardOutput());
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

} // namespace

TEST(IconFileInterop, FilesMadeByOtherTools)
{
    ExpectIconFromTool("icotool_alpha.ico", AlphaSizes);
    ExpectIconFromTool("icotool_1bit.ico", {{16, ctColors2, "src_mono_16.png"}});
    ExpectIconFromTool("icotool_4bit.ico", {{32, ctColors16, "src_pal16_32.png"}});
    ExpectIconFromTool("icotool_8bit.ico", {{48, ctColors256, "src_pal256_48.png"}});
    ExpectIconFromTool("icotool_24bit.ico", {{24, ctTrueColor, "src_opaque_24.png"}});
    // A two-bit palette PNG under a 32-bit entry.
    ExpectIconFromTool("icotool_palpng.ico", {{256, ctTrueAlpha, "src_flat_256.png"}});
    ExpectIconFromTool("magick_alpha.ico", AlphaSizes);
    ExpectIconFromTool("magick_palette.ico", {{16, ctTrueAlpha, "src_mono_16.png"},
                                              {32, ctTrueAlpha, "src_pal16_32.png"},
                                              {48, ctTrueAlpha, "src_pal256_48.png"}});
    ExpectIconFromTool("magick_flat256.ico", {{256, ctTrueAlpha, "src_flat_256.png"}});
    ExpectIconFromTool("pillow_png.ico", AlphaSizes);
    // Interlaced PNG images: true colour, and a palette image under a 4-bit entry.
    ExpectIconFromTool("icotool_interlaced.ico", {{48, ctTrueAlpha, "src_alpha_48.png"},
                                                  {256, ctColors16, "src_flat_256.png"}});
    // 32-bit DIB images without AND rows, each entry's size ending at its XOR rows.
    ExpectIconFromTool("pillow_bmp.ico", {AlphaSizes.begin(), AlphaSizes.end() - 1});
}

TEST(IconFileInterop, EveryColourTypeAndSizeReadsBackIdenticallyHereAndInOtherTools)
{
    TIconImageArray formats;
    const int sizes[][3] = {{16, 16, ctColors2},    {24, 24, ctColors16},    {32, 32, ctColors256},
                            {48, 48, ctTrueColor},  {128, 128, ctTrueAlpha}, {256, 256, ctTrueAlpha},
                            {256, 256, ctTrueColor}, {3, 5, ctColors16},     {1, 1, ctColors2}};
    for (unsigned i = 0; i < 9; ++i) formats.Add(PatternFormat(sizes[i][0], sizes[i][1], sizes[i][2], i + 1));
    formats[1].Palette.palPalEntry[4] = TPaletteEntry{1, 2, 3, 0};
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ours.ico"));
    TIconFileAccess fa;
    ASSERT_EQ(fa.SaveIconFile(path, formats), 0) << fa.LastError.toStdString();
    TIconImageArray back;
    ASSERT_EQ(fa.LoadIconFile(path, back), 0);
    ASSERT_EQ(back.Count(), formats.Count());
    for (int i = 0; i < formats.Count(); ++i) {
        SCOPED_TRACE(i);
        ExpectSameFormat(formats[i], back[i]);
    }
    // 256 x 256 goes as PNG with width and height bytes 0; 128 x 128 as a DIB of height 256;
    // sixteen colours as colour count 16, bit count 4.
    const QByteArray data = ReadFileBytes(path);
    EXPECT_EQ(U16At(data, 6 + 16 * 5), 0);
    EXPECT_TRUE(HasPngSignature(reinterpret_cast<const uint8_t*>(data.constData()) + U32At(data, 6 + 16 * 5 + 12), 8));
    EXPECT_EQ(U32At(data, int(U32At(data, 6 + 16 * 4 + 12)) + 8), 256u);
    EXPECT_EQ(uint8_t(data[6 + 16 + 2]), 16);
    EXPECT_EQ(U16At(data, 6 + 16 + 6), 4);

    QString out;
    ASSERT_TRUE(RunTool(QStringLiteral("icotool"), {QStringLiteral("-l"), path}, &out));
    EXPECT_EQ(out.count(QStringLiteral("--icon")), 9);
    EXPECT_TRUE(out.contains(QStringLiteral("--width=24 --height=24 --bit-depth=4 --palette-size=16")));
    EXPECT_TRUE(out.contains(QStringLiteral("--width=256 --height=256 --bit-depth=32")));
    ASSERT_TRUE(RunTool(QStringLiteral("identify"), {path}, &out));
    EXPECT_EQ(out.count(QStringLiteral("ours.ico[")), 9);
    EXPECT_TRUE(out.contains(QStringLiteral("ours.ico[5] PNG 256x256")));

    // Qt's own icon reader sees the same pixels.
    QImageReader reader(path, "ico");
    ASSERT_TRUE(reader.canRead());
    int index = 0;
    do {
        const QImage img = reader.read().convertToFormat(QImage::Format_ARGB32);
        const TIconImageRec& f = formats[index];
        ASSERT_EQ(img.size(), QSize(f.Width, f.Height)) << index;
        int bad = 0;
        for (int y = 0; y < f.Height; ++y)
            for (int x = 0; x < f.Width; ++x) {
                const QRgb q = img.pixel(x, y);
                const int mask = f.Mask->Byte0(x, y);
                // Qt's reader ignores the AND rows of 24-bit DIB images.
                const bool andIgnored = f.ColorType == ctTrueColor && f.Width < 256;
                const int alpha = andIgnored ? 255 : f.ColorType == ctTrueAlpha ? 255 - mask : (mask == 255 ? 0 : 255);
                bad += qAlpha(q) != alpha || (alpha == 255 && MakeColor(qRed(q), qGreen(q), qBlue(q)) != ShownColor(f, x, y));
            }
        EXPECT_EQ(bad, 0) << index;
        ++index;
    } while (reader.jumpToNextImage());
    EXPECT_EQ(index, formats.Count());
}

TEST(IconFileReader, ShapesThatBrokeOtherReaders)
{
    // Each file holds one bad image (or a bad directory); none may crash, none gives an image,
    // except where noted.
    const std::vector<std::pair<const char*, int>> files = {
        {"height_zero.ico", 0},      {"height_int_min.ico", 0}, {"height_negative.ico", 0},
        {"size_overflow.ico", 0},    {"width_negative.ico", 0}, {"offset_past_end.ico", 0},
        {"table_16bit.ico", 0},      {"table_9bit.ico", 0},     {"png_huge_header.ico", 0},
        {"png_truncated.ico", 0},
        {"count_past_file.ico", 1}, // the one good image of a directory that claims 500 entries
        {"size_past_end.ico", 1},   // an entry whose size runs past the end of the file: read up to the end
        {"table_used_huge.ico", 1}, // a colours-used count far above 256: the full table of 256 is read
        // PNG images whose side chunks would make libpng allocate or inflate far beyond the block:
        {"png_chunk_declares_2g.ico", 0}, // a text chunk declaring 2 GiB in a 181-byte file
        {"png_ztxt_400.ico", 1},          // 400 text chunks inflating to 1 MiB each: skipped unread
        {"png_iccp_big.ico", 1},          // a colour profile inflating to 1 MiB: skipped
        {"png_ztxt_shared_4096.ico", 4096}, // 4096 entries, one image with 50 such chunks: decoded once
        {"png_300x300.ico", 0},           // wider than any icon image: refused from its header
        {"many_entries_failing_png.ico", 0}, // 65535 entries at one PNG that fails on its last row
    };
    for (const auto& [name, count] : files) {
        SCOPED_TRACE(name);
        TIconFileAccess fa;
        TIconImageArray formats;
        // A file none of whose images can be read fails with the last image's reason.
        EXPECT_EQ(fa.LoadIconFile(TestDataPath(QStringLiteral("ico/regress/") + QLatin1String(name)), formats),
                  count ? 0 : -1);
        EXPECT_EQ(formats.Count(), count);
        if (!count) EXPECT_EQ(fa.LastError, QStringLiteral("The file format is not available."));
    }
    // 65535 entries pointing at one PNG stop at the pixel cap.
    TIconFileAccess fa;
    TIconImageArray formats;
    ASSERT_EQ(fa.LoadIconFile(TestDataPath(QStringLiteral("ico/regress/many_entries_one_png.ico")), formats), 0);
    EXPECT_EQ(int64_t(formats.Count()), MaxIconPixelsTotal / (256 * 256));
    EXPECT_EQ(formats[0].Width, 256);
}

TEST(IconFileReader, EntriesSharingABlockCostWhatTheyHoldNotWhatTheyClaim)
{
    // A thousand entries at one 256 x 256 PNG, each claiming 1 x 1 but the first: counted by their
    // claims they would make a thousand formats of 256 x 256 (and 65535 of them ran out of memory).
    TIconImageArray made;
    made.Add(PatternFormat(256, 256, ctTrueAlpha, 4));
    const QByteArray built = Built(made);
    ByteReader dir(built);
    ByteReader first = dir.Sub(6 + 8, 8);
    const uint32_t size = first.U32();
    const QByteArray block = built.mid(first.U32(), size);
    constexpr int entries = 1000;
    ByteWriter w;
    w.U16(0);
    w.U16(1);
    w.U16(entries);
    for (int k = 0; k < entries; ++k) {
        w.U8(k == 0 ? 0 : 1);
        w.U8(k == 0 ? 0 : 1);
        w.Zeros(2);
        w.U16(1);
        w.U16(32);
        w.U32(uint32_t(block.size()));
        w.U32(uint32_t(6 + 16 * entries));
    }
    const QByteArray data = w.ToByteArray() + block;
    const int64_t cap = MaxIconPixelsTotal / (256 * 256);

    TIconFileAccess fa;
    TIconImageArray plain;
    ASSERT_EQ(fa.LoadIconData(data, plain), 0);
    EXPECT_EQ(plain.Count(), cap);
    // Read with sources, the honest first entry keeps its pixels (the directory claims little);
    // the copies hold more than their entries claim and are parked, and made again exactly.
    TIconImageArray read;
    std::vector<TIconImageSource> sources;
    ASSERT_EQ(fa.LoadIconData(data, read, &sources), 0);
    ASSERT_EQ(read.Count(), cap);
    ASSERT_EQ(sources.size(), size_t(cap));
    EXPECT_FALSE(read[0].IsParked());
    for (const int i : {1, int(cap) - 1}) {
        EXPECT_TRUE(read[i].IsParked()) << i;
        EXPECT_EQ(sources[size_t(i)].Entry, 0) << i;
        EXPECT_TRUE(SameFormat(read[i], plain[0])) << i;
    }
}

TEST(IconFileReader, EachFormatsSourceDecodesToTheSameFormatAgain)
{
    // An icon of a palette DIB, a failing entry, a true-colour PNG and an entry sharing the
    // first one's block: sources line up with the formats read, skipping the failure.
    TIconImageArray made;
    made.Add(PatternFormat(16, 16, ctColors16, 3));
    made.Add(PatternFormat(256, 256, ctTrueAlpha, 4));
    const QByteArray built = Built(made);
    ByteReader dir(built);
    const auto block = [&](int k) {
        ByteReader entry = dir.Sub(6 + 16 * uint64_t(k) + 8, 8);
        const uint32_t size = entry.U32();
        return built.mid(entry.U32(), size);
    };
    QByteArray data = IconWithBlocks({block(0), QByteArray(30, '\0'), block(1), block(0)}, {4, 24, 32, 4});
    // The last entry points at the first one's block.
    for (int i = 0; i < 4; ++i) data[6 + 16 * 3 + 12 + i] = data[6 + 12 + i];

    TIconFileAccess fa;
    TIconImageArray formats;
    std::vector<TIconImageSource> sources;
    ASSERT_EQ(fa.LoadIconData(data, formats, &sources), 0);
    ASSERT_EQ(formats.Count(), 3);
    ASSERT_EQ(sources.size(), 3u);
    EXPECT_EQ(sources[0].Entry, 0);
    EXPECT_EQ(sources[1].Entry, 2);
    EXPECT_EQ(sources[2].Entry, 0);
    // One copy of the bytes serves every source.
    EXPECT_EQ(sources[0].Data.constData(), sources[1].Data.constData());
    for (int i = 0; i < formats.Count(); ++i) {
        TIconImageRec again;
        again.Id = -1;
        ASSERT_EQ(fa.ReadIconImageSource(sources[size_t(i)], again), 0) << i;
        EXPECT_TRUE(SameFormat(again, formats[i])) << i;
    }
    // Read with sources past the budget, the formats come parked and are made again to the same
    // pixels, also the one sharing another's block; read without, they are not parked.
    TIconImageArray parked, plain;
    sources.clear();
    fa.KeepDecodedPixels = 0;
    ASSERT_EQ(fa.LoadIconData(data, parked, &sources), 0);
    ASSERT_EQ(fa.LoadIconData(data, plain), 0);
    ASSERT_EQ(plain.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(parked[i].Bitmap->IsParked() && parked[i].Mask->IsParked()) << i;
        EXPECT_FALSE(plain[i].Bitmap->IsParked() || plain[i].Mask->IsParked()) << i;
        const TIconImageRec copy = parked[i].Clone();
        EXPECT_TRUE(copy.Bitmap->IsParked()) << i;
        EXPECT_TRUE(SameFormat(parked[i], plain[i])) << i;
        EXPECT_TRUE(SameFormat(copy, plain[i])) << i;
    }
    // Written, they give the same bytes and stay parked.
    TIconImageArray written;
    ASSERT_EQ(fa.LoadIconData(data, written, &sources), 0);
    QByteArray fromParked, fromPlain;
    ASSERT_TRUE(fa.BuildIconData(written, fromParked));
    ASSERT_TRUE(fa.BuildIconData(plain, fromPlain));
    EXPECT_EQ(fromParked, fromPlain);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(written[i].IsParked()) << i;
    // The budget goes by what the whole directory claims (four entries of 256 x 256 here),
    // whatever the batches: within it nothing is parked, past it everything is.
    for (const int64_t budget : {int64_t(4) * 256 * 256, int64_t(4) * 256 * 256 - 1}) {
        TIconImageArray read;
        sources.clear();
        fa.KeepDecodedPixels = budget;
        ASSERT_EQ(fa.LoadIconData(data, read, &sources), 0);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(read[i].IsParked(), budget < 4 * 256 * 256) << budget << " " << i;
    }
    // An entry claiming less than its image holds is parked all the same.
    QByteArray lying = data;
    for (int k = 0; k < 4; ++k) lying[6 + 16 * k] = lying[6 + 16 * k + 1] = 16;
    TIconImageArray read;
    sources.clear();
    fa.KeepDecodedPixels = int64_t(1) << 19;
    ASSERT_EQ(fa.LoadIconData(lying, read, &sources), 0);
    ASSERT_EQ(read.Count(), 3);
    EXPECT_FALSE(read[0].IsParked());
    EXPECT_TRUE(read[1].IsParked());
    EXPECT_TRUE(SameFormat(read[1], plain[1]));
    fa.KeepDecodedPixels = 0;
    // Bytes outweighing the pixels they stand for are not kept for them.
    const QByteArray padded = IconWithBlocks({block(0), QByteArray(64 * 1024, 'x')}, {4, 32});
    TIconImageArray unparked;
    sources.clear();
    ASSERT_EQ(fa.LoadIconData(padded, unparked, &sources), 0);
    ASSERT_EQ(unparked.Count(), 1);
    EXPECT_FALSE(unparked[0].Bitmap->IsParked() || unparked[0].Mask->IsParked());
    EXPECT_TRUE(SameFormat(unparked[0], plain[0]));
    // A source that names no entry fails without touching the record.
    TIconImageRec rec = SolidFormat(4, 4, ctTrueColor);
    EXPECT_EQ(fa.ReadIconImageSource(TIconImageSource{data, 4}, rec), -1);
    EXPECT_EQ(fa.ReadIconImageSource(TIconImageSource{QByteArray(), 0}, rec), -1);
    EXPECT_EQ(rec.Width, 4);
}

namespace {

// The blocks of a built icon file, in directory order.
std::vector<QByteArray> BlocksOf(const QByteArray& built)
{
    ByteReader dir(built);
    std::vector<QByteArray> blocks;
    for (int k = 0; k < U16At(built, 4); ++k) {
        ByteReader entry = dir.Sub(6 + 16 * uint64_t(k) + 8, 8);
        const uint32_t size = entry.U32();
        blocks.push_back(built.mid(entry.U32(), size));
    }
    return blocks;
}

// Makes entry `to` point where entry `from` points (same offset and size).
void ShareBlock(QByteArray& data, int to, int from)
{
    for (int i = 8; i < 16; ++i) data[6 + 16 * to + i] = data[6 + 16 * from + i];
}

} // namespace

TEST(IconFileReader, ManyImagesReadTogetherMatchEachEntryReadAlone)
{
    // 100 entries, far more than the images decoded at once: DIBs and PNGs of every kind, damaged
    // blocks among them, and entries sharing a block with an earlier good or damaged one, both
    // close by and far back.
    TIconImageArray made;
    const int types[] = {ctTrueAlpha, ctTrueColor, ctColors256, ctColors16, ctColors2};
    const int sides[] = {16, 48, 130, 200, 256};
    for (int i = 0; i < 25; ++i) made.Add(PatternFormat(sides[i % 5], sides[(i + 2) % 5], types[i % 5], unsigned(i)));
    const std::vector<QByteArray> good = BlocksOf(Built(made));
    const QByteArray broken = QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(40, 'x');
    const QByteArray cutPng = good[2].left(good[2].size() / 2);
    std::vector<QByteArray> blocks;
    std::vector<int> bits;
    for (int k = 0; k < 100; ++k) {
        const int bitsOf[] = {32, 24, 8, 4, 1};
        if (k % 7 == 3)
            blocks.push_back(k % 2 ? broken : QByteArray(30, '\0'));
        else if (k % 11 == 5)
            blocks.push_back(cutPng);
        else
            blocks.push_back(good[size_t(k) % good.size()]);
        bits.push_back(bitsOf[k % 5]);
    }
    QByteArray data = IconWithBlocks(blocks, bits);
    const std::vector<std::pair<int, int>> shared = {{1, 0}, {9, 8}, {40, 3}, {41, 5}, {70, 2}, {71, 70}, {99, 10}};
    for (const auto& [to, from] : shared) {
        ShareBlock(data, to, from);
        data[6 + 16 * to + 6] = data[6 + 16 * from + 6]; // and its bit count, so the block is the same image
    }

    // What one entry at a time gives: every entry that reads, in directory order.
    TIconFileAccess alone;
    std::vector<int> expected;
    std::vector<TIconImageRec> expectedFormats;
    for (int k = 0; k < 100; ++k) {
        TIconImageRec rec;
        rec.Id = -1;
        if (alone.ReadIconImageSource(TIconImageSource{data, k}, rec) != 0) continue;
        expected.push_back(k);
        expectedFormats.push_back(std::move(rec));
    }
    ASSERT_GT(expected.size(), 60u);
    ASSERT_LT(expected.size(), 95u);

    TIconFileAccess fa;
    TIconImageArray formats;
    std::vector<TIconImageSource> sources;
    ASSERT_EQ(fa.LoadIconData(data, formats, &sources), 0);
    ASSERT_EQ(formats.Count(), int(expected.size()));
    ASSERT_EQ(sources.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        // An entry sharing a block is the first entry of that block again.
        int first = expected[i];
        for (auto link = shared.rbegin(); link != shared.rend(); ++link)
            if (link->first == first) first = link->second;
        EXPECT_EQ(sources[i].Entry, first) << "entry " << expected[i];
        EXPECT_TRUE(SameFormat(formats[int(i)], expectedFormats[i])) << "entry " << expected[i];
    }

    // An icon none of whose many images reads says the last one's failure.
    std::vector<QByteArray> allBad(70, broken);
    allBad.back() = QByteArray(30, '\0');
    TIconImageArray none;
    EXPECT_EQ(fa.LoadIconData(IconWithBlocks(allBad, std::vector<int>(70, 32)), none), -1);
    EXPECT_EQ(none.Count(), 0);
    EXPECT_EQ(fa.LastError, QStringLiteral("The file format is not available."));
}

TEST(IconFileReader, ThePixelBudgetCountsDecodedSizesInDirectoryOrder)
{
    // 300 entries claim 1 x 1 but each holds 256 x 256: distinct blocks (every entry claims a
    // different size over the same bytes), so each is decoded, and the read stops at the 256th,
    // where the decoded pixels meet the budget, whatever was decoded ahead of it.
    TIconImageArray one;
    one.Add(SolidFormat(256, 256, ctTrueColor, 0x336699));
    const QByteArray png = BlocksOf(Built(one)).front();
    const int count = 300;
    QByteArray data = IconWithBlocks(std::vector<QByteArray>(size_t(count), QByteArray()), std::vector<int>(count, 24));
    const uint32_t at = uint32_t(data.size());
    data += png + QByteArray(count, '\0');
    for (int k = 0; k < count; ++k) {
        data[6 + 16 * k] = 1;
        data[6 + 16 * k + 1] = 1;
        ByteWriter w;
        w.U32(uint32_t(png.size() + k));
        w.U32(at);
        const QByteArray place = w.ToByteArray();
        for (int i = 0; i < 8; ++i) data[6 + 16 * k + 8 + i] = place[i];
    }
    TIconFileAccess fa;
    TIconImageArray formats;
    std::vector<TIconImageSource> sources;
    ASSERT_EQ(fa.LoadIconData(data, formats, &sources), 0);
    ASSERT_EQ(formats.Count(), int(MaxIconPixelsTotal / (256 * 256)));
    EXPECT_EQ(sources.back().Entry, formats.Count() - 1);
    EXPECT_TRUE(SameFormat(formats[formats.Count() - 1], one[0]));
}
