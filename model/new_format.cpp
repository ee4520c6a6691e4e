#include "model/new_format.h"

#include <algorithm>

#include "imaging/compositing.h"
#include "imaging/quantizer_dither.h"
#include "imaging/resample.h"
#include "platform/canvas_ops.h"

int NewFormatSizePreset(int width, int height)
{
    if (width != height) return -1;
    const auto it = std::find(NewFormatSizePresets.begin(), NewFormatSizePresets.end(), width);
    return it == NewFormatSizePresets.end() ? -1 : int(it - NewFormatSizePresets.begin());
}

const TIconImageRec* SourceFormatAt(const TIconImageArray* formats, int index)
{
    return formats ? formats->At(index) : nullptr;
}

namespace {

bool HasUsablePixels(const TIconImageRec& rec)
{
    return rec.Width > 0 && rec.Height > 0 && rec.Bitmap && rec.Mask && rec.Bitmap->Width() >= rec.Width &&
           rec.Bitmap->Height() >= rec.Height && rec.Mask->Width() >= rec.Width && rec.Mask->Height() >= rec.Height;
}

} // namespace

void HardenMask(Bitmap24& mask)
{
    for (int y = 0; y < mask.Height(); ++y) {
        uint8_t* p = mask.Row(y);
        for (int x = 0; x < mask.Width(); ++x, p += 3) {
            const uint8_t v = p[0] == 255 ? 255 : 0;
            p[0] = p[1] = p[2] = v;
        }
    }
}

void BuildNewFormat(TIconImageRec& rec, int width, int height, int32_t colorType, const TIconImageRec* source)
{
    rec.Width = width;
    rec.Height = height;
    rec.ColorType = colorType;
    if (IsPaletteColorType(colorType)) {
        rec.Palette.palVersion = 0x300;
        LoadDefaultPalette(rec.Palette, colorType);
    } else {
        rec.Palette.palNumEntries = 0;
    }
    rec.Bitmap.reset();
    rec.Mask.reset();
    if (!source || !HasUsablePixels(*source) || width <= 0 || height <= 0) return;

    // A working copy in true colour, transparent pixels white so they do not bleed into the
    // resampled colours.
    const Rect srcRect = SizeRect(source->Width, source->Height);
    const Rect dstRect = SizeRect(width, height);
    Bitmap24 work = *source->Bitmap;
    if (IsPaletteColorType(source->ColorType)) ExpandPaletteIndices(work, srcRect, &source->Palette);
    WhitenTransparent(work, *source->Mask, srcRect);

    Bitmap24 resampled(width, height);
    ResampleRect(work, resampled, srcRect, dstRect);

    auto built = NewBitmap24(width, height);
    switch (colorType) {
    case ctColors2:
    case ctColors16:
        QuantizeToPalette(resampled, *built, rec.Palette, rec.Palette.palNumEntries, 1, 0);
        break;
    case ctColors256:
        QuantizeToPalette(resampled, *built, rec.Palette, rec.Palette.palNumEntries, 1, 2);
        break;
    default:
        *built = resampled;
        break;
    }

    auto mask = NewBitmap24(width, height);
    StretchCopyNearest(*source->Mask, srcRect, *mask, dstRect);
    if (colorType != ctTrueAlpha) HardenMask(*mask);

    rec.Bitmap = std::move(built);
    rec.Mask = std::move(mask);
}
