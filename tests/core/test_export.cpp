#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <tuple>
#include <vector>

#include <jpeglib.h>

#include "iconfiles/bmp_codec.h"
#include "iconfiles/file_access.h"
#include "iconfiles/gif_codec.h"
#include "iconfiles/jpeg_codec.h"
#include "support/bitmap_checks.h"
#include "support/format_helpers.h"
#include "support/test_support.h"

TEST(Export, BmpIsFlattenedOnWhiteWithoutDarkening)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.bmp"));
    TIconImageRec f = SolidFormat(3, 2, ctTrueAlpha, 0xFFFFFF, 0);
    f.Mask->SetPixel(0, 0, 0xFFFFFF);                 // fully transparent
    f.Bitmap->SetPixel(1, 0, MakeColor(200, 100, 0)); // opaque colour stays as it is
    f.Bitmap->SetPixel(2, 0, MakeColor(255, 0, 0));
    f.Mask->SetPixel(2, 0, GreyColor(128));           // half over white
    TIconFileAccess fa;
    ASSERT_EQ(fa.ExportImage(path, f), 0) << fa.LastError.toStdString();
    const QByteArray data = ReadFileBytes(path);
    ASSERT_EQ(size_t(data.size()), Bmp24FileSize(3, 2));
    ByteReader r(data);
    Bitmap24 back;
    ASSERT_TRUE(ReadBmp24(r, back, 256));
    EXPECT_TRUE(PixelsAre(back, {{0, 0, 0xFFFFFF}, {0, 1, 0xFFFFFF}, {1, 0, MakeColor(200, 100, 0)}, {2, 0, MakeColor(255, 128, 128)}}));
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
    TIconImageRec mono = SolidFormat(2, 2, ctColors2, 0, 0);
    mono.Bitmap->SetPixel(1, 0, MakeColor(1, 0, 0));
    mono.Mask->SetPixel(0, 1, 0xFFFFFF);
    TIconFileAccess fa;
    ASSERT_EQ(fa.ExportImage(path, mono), 0);
    QImage q = QImage(path).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(q.size(), QSize(2, 2));
    EXPECT_EQ(q.pixel(0, 0), qRgba(0, 0, 0, 255));
    EXPECT_EQ(q.pixel(1, 0), qRgba(255, 255, 255, 255));
    EXPECT_EQ(qAlpha(q.pixel(0, 1)), 0);
    ASSERT_EQ(fa.ExportImage(path, SolidFormat(1, 1, ctTrueAlpha, MakeColor(10, 20, 30), 55)), 0);
    EXPECT_EQ(QImage(path).convertToFormat(QImage::Format_ARGB32).pixel(0, 0), qRgba(10, 20, 30, 200));
}

TEST(Export, GifUsesTheFixedPaletteAndJpegIsBaselineAtQualityNinety)
{
    EXPECT_EQ(GifLevel(200), 3);
    QTemporaryDir dir;
    const QString gif = dir.filePath(QStringLiteral("a.gif"));
    TIconImageRec f = SolidFormat(2, 1, ctTrueColor, MakeColor(100, 150, 200), 0);
    f.Bitmap->SetPixel(1, 0, MakeColor(25, 26, 48));
    TIconFileAccess fa;
    ASSERT_EQ(fa.ExportImage(gif, f), 0);
    const QImage q(gif);
    ASSERT_EQ(q.size(), QSize(2, 1));
    EXPECT_EQ(q.pixel(0, 0), qRgb(102, 153, 153));
    EXPECT_EQ(q.pixel(1, 0), qRgb(0, 0, 51));
    EXPECT_EQ(ReadFileBytes(gif).left(3), QByteArray("GIF"));

    const QString jpeg = dir.filePath(QStringLiteral("photo.JPG"));
    ASSERT_EQ(fa.ExportImage(jpeg, SolidFormat(16, 16, ctColors16, MakeColor(9, 0, 0), 0)), 0); // palette red
    const QByteArray data = ReadFileBytes(jpeg);
    EXPECT_EQ(data.left(2), QByteArray("\xFF\xD8"));
    EXPECT_TRUE(data.contains(QByteArray("\xFF\xC0", 2)));  // baseline frame
    EXPECT_FALSE(data.contains(QByteArray("\xFF\xC2", 2))); // no progressive frame
    // Quality 90 scales the standard luminance table to 20 %: its first step 16 becomes 3.
    const int dqt = int(data.indexOf(QByteArray("\xFF\xDB", 2)));
    ASSERT_GE(dqt, 0);
    EXPECT_EQ(uint8_t(data[dqt + 5]), 3);
    QImageReader reader(jpeg);
    EXPECT_EQ(reader.format(), QByteArray("jpeg"));
    const QImage photo = reader.read();
    ASSERT_EQ(photo.size(), QSize(16, 16));
    EXPECT_GE(qRed(photo.pixel(8, 8)), 250);
    EXPECT_LE(qGreen(photo.pixel(8, 8)), 5);
}

