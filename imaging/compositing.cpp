#include "imaging/compositing.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include <QPainter>

#include "imaging/imaging_state.h"
#include "imaging/resample.h"
#include "imaging/row_sums.h"
#include "platform/canvas_ops.h"
#include "platform/rounding.h"

namespace {

// Colour of every possible pixel value's red byte through a palette; only used when the
// palette has entries, since then only the red byte picks the entry.
struct PaletteLookup {
    bool active = false;
    std::array<TColor, 256> colors{};

    explicit PaletteLookup(const TPalette* palette)
    {
        if (!palette) return;
        const int n = palette->palNumEntries;
        if (n != 2 && n != 16 && n != 256) return;
        active = true;
        for (int i = 0; i < 256; ++i) colors[size_t(i)] = PaletteColor(TColor(i), palette);
    }
};

template <typename GroundAt>
void Composite(const Bitmap24& bitmap, const Bitmap24& mask, const TPalette* palette, Bitmap24& dst, Rect r,
               GroundAt groundAt)
{
    r = LimitRect(r, std::min({bitmap.Width(), mask.Width(), dst.Width()}),
               std::min({bitmap.Height(), mask.Height(), dst.Height()}));
    if (r.IsEmpty()) return;
    const PaletteLookup lookup(palette);
    for (int y = r.Top; y < r.Bottom; ++y) {
        const uint8_t* c = bitmap.Row(y);
        const uint8_t* m = mask.Row(y);
        uint8_t* d = dst.Row(y);
        for (int x = r.Left; x < r.Right; ++x) {
            const int i = x * 3;
            int cb = c[i], cg = c[i + 1], cr = c[i + 2];
            if (lookup.active) {
                const TColor pc = lookup.colors[cr];
                cr = ColorR(pc);
                cg = ColorG(pc);
                cb = ColorB(pc);
            }
            const int a = m[i];
            const uint8_t* g = groundAt(x, y);
            d[i] = uint8_t(CompositeChannel(cb, g[0], a));
            d[i + 1] = uint8_t(CompositeChannel(cg, g[1], a));
            d[i + 2] = uint8_t(CompositeChannel(cr, g[2], a));
        }
    }
}

// The shared bitmap when it is big enough and not the caller's own, else a temporary.
Bitmap24& WorkBitmap(Bitmap24& shared, int width, int height, const Bitmap24* callers, Bitmap24& temporary)
{
    if (width <= shared.Width() && height <= shared.Height() && &shared != callers) return shared;
    temporary.SetSize(width, height);
    return temporary;
}

bool HasPixels(const TIconImageRec& rec)
{
    return rec.Bitmap && rec.Mask && rec.Width > 0 && rec.Height > 0 && rec.Bitmap->Width() >= rec.Width
        && rec.Bitmap->Height() >= rec.Height && rec.Mask->Width() >= rec.Width && rec.Mask->Height() >= rec.Height;
}

// Composites the format over Ground and scales it to Rect's size; returns the bitmap that holds
// the result at its origin, or null when there is nothing to draw.
const Bitmap24* ScaledComposite(const Rect& rect, TColor ground, const TIconImageRec& rec, const Bitmap24* canvas,
                                Bitmap24& tempScratch, Bitmap24& tempBuffer)
{
    if (!HasPixels(rec) || rect.Width() <= 0 || rect.Height() <= 0) return nullptr;
    // The composite gets a bitmap of exactly the format's size: enlarging reads neighbours up to
    // two pixels beyond the source, and those must be the format's own edge, not whatever an
    // earlier operation left in a larger scratch bitmap.
    Bitmap24& scratch = tempScratch;
    scratch.SetSize(rec.Width, rec.Height);
    Bitmap24& buffer = WorkBitmap(Imaging().ScaleBufferBitmap(), rect.Width(), rect.Height(), canvas, tempBuffer);
    CompositeOnColor(*rec.Bitmap, *rec.Mask, &rec.Palette, scratch, ground, SizeRect(rec.Width, rec.Height));
    ResampleBitmap(scratch, buffer, rec.Width, rec.Height, rect.Width(), rect.Height());
    return &buffer;
}

Rect FittedRect(int width, int height, int side)
{
    if (side >= width && side >= height) {
        const int left = (side - width) / 2, top = (side - height) / 2;
        return Rect{left, top, left + width, top + height};
    }
    const float x = float(width) / float(height);
    if (width > height) {
        const int h = std::max(1, TruncInt(double(side) / double(x)));
        const int top = (side - h) / 2;
        return Rect{0, top, side, top + h};
    }
    const int w = std::max(1, TruncInt(double(x) * double(side)));
    const int left = (side - w) / 2;
    return Rect{left, 0, left + w, side};
}

} // namespace

