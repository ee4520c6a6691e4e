#include "model/document_model.h"

#include "imaging/row_sums.h"

#include <QFileInfo>

#include "iconfiles/file_access.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/small_routines.h"
#include "platform/color.h"

QString DepthLabel(int32_t colorType)
{
    switch (colorType) {
    case ctColors2: return QStringLiteral("1 ");
    case ctColors16: return QStringLiteral("4 ");
    case ctColors256: return QStringLiteral("8 ");
    case ctTrueColor: return QStringLiteral("24");
    default: return QStringLiteral("32");
    }
}

QString DepthBits(int32_t colorType) { return QString::number(ColorTypeToBits(colorType)); }

TDocumentModel::TDocumentModel() : Points(MaxPoints) {}

QString TDocumentModel::Caption() const
{
    QString caption = LibIconName.isEmpty() ? FileName : QStringLiteral("%1 in %2 library").arg(LibIconName, LibName);
    if (Modified == 1) caption += QStringLiteral(" *");
    return caption;
}

void TDocumentModel::SetFilePath(const QString& path)
{
    const QFileInfo info(path);
    Folder = info.absolutePath() + QLatin1Char('/');
    FileName = info.fileName();
}

bool TDocumentModel::SaveIconTo(const QString& path, QString& error)
{
    TIconFileAccess access;
    if (access.SaveIconFile(path, Images) != 0) {
        error = access.LastError;
        return false;
    }
    SetFilePath(path);
    SetModified(false);
    return true;
}

bool TDocumentModel::SetModified(bool modified)
{
    const uint8_t value = modified ? 1 : 0;
    if (Modified == value) return false;
    Modified = value;
    return true;
}

namespace {

// A source bitmap is taken only when it covers the whole format.
bool Covers(const Bitmap24* bitmap, int width, int height)
{
    return bitmap && bitmap->Width() >= width && bitmap->Height() >= height;
}

// The format's own bitmap, with the record's pixels where they cover the format: those rows are
// copied into a bitmap that is not whitened first; otherwise a new white one.
std::unique_ptr<Bitmap24> CopiedBitmap(const Bitmap24* src, int width, int height)
{
    if (!Covers(src, width, height)) return NewBitmap24(width, height);
    auto dst = std::make_unique<Bitmap24>(width, height, Bitmap24::UnsetPixels{});
    const size_t bytes = size_t(dst->Width()) * 3;
    for (int y = 0; y < dst->Height(); ++y) std::memcpy(dst->Row(y), src->Row(y), bytes);
    return dst;
}

// A record's bitmap of exactly the format's size is what a copy would hold: it is taken over.
std::unique_ptr<Bitmap24> TakenBitmap(std::unique_ptr<Bitmap24>& src, int width, int height)
{
    if (src && src->Width() == width && src->Height() == height) return std::move(src);
    return CopiedBitmap(src.get(), width, height);
}

// Everything but the pixels, as a new format takes it from a record.
TIconImageRec& AddFormatFields(TIconImageArray& images, const TIconImageRec& rec)
{
    TIconImageRec& f = images.Add();
    f.Width = rec.Width;
    f.Height = rec.Height;
    f.ColorType = rec.ColorType;
    f.Id = -1;
    f.Palette.palVersion = rec.Palette.palVersion;
    // The record has room for 256 entries in use; a larger count would read past them.
    f.Palette.palNumEntries = std::min<uint16_t>(rec.Palette.palNumEntries, 256);
    std::copy_n(rec.Palette.palPalEntry.begin(), f.Palette.palNumEntries, f.Palette.palPalEntry.begin());
    return f;
}

} // namespace

int TDocumentModel::AppendFormat(const TIconImageRec& rec)
{
    TIconImageRec& f = AddFormatFields(Images, rec);
    f.Bitmap = CopiedBitmap(rec.Bitmap.get(), rec.Width, rec.Height);
    f.Mask = CopiedBitmap(rec.Mask.get(), rec.Width, rec.Height);
    return Images.Count() - 1;
}

int TDocumentModel::AppendFormat(TIconImageRec&& rec)
{
    TIconImageRec& f = AddFormatFields(Images, rec);
    f.Bitmap = TakenBitmap(rec.Bitmap, rec.Width, rec.Height);
    f.Mask = TakenBitmap(rec.Mask, rec.Width, rec.Height);
    return Images.Count() - 1;
}

QString FormatSizeLabel(const TIconImageRec& format, bool paddedDepth)
{
    return QStringLiteral("%1 x %2 : %3")
        .arg(format.Width)
        .arg(format.Height)
        .arg(paddedDepth ? DepthLabel(format.ColorType) : DepthBits(format.ColorType));
}

