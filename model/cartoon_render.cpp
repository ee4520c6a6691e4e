// Photo-to-icon's render of every output format from the master picture.
#include "model/cartoon_render.h"

#include <algorithm>
#include <cstring>

#include <QString>

#include "imaging/quantizer_dither.h"
#include "imaging/resample.h"
#include "platform/small_routines.h"

TCartoonRender::TCartoonRender()
    : colorResult_(MasterSize, MasterSize), colorScaled_(MasterSize, MasterSize)
{
}

namespace {

// Copies rect r of src into the same place of dst, clipped to both.
void CopyRect(const Bitmap24& src, Bitmap24& dst, Rect r)
{
    r = LimitRect(r, std::min(src.Width(), dst.Width()), std::min(src.Height(), dst.Height()));
    if (r.IsEmpty()) return;
    for (int y = r.Top; y < r.Bottom; ++y)
        std::memcpy(dst.Row(y) + size_t(r.Left) * 3, src.Row(y) + size_t(r.Left) * 3, size_t(r.Width()) * 3);
}

// Makes sure a format owns a colour bitmap and a mask at least as big as it is.
void EnsureBitmaps(TIconImageRec& f)
{
    if (!f.Bitmap) f.Bitmap = NewBitmap24(f.Width, f.Height);
    if (!f.Mask) f.Mask = NewBitmap24(f.Width, f.Height);
    if (f.Bitmap->Width() < f.Width || f.Bitmap->Height() < f.Height) f.Bitmap->SetSize(f.Width, f.Height);
    if (f.Mask->Width() < f.Width || f.Mask->Height() < f.Height) f.Mask->SetSize(f.Width, f.Height);
}

// The preset with a source region and one layer chosen.
TCartoonOptions PassOptions(const TCartoonOptions& preset, const Bitmap24& source, int w, int h, bool sketch)
{
    TCartoonOptions o = preset;
    o.Source = &source;
    o.Left = 0;
    o.Top = 0;
    o.Width = w;
    o.Height = h;
    o.DrawSketch = sketch ? 1 : 0;
    o.DrawColor = sketch ? 0 : 1;
    return o;
}

} // namespace

void TCartoonRender::RenderIconImages(TIconImageArray& formats, const Bitmap24& master, const Rect& cropDest,
                                      bool cartoonEnabled, const TCartoonSettings& s)
{
    // The colour layer is made once from the whole master; each format takes it scaled.
    if (cartoonEnabled && s.DrawColor) {
        TCartoonOptions o = PassOptions(Preset, master, MasterSize, MasterSize, false);
        o.Brightness = s.Brightness;
        o.Contrast = s.Contrast;
        o.Saturation = s.Saturation;
        o.Blur = s.Blur;
        o.Red = s.Red;
        o.Green = s.Green;
        o.Blue = s.Blue;
        o.ColorReducer = s.ColorReducer;
        o.SmoothRadius = 0;
        o.SmoothMode = 0;
        o.ReducerKind = 0;
        o.KeepAverage = 1;
        colorDriver_.SetOptions(o);
        colorDriver_.Execute();
        colorDriver_.ComposeTo(colorResult_);
    }

    Bitmap24 work(MasterSize, MasterSize);
    Bitmap24 out(MasterSize, MasterSize);
    for (int i = 0; i < formats.Count(); ++i) {
        TIconImageRec& f = formats[i];
        const int w = f.Width, h = f.Height;
        if (w < 1 || h < 1 || w > MasterSize || h > MasterSize) continue;
        const double k = double(std::min(w, h)) / MasterSize;
        const Rect d = ScaleRect(cropDest, k, k);

        FillBitmapRect(work, 0xFFFFFF, SizeRect(w, h));
        ResampleRect(master, work, cropDest, d);

        EnsureBitmaps(f);
        FillBitmapRect(*f.Bitmap, 0xFFFFFF, SizeRect(w, h));
        FillBitmapRect(*f.Mask, 0, SizeRect(w, h));
        out.SetSize(w, h);
        FillBitmap(out, 0xFFFFFF);

        if (cartoonEnabled)
            RenderCartoon(work, out, w, h, s);
        else
            CopyRect(work, out, d);

        if (f.ColorType == ctTrueColor || f.ColorType == ctTrueAlpha) {
            CopyRect(out, *f.Bitmap, d);
        } else {
            Bitmap24 mapped;
            QuantizeToPalette(out, mapped, f.Palette, f.Palette.palNumEntries, 0, 1);
            CopyRect(mapped, *f.Bitmap, SizeRect(w, h));
        }
    }
}

void TCartoonRender::ScaleColorLayer(Bitmap24& out, int w, int h)
{
    const int m = std::min(w, h);
    FillBitmap(out, 0xFFFFFF);
    if (m >= MasterSize) {
        CopyRect(colorResult_, out, SizeRect(MasterSize, MasterSize));
        return;
    }
    colorScaled_.SetSize(m, m);
    StretchBilinear(colorResult_, colorScaled_, MasterSize, MasterSize, m, m);
    CopyRect(colorScaled_, out, SizeRect(m, m));
}

void TCartoonRender::RenderCartoon(const Bitmap24& work, Bitmap24& out, int w, int h, const TCartoonSettings& s)
{
    if (!s.DrawSketch) {
        // One colour layer serves both colour paths, so the crop lands on the same place with or
        // without lines.
        if (s.DrawColor)
            ScaleColorLayer(out, w, h);
        else
            FillBitmap(out, 0xFFFFFF);
        return;
    }

    TCartoonOptions o = PassOptions(Preset, work, w, h, true);
    o.Detail = s.Detail;
    o.Darkness = s.Darkness;
    o.SketchSmooth = s.SketchSmooth;
    o.Threshold = s.Threshold;
    o.Strength = s.Strength;
    o.RemainDarkArea = s.RemainDarkArea ? 1 : 0;
    o.RidgeWeight = 3;
    lineDriver_.SetOptions(o);
    lineDriver_.Execute();

    if (!s.DrawColor) {
        lineDriver_.ComposeTo(out);
        return;
    }

    Bitmap24 colors(w, h);
    ScaleColorLayer(colors, w, h);
    const TSketch& sketch = lineDriver_.Sketch();
    const std::vector<int32_t>& line = sketch.Result();
    const int lw = std::min(w, sketch.Width()), lh = std::min(h, sketch.Height());
    if (line.size() < size_t(sketch.Width()) * size_t(sketch.Height())) return;
    for (int y = 0; y < lh; ++y) {
        const uint8_t* c = colors.Row(y);
        uint8_t* o8 = out.Row(y);
        const int32_t* l = line.data() + size_t(y) * size_t(sketch.Width());
        for (int x = 0; x < lw; ++x) {
            const int v = std::clamp(l[x], 0, 255);
            for (int ch = 0; ch < 3; ++ch) o8[x * 3 + ch] = uint8_t(c[x * 3 + ch] * v / 255);
        }
    }
}
