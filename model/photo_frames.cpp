// Frame overlays of photo-to-icon; see photo_frames.h.
#include "model/photo_frames.h"

#include <algorithm>

#include <QDir>
#include <QFileInfo>
#include <QImage>

#include "iconfiles/picture_file.h"
#include "imaging/quantizer_dither.h"
#include "imaging/resample.h"

bool TFrameLibrary::LoadFrameFile(const QString& path, Bitmap24& out)
{
    QImage image;
    if (!PictureFile::ReadBmpImage(path, MaxSide, (long long)MaxSide * MaxSide, image)) return false;
    out.FromQImage(image);
    return true;
}

void TFrameLibrary::Scan(const QString& folder)
{
    paths_.clear();
    QDir dir(folder);
    if (!dir.exists()) return;
    const QFileInfoList all = dir.entryInfoList(QDir::Files | QDir::Hidden, QDir::Name);
    QHash<QString, Entry> kept;
    for (const QFileInfo& info : all) {
        if (paths_.size() >= MaxFrames) break;
        if (!info.fileName().endsWith(QStringLiteral(".bmp"), Qt::CaseInsensitive)) continue;
        // Symbolic links to files are followed; devices, pipes and folders are never opened.
        const QFileInfo target(info.canonicalFilePath());
        if (!target.isFile()) continue;
        const QString path = info.absoluteFilePath();
        Entry entry;
        auto cached = cache_.find(path);
        if (cached != cache_.end() && cached->Modified == info.lastModified() && cached->Size == info.size()) {
            entry = std::move(*cached);
        } else {
            entry.Modified = info.lastModified();
            entry.Size = info.size();
            entry.Readable = LoadFrameFile(path, entry.Picture);
        }
        if (entry.Readable) paths_ << path;
        kept.insert(path, std::move(entry));
    }
    cache_ = std::move(kept);
}

const Bitmap24* TFrameLibrary::Frame(int index) const
{
    if (index < 0 || index >= paths_.size()) return nullptr;
    auto it = cache_.find(paths_[index]);
    return it == cache_.end() ? nullptr : &it->Picture;
}

void ApplyPhotoFrame(const Bitmap24& frame, TColor frameColor, TIconImageRec& format, Bitmap24& scratch)
{
    const int w = format.Width, h = format.Height;
    if (w < 1 || h < 1 || frame.IsEmpty() || !format.Bitmap || !format.Mask) return;
    if (format.Bitmap->Width() < w || format.Bitmap->Height() < h || format.Mask->Width() < w ||
        format.Mask->Height() < h)
        return;
    scratch.SetSize(w, h);
    ResampleBitmap(frame, scratch, frame.Width(), frame.Height(), w, h);

    const bool palette = format.ColorType >= ctColors2 && format.ColorType <= ctColors256;
    const bool twoLevelMask = format.ColorType != ctTrueAlpha;
    // Palette formats are mixed in their colours, then mapped back below.
    Bitmap24 expanded;
    Bitmap24& colors = palette ? expanded : *format.Bitmap;
    if (palette) {
        expanded = *format.Bitmap;
        ExpandPaletteIndices(expanded, SizeRect(w, h), &format.Palette);
    }
    const int fc[3] = {ColorB(frameColor), ColorG(frameColor), ColorR(frameColor)};
    for (int y = 0; y < h; ++y) {
        const uint8_t* s = scratch.Row(y);
        uint8_t* c = colors.Row(y);
        uint8_t* m = format.Mask->Row(y);
        for (int x = 0; x < w; ++x) {
            const int a = s[x * 3 + 2];
            const bool clear = m[x * 3] == 255;
            for (int ch = 0; ch < 3; ++ch) {
                const int base = clear ? 255 : c[x * 3 + ch];
                c[x * 3 + ch] = uint8_t((fc[ch] * a + base * (255 - a)) / 255);
            }
            const uint8_t mask = s[x * 3];
            m[x * 3] = twoLevelMask ? (mask == 255 ? 255 : 0) : mask;
        }
    }
    if (palette) {
        Bitmap24 mapped;
        QuantizeToPalette(expanded, mapped, format.Palette, format.Palette.palNumEntries, 0, 1);
        for (int y = 0; y < h; ++y) std::copy_n(mapped.Row(y), size_t(w) * 3, format.Bitmap->Row(y));
    }
}
