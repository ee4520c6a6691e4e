// Single-format export: one image format written as an ordinary picture.
#include "iconfiles/file_access.h"

#include <QFileInfo>

#include "iconfiles/bmp_codec.h"
#include "iconfiles/gif_codec.h"
#include "iconfiles/jpeg_codec.h"
#include "iconfiles/png_codec.h"
#include "imaging/compositing.h"

namespace {

const QString TextEncodeError = QStringLiteral("The picture could not be encoded.");
const QString TextNoImage = QStringLiteral("The image has no pixels to export.");

bool HasPixels(const TIconImageRec& f)
{
    return f.Bitmap && f.Mask && !f.Bitmap->IsEmpty() && f.Mask->Width() == f.Bitmap->Width() &&
           f.Mask->Height() == f.Bitmap->Height();
}

QByteArray ToBytes(const std::vector<uint8_t>& v)
{
    return QByteArray(reinterpret_cast<const char*>(v.data()), qsizetype(v.size()));
}

} // namespace

int32_t TIconFileAccess::ExportImage(const QString& fileName, const TIconImageRec& format)
{
    LastError = QStringLiteral("Unknown error");
    const QString ext = QFileInfo(fileName).suffix().toLower();
    if (ext == QLatin1String("bmp")) return ExportBmp(fileName, format);
    if (ext == QLatin1String("jpg")) return ExportJpeg(fileName, format);
    if (ext == QLatin1String("png")) return ExportPng(fileName, format);
    if (ext == QLatin1String("gif")) return ExportGif(fileName, format);
    return -1;
}

void TIconFileAccess::FlattenOnWhite(const TIconImageRec& format, Bitmap24& target)
{
    if (!HasPixels(format)) {
        target.SetSize(0, 0);
        return;
    }
    const TPalette* palette = IsPaletteColorType(format.ColorType) ? &format.Palette : nullptr;
    // Every pixel is written next: the mask has the bitmap's size.
    target = Bitmap24(format.Bitmap->Width(), format.Bitmap->Height(), Bitmap24::UnsetPixels{});
    CompositeOnColor(*format.Bitmap, *format.Mask, palette, target, 0xFFFFFF, target.Bounds());
}

int32_t TIconFileAccess::ExportFlattened(const QString& fileName, const TIconImageRec& format,
                                         bool (*encode)(const Bitmap24&, std::vector<uint8_t>&))
{
    if (!HasPixels(format)) {
        LastError = TextNoImage;
        return -1;
    }
    Bitmap24 flat;
    FlattenOnWhite(format, flat);
    std::vector<uint8_t> bytes;
    if (!encode(flat, bytes)) {
        LastError = TextEncodeError;
        return -1;
    }
    return SaveBytes(fileName, ToBytes(bytes));
}

int32_t TIconFileAccess::ExportBmp(const QString& fileName, const TIconImageRec& format)
{
    return ExportFlattened(fileName, format, [](const Bitmap24& flat, std::vector<uint8_t>& out) {
        ByteWriter bmp;
        WriteBmp24(bmp, flat);
        out.swap(bmp.Buffer());
        return true;
    });
}

int32_t TIconFileAccess::ExportJpeg(const QString& fileName, const TIconImageRec& format)
{
    return ExportFlattened(fileName, format,
                           [](const Bitmap24& flat, std::vector<uint8_t>& out) { return EncodeJpeg(flat, 90, out); });
}

int32_t TIconFileAccess::ExportGif(const QString& fileName, const TIconImageRec& format)
{
    return ExportFlattened(fileName, format, EncodeGif216);
}

int32_t TIconFileAccess::ExportPng(const QString& fileName, const TIconImageRec& format)
{
    if (!HasPixels(format)) {
        LastError = TextNoImage;
        return -1;
    }
    ByteWriter out;
    if (WritePngImage(out, format) != 0) {
        LastError = TextEncodeError;
        return -1;
    }
    return SaveBytes(fileName, out.ToByteArray());
}
