// Photo to icon's output-format list; see photo_formats.h.
#include "model/photo_formats.h"

#include <cstring>

namespace PhotoFormats {

namespace {
void CopyPicture(const Bitmap24* from, Bitmap24& to, int w, int h)
{
    if (!from || from->Width() < w || from->Height() < h) return;
    for (int y = 0; y < h; ++y) std::memcpy(to.Row(y), from->Row(y), size_t(w) * 3);
}
} // namespace

TIconImageArray DefaultFormats()
{
    TIconImageArray formats;
    for (int side : {24, 32, 48, 256}) InitIconImage(formats.Add(), side, side, ctTrueAlpha, -1);
    return formats;
}

int AppendFormat(TIconImageArray& formats, const TIconImageRec& newImage)
{
    const int w = newImage.Width, h = newImage.Height;
    TIconImageRec& f = formats.Add();
    f.Width = w;
    f.Height = h;
    f.ColorType = newImage.ColorType;
    f.Id = -1;
    f.Bitmap = NewBitmap24(w, h);
    f.Mask = NewBitmap24(w, h);
    f.Palette = newImage.Palette;
    CopyPicture(newImage.Bitmap.get(), *f.Bitmap, w, h);
    CopyPicture(newImage.Mask.get(), *f.Mask, w, h);
    return formats.Count() - 1;
}

bool DeleteFormat(TIconImageArray& formats, int index)
{
    if (formats.Count() < 2 || !formats.IsValidIndex(index)) return false;
    formats.Delete(index);
    return true;
}

} // namespace PhotoFormats
