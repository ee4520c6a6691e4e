// Turns one file into the picture a picture dialog previews. Every reader here is bounded in time
// and memory, because the dialog calls it on whatever the user happens to arrow over.
#include "workspace/dialogs/picture_dialog_preview.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>

#include "iconfiles/file_access.h"
#include "iconfiles/jpeg_codec.h"
#include "iconfiles/png_codec.h"
#include "platform/save_file.h"
#include "imaging/compositing.h"
#include "imaging/icon_image.h"

namespace {

// The integer step that shrinks a W x H picture as far as it can while still covering the box.
int CoverStep(int width, int height, int boxWidth, int boxHeight)
{
    if (boxWidth <= 0 || boxHeight <= 0) return 1;
    return std::max(1, std::min(width / boxWidth, height / boxHeight));
}

// A colour channel with alpha a laid over the ground g (the program's one compositing rule, with
// the mask as 255 - alpha).
inline uint8_t Over(int c, int a, int g) { return uint8_t((c * a + g * (255 - a) + 127) / 255); }

// A regular file of a size worth previewing, opened without ever blocking.
bool OpenPreviewFile(const QString& fileName, QFile& file)
{
    return OpenRegularFile(fileName, file) && file.size() > 0 && file.size() <= MaxPreviewFileBytes;
}

bool ReadPreviewFile(const QString& fileName, QByteArray& data)
{
    QFile file;
    if (!OpenPreviewFile(fileName, file)) return false;
    data = file.read(MaxPreviewFileBytes);
    return file.error() == QFileDevice::NoError && !data.isEmpty();
}

// Keeps every step-th row and column of the decoded PNG, composited over the ground as it arrives,
// so the whole picture is never held.
class PreviewPngSink : public PngRowSink {
public:
    PreviewPngSink(int boxWidth, int boxHeight, TColor ground) : boxW_(boxWidth), boxH_(boxHeight), ground_(ground) {}

    void Begin(const PngInfo& info) override
    {
        width = info.Width;
        height = info.Height;
        step_ = CoverStep(width, height, boxW_, boxH_);
        picture.SetSize((width + step_ - 1) / step_, (height + step_ - 1) / step_);
    }

    void Row(int y, const uint8_t* px) override
    {
        if (y % step_ != 0) return;
        const int ty = y / step_;
        if (ty >= picture.Height()) return;
        uint8_t* dst = picture.Row(ty);
        const int gr = ColorR(ground_), gg = ColorG(ground_), gb = ColorB(ground_);
        for (int tx = 0; tx < picture.Width(); ++tx, dst += 3) {
            const uint8_t* s = px + size_t(tx) * size_t(step_) * 4;
            dst[0] = Over(s[2], s[3], gb);
            dst[1] = Over(s[1], s[3], gg);
            dst[2] = Over(s[0], s[3], gr);
        }
    }

    int width = 0;
    int height = 0;
    Bitmap24 picture;

private:
    int boxW_;
    int boxH_;
    TColor ground_;
    int step_ = 1;
};

// The size a PNG declares in its header, read before libpng is asked for anything.
bool PngHeaderSize(const QByteArray& data, int& width, int& height)
{
    const auto* d = reinterpret_cast<const uint8_t*>(data.constData());
    if (!HasPngSignature(d, size_t(data.size())) || data.size() < 24) return false;
    auto be32 = [d](int at) {
        return (uint32_t(d[at]) << 24) | (uint32_t(d[at + 1]) << 16) | (uint32_t(d[at + 2]) << 8) | uint32_t(d[at + 3]);
    };
    const uint32_t w = be32(16), h = be32(20);
    if (w == 0 || h == 0 || w > uint32_t(Bitmap24::MaxSide) || h > uint32_t(Bitmap24::MaxSide)) return false;
    width = int(w);
    height = int(h);
    return true;
}

bool LoadPng(const QString& fileName, int boxWidth, int boxHeight, TColor ground, TPicturePreview& out)
{
    QByteArray data;
    if (!ReadPreviewFile(fileName, data)) return false;
    int w = 0, h = 0;
    if (!PngHeaderSize(data, w, h) || int64_t(w) * h > MaxPreviewWholePixels) return false;
    PreviewPngSink sink(boxWidth, boxHeight, ground);
    if (!DecodePng(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()), false, Bitmap24::MaxSide, sink))
        return false;
    out.Width = sink.width;
    out.Height = sink.height;
    out.Picture = std::move(sink.picture);
    return true;
}

bool LoadJpeg(const QString& fileName, int boxWidth, int boxHeight, TPicturePreview& out)
{
    QByteArray data;
    if (!ReadPreviewFile(fileName, data)) return false;
    return DecodeJpegScaled(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()), boxWidth,
                            boxHeight, MaxPreviewPicturePixels, out.Picture, out.Width, out.Height);
}

