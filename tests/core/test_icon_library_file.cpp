// The icon library writer: the layout other tools expect (checked with wrestool when it is
// installed), the reader giving back names, formats and pixels, refusals of libraries the 16-bit
// fields cannot hold, and saves that fail without touching the old file.
#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "iconfiles/file_access.h"
#include "iconfiles/icon_library_file.h"
#include "iconfiles/icon_resources.h"
#include "iconfiles/png_codec.h"
#include "platform/bytes.h"
#include "platform/save_file.h"
#include "support/format_helpers.h"
#include "support/test_support.h"

namespace {

uint16_t U16At(const QByteArray& b, qsizetype at) { return ByteReader(b).Sub(uint64_t(at), 2).U16(); }
uint32_t U32At(const QByteArray& b, qsizetype at) { return ByteReader(b).Sub(uint64_t(at), 4).U32(); }

TLibrarySlot SlotFor(const TIconImageRec& image)
{
    TLibrarySlot slot;
    slot.Width = image.Width;
    slot.Height = image.Height;
    slot.BitCount = ColorTypeToBits(image.ColorType);
    slot.Image = &image;
    return slot;
}



QString RunTool(const QString& program, const QStringList& args, int* exitCode = nullptr)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(30000);
    if (exitCode) *exitCode = p.exitCode();
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

// Three icons with formats of every colour type and size class, and names in Windows-1252.
struct SampleLibrary {
    std::vector<TIconImageRec> images;
    std::vector<TLibraryIcon> icons;

    SampleLibrary()
    {
        images.push_back(PatternFormat(16, 16, ctColors16, 1));
        images.push_back(PatternFormat(32, 32, ctTrueAlpha, 2));
        images.push_back(PatternFormat(48, 48, ctColors256, 3));
        images.push_back(PatternFormat(24, 24, ctColors2, 4));
        images.push_back(PatternFormat(200, 200, ctTrueAlpha, 5));
        images.push_back(PatternFormat(32, 32, ctTrueColor, 6));
        const int split[] = {3, 2, 1};
        const char* names[] = {"Folder", "Caf\xc3\xa9 \xe2\x82\xac", "Folder(1)"};
        size_t next = 0;
        for (int k = 0; k < 3; ++k) {
            TLibraryIcon icon;
            icon.Name = QString::fromUtf8(names[k]);
            for (int j = 0; j < split[k]; ++j) icon.Slots.push_back(SlotFor(images[next++]));
            icon.FormatCount = int32_t(icon.Slots.size());
            icons.push_back(std::move(icon));
        }
    }
};

} // namespace

TEST(IconLibraryFile, OneIconLayout)
{
    const TIconImageRec image = PatternFormat(32, 32, ctTrueAlpha);
    std::vector<TLibraryIcon> icons(1);
    icons[0].Name = QStringLiteral("One");
    icons[0].FormatCount = 1;
    icons[0].Slots.push_back(SlotFor(image));
    TIconLibraryWriter w;
    QByteArray b;
    ASSERT_EQ(w.BuildLibraryData(icons, b), 0) << w.LastError.toStdString();
    EXPECT_EQ(icons[0].Slots[0].Id, 1);
    EXPECT_EQ(b.left(2), QByteArray("MZ"));
    EXPECT_EQ(U32At(b, 60), 128u);
    EXPECT_EQ(b.mid(128, 2), QByteArray("NE"));
    EXPECT_EQ(U16At(b, 128 + 34), 64);
    EXPECT_EQ(U16At(b, 128 + 36), 64);
    EXPECT_EQ(uint8_t(b[128 + 54]), 2);
    EXPECT_EQ(U16At(b, 128 + 62), 0x0300);
    // Resource table at 192: shift, group type, its record, image type, its record, end.
    EXPECT_EQ(U16At(b, 192), 10);
    EXPECT_EQ(U16At(b, 194), 0x800E);
    EXPECT_EQ(U16At(b, 196), 1);
    EXPECT_EQ(U16At(b, 202), 1);                 // group block at 1024
    EXPECT_EQ(U16At(b, 204), 1);
    EXPECT_EQ(U16At(b, 206), 0x1C30);
    EXPECT_EQ(U16At(b, 208), 0x8001);
    EXPECT_EQ(U16At(b, 214), 0x8003);
    EXPECT_EQ(U16At(b, 216), 1);
    EXPECT_EQ(U16At(b, 222), 2);                 // image block at 2048
    EXPECT_EQ(U16At(b, 224), 5);                 // 4264 bytes in 5 units
    EXPECT_EQ(U16At(b, 228), 0x8001);
    EXPECT_EQ(U16At(b, 234), 0);                 // end of types
    const qsizetype names = 236;
    EXPECT_EQ(U16At(b, 128 + 38), names - 128);
    EXPECT_EQ(b.mid(names, 9), QByteArray("\x03" "ICL" "\x03" "One" "\x00", 9));
    // The group block, with the image's real size; the image padded to whole units.
    EXPECT_EQ(U16At(b, 1024), 0);
    EXPECT_EQ(U16At(b, 1026), 1);
    EXPECT_EQ(U16At(b, 1028), 1);
    EXPECT_EQ(uint8_t(b[1030]), 32);
    EXPECT_EQ(U16At(b, 1034), 1);
    EXPECT_EQ(U16At(b, 1036), 32);
    EXPECT_EQ(U32At(b, 1038), 4264u);
    EXPECT_EQ(U16At(b, 1042), 1);
    EXPECT_EQ(U32At(b, 2048), 40u);              // a DIB header
    EXPECT_EQ(b.size(), 2048 + 5 * 1024);
}