void CompositeOnColor(const Bitmap24& bitmap, const Bitmap24& mask, const TPalette* palette, Bitmap24& dst,
                      TColor ground, const Rect& rect)
{
    // Row by row: the colours (through the palette first) laid over the ground by each pixel's
    // first mask byte.
    const Rect r = LimitRect(rect, std::min({bitmap.Width(), mask.Width(), dst.Width()}),
                             std::min({bitmap.Height(), mask.Height(), dst.Height()}));
    if (r.IsEmpty()) return;
    const PaletteLookup lookup(palette);
    const size_t n = size_t(r.Width()) * 3;
    const uint8_t grounds[3] = {uint8_t(ColorB(ground)), uint8_t(ColorG(ground)), uint8_t(ColorR(ground))};
    // The row's colours and mask bytes are copied first where they share memory with the
    // destination (in place), so the routine never sees overlapping rows.
    std::vector<uint8_t> colours(n), masks;
    for (int y = r.Top; y < r.Bottom; ++y) {
        const uint8_t* c = bitmap.Row(y) + size_t(r.Left) * 3;
        const uint8_t* m = mask.Row(y) + size_t(r.Left) * 3;
        uint8_t* d = dst.Row(y) + size_t(r.Left) * 3;
        if (lookup.active) {
            for (size_t j = 0; j < n; j += 3) {
                const TColor pc = lookup.colors[c[j + 2]];
                colours[j] = uint8_t(ColorB(pc));
                colours[j + 1] = uint8_t(ColorG(pc));
                colours[j + 2] = uint8_t(ColorR(pc));
            }
            c = colours.data();
        } else if (c < d + n && d < c + n) {
            std::copy_n(c, n, colours.data());
            c = colours.data();
        }
        if (m < d + n && d < m + n) {
            masks.assign(m, m + n);
            m = masks.data();
        }
        CompositeRow(d, c, m, grounds, size_t(r.Width()));
    }
}

void CompositeOnBitmap(const Bitmap24& bitmap, const Bitmap24& mask, const Bitmap24& ground, Bitmap24& dst,
                       const Rect& rect, const TPalette* palette)
{
    const Rect r = LimitRect(rect, ground.Width(), ground.Height());
    Composite(bitmap, mask, palette, dst, r, [&ground](int x, int y) { return ground.Row(y) + x * 3; });
}

void DrawIconImage(Bitmap24& canvas, const Rect& rect, TColor ground, const TIconImageRec& rec)
{
    // A thumbnail of a parked format leaves it parked.
    if (rec.IsParked()) {
        DrawIconImage(canvas, rect, ground, rec.ReadingCopy());
        return;
    }
    if (HasPixels(rec) && rect.Width() > 0 && rect.Height() > 0 &&
        (rec.Width < rect.Width() || rec.Height < rect.Height())) {
        // Enlarged (the zoomed views): straight onto the canvas, and only what lands inside it.
        Bitmap24 composite(rec.Width, rec.Height, Bitmap24::UnsetPixels{});  // every pixel is written next
        CompositeOnColor(*rec.Bitmap, *rec.Mask, &rec.Palette, composite, ground, SizeRect(rec.Width, rec.Height));
        EnlargeBicubicPart(composite, SizeRect(rec.Width, rec.Height), rect.Width(), rect.Height(),
                           SizeRect(rect.Width(), rect.Height()), canvas, rect.Left, rect.Top);
        return;
    }
    Bitmap24 tempScratch, tempBuffer;
    const Bitmap24* scaled = ScaledComposite(rect, ground, rec, &canvas, tempScratch, tempBuffer);
    if (scaled) CopyBitmapRect(*scaled, SizeRect(rect.Width(), rect.Height()), canvas, rect.Left, rect.Top);
}