// BMP and GIF (its first frame) through Qt's readers, which learn the size from the header first.
bool LoadWithQt(const QString& fileName, const char* format, int boxWidth, int boxHeight, TColor ground,
                TPicturePreview& out)
{
    QFile file;
    if (!OpenPreviewFile(fileName, file)) return false;
    QImageReader reader(&file, format);
    // A top-down BMP states its height as negative, and the reader reports it as stated.
    const QSize size = reader.size();
    const int64_t w = std::llabs(size.width()), h = std::llabs(size.height());
    if (w < 1 || h < 1 || w * h > MaxPreviewWholePixels) return false;
    QImage image;
    if (!reader.read(&image) || image.isNull()) return false;
    image = image.convertToFormat(QImage::Format_ARGB32);
    const int step = CoverStep(image.width(), image.height(), boxWidth, boxHeight);
    Bitmap24 picture((image.width() + step - 1) / step, (image.height() + step - 1) / step);
    const int gr = ColorR(ground), gg = ColorG(ground), gb = ColorB(ground);
    for (int ty = 0; ty < picture.Height(); ++ty) {
        const auto* src = reinterpret_cast<const QRgb*>(image.constScanLine(ty * step));
        uint8_t* dst = picture.Row(ty);
        for (int tx = 0; tx < picture.Width(); ++tx, dst += 3) {
            const QRgb p = src[tx * step];
            dst[0] = Over(qBlue(p), qAlpha(p), gb);
            dst[1] = Over(qGreen(p), qAlpha(p), gg);
            dst[2] = Over(qRed(p), qAlpha(p), gr);
        }
    }
    out.Width = image.width();
    out.Height = image.height();
    out.Picture = std::move(picture);
    return true;
}

// Every format of the icon, one under the other in file order, each at its own size. The reader
// already keeps each format within 256 pixels and the file's total within its pixel budget; the
// stack stops growing at MaxIconPreviewHeight, so a file of thousands of tiny formats stays small.
void LoadIcon(const QString& fileName, TColor ground, TPicturePreview& out)
{
    TIconImageArray formats;
    TIconFileAccess access;
    // An unreadable icon previews as an empty picture. Only the blocks the directory points at
    // are read, so a huge file costs what its images do.
    QFile file;
    if (OpenPreviewFile(fileName, file)) access.LoadIconOpenFile(file, formats);
    int width = 0, height = 0, count = 0;
    for (int i = 0; i < formats.Count(); ++i) {
        const TIconImageRec& f = formats[i];
        if (f.Width <= 0 || f.Height <= 0 || !f.Bitmap || !f.Mask) continue;
        if (height + f.Height > MaxIconPreviewHeight) break;
        width = std::max(width, int(f.Width));
        height += f.Height;
        ++count;
    }
    out.Width = width;
    out.Height = height;
    if (width <= 0 || height <= 0) return;
    out.Picture.SetSize(width, height);
    int y = 0;
    for (int i = 0; i < formats.Count() && count > 0; ++i) {
        TIconImageRec& f = formats[i];
        if (f.Width <= 0 || f.Height <= 0 || !f.Bitmap || !f.Mask) continue;
        DrawIconImage(out.Picture, MakeRect(0, y, f.Width, y + f.Height), ground, f);
        y += f.Height;
        --count;
        // Each format's bitmaps go as soon as they are drawn.
        f.Bitmap.reset();
        f.Mask.reset();
    }
}

} // namespace

bool IsPreviewableFile(const QString& fileName)
{
    if (fileName.isEmpty()) return false;
    const QFileInfo info(fileName);
    return info.exists() && info.isFile() && info.size() > 0;
}

TPicturePreview LoadPicturePreview(const QString& fileName, int boxWidth, int boxHeight, TColor background)
{
    TPicturePreview out;
    if (!IsPreviewableFile(fileName)) return out;
    const QString ext = QFileInfo(fileName).suffix().toUpper();
    try {
        bool ok = false;
        if (ext == QLatin1String("JPG") || ext == QLatin1String("JPEG"))
            ok = LoadJpeg(fileName, boxWidth, boxHeight, out);
        else if (ext == QLatin1String("BMP"))
            ok = LoadWithQt(fileName, "bmp", boxWidth, boxHeight, background, out);
        else if (ext == QLatin1String("PNG"))
            ok = LoadPng(fileName, boxWidth, boxHeight, background, out);
        else if (ext == QLatin1String("GIF"))
            ok = LoadWithQt(fileName, "gif", boxWidth, boxHeight, background, out);
        else if (ext == QLatin1String("ICO")) {
            LoadIcon(fileName, background, out);
            ok = true;
        }
        out.Ok = ok;
    } catch (const std::exception&) {
        out.Ok = false; // an allocation that failed counts as an unreadable picture
    }
    if (!out.Ok) out = TPicturePreview{};
    return out;
}
