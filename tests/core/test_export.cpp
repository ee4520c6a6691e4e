#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>

#include "core/format_helpers.h"
#include "iconfiles/bmp_codec.h"
#include "iconfiles/file_access.h"
#include "iconfiles/gif_codec.h"

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TIconImageRec Solid(int w, int h, int32_t colorType, TColor colour, int mask)
{
    TIconImageRec f;
    InitIconImage(f, w, h, colorType, -1);
    f.Bitmap->Fill(colour);
    f.Mask->Fill(MakeColor(mask, mask, mask));
    return f;
}

} // namespace

TEST(Export, BmpIsFlattenedOnWhiteWithoutDarkening)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.bmp"));
    TIconImageRec f = Solid(3, 2, ctTrueAlpha, MakeColor(255, 255, 255), 0);
    f.Mask->SetPixel(0, 0, 0xFFFFFF);                         // fully transparent
    f.Bitmap->SetPixel(1, 0, MakeColor(200, 100, 0));         // opaque colour stays as it is
    f.Bitmap->SetPixel(2, 0, MakeColor(255, 0, 0));
    f.Mask->SetPixel(2, 0, MakeColor(128, 128, 128));         // half over white
    TIconFileAccess fa;
    ASSERT_EQ(fa.ExportImage(path, f), 0) << fa.LastError.toStdString();
    const QByteArray data = ReadAll(path);
    ASSERT_EQ(size_t(data.size()), Bmp24FileSize(3, 2));
    ByteReader r(data);
    Bitmap24 back;
    ASSERT_TRUE(ReadBmp24(r, back, 256));
    EXPECT_EQ(back.Pixel(0, 0), 0xFFFFFFu);
    EXPECT_EQ(back.Pixel(0, 1), 0xFFFFFFu);
    EXPECT_EQ(back.Pixel(1, 0), MakeColor(200, 100, 0));
    EXPECT_EQ(back.Pixel(2, 0), MakeColor(255, 128, 128));
    // Other readers agree on the layout.
    const QImage q(path);
    ASSERT_EQ(q.size(), QSize(3, 2));
    EXPECT_EQ(q.pixel(1, 0), qRgb(200, 100, 0));
    EXPECT_EQ(q.pixel(2, 0), qRgb(255, 128, 128));
}

TEST(Export, PngKeepsAlphaAndExpandsPalettes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.PNG"));
    TIconImageRec mono = Solid(2, 2, ctColors2, 0, 0);
    mono.Bitmap->SetPixel(1, 0, MakeColor(1, 0, 0));
    mono.Mask->SetPixel(0, 1, 0xFFFFFF);
    TIconFileAccess fa;
    ASSERT_EQ(fa.ExportImage(path, mono), 0);
    QImage q = QImage(path).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(q.size(), QSize(2, 2));
    EXPECT_EQ(q.pixel(0, 0), qRgba(0, 0, 0, 255));
    EXPECT_EQ(q.pixel(1, 0), qRgba(255, 255, 255, 255));
    EXPECT_EQ(qAlpha(q.pixel(0, 1)), 0);

    TIconImageRec alpha = Solid(1, 1, ctTrueAlpha, MakeColor(10, 20, 30), 55);
    ASSERT_EQ(fa.ExportImage(path, alpha), 0);
    q = QImage(path).convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(q.pixel(0, 0), qRgba(10, 20, 30, 200));
}

TEST(Export, GifUsesTheFixedPalette)
{
    EXPECT_EQ(GifLevel(200), 3);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.gif"));
    TIconImageRec f = Solid(2, 1, ctTrueColor, MakeColor(100, 150, 200), 0);
    f.Bitmap->SetPixel(1, 0, MakeColor(25, 26, 48));
    TIconFileAccess fa;
    ASSERT_EQ(fa.ExportImage(path, f), 0);
    const QImage q(path);
    ASSERT_EQ(q.size(), QSize(2, 1));
    EXPECT_EQ(q.pixel(0, 0), qRgb(102, 153, 153));
    EXPECT_EQ(q.pixel(1, 0), qRgb(0, 0, 51));
    EXPECT_EQ(ReadAll(path).left(3), QByteArray("GIF"));
}

TEST(Export, JpegIsBaselineAtQualityNinety)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("photo.JPG"));
    TIconImageRec f = Solid(16, 16, ctColors16, MakeColor(9, 0, 0), 0); // palette red
    TIconFileAccess fa;
    ASSERT_EQ(fa.ExportImage(path, f), 0);
    const QByteArray data = ReadAll(path);
    EXPECT_EQ(data.left(2), QByteArray("\xFF\xD8"));
    EXPECT_TRUE(data.contains(QByteArray("\xFF\xC0", 2)));  // baseline frame
    EXPECT_FALSE(data.contains(QByteArray("\xFF\xC2", 2))); // no progressive frame
    // Quality 90 scales the standard luminance table to 20 %: its first step 16 becomes 3.
    const int dqt = int(data.indexOf(QByteArray("\xFF\xDB", 2)));
    ASSERT_GE(dqt, 0);
    EXPECT_EQ(uint8_t(data[dqt + 5]), 3);
    QImageReader reader(path);
    EXPECT_EQ(reader.format(), QByteArray("jpeg"));
    const QImage q = reader.read();
    ASSERT_EQ(q.size(), QSize(16, 16));
    EXPECT_GE(qRed(q.pixel(8, 8)), 250);
    EXPECT_LE(qGreen(q.pixel(8, 8)), 5);
}

TEST(Export, UnknownExtensionsAndFailuresWriteNothing)
{
    QTemporaryDir dir;
    TIconFileAccess fa;
    const TIconImageRec f = Solid(2, 2, ctTrueColor, 0, 0);
    for (const char* name : {"a.jpeg", "a.ico", "a", "a.bmp.txt"}) {
        const QString path = dir.filePath(QLatin1String(name));
        EXPECT_EQ(fa.ExportImage(path, f), -1) << name;
        EXPECT_EQ(fa.LastError, QStringLiteral("Unknown error"));
        EXPECT_FALSE(QFile::exists(path));
    }
    const QString path = dir.filePath(QStringLiteral("keep.png"));
    ASSERT_EQ(fa.ExportImage(path, f), 0);
    const QByteArray before = ReadAll(path);
    TIconImageRec broken = Solid(2, 2, ctTrueColor, 0, 0);
    broken.Mask.reset();
    EXPECT_EQ(fa.ExportImage(path, broken), -1);
    EXPECT_FALSE(fa.LastError.isEmpty());
    EXPECT_EQ(ReadAll(path), before);
    // A folder in the way of the file: the failure is reported.
    EXPECT_EQ(fa.ExportImage(dir.filePath(QStringLiteral("no/such.bmp")), f), -1);
    EXPECT_NE(fa.LastError, QStringLiteral("Unknown error"));
}