void DrawIconImage(QPainter& canvas, const Rect& rect, TColor ground, const TIconImageRec& rec)
{
    // A thumbnail of a parked format leaves it parked.
    if (rec.IsParked()) {
        DrawIconImage(canvas, rect, ground, rec.ReadingCopy());
        return;
    }
    Bitmap24 tempScratch, tempBuffer;
    const Bitmap24* scaled = ScaledComposite(rect, ground, rec, nullptr, tempScratch, tempBuffer);
    if (scaled) canvas.drawImage(rect.Left, rect.Top, scaled->ConstImage(), 0, 0, rect.Width(), rect.Height());
}

void DrawIconImageFitted(const TIconImageRec& rec, Bitmap24& target)
{
    if (rec.Width <= 0 || rec.Height <= 0 || target.IsEmpty()) return;
    DrawIconImage(target, FittedRect(rec.Width, rec.Height, target.Width()), 0xFFFFFF, rec);
}

Rect FormatThumbnailRect(const TIconImageArray& formats, int index)
{
    const TIconImageRec* rec = formats.At(index);
    if (!rec || rec->Width <= 0 || rec->Height <= 0) return Rect{};
    const int box = ThumbnailBoxSize;
    const int x0 = index * FormatStripCellWidth + 13, y0 = 15;
    const int w = rec->Width, h = rec->Height;
    if (w > box || h > box) {
        if (h < w) {
            const int dh = std::max(1, int(int64_t(h) * box / w));
            const int top = y0 + (box - dh) / 2;
            return Rect{x0, top, x0 + box, top + dh};
        }
        const int dw = std::max(1, int(int64_t(w) * box / h));
        const int left = x0 + (box - dw) / 2;
        return Rect{left, y0, left + dw, y0 + box};
    }
    const int left = x0 + (box - w) / 2, top = y0 + (box - h) / 2;
    return Rect{left, top, left + w, top + h};
}

void DrawFormatThumbnail(Bitmap24& canvas, const TIconImageArray& formats, int index)
{
    const Rect r = FormatThumbnailRect(formats, index);
    if (!r.IsEmpty()) DrawIconImage(canvas, r, Imaging().BackgroundColor, formats[index]);
}

void DrawFormatThumbnail(QPainter& canvas, const TIconImageArray& formats, int index)
{
    const Rect r = FormatThumbnailRect(formats, index);
    if (!r.IsEmpty()) DrawIconImage(canvas, r, Imaging().BackgroundColor, formats[index]);
}

void DrawCheckerSwatch(const Rect& rect, TColor color, TColor level, Bitmap24& bitmap)
{
    const Rect r = LimitRect(rect, bitmap.Width(), bitmap.Height());
    if (r.IsEmpty()) return;
    const int l = ColorB(level); // the third byte
    const int cb = ColorB(color), cg = ColorG(color), cr = ColorR(color);
    for (int y = r.Top; y < r.Bottom; ++y) {
        uint8_t* row = bitmap.Row(y);
        for (int x = r.Left; x < r.Right; ++x) {
            const int g = ((x ^ y) & 4) ? 255 : 220;
            uint8_t* p = row + x * 3;
            p[0] = uint8_t(CompositeChannel(cb, g, l));
            p[1] = uint8_t(CompositeChannel(cg, g, l));
            p[2] = uint8_t(CompositeChannel(cr, g, l));
        }
    }
}

