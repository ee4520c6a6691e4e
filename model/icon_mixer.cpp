// The icon mixer's layers, shared sizes, layer transforms and mixing.
#include "model/icon_mixer.h"

#include <algorithm>
#include <utility>

#include "imaging/compositing.h"
#include "imaging/resample.h"
#include "imaging/transforms.h"
#include "platform/canvas_ops.h"
#include "platform/rounding.h"

namespace {

constexpr TColor White = 0xFFFFFF;
constexpr TColor Black = 0x000000;

void MakeWorkRecord(TIconImageRec& rec, int side)
{
    rec.Width = side;
    rec.Height = side;
    rec.ColorType = ctTrueAlpha;
    rec.Palette.palNumEntries = 0;
    rec.Bitmap = NewBitmap24(side, side);
    rec.Mask = NewBitmap24(side, side);
}

bool HasPictures(const TIconImageRec& f) { return f.Bitmap && f.Mask && f.Width > 0 && f.Height > 0; }

} // namespace

QString MixerItemName(const QString& fileName, const QString& libIconName)
{
    if (!fileName.isEmpty()) return fileName;
    if (!libIconName.isEmpty()) return libIconName;
    return QStringLiteral("QV Icon");
}

int ChooseThumbnailImage(const TIconImageArray& images)
{
    const int n = images.Count();
    if (n == 0) return -1;
    if (n == 1) return 0;
    int giver = -1;
    for (int i = 0; i < n && giver < 0; ++i)
        if (images[i].Width == 32 && images[i].Height == 32) giver = i;
    for (int i = 0; i < n && giver < 0; ++i)
        if (images[i].Width > 32 || images[i].Height > 32) giver = i;
    for (int i = 0; i < n && giver < 0; ++i)
        if (images[i].Width >= 24 || images[i].Height >= 24) giver = i;
    int w = 32, h = 32;
    if (giver < 0)
        giver = 0;
    else {
        w = images[giver].Width;
        h = images[giver].Height;
    }
    auto sameSize = [&](int i) { return images[i].Width == w && images[i].Height == h; };
    for (int i = 0; i < n; ++i)
        if (sameSize(i) && images[i].ColorType == ctTrueAlpha) return i;
    for (int type : {ctTrueColor, ctColors256, ctColors16}) {
        int last = -1;
        for (int i = 0; i < n; ++i)
            if (sameSize(i) && images[i].ColorType == type) last = i;
        if (last >= 0) return last;
    }
    return giver;
}

int BestImageOfSize(const TIconImageArray& images, int width, int height)
{
    int best = -1;
    for (int i = 0; i < images.Count(); ++i) {
        const TIconImageRec& f = images[i];
        if (f.Width != width || f.Height != height) continue;
        if (best < 0 || f.ColorType > images[best].ColorType) best = i;
    }
    return best;
}

Bitmap24 MakeOpacityBar(int width, int height)
{
    Bitmap24 bar(std::max(width, 0), std::max(height, 0));
    if (bar.IsEmpty()) return bar;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = bar.Row(y);
        for (int c = 0; c < width; ++c) {
            const int k = width - 1 - c;
            const int base = ((y >> 2) & 1) != ((k >> 2) & 1) ? 255 : 220;
            const int g = RoundInt(256.0 / width * k);
            const uint8_t v = uint8_t((base * g) >> 8);
            row[c * 3] = row[c * 3 + 1] = row[c * 3 + 2] = v;
        }
    }
    return bar;
}

int OpacityAtBar(int x, int width)
{
    if (x < 0 || width <= 0) return -1;
    return std::clamp(RoundInt(256.0 / width * x), 0, 255);
}

int OpacityMarkerLeft(int v, int width) { return RoundInt(width / 256.0 * v); }

// ---- TIconMixer ---------------------------------------------------------------------------------

TIconMixer::TIconMixer() : MixScratch(WorkSide, WorkSide)
{
    MakeWorkRecord(MixView, WorkSide);
    MakeWorkRecord(MixLayer, WorkSide);
}

TMixerItem& TIconMixer::AddItem(const QString& name, const TIconImageArray& images)
{
    TMixerItem item;
    item.Name = name;
    item.Images = &images;
    const int shown = ChooseThumbnailImage(images);
    if (shown >= 0) {
        item.Thumbnail = std::make_unique<Bitmap24>(32, 32);
        DrawIconImageFitted(images[shown], *item.Thumbnail);
    }
    Items.push_back(std::move(item));
    return Items.back();
}

