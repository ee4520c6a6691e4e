#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <tuple>

#include "iconfiles/bmp_codec.h"
#include "iconfiles/file_access.h"
#include "platform/save_file.h"
#include "support/bitmap_checks.h"
#include "support/format_helpers.h"

TEST(SnapshotFile, RoundTripsTrueColourAndPaletteFormats)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("~3-1.qvi"));
    TIconImageRec f = PatternFormat(32, 32, ctTrueAlpha);
    f.Id = 42;
    TIconFileAccess fa;
    ASSERT_EQ(fa.SaveSnapshot(f, path), 0);
    QByteArray data = ReadFileBytes(path);
    ASSERT_EQ(size_t(data.size()), 16 + 2 * Bmp24FileSize(32, 32));
    EXPECT_EQ(data.mid(16, 2), QByteArray("BM"));
    // Loading into a record of another size gives the stored size, in the record's own bitmaps.
    TIconImageRec back;
    InitIconImage(back, 256, 256, ctColors256, 9);
    const Bitmap24* bitmapObject = back.Bitmap.get();
    ASSERT_EQ(fa.LoadSnapshot(back, path), 0);
    EXPECT_EQ(std::tuple(back.Id, back.Width, back.Height, back.ColorType, back.Palette.palNumEntries),
              std::tuple(42, 32, 32, ctTrueAlpha, 0));
    EXPECT_EQ(back.Bitmap.get(), bitmapObject);
    EXPECT_TRUE(*back.Bitmap == *f.Bitmap);
    EXPECT_TRUE(*back.Mask == *f.Mask);

    // Sixteen palette entries of four bytes, flags kept, the colour bitmap at 84.
    f = PatternFormat(5, 3, ctColors16);
    f.Palette.palPalEntry[2] = TPaletteEntry{1, 2, 3, 77};
    ASSERT_EQ(fa.SaveSnapshot(f, path), 0);
    data = ReadFileBytes(path);
    EXPECT_EQ(data.mid(20 + 8, 4), QByteArray("\1\2\3\x4D", 4));
    EXPECT_EQ(data.mid(84, 2), QByteArray("BM"));
    TIconImageRec fresh;
    ASSERT_EQ(fa.LoadSnapshot(fresh, path), 0); // bitmaps are made when missing
    EXPECT_EQ(std::tuple(fresh.ColorType, fresh.Palette.palNumEntries), std::tuple(ctColors16, 16));
    EXPECT_EQ(fresh.Palette.palPalEntry[2], (TPaletteEntry{1, 2, 3, 77}));
    EXPECT_TRUE(*fresh.Bitmap == *f.Bitmap);
    EXPECT_TRUE(*fresh.Mask == *f.Mask);
    ASSERT_EQ(fa.SaveSnapshot(PatternFormat(2, 2, ctColors256), path), 0);
    EXPECT_EQ(ReadFileBytes(path).mid(1044, 2), QByteArray("BM"));
}

TEST(SnapshotFile, MissingOrDamagedFilesAreRefusedAndChangeNothing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("d.qvi"));
    TIconFileAccess fa;
    QByteArray good;
    ASSERT_TRUE(fa.BuildSnapshotData(PatternFormat(4, 4, ctColors16), good));
    const auto patched = [&](int offset, uint32_t value, int bytes) {
        QByteArray d = good;
        for (int i = 0; i < bytes; ++i) d[offset + i] = char((value >> (8 * i)) & 0xFF);
        return d;
    };
    const int bmp1 = 20 + 64;
    const std::vector<std::pair<const char*, QByteArray>> cases = {
        {"empty", QByteArray()},
        {"header only", good.left(16)},
        {"palette count 300", patched(18, 300, 2)},
        {"palette count 3", patched(18, 3, 2)},
        {"colour type 0", patched(12, 0, 4)},
        {"colour type 6", patched(12, 6, 4)},
        {"width 0", patched(4, 0, 4)},
        {"height 257", patched(8, 257, 4)},
        {"size not the bitmap's", patched(4, 5, 4)},
        {"second bitmap cut short", good.left(good.size() - 1)},
        {"32-bit bitmap", patched(bmp1 + 28, 32, 2)},
        {"compressed bitmap", patched(bmp1 + 30, 1, 4)},
        {"not BM", patched(bmp1, 0x4141, 2)},
    };
    for (const auto& [name, data] : cases) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(WriteFileAtomic(path, data));
        TIconImageRec rec = PatternFormat(8, 8, ctTrueAlpha);
        rec.Id = 5;
        const TIconImageRec before = rec.Clone();
        EXPECT_EQ(fa.LoadSnapshot(rec, path), -1);
        EXPECT_FALSE(fa.LastError.isEmpty());
        EXPECT_EQ(std::tuple(rec.Id, rec.Width, rec.ColorType), std::tuple(5, 8, ctTrueAlpha));
        EXPECT_EQ(rec.Palette, before.Palette);
        EXPECT_TRUE(*rec.Bitmap == *before.Bitmap);
        EXPECT_TRUE(*rec.Mask == *before.Mask);
    }
    // A missing file keeps the record and the last text.
    fa.LastError = QStringLiteral("before");
    TIconImageRec rec = PatternFormat(4, 4, ctTrueColor);
    const TIconImageRec copy = rec.Clone();
    EXPECT_EQ(fa.LoadSnapshot(rec, dir.filePath(QStringLiteral("none.qvi"))), -1);
    EXPECT_EQ(fa.LastError, QStringLiteral("before"));
    EXPECT_EQ(rec.Width, 4);
    EXPECT_TRUE(*rec.Bitmap == *copy.Bitmap);
}

TEST(SnapshotFile, FailedSaveKeepsTheOldFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("k.qvi"));
    TIconFileAccess fa;
    ASSERT_EQ(fa.SaveSnapshot(PatternFormat(4, 4, ctTrueColor), path), 0);
    const QByteArray before = ReadFileBytes(path);
    TIconImageRec broken = PatternFormat(4, 4, ctTrueColor);
    broken.Mask.reset();
    EXPECT_EQ(fa.SaveSnapshot(broken, path), -1);
    EXPECT_FALSE(fa.LastError.isEmpty());
    EXPECT_EQ(fa.SaveSnapshot(PatternFormat(4, 4, ctTrueColor), dir.filePath(QStringLiteral("no/such/dir.qvi"))), -1);
    EXPECT_EQ(ReadFileBytes(path), before);
}