TEST(IconLibraryFile, NamesBlocksAndPlaceholders)
{
    const TIconImageRec big = PatternFormat(200, 200, ctTrueAlpha);
    const TIconImageRec edge = PatternFormat(128, 128, ctTrueAlpha);
    std::vector<TLibraryIcon> icons(3);
    icons[0].Name = QString(40, QLatin1Char('n'));
    icons[0].Slots = {SlotFor(big), SlotFor(edge)};
    icons[0].FormatCount = 2;
    // A new library's icon: no counted formats and one slot without content.
    icons[1].Name = QStringLiteral("New Icon");
    icons[1].Slots.resize(1);
    icons[1].Slots[0].Id = 1;
    icons[2].Name = QString();                    // stored as its default name
    TIconLibraryWriter w;
    QByteArray b;
    ASSERT_EQ(w.BuildLibraryData(icons, b), 0);
    TIconModuleReader r;
    ASSERT_EQ(r.ReadLibraryData(b), 0);
    ASSERT_EQ(r.Icons.size(), 3u);
    EXPECT_EQ(r.Icons[0].Name, QString(32, QLatin1Char('n')));
    EXPECT_EQ(r.Icons[1].Name, QStringLiteral("New Icon"));
    EXPECT_EQ(r.Icons[2].Name, QStringLiteral("QV Icon3"));
    // The placeholder: its group counts 0 formats (so it reads as none) and its record is empty.
    EXPECT_EQ(r.Icons[1].FormatCount, 0);
    TResourceList images, groups;
    TIconModuleReader::ReadNeResources(ByteReader(b), rtIconImage, images);
    TIconModuleReader::ReadNeResources(ByteReader(b), rtGroupIcon, groups);
    ASSERT_EQ(images.size(), 3u);
    EXPECT_EQ(images[2].Size, 0);
    EXPECT_EQ(U16At(b, qsizetype(groups[1].Offset) + 4), 0);
    EXPECT_EQ(U32At(b, qsizetype(groups[1].Offset) + 6 + 8), 0u);
    // 200 x 200 as PNG, 128 x 128 as DIB.
    EXPECT_EQ(b.mid(qsizetype(images[0].Offset) + 1, 3), QByteArray("PNG"));
    EXPECT_EQ(U32At(b, qsizetype(images[1].Offset)), 40u);
    // The same library twice gives the same bytes.
    QByteArray again;
    ASSERT_EQ(w.BuildLibraryData(icons, again), 0);
    EXPECT_EQ(again, b);
}

