#include "imaging/effect_kernels.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "platform/small_routines.h"
#include "imaging/compositing.h"
#include "imaging/gauss_kernel.h"
#include "imaging/imaging_state.h"
#include "imaging/point_lookups.h"
#include "platform/canvas_ops.h"
#include "platform/rounding.h"

namespace {

// The rectangle limited to both bitmaps; an inverted rectangle stays empty.
Rect ClipToBoth(const Rect& rect, const Bitmap24& a, const Bitmap24& b)
{
    return LimitRect(rect, std::min(a.Width(), b.Width()), std::min(a.Height(), b.Height()));
}

// Calls Fn(source pixel, destination pixel) for every pixel of the rectangle (clipped to both).
template <class Fn>
void MapPixels(const Bitmap24& src, Bitmap24& dst, const Rect& rect, Fn fn)
{
    const Rect r = ClipToBoth(rect, src, dst);
    if (r.IsEmpty()) return;
    for (int y = r.Top; y < r.Bottom; ++y) {
        const uint8_t* s = src.Row(y) + size_t(r.Left) * 3;
        uint8_t* d = dst.Row(y) + size_t(r.Left) * 3;
        for (int x = r.Left; x < r.Right; ++x, s += 3, d += 3) fn(s, d);
    }
}

// Runs one lookup per channel (blue, green, red) over the rectangle.
void ApplyLookups(const Bitmap24& src, Bitmap24& dst, const Rect& rect, const ByteLookup& blue,
                  const ByteLookup& green, const ByteLookup& red)
{
    MapPixels(src, dst, rect, [&](const uint8_t* s, uint8_t* d) {
        d[0] = blue[s[0]];
        d[1] = green[s[1]];
        d[2] = red[s[2]];
    });
}

}  // namespace

void ApplyChannelOffsets(const Bitmap24& Src, Bitmap24& Dst, const Rect& rect, int DR, int DG, int DB)
{
    ByteLookup red{}, green{}, blue{};
    BuildOffsetLookup(DR, red);
    BuildOffsetLookup(DG, green);
    BuildOffsetLookup(DB, blue);
    ApplyLookups(Src, Dst, rect, blue, green, red);
}

void OffsetPaletteChannels(const TPalette& Src, TPalette& Dst, int DR, int DG, int DB)
{
    ByteLookup red{}, green{}, blue{};
    BuildOffsetLookup(DR, red);
    BuildOffsetLookup(DG, green);
    BuildOffsetLookup(DB, blue);
    const int count = std::min<int>(Src.palNumEntries, int(Src.palPalEntry.size()));
    for (int i = 0; i < count; ++i) {
        const TPaletteEntry& s = Src.palPalEntry[size_t(i)];
        TPaletteEntry& d = Dst.palPalEntry[size_t(i)];
        d.peRed = red[s.peRed];
        d.peGreen = green[s.peGreen];
        d.peBlue = blue[s.peBlue];
    }
}

void ApplyContrast(const Bitmap24& Src, Bitmap24& Dst, const Rect& rect, int Pivot, int K)
{
    ByteLookup t{};
    BuildContrastLookup(Pivot, K, t);
    ApplyLookups(Src, Dst, rect, t, t, t);
}

void ApplySaturation(const Bitmap24& Src, Bitmap24& Dst, const Rect& rect, int Level)
{
    std::array<int32_t, 256> scaled{};
    BuildSaturationLookup(Level, scaled);
    MapPixels(Src, Dst, rect, [&](const uint8_t* s, uint8_t* d) {
        uint8_t px[3] = {s[0], s[1], s[2]};
        SaturatePixel(px, scaled);
        std::copy_n(px, 3, d);
    });
}

