// Reading pictures for photo to icon; see picture_file.h.
#include "iconfiles/picture_file.h"

#include <cstdlib>
#include <new>
#include <vector>

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPainter>

#include "iconfiles/file_access.h"
#include "iconfiles/gif_codec.h"
#include "iconfiles/jpeg_codec.h"
#include "iconfiles/png_codec.h"
#include "platform/save_file.h"

namespace PictureFile {

namespace {

QString UpperExtension(const QString& path) { return QFileInfo(path).suffix().toUpper(); }

// Compressed files are small next to what they decode to; a file larger than this is refused
// before it is read.
constexpr qint64 MaxFileBytes = 512LL * 1024 * 1024;

bool ReadWholeFile(const QString& path, std::vector<uint8_t>& bytes)
{
    QFile file;
    if (!OpenRegularFile(path, file)) return false;
    const qint64 size = file.size();
    if (size <= 0 || size > MaxFileBytes) return false;
    try {
        bytes.resize(size_t(size));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return file.read(reinterpret_cast<char*>(bytes.data()), qint64(bytes.size())) == qint64(bytes.size());
}

// Lays each decoded RGBA row over white into the bitmap.
class PictureSink : public PngRowSink {
public:
    explicit PictureSink(Bitmap24& out) : out_(out) {}
    void Begin(const PngInfo& info) override
    {
        out_ = Bitmap24(info.Width, info.Height, Bitmap24::UnsetPixels{});
    }
    void Row(int y, const uint8_t* p) override
    {
        if (y < 0 || y >= out_.Height()) return;
        uint8_t* d = out_.Row(y);
        for (int x = 0; x < out_.Width(); ++x, p += 4, d += 3) {
            const int a = p[3];
            d[0] = uint8_t((p[2] * a + 255 * (255 - a) + 127) / 255);
            d[1] = uint8_t((p[1] * a + 255 * (255 - a) + 127) / 255);
            d[2] = uint8_t((p[0] * a + 255 * (255 - a) + 127) / 255);
        }
    }

private:
    Bitmap24& out_;
};

// The size in the header chunk, which a valid stream has first, so that an oversized picture is
// refused before the decoder allocates its rows.
bool PngWithinBounds(const std::vector<uint8_t>& bytes)
{
    if (bytes.size() < 24 || !HasPngSignature(bytes.data(), bytes.size())) return false;
    const auto be32 = [&](size_t at) {
        return (uint32_t(bytes[at]) << 24) | (uint32_t(bytes[at + 1]) << 16) | (uint32_t(bytes[at + 2]) << 8) |
               uint32_t(bytes[at + 3]);
    };
    const long long w = be32(16), h = be32(20);
    return w >= 1 && h >= 1 && w <= MaxSide && h <= MaxSide && w * h <= MaxPixels;
}

bool LoadBmp(const QString& path, Bitmap24& out)
{
    QImage image;
    if (!ReadBmpImage(path, MaxSide, MaxPixels, image)) return false;
    if (image.hasAlphaChannel()) {
        // Transparent pixels are laid over white, as the other kinds of picture are.
        QImage flat(image.size(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        QPainter(&flat).drawImage(0, 0, image);
        image = flat;
    }
    out.FromQImage(image);
    return true;
}

} // namespace

bool ReadBmpImage(const QString& path, int maxSide, long long maxPixels, QImage& image)
{
    QFile file;
    if (!OpenRegularFile(path, file)) return false;
    QImageReader reader(&file, "bmp");
    // A top-down BMP states its height as negative, and the reader reports it as stated.
    const QSize size = reader.size();
    const long long w = std::llabs(size.width()), h = std::llabs(size.height());
    if (w < 1 || h < 1 || w > maxSide || h > maxSide || w * h > maxPixels) return false;
    QImage read;
    if (!reader.read(&read) || read.isNull()) return false;
    // The pixels decoded must be the size that was checked, whatever the header said.
    if (read.width() > maxSide || read.height() > maxSide || (long long)read.width() * read.height() > maxPixels)
        return false;
    image = std::move(read);
    return true;
}

bool IsPictureExtension(const QString& path)
{
    const QString ext = UpperExtension(path);
    return ext == QLatin1String("BMP") || ext == QLatin1String("JPG") || ext == QLatin1String("JPEG") ||
           ext == QLatin1String("PNG") || ext == QLatin1String("GIF");
}

bool LoadPicture(const QString& path, Bitmap24& out)
{
    const QString ext = UpperExtension(path);
    try {
        if (ext == QLatin1String("BMP")) return LoadBmp(path, out);
        if (!IsPictureExtension(path)) return false;
        std::vector<uint8_t> bytes;
        if (!ReadWholeFile(path, bytes)) return false;
        Bitmap24 result;
        bool ok = false;
        if (ext == QLatin1String("PNG")) {
            PictureSink sink(result);
            ok = PngWithinBounds(bytes) && DecodePng(bytes.data(), bytes.size(), false, MaxSide, sink);
        } else if (ext == QLatin1String("GIF")) {
            ok = DecodeGifFirstFrame(bytes.data(), bytes.size(), result, MaxPixels);
        } else {
            int fullWidth = 0, fullHeight = 0;
            ok = DecodeJpegScaled(bytes.data(), bytes.size(), 0, 0, MaxPixels, result, fullWidth, fullHeight);
        }
        if (!ok || result.IsEmpty()) return false;
        out = std::move(result);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

} // namespace PictureFile