TEST(IconLibraryFile, ReadsBackNamesFormatsPixelsAndKeptBytes)
{
    SampleLibrary lib;
    // A fourth icon holding an image bytes we could not read: written back unchanged.
    const QByteArray unreadable("\x28\0\0\0garbage that is no image", 28);
    TLibraryIcon kept;
    kept.Name = QStringLiteral("Kept");
    kept.Slots.resize(1);
    kept.Slots[0].Width = 64;
    kept.Slots[0].Height = 64;
    kept.Slots[0].BitCount = 32;
    kept.Slots[0].RawImage = unreadable;
    kept.FormatCount = 1;
    lib.icons.push_back(kept);
    QTemporaryDir dir;
    const QString path = dir.filePath("lib.icl");
    TIconLibraryWriter w;
    ASSERT_EQ(w.WriteLibraryFile(path, lib.icons), 0) << w.LastError.toStdString();
    TIconModuleReader r;
    ASSERT_EQ(r.ReadLibrary(path), 0);
    EXPECT_EQ(r.Kind, TModuleKind::Ne);
    ASSERT_EQ(r.Icons.size(), 4u);
    EXPECT_TRUE(r.NamesFromTable);
    size_t next = 0;
    for (size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(r.Icons[k].Name, lib.icons[k].Name);
        std::vector<TModuleImage> images;
        EXPECT_EQ(r.ReadIconImages(int(k), images), 0);
        ASSERT_EQ(images.size(), lib.icons[k].Slots.size());
        for (size_t j = 0; j < images.size(); ++j) {
            ASSERT_TRUE(images[j].Read);
            EXPECT_EQ(r.Icons[k].Formats[j].Id, lib.icons[k].Slots[j].Id);
            EXPECT_EQ(r.Icons[k].Formats[j].BitCount, ColorTypeToBits(lib.images[next].ColorType));
            ExpectSameImage(images[j].Image, lib.images[next], "icon " + std::to_string(k) + " format " + std::to_string(j));
            ++next;
        }
    }
    std::vector<TModuleImage> images;
    EXPECT_EQ(r.ReadIconImages(3, images), 1);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].Raw, unreadable);
    EXPECT_EQ(r.Icons[3].Formats[0].Width, 64);
}

TEST(IconLibraryFile, WrestoolListsAndExtractsWhatWeWrite)
{
    if (!HaveTool("wrestool")) GTEST_SKIP() << "wrestool (icoutils) is not installed";
    SampleLibrary lib;
    QTemporaryDir dir;
    const QString path = dir.filePath("lib.icl");
    TIconLibraryWriter w;
    ASSERT_EQ(w.WriteLibraryFile(path, lib.icons), 0);
    int code = -1;
    const QString listing = RunTool("wrestool", {"-l", path}, &code);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(listing.count("type=group_icon"), 3) << listing.toStdString();
    EXPECT_EQ(listing.count("type=icon "), 6) << listing.toStdString();
    size_t next = 0;
    for (int k = 0; k < 3; ++k) {
        const QString out = dir.filePath(QStringLiteral("g%1.ico").arg(k));
        RunTool("wrestool", {"-x", "--type=14", QStringLiteral("--name=%1").arg(k + 1), "-o", out, path}, &code);
        ASSERT_EQ(code, 0);
        TIconFileAccess fa;
        TIconImageArray formats;
        ASSERT_EQ(fa.LoadIconFile(out, formats), 0) << "group " << k;
        ASSERT_EQ(size_t(formats.Count()), lib.icons[size_t(k)].Slots.size());
        for (int j = 0; j < formats.Count(); ++j)
            ExpectSameImage(formats[j], lib.images[next++], "wrestool group " + std::to_string(k));
    }
}