int FindImageFormat(const TIconImageArray& formats, int32_t width, int32_t height, int32_t colorType)
{
    for (int i = 0; i < formats.Count(); ++i) {
        const TIconImageRec& f = formats[i];
        if (f.Width == width && f.Height == height && f.ColorType == colorType) return i;
    }
    return -1;
}

QString SwitchFormatQuestion(int32_t width, int32_t height, int32_t colorType)
{
    return QStringLiteral("The image format \"%1x%2 : %3bits\" is alreay exists in this icon. Switch to this format?")
        .arg(width)
        .arg(height)
        .arg(DepthBits(colorType));
}

int TDocumentModel::FindFormat(int32_t width, int32_t height, int32_t colorType) const
{
    return FindImageFormat(Images, width, height, colorType);
}

bool TDocumentModel::RemoveFormat(int index)
{
    if (!Images.IsValidIndex(index)) return false;
    Images.Delete(index);
    if (CurrentIndex >= Images.Count()) CurrentIndex = Images.Count() - 1;
    return true;
}

TCanvasFit TDocumentModel::ComputeFit(int freeWidth, int freeHeight, int imageWidth, int imageHeight)
{
    TCanvasFit fit;
    if (imageWidth <= 0 || imageHeight <= 0) return fit;
    const int zoom = std::min((freeWidth - CanvasMargin) / imageWidth, (freeHeight - CanvasMargin) / imageHeight);
    if (zoom < 1) {
        fit.Zoom = 1;
        fit.TooSmall = true;
    } else {
        fit.Zoom = zoom;
    }
    fit.Width = imageWidth * fit.Zoom + 1;
    fit.Height = imageHeight * fit.Zoom + 1;
    fit.Left = (freeWidth - fit.Width) / 2;
    fit.Top = (freeHeight - fit.Height) / 2;
    return fit;
}

TCanvasFit TDocumentModel::FitCanvas(int freeWidth, int freeHeight)
{
    const TIconImageRec* f = CurrentImage();
    if (!f) return TCanvasFit{};
    const TCanvasFit fit = ComputeFit(freeWidth, freeHeight, f->Width, f->Height);
    ZoomFactor = fit.Zoom;
    if (BackBuffer.Width() != fit.Width || BackBuffer.Height() != fit.Height) BackBuffer.SetSize(fit.Width, fit.Height);
    return fit;
}

bool TDocumentModel::GridFits() const
{
    const TIconImageRec* f = CurrentImage();
    if (!f || f->Width <= 0 || f->Height <= 0) return false;
    return BackBuffer.Width() / f->Width >= 3 && BackBuffer.Height() / f->Height >= 3;
}

Point TDocumentModel::CellAt(int canvasX, int canvasY) const
{
    const int zoom = std::max(ZoomFactor, 1);
    return Point{canvasX / zoom, canvasY / zoom};
}

