#include "iconfiles/qv_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include "iconfiles/bmp_codec.h"
#include "iconfiles/file_access.h"
#include "iconfiles/png_codec.h"
#include "platform/small_routines.h"
#include "imaging/compositing.h"
#include "imaging/imaging_state.h"
#include "platform/bytes.h"

namespace {

QClipboard* SystemClipboard() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::clipboard() : nullptr; }

// A plain picture larger than this is not taken (it would not fit the working bitmaps anyway).
constexpr int64_t MaxPlainPixels = int64_t(64) << 20;

} // namespace

TQVClipboard::TQVClipboard() : Bitmap(std::make_unique<Bitmap24>(1, 1)), Mask(std::make_unique<Bitmap24>(1, 1)) {}

QString TQVClipboard::PlainPngMimeType() { return QStringLiteral("image/png"); }

QString TQVClipboard::PrivateMimeType() { return QStringLiteral("application/x-qt-windows-mime;value=\"CF_TAVRIN\""); }

void TQVClipboard::RenderSelection(const TIconImageRec& format, const Bitmap24& selection, Bitmap24& colour,
                                   Bitmap24& maskOut, Bitmap24& composite, Rect rect)
{
    NormalizeRect(rect);
    const int w = format.Bitmap ? std::min(format.Width, format.Bitmap->Width()) : 0;
    const int h = format.Bitmap ? std::min(format.Height, format.Bitmap->Height()) : 0;
    ClipRectToBounds(rect, w, h);
    if (rect.IsEmpty() || !format.Mask) {
        colour.SetSize(0, 0);
        maskOut.SetSize(0, 0);
        composite.SetSize(0, 0);
        return;
    }
    const TPalette* palette = IsPaletteColorType(format.ColorType) ? &format.Palette : nullptr;
    colour.SetSize(rect.Width(), rect.Height());
    maskOut.SetSize(rect.Width(), rect.Height());
    composite.SetSize(rect.Width(), rect.Height());
    // Composite the whole rectangle in place, then move it to the output's origin.
    Bitmap24 laid(w, h);
    CompositeOnColor(*format.Bitmap, *format.Mask, palette, laid, Imaging().BackgroundColor, rect);
    for (int y = rect.Top; y < rect.Bottom; ++y) {
        const int oy = y - rect.Top;
        for (int x = rect.Left; x < rect.Right; ++x) {
            const int ox = x - rect.Left;
            if (selection.Byte0(x, y) != 255) {
                colour.SetPixel(ox, oy, 0xFFFFFF);
                maskOut.SetPixel(ox, oy, 0xFFFFFF);
                composite.SetPixel(ox, oy, 0xFFFFFF);
                continue;
            }
            const int m = format.Mask->Byte0(x, y);
            colour.SetPixel(ox, oy, PaletteColor(format.Bitmap->Pixel(x, y), palette));
            maskOut.SetPixel(ox, oy, MakeColor(m, m, m));
            composite.SetPixel(ox, oy, laid.Pixel(x, y));
        }
    }
}

void TQVClipboard::CopySelection(const TIconImageRec& format, const Bitmap24& selection, Rect rect)
{
    Bitmap24 colour;
    Bitmap24 maskOut;
    Bitmap24 composite;
    RenderSelection(format, selection, colour, maskOut, composite, rect);
    QClipboard* clipboard = SystemClipboard();
    if (colour.IsEmpty() || !clipboard) return;
    auto* data = new QMimeData;
    data->setData(PrivateMimeType(), BuildBlock(colour, maskOut));
    data->setImageData(composite.ToQImage(QImage::Format_RGB32));
    // Programs that take PNG get the selected pixels' own colours with their transparency as
    // alpha (unselected pixels fully transparent); the other picture types keep the composite.
    std::vector<uint8_t> png;
    if (EncodePngRgba(colour, maskOut, false, png))
        data->setData(PlainPngMimeType(), QByteArray(reinterpret_cast<const char*>(png.data()), qsizetype(png.size())));
    clipboard->setMimeData(data);
}

void TQVClipboard::Paste(Bitmap24*& colour, Bitmap24*& maskOut, Rect& rect)
{
    colour = nullptr;
    maskOut = nullptr;
    rect = Rect{};
    QClipboard* clipboard = SystemClipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
    if (!data) return;

    if (data->hasFormat(PrivateMimeType())) {
        Bitmap24 c;
        Bitmap24 m;
        if (ParseBlock(data->data(PrivateMimeType()), c, m)) {
            *Bitmap = std::move(c);
            *Mask = std::move(m);
            colour = Bitmap.get();
            maskOut = Mask.get();
            rect = SizeRect(Bitmap->Width(), Bitmap->Height());
            return;
        }
    }
    if (!data->hasImage()) return;
    const QImage image = qvariant_cast<QImage>(data->imageData());
    if (image.isNull() || image.width() > Bitmap24::MaxSide || image.height() > Bitmap24::MaxSide ||
        int64_t(image.width()) * image.height() > MaxPlainPixels)
        return;
    Bitmap->FromQImage(image);
    Mask->SetSize(Bitmap->Width(), Bitmap->Height());
    Mask->Fill(0);
    if (image.hasAlphaChannel()) {
        const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < argb.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
            uint8_t* m = Mask->Row(y);
            for (int x = 0; x < argb.width(); ++x, m += 3) m[0] = m[1] = m[2] = uint8_t(255 - qAlpha(line[x]));
        }
    }
    colour = Bitmap.get();
    maskOut = Mask.get();
    rect = SizeRect(Bitmap->Width(), Bitmap->Height());
}

bool TQVClipboard::HasPicture()
{
    QClipboard* clipboard = SystemClipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
    return data && (data->hasFormat(PrivateMimeType()) || data->hasImage());
}

QByteArray TQVClipboard::BuildBlock(const Bitmap24& colour, const Bitmap24& mask)
{
    ByteWriter out;
    WriteBmp24(out, colour);
    WriteBmp24(out, mask);
    return out.ToByteArray();
}

bool TQVClipboard::ParseBlock(const QByteArray& block, Bitmap24& colour, Bitmap24& mask)
{
    const ByteReader all(block);
    const uint64_t half = all.Size() / 2;
    ByteReader first = all.Sub(0, half);
    ByteReader second = all.Sub(half, all.Size() - half);
    Bitmap24 c;
    Bitmap24 m;
    if (!ReadBmp24(first, c, MaxIconSide) || !ReadBmp24(second, m, MaxIconSide)) return false;
    if (c.Width() != m.Width() || c.Height() != m.Height()) return false;
    colour = std::move(c);
    mask = std::move(m);
    return true;
}