TEST(IconLibraryFile, RefusesWhatSixteenBitFieldsCannotHold)
{
    struct Case {
        const char* what;
        int icons;
        int slotsEach;
        int formatCount;
    };
    const Case cases[] = {
        {"32768 icons", 32768, 0, 0},
        {"32768 slots", 16, 2048, 0},
        {"format count above 65535", 1, 1, 70000},
        {"4097 formats in one icon", 1, 4097, 4097},
        {"4097 slots in one icon", 1, 4097, 1},
        {"format count 4097", 1, 1, 4097},
        {"negative format count", 1, 1, -1},
    };
    for (const Case& c : cases) {
        std::vector<TLibraryIcon> icons(size_t(c.icons));
        for (TLibraryIcon& icon : icons) {
            icon.Slots.resize(size_t(c.slotsEach));
            icon.FormatCount = c.formatCount;
        }
        TIconLibraryWriter w;
        QByteArray b;
        EXPECT_EQ(w.BuildLibraryData(icons, b), -1) << c.what;
        EXPECT_FALSE(w.LastError.isEmpty()) << c.what;
    }
    // A names table pushed past 64 KiB from the NE header.
    std::vector<TLibraryIcon> many(6000);
    for (TLibraryIcon& icon : many) icon.Name = QString(32, QLatin1Char('x'));
    TIconLibraryWriter w;
    QByteArray b;
    EXPECT_EQ(w.BuildLibraryData(many, b), -1);
    // Just inside the limits it writes.
    many.resize(1500);
    EXPECT_EQ(w.BuildLibraryData(many, b), 0);
    std::vector<TLibraryIcon> full(1);
    full[0].Slots.resize(size_t(MaxModuleFormatsPerIcon));
    full[0].FormatCount = MaxModuleFormatsPerIcon;
    EXPECT_EQ(w.BuildLibraryData(full, b), 0);
    // Blocks past 64 Ki units (64 MiB) cannot be addressed; refused before anything is laid out.
    std::vector<TLibraryIcon> huge(1);
    const QByteArray mebibyte(1 << 20, 'x');
    huge[0].Slots.resize(70);
    for (TLibrarySlot& slot : huge[0].Slots) slot.RawImage = mebibyte;
    EXPECT_EQ(w.BuildLibraryData(huge, b), -1);
}

TEST(IconLibraryFile, LastAddressableUnitIsUsedAndTheNextRefused)
{
    // Header, table and names fill unit 0, the group unit 1, so images start at unit 2: 63 blocks
    // of 1 MiB, one of 1021 units, and one of a single unit that starts at unit 65535, the last
    // a 16-bit offset can hold; the file then ends at the 65536th unit.
    const QByteArray mebibyte(1 << 20, 'x');
    std::vector<TLibraryIcon> icons(1);
    icons[0].Name = QStringLiteral("Edge");
    icons[0].Slots.resize(65);
    for (int j = 0; j < 63; ++j) icons[0].Slots[size_t(j)].RawImage = mebibyte;
    icons[0].Slots[63].RawImage = QByteArray(1021 * LibraryAlignUnit, 'y');
    icons[0].Slots[64].RawImage = QByteArray(10, 'z');
    icons[0].FormatCount = 65;
    TIconLibraryWriter w;
    QByteArray b;
    ASSERT_EQ(w.BuildLibraryData(icons, b), 0) << w.LastError.toStdString();
    EXPECT_EQ(b.size(), qsizetype(65536) * LibraryAlignUnit);
    TResourceList images;
    TIconModuleReader::ReadNeResources(ByteReader(b), rtIconImage, images);
    ASSERT_EQ(images.size(), 65u);
    EXPECT_EQ(images[64].Offset, int64_t(65535) * LibraryAlignUnit);
    EXPECT_EQ(b.mid(qsizetype(images[64].Offset), 10), QByteArray(10, 'z'));
    // One block more would start at unit 65536: refused, even when it is empty.
    icons[0].Slots.emplace_back();
    EXPECT_EQ(w.BuildLibraryData(icons, b), -1);
    EXPECT_FALSE(w.LastError.isEmpty());
}