Rect TDocumentModel::RenderRect(Rect rect)
{
    const TIconImageRec* f = CurrentImage();
    if (ZoomFactor < 1 || !f || !f->Bitmap || !f->Mask || f->Width <= 0 || f->Height <= 0) return Rect{};
    NormalizeRect(rect);
    ClipRectToBounds(rect, BackBuffer.Width(), BackBuffer.Height());
    if (rect.IsEmpty()) return Rect{};

    const int zoom = ZoomFactor;
    const bool grid = GridVisible();
    const int w = std::min(f->Width, f->Bitmap->Width());
    const int h = std::min(f->Height, f->Bitmap->Height());
    if (w <= 0 || h <= 0 || f->Mask->Width() < w || f->Mask->Height() < h) return Rect{};
    const TPalette* palette = IsPaletteColorType(f->ColorType) ? &f->Palette : nullptr;

    // The checkerboard has two greys only, so each image pixel of a row has two possible
    // outputs; they are worked out once per image row and then copied to every canvas pixel.
    const int ix0 = std::min(rect.Left / zoom, w - 1);
    const int ix1 = std::min((rect.Right - 1) / zoom, w - 1);
    const int spanCells = ix1 - ix0 + 1;
    // Each canvas column shows one of: the grid, its cell on the light check, its cell on the dark
    // check. The colours of a row's cells go into one table (grid first, then every cell on the light
    // check, then every cell on the dark one), and every column gets, once per call, its index into
    // that table for either checker phase: a row is then a plain table look-up per pixel.
    const size_t cells = size_t(spanCells);
    std::vector<uint32_t>& colours = renderColours_;
    colours.resize(1 + 2 * cells);
    colours[0] = CanvasPixel(GridColor);
    uint32_t* const light = colours.data() + 1;
    uint32_t* const dark = light + cells;
    std::vector<uint32_t>* const columnIndex = renderColumns_;
    for (int phase = 0; phase < 2; ++phase) {
        auto& index = columnIndex[phase];
        index.resize(size_t(rect.Width()));
        for (int x = rect.Left; x < rect.Right; ++x) {
            const int cell = x / zoom;
            uint32_t k = 0;
            if (!(grid && x % zoom == 0)) {
                const uint32_t i = uint32_t(std::min(cell, w - 1) - ix0);
                // Light where bit 2 of x differs from bit 2 of y: 4 x 4 checks.
                k = 1 + i + ((((x >> 2) & 1) != phase) ? 0 : uint32_t(cells));
            }
            index[size_t(x - rect.Left)] = k;
        }
    }
    // A palette format's row is turned into colours first, so one routine composites both kinds.
    std::vector<uint8_t>& paletteColours = renderPalette_;
    if (palette) paletteColours.resize(3 * cells);

    const size_t rowBytes = size_t(rect.Width()) * 4;
    const int width = rect.Width();
    int cachedImageRow = -1;
    // Last canvas row rendered for each checker phase of the current image row.
    int phaseRow[2] = {-1, -1};
    int gridRow = -1;

    for (int y = rect.Top; y < rect.Bottom; ++y) {
        uint32_t* out = BackBuffer.Row(y) + rect.Left;
        if (grid && y % zoom == 0) {
            if (gridRow >= 0)
                std::memcpy(out, BackBuffer.Row(gridRow) + rect.Left, rowBytes);
            else {
                std::fill_n(out, width, colours[0]);
                gridRow = y;
            }
            continue;
        }
        const int iy = std::min(y / zoom, h - 1);
        if (iy != cachedImageRow) {
            cachedImageRow = iy;
            phaseRow[0] = phaseRow[1] = -1;
            const uint8_t* colorRow = f->Bitmap->Row(iy) + size_t(ix0) * 3;
            if (palette) {
                for (size_t i = 0; i < cells; ++i)
                    WritePixel(paletteColours.data() + 3 * i, PaletteColor(ReadPixel(colorRow + 3 * i), palette));
                colorRow = paletteColours.data();
            }
            CompositeCanvasChecks(light, dark, colorRow, f->Mask->Row(iy) + size_t(ix0) * 3, cells);
        }
        const int phase = (y >> 2) & 1;
        if (phaseRow[phase] >= 0) {
            std::memcpy(out, BackBuffer.Row(phaseRow[phase]) + rect.Left, rowBytes);
            continue;
        }
        phaseRow[phase] = y;
        LookUpPixels(out, colours.data(), columnIndex[phase].data(), size_t(width));
    }
    return rect;
}

bool TDocumentModel::PanelNeedsFormatPalette(int32_t panelColorType, const TPalette& panelPalette,
                                             const TIconImageRec& format)
{
    if (panelColorType != format.ColorType) return true;
    if (panelPalette.palNumEntries != format.Palette.palNumEntries) return false;
    const int n = std::min<int>(panelPalette.palNumEntries, 256);
    return !std::equal(panelPalette.palPalEntry.begin(), panelPalette.palPalEntry.begin() + n,
                       format.Palette.palPalEntry.begin());
}

bool TDocumentModel::ApplyPalette(const TPalette& palette)
{
    TIconImageRec* f = CurrentImage();
    if (!f || !IsPaletteColorType(f->ColorType) || palette.palNumEntries == 0) return false;
    const uint16_t n = std::min<uint16_t>(palette.palNumEntries, 256);
    const bool same = f->Palette.palNumEntries == n &&
                      std::equal(palette.palPalEntry.begin(), palette.palPalEntry.begin() + n, f->Palette.palPalEntry.begin());
    if (same) return false;
    f->Palette.palNumEntries = n;
    std::copy_n(palette.palPalEntry.begin(), n, f->Palette.palPalEntry.begin());
    return true;
}

void TDocumentModel::TakeBackups()
{
    const TIconImageRec* f = CurrentImage();
    if (!f || !f->Bitmap || !f->Mask) return;
    BackupBitmap = *f->Bitmap;
    BackupMask = *f->Mask;
}

void TDocumentModel::RestoreBackups()
{
    TIconImageRec* f = CurrentImage();
    if (!f || !f->Bitmap || !f->Mask) return;
    if (BackupBitmap.Width() != f->Bitmap->Width() || BackupBitmap.Height() != f->Bitmap->Height()) return;
    if (BackupMask.Width() != f->Mask->Width() || BackupMask.Height() != f->Mask->Height()) return;
    *f->Bitmap = BackupBitmap;
    *f->Mask = BackupMask;
}