void MergeIconImageOver(TIconImageRec& a, const TIconImageRec& b, const Rect& rect, int opacity)
{
    // Opacity 0 lets nothing of B through, colour included.
    if (opacity <= 0) return;
    if (!a.Bitmap || !a.Mask || !b.Bitmap || !b.Mask) return;
    const Rect r = LimitRect(rect, std::min({a.Bitmap->Width(), a.Mask->Width(), b.Bitmap->Width(), b.Mask->Width()}),
                          std::min({a.Bitmap->Height(), a.Mask->Height(), b.Bitmap->Height(), b.Mask->Height()}));
    if (r.IsEmpty()) return;
    const double o = std::min(opacity, 255) / 255.0;
    // Each alpha is one of 256 values, worked out once the same way.
    std::array<double, 256> alphaOfA, alphaOfB;
    for (int v = 0; v < 256; ++v) {
        alphaOfA[size_t(v)] = (255 - v) / 255.0;
        alphaOfB[size_t(v)] = (255 - v) / 255.0 * o;
    }
    for (int y = r.Top; y < r.Bottom; ++y) {
        uint8_t* ac = a.Bitmap->Row(y);
        uint8_t* am = a.Mask->Row(y);
        const uint8_t* bc = b.Bitmap->Row(y);
        const uint8_t* bm = b.Mask->Row(y);
        for (int x = r.Left; x < r.Right; ++x) {
            const int i = x * 3;
            if (am[i] == 0) {
                // A opaque: f is exactly 1, the mask 0 and every colour A's own.
                am[i + 1] = am[i + 2] = 0;
                continue;
            }
            const double alphaA = alphaOfA[am[i]];
            const double alphaB = alphaOfB[bm[i]];
            const double f = 1 - (1 - alphaA) * (1 - alphaB);
            const uint8_t mask = TruncForgivingByte(255 - f * 255);
            am[i] = am[i + 1] = am[i + 2] = mask;
            for (int c = 0; c < 3; ++c) {
                if (f <= 0)
                    ac[i + c] = bc[i + c];
                else
                    ac[i + c] = TruncForgivingByte((bc[i + c] * alphaB * (1 - alphaA) + ac[i + c] * alphaA) / f);
            }
        }
    }
}

void InvertColors(Bitmap24& bitmap, const Rect& rect, TPalette* palette)
{
    if (palette && palette->palNumEntries >= 1) {
        const size_t n = std::min<size_t>(palette->palNumEntries, palette->palPalEntry.size());
        for (size_t i = 0; i < n; ++i) {
            TPaletteEntry& e = palette->palPalEntry[i];
            e.peRed = uint8_t(255 - e.peRed);
            e.peGreen = uint8_t(255 - e.peGreen);
            e.peBlue = uint8_t(255 - e.peBlue);
        }
        return;
    }
    const Rect r = LimitRect(rect, bitmap.Width(), bitmap.Height());
    if (r.IsEmpty()) return;
    for (int y = r.Top; y < r.Bottom; ++y) {
        uint8_t* p = bitmap.Row(y) + r.Left * 3;
        for (int i = 0; i < r.Width() * 3; ++i) p[i] = uint8_t(255 - p[i]);
    }
}

void WhitenTransparent(Bitmap24& bitmap, const Bitmap24& mask, const Rect& rect)
{
    const Rect r = LimitRect(rect, std::min(bitmap.Width(), mask.Width()), std::min(bitmap.Height(), mask.Height()));
    if (r.IsEmpty()) return;
    for (int y = r.Top; y < r.Bottom; ++y) {
        uint8_t* c = bitmap.Row(y);
        const uint8_t* m = mask.Row(y);
        for (int x = r.Left; x < r.Right; ++x)
            if (m[x * 3] == 255) std::memset(c + x * 3, 255, 3);
    }
}