TEST(IconLibraryFile, FailedSaveKeepsTheOldFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("lib.icl");
    ASSERT_TRUE(WriteBytes(path, "old content"));
    SampleLibrary lib;
    // A working file that is damaged, or named but gone, fails the save; a slot that names none
    // gives an empty record.
    const QString broken = dir.filePath("broken.qvi");
    ASSERT_TRUE(WriteBytes(broken, "not a snapshot"));
    lib.icons[0].Slots[0].Image = nullptr;
    lib.icons[0].Slots[0].TempFile = broken;
    TIconLibraryWriter w;
    EXPECT_EQ(w.WriteLibraryFile(path, lib.icons), -1);
    EXPECT_FALSE(w.LastError.isEmpty());
    QByteArray now;
    ASSERT_TRUE(ReadWholeFile(path, now));
    EXPECT_EQ(now, QByteArray("old content"));
    lib.icons[0].Slots[0].TempFile = dir.filePath("missing.qvi");
    EXPECT_EQ(w.WriteLibraryFile(path, lib.icons), -1);
    EXPECT_TRUE(w.LastError.contains(QStringLiteral("missing.qvi"))) << w.LastError.toStdString();
    ASSERT_TRUE(ReadWholeFile(path, now));
    EXPECT_EQ(now, QByteArray("old content"));
    lib.icons[0].Slots[0].TempFile.clear();
    EXPECT_EQ(w.WriteLibraryFile(dir.filePath("no/such/folder/lib.icl"), lib.icons), -1);
    EXPECT_FALSE(w.LastError.isEmpty());
    ASSERT_EQ(w.WriteLibraryFile(path, lib.icons), 0);
    TIconModuleReader r;
    ASSERT_EQ(r.ReadLibrary(path), 0);
    std::vector<TModuleImage> images;
    r.ReadIconImages(0, images);
    ASSERT_EQ(images.size(), 3u);
    EXPECT_FALSE(images[0].Read);
    EXPECT_TRUE(images[0].Raw.isEmpty());
    EXPECT_TRUE(images[1].Read);
}

TEST(IconLibraryFile, WorkingFilesAreWrittenFromTheirSnapshots)
{
    QTemporaryDir dir;
    const TIconImageRec image = PatternFormat(48, 48, ctColors256, 9);
    TIconFileAccess fa;
    const QString qvi = dir.filePath("w.qvi");
    ASSERT_EQ(fa.SaveSnapshot(image, qvi), 0);
    std::vector<TLibraryIcon> icons(1);
    icons[0].Name = QStringLiteral("W");
    icons[0].FormatCount = 1;
    icons[0].Slots.resize(1);
    icons[0].Slots[0].TempFile = qvi;
    icons[0].Slots[0].Width = 48;
    icons[0].Slots[0].Height = 48;
    icons[0].Slots[0].BitCount = 8;
    TIconLibraryWriter w;
    QByteArray b;
    ASSERT_EQ(w.BuildLibraryData(icons, b), 0);
    TIconModuleReader r;
    ASSERT_EQ(r.ReadLibraryData(b), 0);
    std::vector<TModuleImage> images;
    ASSERT_EQ(r.ReadIconImages(0, images), 0);
    ASSERT_TRUE(images[0].Read);
    ExpectSameImage(images[0].Image, image, "snapshot");
}

TEST(IconLibraryFile, ManyIconsWriteTheSameBytesEveryTimeInSlotOrder)
{
    std::vector<TIconImageRec> images;
    for (int i = 0; i < 12; ++i)
        images.push_back(PatternFormat(16 + 20 * (i % 6), 16 + 20 * (i % 6), i % 2 ? ctTrueAlpha : ctColors256, unsigned(i + 1)));
    images.push_back(PatternFormat(256, 256, ctTrueAlpha, 99));
    std::vector<TLibraryIcon> icons(60);
    for (size_t k = 0; k < icons.size(); ++k) {
        icons[k].Name = QStringLiteral("Icon %1").arg(k);
        for (size_t j = 0; j < 4; ++j) icons[k].Slots.push_back(SlotFor(images[(k * 4 + j) % images.size()]));
        icons[k].FormatCount = 4;
    }
    TIconLibraryWriter w;
    QByteArray first, second;
    ASSERT_EQ(w.BuildLibraryData(icons, first), 0);
    ASSERT_EQ(w.BuildLibraryData(icons, second), 0);
    EXPECT_EQ(first, second);
    TIconModuleReader r;
    ASSERT_EQ(r.ReadLibraryData(first), 0);
    ASSERT_EQ(r.Icons.size(), icons.size());
    for (size_t k = 0; k < icons.size(); ++k) {
        std::vector<TModuleImage> read;
        ASSERT_EQ(r.ReadIconImages(int(k), read), 0);
        ASSERT_EQ(read.size(), 4u);
        for (size_t j = 0; j < 4; ++j) {
            EXPECT_EQ(r.Icons[k].Formats[j].Id, int32_t(k * 4 + j + 1));
            ExpectSameImage(read[j].Image, images[(k * 4 + j) % images.size()], "icon " + std::to_string(k));
        }
    }
    // A damaged working file anywhere among them fails the whole save.
    QTemporaryDir dir;
    const QString broken = dir.filePath("broken.qvi");
    ASSERT_TRUE(WriteBytes(broken, "not a snapshot"));
    icons[50].Slots[2].Image = nullptr;
    icons[50].Slots[2].TempFile = broken;
    icons[7].Slots[1].Image = nullptr;
    icons[7].Slots[1].TempFile = broken;
    EXPECT_EQ(w.BuildLibraryData(icons, second), -1);
    EXPECT_FALSE(w.LastError.isEmpty());
}

