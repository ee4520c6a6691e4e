// The effect dialogs' computations, one per dialog (see the header). Each starts by copying the
// backup into the target, so size, mask, palette and colour type are always the backup's and a
// palette format is never mapped onto a palette left over from the previous preview.
#include "imaging/effect_dialog_ops.h"

#include "imaging/compositing.h"
#include "imaging/effect_kernels.h"
#include "imaging/quantizer_dither.h"
#include "imaging/resample.h"
#include "imaging/transforms.h"
#include "platform/canvas_ops.h"
#include "platform/rounding.h"
#include "platform/small_routines.h"

namespace {
bool Usable(const TIconImageRec& r)
{
    return r.Bitmap && r.Mask && r.Width > 0 && r.Height > 0 && r.Bitmap->Width() >= r.Width &&
           r.Bitmap->Height() >= r.Height && r.Mask->Width() >= r.Width && r.Mask->Height() >= r.Height;
}

// Target := backup, with bitmaps of the backup's size. False when either cannot take part.
bool Restart(const TEffectSources& s, TIconImageRec& target)
{
    if (!Usable(s.Backup)) return false;
    if (!target.Bitmap) target.Bitmap = NewBitmap24(s.Backup.Width, s.Backup.Height);
    if (!target.Mask) target.Mask = NewBitmap24(s.Backup.Width, s.Backup.Height);
    CopyIconImage(&s.Backup, &target);
    return true;
}

bool PaletteTarget(const TIconImageRec& target) { return IsPaletteColorType(target.ColorType); }

Rect Whole(const TIconImageRec& r) { return SizeRect(r.Width, r.Height); }
} // namespace

const TIconImageRec& TEffectSources::Source() const
{
    return IsPaletteColorType(Backup.ColorType) && Usable(WorkCopy) ? WorkCopy : Backup;
}

void MakeTrueColorWorkCopy(const TIconImageRec& image, TIconImageRec& workCopy)
{
    if (!workCopy.Bitmap) workCopy.Bitmap = std::make_unique<Bitmap24>();
    if (!workCopy.Mask) workCopy.Mask = std::make_unique<Bitmap24>();
    CopyIconImage(&image, &workCopy);
    ExpandPaletteIndices(*workCopy.Bitmap, Whole(workCopy), &image.Palette);
    workCopy.Palette.palNumEntries = 0;
    workCopy.ColorType = ctTrueAlpha;
}

void RequantizeToOwnPalette(TIconImageRec& target)
{
    if (!target.Bitmap || !PaletteTarget(target)) return;
    QuantizeToPalette(*target.Bitmap, *target.Bitmap, target.Palette, target.Palette.palNumEntries, 0, 2);
}

void ApplyBrightnessContrastEffect(const TEffectSources& s, TIconImageRec& target, int brightness, int contrast)
{
    if (!Restart(s, target)) return;
    const Rect r = Whole(target);
    ApplyChannelOffsets(*s.Source().Bitmap, *target.Bitmap, r, brightness, brightness, brightness);
    ApplyContrast(*target.Bitmap, *target.Bitmap, r, 253, contrast);
    RequantizeToOwnPalette(target);
}

void ApplyColorBalanceEffect(const TEffectSources& s, TIconImageRec& target, int red, int green, int blue)
{
    if (!Restart(s, target)) return;
    if (PaletteTarget(target)) {
        // The indices stay; only the colours they stand for move.
        OffsetPaletteChannels(s.Backup.Palette, target.Palette, red, green, blue);
        return;
    }
    ApplyChannelOffsets(*s.Backup.Bitmap, *target.Bitmap, Whole(target), red, green, blue);
}

void ApplySaturationEffect(const TEffectSources& s, TIconImageRec& target, int saturation)
{
    if (!Restart(s, target)) return;
    ApplySaturation(*s.Source().Bitmap, *target.Bitmap, Whole(target), saturation);
    RequantizeToOwnPalette(target);
}

void ApplyBlurEffect(const TEffectSources& s, TIconImageRec& target, int blur)
{
    if (!Restart(s, target)) return;
    GaussianBlurRect(*s.Source().Bitmap, *target.Bitmap, Whole(target), blur / 20.0);
    RequantizeToOwnPalette(target);
}

void ApplySharpenEffect(const TEffectSources& s, TIconImageRec& target, int sharpen)
{
    if (!Restart(s, target)) return;
    // The kernel leaves the first row and the last column as the target held them: they must
    // hold the source's colours, not a palette format's indices.
    *target.Bitmap = *s.Source().Bitmap;
    SharpenRect(*s.Source().Bitmap, *target.Bitmap, Whole(target), sharpen / 25.0);
    RequantizeToOwnPalette(target);
}

void ApplyFilterEffect(const TEffectSources& s, TIconImageRec& target, const TFilterDef& filter, bool red,
                       bool green, bool blue)
{
    if (!Restart(s, target)) return;
    ApplyFilter(*s.Source().Bitmap, *target.Bitmap, filter, filter.SizeCode, fmRGB, red, green, blue);
    RequantizeToOwnPalette(target);
}

void ThresholdMask(Bitmap24& mask, const Rect& rect)
{
    const Rect r = LimitRect(rect, mask.Width(), mask.Height());
    for (int y = r.Top; y < r.Bottom; ++y) {
        uint8_t* p = mask.Row(y) + r.Left * 3;
        for (int x = r.Left; x < r.Right; ++x, p += 3) {
            const uint8_t v = p[0] <= 230 ? 0 : 255;
            p[0] = p[1] = p[2] = v;
        }
    }
}