bool TIconMixer::FindCommonSizes()
{
    if (Items.size() < 2) return true;
    std::vector<std::pair<int, int>> sizes;
    const TIconImageArray& first = *Items.front().Images;
    for (int i = 0; i < first.Count(); ++i) {
        const std::pair<int, int> s{first[i].Width, first[i].Height};
        if (std::find(sizes.begin(), sizes.end(), s) != sizes.end()) continue;
        bool everywhere = true;
        for (size_t j = 1; j < Items.size() && everywhere; ++j)
            everywhere = BestImageOfSize(*Items[j].Images, s.first, s.second) >= 0;
        if (everywhere) sizes.push_back(s);
    }
    ForgetPictures();
    for (TMixerItem& item : Items) {
        item.Selection.clear();
        for (const auto& s : sizes) item.Selection.push_back(BestImageOfSize(*item.Images, s.first, s.second));
    }
    return !sizes.empty();
}

int TIconMixer::SizeCount() const { return Items.empty() ? 0 : int(Items.front().Selection.size()); }

int TIconMixer::SizeWidth(int k) const
{
    if (k < 0 || k >= SizeCount()) return 0;
    return (*Items.front().Images)[Items.front().Selection[size_t(k)]].Width;
}

int TIconMixer::SizeHeight(int k) const
{
    if (k < 0 || k >= SizeCount()) return 0;
    return (*Items.front().Images)[Items.front().Selection[size_t(k)]].Height;
}

int TIconMixer::ViewHeight() const
{
    int h = 0;
    for (int k = 0; k < SizeCount(); ++k) h += SizeHeight(k) + 22;
    return h;
}

void TIconMixer::MixSize(int k, TIconImageRec& target)
{
    const int w = std::min(SizeWidth(k), WorkSide);
    const int h = std::min(SizeHeight(k), WorkSide);
    if (w <= 0 || h <= 0 || !target.Bitmap || !target.Mask) return;
    const Rect r = SizeRect(w, h);
    target.Width = w;
    target.Height = h;
    if (steps_.size() <= size_t(k)) steps_.resize(size_t(k) + 1);
    TMixSteps& steps = steps_[size_t(k)];
    if (steps.Width != w || steps.Height != h) {
        steps = TMixSteps();
        steps.Width = w;
        steps.Height = h;
    }
    // Every layer's picture first, so the layers in front that stay as they were laid are known.
    struct Laying {
        const TMixerLayerPicture* Picture;
        std::pair<uint64_t, int32_t> Key;
    };
    std::vector<Laying> layers;
    for (TMixerItem& item : Items) {
        if (size_t(k) >= item.Selection.size()) continue;
        const TIconImageRec* f = item.Images->At(item.Selection[size_t(k)]);
        if (!f || !HasPictures(*f)) continue;
        const TMixerLayerPicture& picture = LayerPicture(item, k, *f, w, h);
        layers.push_back({&picture, {picture.Stamp, item.Opacity}});
    }
    size_t same = 0;
    while (same < layers.size() && same < steps.Laid.size() && steps.Laid[same] == layers[same].Key) ++same;
    if (same == 0) {
        FillBitmapRect(*target.Bitmap, White, r);
        FillBitmapRect(*target.Mask, White, r);
    } else {
        CopyBitmapRect(steps.Colour[same - 1], r, *target.Bitmap, 0, 0);
        CopyBitmapRect(steps.Mask[same - 1], r, *target.Mask, 0, 0);
    }
    steps.Laid.resize(layers.size());
    steps.Colour.resize(layers.size());
    steps.Mask.resize(layers.size());
    for (size_t i = same; i < layers.size(); ++i) {
        MergeIconImageOver(target, layers[i].Picture->Layer, r, layers[i].Key.second);
        steps.Laid[i] = layers[i].Key;
        if (steps.Colour[i].Width() != w || steps.Colour[i].Height() != h) {
            steps.Colour[i].SetSize(w, h);
            steps.Mask[i].SetSize(w, h);
        }
        CopyBitmapRect(*target.Bitmap, r, steps.Colour[i], 0, 0);
        CopyBitmapRect(*target.Mask, r, steps.Mask[i], 0, 0);
    }
}