void GaussianBlurColors(TColor* Colors, int Width, double Sigma, int Height)
{
    if (!Colors || Width <= 0 || Height <= 0) return;
    const size_t count = size_t(Width) * size_t(Height);
    std::vector<uint8_t> packed(count * 3);
    for (size_t i = 0; i < count; ++i) {
        packed[i * 3] = uint8_t(ColorR(Colors[i]));
        packed[i * 3 + 1] = uint8_t(ColorG(Colors[i]));
        packed[i * 3 + 2] = uint8_t(ColorB(Colors[i]));
    }
    const TGaussKernel kernel = BuildGaussKernel(Sigma);
    GaussianBlurPixels24(packed.data(), Width * 3, packed.data(), Width * 3, Width, Height, kernel);
    for (size_t i = 0; i < count; ++i) Colors[i] = MakeColor(packed[i * 3], packed[i * 3 + 1], packed[i * 3 + 2]);
}

void GaussianBlurRect(const Bitmap24& Src, Bitmap24& Dst, const Rect& rect, double Sigma)
{
    const Rect r = LimitRect(rect, Src.Width(), Src.Height());
    if (r.IsEmpty()) return;
    const int w = r.Width(), h = r.Height();
    const TGaussKernel kernel = BuildGaussKernel(Sigma);
    const uint8_t* from = Src.Row(r.Top) + size_t(r.Left) * 3;
    if (Dst.Width() >= w && Dst.Height() >= h) {
        // The blur keeps its row results apart, so Src and Dst may overlap in any way.
        GaussianBlurPixels24(from, Src.Stride(), Dst.Row(0), Dst.Stride(), w, h, kernel);
        return;
    }
    std::vector<uint8_t> out(size_t(w) * size_t(h) * 3);
    GaussianBlurPixels24(from, Src.Stride(), out.data(), w * 3, w, h, kernel);
    const int cw = std::min(w, Dst.Width()), ch = std::min(h, Dst.Height());
    for (int y = 0; y < ch; ++y)
        std::copy_n(out.data() + size_t(y) * size_t(w) * 3, size_t(cw) * 3, Dst.Row(y));
}

void SharpenRect(const Bitmap24& Src, Bitmap24& Dst, const Rect& rect, double Amount)
{
    const Rect r = ClipToBoth(rect, Src, Dst);
    if (r.IsEmpty()) return;
    const size_t bytes = size_t(r.Width() - 1) * 3;
    // Bottom up, so that in place every row still reads the untouched row above it.
    for (int y = r.Bottom - 1; y >= r.Top + 1; --y) {
        const uint8_t* s = Src.Row(y) + size_t(r.Left) * 3;
        const uint8_t* above = Src.Row(y - 1) + size_t(r.Left) * 3;
        uint8_t* d = Dst.Row(y) + size_t(r.Left) * 3;
        for (size_t i = 0; i < bytes; ++i) {
            const double c = s[i];
            d[i] = uint8_t(ClampReal(0, 255, c + Amount * (c - double(above[i]))));
        }
    }
}

void ApplyDropShadow(const TIconImageRec& Src, TIconImageRec& Dst, TColor Colour, int Distance, int Opacity,
                     int Angle, double Sigma)
{
    if (!Src.Bitmap || !Src.Mask || Src.Width <= 0 || Src.Height <= 0) return;
    const int W = Src.Width, H = Src.Height;
    Bitmap24& scratch = Imaging().ScratchBitmap1();

    // The shadow: the source's mask moved by the offset onto a transparent ground, then blurred.
    TIconImageRec shadow;
    shadow.Width = W;
    shadow.Height = H;
    shadow.ColorType = Src.ColorType;
    shadow.Bitmap = NewBitmap24(W, H);
    shadow.Mask = NewBitmap24(W, H);
    scratch.Fill(0xFFFFFF);
    const double radians = double(Angle) * std::numbers::pi / 180.0;
    const int dx = -TruncInt(std::cos(radians) * Distance);
    const int dy = TruncInt(std::sin(radians) * Distance);
    CopyBitmapRect(*Src.Mask, SizeRect(W, H), scratch, dx, dy);
    const Rect area = SizeRect(std::min(W, scratch.Width()), std::min(H, scratch.Height()));
    GaussianBlurRect(scratch, scratch, area, Sigma);
    // The whole shadow takes the colour; its mask decides where it shows.
    shadow.Bitmap->Fill(Colour);
    CopyBitmapRect(scratch, area, *shadow.Mask, 0, 0);

    if (!Dst.Bitmap) Dst.Bitmap = NewBitmap24(W, H);
    if (!Dst.Mask) Dst.Mask = NewBitmap24(W, H);
    CopyIconImage(&Src, &Dst);
    MergeIconImageOver(Dst, shadow, SizeRect(W, H), Opacity);
}