namespace {
// A 24-bit format after a blending pass: colours laid over white by the mask, the mask two-valued.
void FlattenTrueColor(TIconImageRec& target)
{
    const Rect r = Whole(target);
    CompositeOnColor(*target.Bitmap, *target.Mask, nullptr, *target.Bitmap, 0xFFFFFF, r);
    ThresholdMask(*target.Mask, r);
}
} // namespace

void ApplyRotateEffect(const TEffectSources& s, TIconImageRec& target, int angle)
{
    if (!Restart(s, target)) return;
    const Rect r = Whole(target);
    if (PaletteTarget(target)) {
        // Indices are never interpolated. Outside the turned picture: index 0, transparent.
        RotateBitmapNearest(*s.Backup.Bitmap, *target.Bitmap, r, angle);
        RotateBitmapNearest(*s.Backup.Mask, *target.Mask, r, angle);
        // The fill is the colour value 0xFF0000: index 0 in the red byte. The other bytes of an
        // index pixel are 0, so the fill is made a plain index 0 too.
        for (int y = 0; y < r.Bottom; ++y) {
            uint8_t* p = target.Bitmap->Row(y);
            for (int x = 0; x < r.Right; ++x, p += 3) p[0] = p[1] = 0;
        }
        return;
    }
    RotateRectBilinear(*target.Bitmap, r, angle);
    RotateRectBilinear(*target.Mask, r, angle);
    if (target.ColorType == ctTrueColor) FlattenTrueColor(target);
}

void ApplyStrokeEffect(const TEffectSources& s, TIconImageRec& target, TColor color, int position, int opacity,
                       int size)
{
    if (!Restart(s, target)) return;
    ApplyStroke(s.Backup, target, color, position, opacity, size);
}

void ApplyShadowEffect(const TEffectSources& s, TIconImageRec& target, TColor color, int offset, int opacity,
                       int angle, int size)
{
    if (!Restart(s, target)) return;
    const bool palette = PaletteTarget(target);
    ApplyDropShadow(s.Source(), target, color, offset, opacity, angle, size / 20.0);
    if (s.Backup.ColorType == ctTrueAlpha) return;
    FlattenTrueColor(target);
    if (palette) {
        // The shadow routine wrote its source's colour type and entry count.
        target.ColorType = s.Backup.ColorType;
        target.Palette = s.Backup.Palette;
        RequantizeToOwnPalette(target);
    }
}

int ZoomPercentOfText(const QString& text)
{
    QString digits = text;
    digits.remove(QLatin1Char('%'));
    if (!IsIntegerText(digits)) return -1;
    // A sign and digits: anything beyond three digits is out of range whatever it says.
    const bool negative = digits.startsWith(QLatin1Char('-'));
    QString number = digits;
    if (number.startsWith(QLatin1Char('-')) || number.startsWith(QLatin1Char('+'))) number.remove(0, 1);
    while (number.size() > 1 && number.startsWith(QLatin1Char('0'))) number.remove(0, 1);
    if (negative || number.size() > 3) return -1;
    const int value = number.toInt();
    return value >= 10 && value <= 259 ? value : -1;
}

int ZoomedSide(int side, int percent) { return RoundInt(double(side) * percent / 100.0); }

void ApplyZoomEffect(const TEffectSources& s, TIconImageRec& target, int percent)
{
    if (!Restart(s, target)) return;
    const int W = target.Width, H = target.Height;
    const int nW = std::max(1, ZoomedSide(W, percent)), nH = std::max(1, ZoomedSide(H, percent));
    const Rect whole = SizeRect(W, H);
    const Rect zoomed = SizeRect(nW, nH);
    const bool palette = PaletteTarget(target);
    const int dx = (nW - W) / 2, dy = (nH - H) / 2;
    const bool exactSize = target.Bitmap->Width() == W && target.Bitmap->Height() == H && target.Mask->Width() == W &&
                           target.Mask->Height() == H;
    if (percent >= 100 && exactSize) {
        // Enlarged: only the centre the format keeps is computed, straight into the target.
        const Rect placed{-dx, -dy, nW - dx, nH - dy};
        if (palette)
            StretchCopyNearest(*s.Backup.Bitmap, whole, *target.Bitmap, placed);
        else if (nW == W && nH == H)
            CopyBitmapRect(*s.Backup.Bitmap, whole, *target.Bitmap, 0, 0);
        else
            EnlargeBicubicPart(*s.Backup.Bitmap, whole, nW, nH, Rect{dx, dy, dx + W, dy + H}, *target.Bitmap, -dx,
                               -dy);
        StretchCopyNearest(*s.Backup.Mask, whole, *target.Mask, placed);
        return;
    }
    // The work area is as large as the enlarged picture, so no crop ever runs past it.
    Bitmap24 work(nW, nH);
    if (palette)
        StretchCopyNearest(*s.Backup.Bitmap, whole, work, zoomed);
    else
        ResampleBitmap(*s.Backup.Bitmap, work, W, H, nW, nH);
    if (percent >= 100) {
        CopyBitmapRect(work, Rect{dx, dy, dx + W, dy + H}, *target.Bitmap, 0, 0);
        StretchCopyNearest(*s.Backup.Mask, whole, work, zoomed);
        CopyBitmapRect(work, Rect{dx, dy, dx + W, dy + H}, *target.Mask, 0, 0);
        return;
    }
    target.Bitmap->Fill(0xFFFFFF);
    target.Mask->Fill(0xFFFFFF);
    // Shrunk: centred, white and transparent around it. Palette formats get index 0 around it,
    // which the transparent mask hides.
    if (palette) target.Bitmap->Fill(0);
    CopyBitmapRect(work, zoomed, *target.Bitmap, -dx, -dy);
    StretchCopyNearest(*s.Backup.Mask, whole, work, zoomed);
    CopyBitmapRect(work, zoomed, *target.Mask, -dx, -dy);
}