TEST(Export, UnknownExtensionsAndFailuresWriteNothing)
{
    QTemporaryDir dir;
    TIconFileAccess fa;
    const TIconImageRec f = SolidFormat(2, 2, ctTrueColor, 0, 0);
    for (const char* name : {"a.jpeg", "a.ico", "a", "a.bmp.txt"}) {
        const QString path = dir.filePath(QLatin1String(name));
        EXPECT_EQ(fa.ExportImage(path, f), -1) << name;
        EXPECT_EQ(fa.LastError, QStringLiteral("Unknown error"));
        EXPECT_FALSE(QFile::exists(path));
    }
    const QString path = dir.filePath(QStringLiteral("keep.png"));
    ASSERT_EQ(fa.ExportImage(path, f), 0);
    const QByteArray before = ReadFileBytes(path);
    TIconImageRec broken = f.Clone();
    broken.Mask.reset();
    EXPECT_EQ(fa.ExportImage(path, broken), -1);
    EXPECT_FALSE(fa.LastError.isEmpty());
    EXPECT_EQ(ReadFileBytes(path), before);
    // A folder in the way of the file: the failure is reported.
    EXPECT_EQ(fa.ExportImage(dir.filePath(QStringLiteral("no/such.bmp")), f), -1);
    EXPECT_NE(fa.LastError, QStringLiteral("Unknown error"));
}

// A JPEG as libjpeg itself writes it, each row filled by `row`; with an Adobe marker or without.
std::vector<uint8_t> LibjpegFile(int width, int height, J_COLOR_SPACE space, int components, int quality, bool adobe,
                                 const std::function<void(int y, uint8_t* row)>& row)
{
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = components;
    cinfo.in_color_space = space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_colorspace(&cinfo, space == JCS_RGB ? JCS_YCbCr : space);
    cinfo.write_Adobe_marker = adobe;
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uint8_t> line(size_t(width) * size_t(components));
    while (cinfo.next_scanline < cinfo.image_height) {
        row(int(cinfo.next_scanline), line.data());
        JSAMPROW rows[1] = {line.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

TEST(Export, JpegBytesAreThoseOfRedGreenBlueRowsAtQualityNinety)
{
    // The yardstick: libjpeg given plain red, green, blue rows with the same settings. Our rows
    // are blue, green, red and may be handed over as they are; the file must not change by a byte.
    const Bitmap24 picture = NoiseBitmap(53, 21, 8);
    std::vector<uint8_t> ours;
    ASSERT_TRUE(EncodeJpeg(picture, 90, ours));

    const std::vector<uint8_t> reference = LibjpegFile(53, 21, JCS_RGB, 3, 90, false, [&](int y, uint8_t* rgb) {
        const uint8_t* bgr = picture.Row(y);
        for (int x = 0; x < 53; ++x) {
            rgb[size_t(x) * 3] = bgr[x * 3 + 2];
            rgb[size_t(x) * 3 + 1] = bgr[x * 3 + 1];
            rgb[size_t(x) * 3 + 2] = bgr[x * 3];
        }
    });
    EXPECT_TRUE(ours == reference);
}

TEST(JpegRead, PrintPicturesInInksReadAsTheirColours)
{
    // Red on the left, blue on the right, in inks: with an Adobe marker stored inverted (255 for
    // no ink) as Photoshop writes them, without one stored plainly.
    for (const bool adobe : {true, false}) {
        SCOPED_TRACE(adobe);
        const std::vector<uint8_t> file = LibjpegFile(16, 8, JCS_CMYK, 4, 100, adobe, [&](int, uint8_t* row) {
            for (int x = 0; x < 16; ++x) {
                const uint8_t ink[4] = {uint8_t(x < 8 ? 0 : 255), 255, uint8_t(x < 8 ? 255 : 0), 0}; // C, M, Y, K
                for (int c = 0; c < 4; ++c) row[x * 4 + c] = adobe ? uint8_t(255 - ink[c]) : ink[c];
            }
        });
        Bitmap24 out;
        int w = 0, h = 0;
        ASSERT_TRUE(DecodeJpegScaled(file.data(), file.size(), 0, 0, 1 << 20, out, w, h));
        ASSERT_EQ(out.Width(), 16);
        for (const auto& [x, r, b] : {std::tuple{2, 255, 0}, std::tuple{13, 0, 255}}) {
            EXPECT_NEAR(int(ColorR(out.Pixel(x, 4))), r, 3) << x;
            EXPECT_NEAR(int(ColorG(out.Pixel(x, 4))), 0, 3) << x;
            EXPECT_NEAR(int(ColorB(out.Pixel(x, 4))), b, 3) << x;
        }
    }
}