TEST(IconLibraryFile, PngStreamLengthEndsAtTheEndChunkAndRefusesBrokenChunks)
{
    std::vector<uint8_t> png;
    const TIconImageRec image = PatternFormat(140, 3, ctTrueAlpha, 7);
    ASSERT_TRUE(EncodePngRgba(*image.Bitmap, *image.Mask, false, png));
    const auto length = [](const std::vector<uint8_t>& b) { return PngStreamLength(b.data(), b.size()); };
    EXPECT_EQ(length(png), png.size());

    std::vector<uint8_t> padded = png;
    padded.insert(padded.end(), 1000, 0);
    EXPECT_EQ(length(padded), png.size());

    // Without its end chunk, cut inside a chunk, or with a chunk length past the data or past
    // 2^31 - 1: never whole.
    EXPECT_EQ(length(std::vector<uint8_t>(png.begin(), png.end() - 12)), 0u);
    EXPECT_EQ(length(std::vector<uint8_t>(png.begin(), png.end() - 1)), 0u);
    std::vector<uint8_t> huge = png;
    huge[8] = 0x80;                                          // the header chunk's length
    EXPECT_EQ(length(huge), 0u);
    huge[8] = 0x7F;
    huge[9] = huge[10] = huge[11] = 0xFF;
    EXPECT_EQ(length(huge), 0u);
    std::vector<uint8_t> unsigned_sig = png;
    unsigned_sig[1] = 'p';
    EXPECT_EQ(length(unsigned_sig), 0u);
    EXPECT_EQ(PngStreamLength(nullptr, 0), 0u);
    EXPECT_EQ(PngStreamLength(png.data(), 8), 0u);
}

TEST(IconLibraryFile, ALibraryTooLargeIsRefusedFromItsSizesBeforeAnyImageIsEncoded)
{
    // 1,100 formats of 128 x 128 at 32 bits: each DIB takes over 64 KiB, 68 MiB in all. The
    // first slot's working file is broken: had any image been encoded, its failure would be
    // the one reported.
    QTemporaryDir dir;
    const QString broken = dir.filePath(QStringLiteral("broken.qvi"));
    ASSERT_TRUE(WriteBytes(broken, QByteArray("not a snapshot")));
    TIconImageRec image;
    InitIconImage(image, 128, 128, ctTrueAlpha, -1);
    std::vector<TLibraryIcon> icons(1);
    icons[0].Slots.resize(1100);
    icons[0].FormatCount = 1100;
    icons[0].Slots[0].TempFile = broken;
    icons[0].Slots[0].Width = icons[0].Slots[0].Height = 128;
    icons[0].Slots[0].BitCount = 32;
    for (size_t j = 1; j < icons[0].Slots.size(); ++j) icons[0].Slots[j].Image = &image;
    TIconLibraryWriter w;
    QByteArray b;
    EXPECT_EQ(w.BuildLibraryData(icons, b), -1);
    EXPECT_EQ(w.LastError, QStringLiteral("The library is too large to be saved as an icon library."));
    // With room for them, the broken working file is what fails the save.
    icons[0].Slots.resize(10);
    icons[0].FormatCount = 10;
    EXPECT_EQ(w.BuildLibraryData(icons, b), -1);
    EXPECT_NE(w.LastError, QStringLiteral("The library is too large to be saved as an icon library."));
}
