#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "core/format_helpers.h"
#include "iconfiles/bmp_codec.h"
#include "iconfiles/file_access.h"

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

} // namespace

TEST(SnapshotFile, TrueColourAlphaRoundTrip)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("~3-1.qvi"));
    TIconImageRec f = PatternFormat(32, 32, ctTrueAlpha);
    f.Id = 42;
    TIconFileAccess fa;
    ASSERT_EQ(fa.SaveSnapshot(f, path), 0);
    const QByteArray data = ReadAll(path);
    ASSERT_EQ(size_t(data.size()), 16 + 2 * Bmp24FileSize(32, 32));
    EXPECT_EQ(data.mid(16, 2), QByteArray("BM"));

    // Loading into a record of another size gives the stored size.
    TIconImageRec back;
    InitIconImage(back, 256, 256, ctColors256, 9);
    Bitmap24* bitmapObject = back.Bitmap.get();
    ASSERT_EQ(fa.LoadSnapshot(back, path), 0);
    EXPECT_EQ(back.Id, 42);
    EXPECT_EQ(back.Width, 32);
    EXPECT_EQ(back.Height, 32);
    EXPECT_EQ(back.ColorType, ctTrueAlpha);
    EXPECT_EQ(back.Palette.palNumEntries, 0);
    EXPECT_EQ(back.Bitmap.get(), bitmapObject);
    EXPECT_TRUE(*back.Bitmap == *f.Bitmap);
    EXPECT_TRUE(*back.Mask == *f.Mask);
}

TEST(SnapshotFile, PaletteFormatKeepsEntriesAndFlags)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.qvi"));
    TIconImageRec f = PatternFormat(5, 3, ctColors16);
    f.Palette.palPalEntry[2] = TPaletteEntry{1, 2, 3, 77};
    TIconFileAccess fa;
    ASSERT_EQ(fa.SaveSnapshot(f, path), 0);
    const QByteArray data = ReadAll(path);
    // Sixteen entries of four bytes, the colour bitmap at 84.
    EXPECT_EQ(data.mid(20 + 8, 4), QByteArray("\1\2\3\x4D", 4));
    EXPECT_EQ(data.mid(84, 2), QByteArray("BM"));
    TIconImageRec back;
    ASSERT_EQ(fa.LoadSnapshot(back, path), 0); // bitmaps are made when missing
    EXPECT_EQ(back.ColorType, ctColors16);
    EXPECT_EQ(back.Palette.palNumEntries, 16);
    EXPECT_EQ(back.Palette.palPalEntry[2], (TPaletteEntry{1, 2, 3, 77}));
    EXPECT_TRUE(*back.Bitmap == *f.Bitmap);
    EXPECT_TRUE(*back.Mask == *f.Mask);

    TIconImageRec big = PatternFormat(2, 2, ctColors256);
    ASSERT_EQ(fa.SaveSnapshot(big, path), 0);
    EXPECT_EQ(ReadAll(path).mid(1044, 2), QByteArray("BM"));
}

TEST(SnapshotFile, MissingFileLeavesRecordAndText)
{
    QTemporaryDir dir;
    TIconFileAccess fa;
    fa.LastError = QStringLiteral("before");
    TIconImageRec rec = PatternFormat(4, 4, ctTrueColor);
    const TIconImageRec copy = rec.Clone();
    EXPECT_EQ(fa.LoadSnapshot(rec, dir.filePath(QStringLiteral("none.qvi"))), -1);
    EXPECT_EQ(fa.LastError, QStringLiteral("before"));
    EXPECT_EQ(rec.Width, 4);
    EXPECT_TRUE(*rec.Bitmap == *copy.Bitmap);
}

TEST(SnapshotFile, DamagedFilesAreRefusedAndChangeNothing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("d.qvi"));
    TIconFileAccess fa;
    TIconImageRec f = PatternFormat(4, 4, ctColors16);
    QByteArray good;
    ASSERT_TRUE(fa.BuildSnapshotData(f, good));

    const auto patched32 = [&](int offset, int32_t value) {
        QByteArray d = good;
        for (int i = 0; i < 4; ++i) d[offset + i] = char((uint32_t(value) >> (8 * i)) & 0xFF);
        return d;
    };
    const auto patched16 = [&](int offset, uint16_t value) {
        QByteArray d = good;
        d[offset] = char(value & 0xFF);
        d[offset + 1] = char(value >> 8);
        return d;
    };
    const int bmp1 = 20 + 64;
    const std::vector<std::pair<const char*, QByteArray>> cases = {
        {"empty", QByteArray()},
        {"header only", good.left(16)},
        {"palette count 300", patched16(18, 300)},
        {"palette count 3", patched16(18, 3)},
        {"colour type 0", patched32(12, 0)},
        {"colour type 6", patched32(12, 6)},
        {"width 0", patched32(4, 0)},
        {"height 257", patched32(8, 257)},
        {"size not the bitmap's", patched32(4, 5)},
        {"second bitmap cut short", good.left(good.size() - 1)},
        {"32-bit bitmap", patched16(bmp1 + 28, 32)},
        {"compressed bitmap", patched32(bmp1 + 30, 1)},
        {"not BM", patched16(bmp1, 0x4141)},
    };
    for (const auto& [name, data] : cases) {
        SCOPED_TRACE(name);
        WriteAll(path, data);
        TIconImageRec rec = PatternFormat(8, 8, ctTrueAlpha);
        rec.Id = 5;
        const TIconImageRec before = rec.Clone();
        EXPECT_EQ(fa.LoadSnapshot(rec, path), -1);
        EXPECT_FALSE(fa.LastError.isEmpty());
        EXPECT_EQ(rec.Id, 5);
        EXPECT_EQ(rec.Width, 8);
        EXPECT_EQ(rec.ColorType, ctTrueAlpha);
        EXPECT_EQ(rec.Palette, before.Palette);
        EXPECT_TRUE(*rec.Bitmap == *before.Bitmap);
        EXPECT_TRUE(*rec.Mask == *before.Mask);
    }
}

TEST(SnapshotFile, FailedSaveKeepsTheOldFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("k.qvi"));
    TIconFileAccess fa;
    ASSERT_EQ(fa.SaveSnapshot(PatternFormat(4, 4, ctTrueColor), path), 0);
    const QByteArray before = ReadAll(path);
    TIconImageRec broken = PatternFormat(4, 4, ctTrueColor);
    broken.Mask.reset();
    EXPECT_EQ(fa.SaveSnapshot(broken, path), -1);
    EXPECT_FALSE(fa.LastError.isEmpty());
    EXPECT_EQ(fa.SaveSnapshot(PatternFormat(4, 4, ctTrueColor), dir.filePath(QStringLiteral("no/such/dir.qvi"))), -1);
    EXPECT_EQ(ReadAll(path), before);
}