void GrowStrokeMark(Bitmap24& Mark, Bitmap24& Grown, const Rect& rect, int V)
{
    const Rect r = ClipToBoth(rect, Mark, Grown);
    if (r.IsEmpty()) return;
    const size_t bytes = size_t(r.Width()) * 3;
    for (int y = r.Top; y < r.Bottom; ++y)
        std::copy_n(Mark.Row(y) + size_t(r.Left) * 3, bytes, Grown.Row(y) + size_t(r.Left) * 3);
    for (int y = r.Top; y < r.Bottom - 1; ++y) {
        const uint8_t* top = Mark.Row(y);
        const uint8_t* bottom = Mark.Row(y + 1);
        for (int x = r.Left; x < r.Right - 1; ++x) {
            const int tl = top[x * 3], tr = top[(x + 1) * 3];
            const int bl = bottom[x * 3], br = bottom[(x + 1) * 3];
            if (tl == V && (tr == 128 || bl == 128 || br == 128)) Grown.Row(y)[x * 3] = 128;
            if (br == V && (tl == 128 || tr == 128 || bl == 128)) Grown.Row(y + 1)[(x + 1) * 3] = 128;
        }
    }
    for (int y = r.Top; y < r.Bottom; ++y)
        std::copy_n(Grown.Row(y) + size_t(r.Left) * 3, bytes, Mark.Row(y) + size_t(r.Left) * 3);
}

void GrowStrokeMarkSteps(Bitmap24& Mark, const Rect& rect, int V, int Steps)
{
    const Rect r = ClipToBoth(rect, Mark, Mark);
    if (r.IsEmpty() || Steps <= 0) return;
    // A pixel joins in a step when it holds V and a neighbour joined before: as the top-left of a
    // 2 x 2 block (not in the last column or row) through its right, lower or lower-right
    // neighbour; as the bottom-right (not in the first column or row) through its left, upper or
    // upper-left one. Seen from a band pixel, those are the six neighbours below.
    struct Spread {
        int dx, dy;
        bool asTopLeft; // the neighbour joins as a block's top-left pixel
    };
    static constexpr Spread spreads[6] = {{-1, 0, true}, {0, -1, true}, {-1, -1, true},
                                          {1, 0, false}, {0, 1, false}, {1, 1, false}};
    std::vector<int> layer, next;
    const int w = r.Width();
    for (int y = r.Top; y < r.Bottom; ++y) {
        const uint8_t* row = Mark.Row(y);
        for (int x = r.Left; x < r.Right; ++x)
            if (row[size_t(x) * 3] == 128) layer.push_back((y - r.Top) * w + (x - r.Left));
    }
    for (int step = 0; step < Steps && !layer.empty(); ++step) {
        next.clear();
        for (const int at : layer) {
            const int qx = r.Left + at % w, qy = r.Top + at / w;
            for (const Spread& s : spreads) {
                const int x = qx + s.dx, y = qy + s.dy;
                const bool fits = s.asTopLeft ? (x >= r.Left && y >= r.Top && x < r.Right - 1 && y < r.Bottom - 1)
                                              : (x > r.Left && y > r.Top && x < r.Right && y < r.Bottom);
                if (!fits) continue;
                uint8_t& p = Mark.Row(y)[size_t(x) * 3];
                if (p != V) continue;
                p = 128;
                next.push_back((y - r.Top) * w + (x - r.Left));
            }
        }
        layer.swap(next);
    }
}