const TMixerLayerPicture& TIconMixer::LayerPicture(TMixerItem& item, int k, const TIconImageRec& f, int width, int height)
{
    if (item.Pictures.size() <= size_t(k)) item.Pictures.resize(size_t(k) + 1);
    TMixerLayerPicture& p = item.Pictures[size_t(k)];
    const Rect r = SizeRect(width, height);
    const bool turned = p.Turned && p.Source == &f && p.Width == width && p.Height == height &&
                        p.FlipVertical == item.FlipVertical && p.FlipHorizontal == item.FlipHorizontal &&
                        p.Angle == item.Angle && p.Zoom == item.Zoom;
    if (!turned) {
        // A clean layer each time: the resampling of a zoom reads neighbours, which must not be
        // what an earlier layer left.
        FillBitmapRect(*MixLayer.Bitmap, White, r);
        FillBitmapRect(*MixLayer.Mask, White, r);
        CopyBitmapRect(*f.Bitmap, r, *MixLayer.Bitmap, 0, 0);
        ExpandPaletteIndices(*MixLayer.Bitmap, r, IsPaletteColorType(f.ColorType) ? &f.Palette : nullptr);
        CopyBitmapRect(*f.Mask, r, *MixLayer.Mask, 0, 0);
        TransformLayer(item, width, height);
        if (p.TurnedColour.Width() != width || p.TurnedColour.Height() != height) {
            p.TurnedColour.SetSize(width, height);
            p.TurnedMask.SetSize(width, height);
        }
        CopyBitmapRect(*MixLayer.Bitmap, r, p.TurnedColour, 0, 0);
        CopyBitmapRect(*MixLayer.Mask, r, p.TurnedMask, 0, 0);
        p.Source = &f;
        p.Width = width;
        p.Height = height;
        p.FlipVertical = item.FlipVertical;
        p.FlipHorizontal = item.FlipHorizontal;
        p.Angle = item.Angle;
        p.Zoom = item.Zoom;
        p.Turned = true;
        p.Placed = false;
    }
    if (!p.Placed || p.OffsetX != item.OffsetX || p.OffsetY != item.OffsetY) {
        TIconImageRec& layer = p.Layer;
        if (!layer.Bitmap || layer.Bitmap->Width() != width || layer.Bitmap->Height() != height) {
            layer.Bitmap = NewBitmap24(width, height);
            layer.Mask = NewBitmap24(width, height);
        }
        layer.Width = width;
        layer.Height = height;
        layer.ColorType = ctTrueAlpha;
        *layer.Bitmap = p.TurnedColour;
        *layer.Mask = p.TurnedMask;
        if (item.OffsetX != 0 || item.OffsetY != 0) {
            ShiftRectContent(*layer.Bitmap, r, item.OffsetX, item.OffsetY, Black);
            ShiftRectContent(*layer.Mask, r, item.OffsetX, item.OffsetY, White);
        }
        p.OffsetX = item.OffsetX;
        p.OffsetY = item.OffsetY;
        p.Placed = true;
        p.Stamp = ++lastStamp_;
    }
    return p;
}

void TIconMixer::ForgetPictures()
{
    for (TMixerItem& item : Items) item.Pictures.clear();
    steps_.clear();
}

TIconImageRec TIconMixer::MixedFormat(int k)
{
    TIconImageRec work;
    MakeWorkRecord(work, WorkSide);
    MixSize(k, work);
    TIconImageRec out;
    InitIconImage(out, work.Width, work.Height, ctTrueAlpha, 0);
    CopyBitmapRect(*work.Bitmap, SizeRect(work.Width, work.Height), *out.Bitmap, 0, 0);
    CopyBitmapRect(*work.Mask, SizeRect(work.Width, work.Height), *out.Mask, 0, 0);
    return out;
}

void TIconMixer::TransformLayer(const TMixerItem& item, int width, int height)
{
    const Rect r = SizeRect(width, height);
    Bitmap24& colour = *MixLayer.Bitmap;
    Bitmap24& mask = *MixLayer.Mask;
    if (item.FlipVertical) {
        FlipRectVertical(colour, r);
        FlipRectVertical(mask, r);
    }
    if (item.FlipHorizontal) {
        FlipRectHorizontal(colour, r);
        FlipRectHorizontal(mask, r);
    }
    if (item.Angle != 0) {
        RotateRectBilinear(colour, r, item.Angle);
        RotateRectBilinear(mask, r, item.Angle);
    }
    if (item.Zoom != 0) ZoomLayer(item.Zoom, width, height);
}

