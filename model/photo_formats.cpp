// Photo to icon's output-format list; see photo_formats.h.
#include "model/photo_formats.h"

#include <cstring>

namespace PhotoFormats {

namespace {
constexpr int SwatchWidth = 16;
constexpr TColor Swatches[7] = {0xFFFFFF, 0xC8D0D4, 0x808080, 0x000000, 0xFF0000, 0x808000, 0xA56E3A};

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

std::optional<TColor> SwatchAt(int x, bool& chooses)
{
    chooses = false;
    if (x < 0) return std::nullopt;
    const int index = x / SwatchWidth;
    if (index < 7) return Swatches[index];
    chooses = index == 7;
    return std::nullopt;
}

Bitmap24 SwatchPicture()
{
    Bitmap24 picture(130, 10);
    for (int i = 0; i < 7; ++i) FillBitmapRect(picture, Swatches[i], Rect{i * SwatchWidth + 1, 1, (i + 1) * SwatchWidth - 1, 9});
    // The eighth opens the colour dialog: a little rainbow says so.
    for (int x = 7 * SwatchWidth + 1; x < 8 * SwatchWidth - 1; ++x) {
        const int t = (x - 7 * SwatchWidth) * 255 / SwatchWidth;
        FillBitmapRect(picture, MakeColor(255 - t, t, 128), Rect{x, 1, x + 1, 9});
    }
    return picture;
}

} // namespace PhotoFormats