void ApplyStroke(const TIconImageRec& Src, TIconImageRec& Dst, TColor Colour, int Position, int Opacity, int Size)
{
    if (!Src.Bitmap || !Src.Mask) return;
    const int W = std::min({Src.Width, Src.Bitmap->Width(), Src.Mask->Width()});
    const int H = std::min({Src.Height, Src.Bitmap->Height(), Src.Mask->Height()});
    if (W <= 0 || H <= 0) return;
    Bitmap24& mark = Imaging().ScratchBitmap1();
    Bitmap24& grown = Imaging().ScratchBitmap2();
    const int mw = std::min({W, mark.Width(), grown.Width()});
    const int mh = std::min({H, mark.Height(), grown.Height()});
    const Rect area = SizeRect(mw, mh);
    const Bitmap24& sm = *Src.Mask;

    // The mark: 0 outside the picture, 255 inside, 128 on the band of transparent pixels that touch
    // it and on partly transparent pixels.
    FillBitmapRect(mark, 0, area);
    for (int y = 0; y < mh; ++y) {
        const uint8_t* m = sm.Row(y);
        const uint8_t* below = y + 1 < mh ? sm.Row(y + 1) : nullptr;
        uint8_t* k = mark.Row(y);
        uint8_t* kBelow = below ? mark.Row(y + 1) : nullptr;
        for (int x = 0; x < mw; ++x) {
            const int p = m[x * 3];
            if (x + 1 < mw) {
                const int q = m[(x + 1) * 3];
                if ((p == 255) != (q == 255)) (p == 255 ? k[x * 3] : k[(x + 1) * 3]) = 128;
            }
            if (below) {
                const int q = below[x * 3];
                if ((p == 255) != (q == 255)) (p == 255 ? k[x * 3] : kBelow[x * 3]) = 128;
            }
            if (p != 0 && p != 255) k[x * 3] = 128;
            if (k[x * 3] != 128 && p != 255) k[x * 3] = 255;
        }
    }
    if (Position != 0) {
        GrowStrokeMarkSteps(mark, area, Position > 0 ? 0 : 255, Size - 1);
    } else {
        // The middle band grows into both sides in turn.
        for (int step = 0; step < Size - 1; ++step) GrowStrokeMark(mark, grown, area, step % 2 == 0 ? 255 : 0);
    }

    const bool palette = IsPaletteColorType(Src.ColorType);
    const int o = ClampInt(0, 255, Opacity);
    const int cr = ColorR(Colour), cg = ColorG(Colour), cb = ColorB(Colour);
    Dst.Width = Src.Width;
    Dst.Height = Src.Height;
    Dst.ColorType = Src.ColorType;
    Dst.Id = Src.Id;
    if (!Dst.Bitmap) Dst.Bitmap = NewBitmap24(Src.Width, Src.Height);
    if (!Dst.Mask) Dst.Mask = NewBitmap24(Src.Width, Src.Height);
    if (&Dst != &Src) {
        *Dst.Bitmap = *Src.Bitmap;
        *Dst.Mask = *Src.Mask;
    }
    for (int y = 0; y < mh; ++y) {
        const uint8_t* k = mark.Row(y);
        uint8_t* d = Dst.Bitmap->Row(y);
        uint8_t* m = Dst.Mask->Row(y);
        for (int x = 0; x < mw; ++x) {
            if (k[x * 3] != 128) continue;
            uint8_t* px = d + x * 3;
            if (palette) {
                // Palette formats are stroked on their indices: the chosen index itself.
                px[0] = 0;
                px[1] = 0;
                px[2] = uint8_t(cr);
            } else {
                px[0] = uint8_t(CompositeChannel(cb, px[0], 255 - o));
                px[1] = uint8_t(CompositeChannel(cg, px[1], 255 - o));
                px[2] = uint8_t(CompositeChannel(cr, px[2], 255 - o));
            }
            int a = std::max(0, int(m[x * 3]) - o);
            // Only 32-bit formats keep partial transparency; the others are opaque or clear.
            if (Src.ColorType != ctTrueAlpha && a != 255) a = 0;
            m[x * 3] = uint8_t(a);
        }
    }
}