void TIconMixer::ZoomLayer(int zoom, int width, int height)
{
    Bitmap24& colour = *MixLayer.Bitmap;
    Bitmap24& mask = *MixLayer.Mask;
    const Rect r = SizeRect(width, height);
    if (zoom > 0) {
        // The enlarged picture must fit the scratch bitmap; past that the zoom stops growing the
        // picture (the setting itself keeps counting).
        const int z = std::min<int64_t>(zoom, std::min(WorkSide - width, WorkSide - height) / 2);
        if (z <= 0) return;
        const int nw = width + 2 * z, nh = height + 2 * z;
        const Rect centre = MakeRect(z, z, z + width, z + height);
        ResampleBitmap(colour, MixScratch, width, height, nw, nh);
        CopyBitmapRect(MixScratch, centre, colour, 0, 0);
        StretchCopyNearest(mask, r, MixScratch, SizeRect(nw, nh));
        FillBitmapRect(mask, White, r);
        CopyBitmapRect(MixScratch, centre, mask, 0, 0);
        return;
    }
    // Shrinking: below two pixels the picture stays two pixels and walks towards the bottom right
    // as the zoom goes on; every copy is clipped to the layer.
    const int64_t z = zoom;
    int64_t nw = width + 2 * z, nh = height + 2 * z;
    int64_t offset = -z;
    if (nw < 2 || nh < 2) {
        nw = std::max<int64_t>(nw, 2);
        nh = std::max<int64_t>(nh, 2);
        offset = -z - 1;
    }
    if (offset >= width || offset >= height) {
        FillBitmapRect(mask, White, r); // the picture has left the layer
        return;
    }
    const int sw = int(std::min<int64_t>(nw, width)), sh = int(std::min<int64_t>(nh, height));
    const int at = int(offset);
    ResampleBitmap(colour, MixScratch, width, height, sw, sh);
    CopyBitmapRect(MixScratch, MakeRect(0, 0, std::min(sw, width - at), std::min(sh, height - at)), colour, at, at);
    StretchCopyNearest(mask, r, MixScratch, SizeRect(sw, sh));
    FillBitmapRect(mask, White, r);
    CopyBitmapRect(MixScratch, MakeRect(0, 0, std::min(sw, width - at), std::min(sh, height - at)), mask, at, at);
}

bool TIconMixer::MoveLayer(int from, int to)
{
    const int n = int(Items.size());
    if (from < 0 || from >= n || to < 0 || to >= n || from == to || n < 2) return false;
    std::swap(Items[size_t(from)], Items[size_t(to)]);
    return true;
}

TMixerItem* TIconMixer::At(int item)
{
    if (item < 0 || item >= int(Items.size())) return nullptr;
    return &Items[size_t(item)];
}

bool TIconMixer::MoveUp(int item)
{
    TMixerItem* it = At(item);
    if (!it || it->OffsetY < -255) return false;
    --it->OffsetY;
    return true;
}

bool TIconMixer::MoveDown(int item)
{
    TMixerItem* it = At(item);
    if (!it || it->OffsetY >= 256) return false;
    ++it->OffsetY;
    return true;
}

bool TIconMixer::MoveLeft(int item)
{
    TMixerItem* it = At(item);
    if (!it || it->OffsetX < -255) return false;
    --it->OffsetX;
    return true;
}

bool TIconMixer::MoveRight(int item)
{
    TMixerItem* it = At(item);
    if (!it || it->OffsetX >= 256) return false;
    ++it->OffsetX;
    return true;
}

bool TIconMixer::ToggleFlipHorizontal(int item)
{
    TMixerItem* it = At(item);
    if (!it) return false;
    it->FlipHorizontal = it->FlipHorizontal ? 0 : 1;
    return true;
}

bool TIconMixer::ToggleFlipVertical(int item)
{
    TMixerItem* it = At(item);
    if (!it) return false;
    it->FlipVertical = it->FlipVertical ? 0 : 1;
    return true;
}

bool TIconMixer::Rotate90CCW(int item)
{
    TMixerItem* it = At(item);
    if (!it) return false;
    it->Angle = (it->Angle + 90) % 360;
    return true;
}

bool TIconMixer::Rotate90CW(int item)
{
    TMixerItem* it = At(item);
    if (!it) return false;
    it->Angle = (it->Angle + 270) % 360;
    return true;
}

bool TIconMixer::SetAngle(int item, int angle)
{
    TMixerItem* it = At(item);
    if (!it) return false;
    it->Angle = ((angle % 360) + 360) % 360;
    return true;
}

bool TIconMixer::ZoomIn(int item)
{
    TMixerItem* it = At(item);
    if (!it || it->Zoom == INT32_MAX) return false;
    ++it->Zoom;
    return true;
}

bool TIconMixer::ZoomOut(int item)
{
    TMixerItem* it = At(item);
    if (!it || it->Zoom == INT32_MIN) return false;
    --it->Zoom;
    return true;
}

bool TIconMixer::SetOpacity(int item, int opacity)
{
    TMixerItem* it = At(item);
    if (!it) return false;
    it->Opacity = std::clamp(opacity, 0, 255);
    return true;
}

QString TIconMixer::MixCaption() const
{
    QString caption = QStringLiteral("Mixer Icon(");
    for (const TMixerItem& item : Items) caption += item.Name + QLatin1Char(' ');
    return caption + QLatin1Char(')');
}
