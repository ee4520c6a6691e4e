// The paste window's rules and pictures; see paste_frame.h.
#include "model/paste_frame.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <QColor>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPen>

#include "imaging/compositing.h"
#include "imaging/quantizer_dither.h"
#include "imaging/resample.h"
#include "imaging/view_stretch.h"
#include "model/new_format.h"
#include "model/photo_crop.h"
#include "platform/canvas_ops.h"
#include "platform/rounding.h"
#include "platform/small_routines.h"

namespace PasteGeometry {

namespace {

constexpr int SpinLimit = 100000;

int ClampCoord(int64_t v) { return int(std::clamp<int64_t>(v, -(int64_t(1) << 30), int64_t(1) << 30)); }

// Grows a rectangle by d on every side.
Rect Grown(const Rect& r, int d) { return Rect{r.Left - d, r.Top - d, r.Right + d, r.Bottom + d}; }

// The 76 x 30 caption box centred under a cell, 5 pixels below it.
Rect CaptionBox(const Rect& cell)
{
    const int centre = (cell.Left + cell.Right) / 2;
    return Rect{centre - 38, cell.Bottom + 5, centre + 38, cell.Bottom + 35};
}

} // namespace

double InitialZoom(int boxWidth, int boxHeight, int width, int height)
{
    if (width <= 0 || height <= 0) return 1;
    const int zoom = std::min((boxWidth - ViewMargin) / width, (boxHeight - ViewMargin) / height);
    // Every format of up to 256 pixels fits the view at 1; a tiny box still shows one.
    return std::max(zoom, 1);
}

Rect TargetView(int boxWidth, int boxHeight, int width, int height, double zoom)
{
    const double w = width * zoom;
    const double h = height * zoom;
    const int left = RoundInt((boxWidth - w) / 2);
    const int top = RoundInt((boxHeight - h) / 2);
    return Rect{left, top, RoundInt(w + left), RoundInt(h + top)};
}

Rect FrameFromControls(int x, int y, int wRatio, int hRatio, bool ratioLock, int clipWidth, int clipHeight,
                       double zoom)
{
    x = std::clamp(x, -SpinLimit, SpinLimit);
    y = std::clamp(y, -SpinLimit, SpinLimit);
    if (clipWidth <= 0 || clipHeight <= 0) return Rect{x, y, x, y};
    const int w = std::clamp(RoundInt(double(clipWidth) * zoom * wRatio / 1000), 0, 1 << 30);
    const int h = ratioLock ? ClampCoord(int64_t(w) * clipHeight / clipWidth)
                            : std::clamp(RoundInt(double(clipHeight) * zoom * hRatio / 1000), 0, 1 << 30);
    return Rect{x, y, ClampCoord(int64_t(x) + w), ClampCoord(int64_t(y) + h)};
}

TRatioControls ControlsFromFrame(int centreX, int centreY, int width, int height, int clipWidth, int clipHeight,
                                 double zoom)
{
    TRatioControls c;
    c.X = std::clamp(centreX - width / 2, -SpinLimit, SpinLimit);
    c.Y = std::clamp(centreY - height / 2, -SpinLimit, SpinLimit);
    const auto ratio = [zoom](int side, int clip) {
        if (clip <= 0 || zoom <= 0) return DefaultRatio;
        return std::clamp(RoundInt(double(side) * 1000 / zoom / clip), MinRatio, MaxRatio);
    };
    c.WRatio = ratio(width, clipWidth);
    c.HRatio = ratio(height, clipHeight);
    return c;
}

TComposePlan PlanCompose(const Rect& frame, const Rect& targetView, int clipWidth, int clipHeight, double zoom)
{
    TComposePlan plan;
    const Rect visible = IntersectRects(frame, targetView);
    if (visible.IsEmpty() || frame.Width() <= 0 || frame.Height() <= 0 || clipWidth <= 0 || clipHeight <= 0 ||
        zoom <= 0)
        return plan;
    plan.Source = ScaleRect(RectToLocal(visible, frame.Left, frame.Top), double(clipWidth) / frame.Width(),
                            double(clipHeight) / frame.Height());
    plan.Dest = ScaleRect(RectToLocal(visible, targetView.Left, targetView.Top), 1 / zoom, 1 / zoom);
    plan.Valid = !plan.Source.IsEmpty() && !plan.Dest.IsEmpty();
    return plan;
}

TVariantLayout LayoutVariants(int32_t colorType, int width, int height)
{
    TVariantLayout layout;
    if (width <= 0 || height <= 0) return layout;
    if (!IsPaletteColorType(colorType)) {
        const int left = (PanelWidth - width) / 2;
        const int top = (PanelHeight - height) / 2;
        layout.Rects[0] = Rect{left, top, left + width, top + height};
        layout.Rects[8] = Grown(layout.Rects[0], 5);
        return layout;
    }
    if (width <= GridLimit && height <= GridLimit) {
        static constexpr int centres[4][2] = {{100, 66}, {269, 66}, {100, 176}, {269, 176}};
        for (int i = 0; i < 4; ++i) {
            const int left = centres[i][0] - width / 2;
            const int top = centres[i][1] - height / 2;
            const Rect cell{left, top, left + width, top + height};
            layout.Rects[size_t(i)] = cell;
            layout.Rects[size_t(i + 4)] = CaptionBox(cell);
            layout.Rects[size_t(i + 8)] = Grown(UnionRects(cell, layout.Rects[size_t(i + 4)]), 15);
        }
        return layout;
    }
    for (int i = 0; i < 4; ++i) {
        const int left = i * (width + 8);
        const int top = (256 - height) / 2;
        const Rect cell{left, top, left + width, top + height};
        const Rect caption = CaptionBox(cell);
        layout.Rects[size_t(i)] = cell;
        layout.Rects[size_t(i + 4)] = caption;
        layout.Rects[size_t(i + 8)] = Rect{std::min(cell.Left, caption.Left), cell.Top,
                                           std::max({cell.Right, caption.Right, 100}), caption.Bottom};
    }
    layout.ScrollBarVisible = true;
    layout.ScrollMax = (std::max(width, 100) + 8) * 4;
    return layout;
}

int VariantAt(const TVariantLayout& layout, int x, int y)
{
    for (int i = 0; i < 4; ++i) {
        const Rect& r = layout.Rects[size_t(i + 8)];
        if (!r.IsEmpty() && PtInRectXY(x, y, r)) return i;
    }
    return -1;
}

} // namespace PasteGeometry

const std::array<TPasteVariant, 4>& PasteVariants()
{
    static const std::array<TPasteVariant, 4> variants{{
        {0, 0, "Pallte no change", "No dither"},
        {0, 1, "Pallte no change", "Dithered"},
        {2, 0, "Pallte changed", "No dither"},
        {2, 1, "Pallte changed", "Dithered"},
    }};
    return variants;
}

namespace {

// A working format of the target's size and colour type, holding a copy of it.
void CopyOfTarget(const TIconImageRec& target, TIconImageRec& rec)
{
    rec.Bitmap = NewBitmap24(target.Width, target.Height);
    rec.Mask = NewBitmap24(target.Width, target.Height);
    CopyIconImage(&target, &rec);
}

void ToTrueColor(TIconImageRec& rec)
{
    rec.ColorType = ctTrueAlpha;
    rec.Palette.palNumEntries = 0;
}

void FreeFormat(TIconImageRec& rec) { rec = TIconImageRec{}; }

// The draft of a drag: every pixel of Dest takes the frame's view pixel it falls on (Local, in
// frame pixels), and that view pixel the pixel of Src it shows when Src is stretched over the
// frameWidth x frameHeight frame. A Src of the frame's own size is then read one to one.
void SampleThroughFrame(const Bitmap24& src, const Rect& local, int frameWidth, int frameHeight, Bitmap24& dst,
                        const Rect& dest)
{
    if (src.IsEmpty() || local.IsEmpty() || dest.IsEmpty() || frameWidth <= 0 || frameHeight <= 0) return;
    const Rect d = LimitRect(dest, dst.Width(), dst.Height());
    if (d.IsEmpty()) return;
    const auto sourceOf = [](int i, int destStart, int destSize, int localStart, int localSize, int frameSize,
                             int srcSize) {
        const int64_t view = localStart + (int64_t(i) - destStart) * localSize / destSize;
        return int(std::clamp<int64_t>(view * srcSize / frameSize, 0, srcSize - 1));
    };
    std::vector<int> column(size_t(d.Width()));
    for (int x = d.Left; x < d.Right; ++x)
        column[size_t(x - d.Left)] =
            sourceOf(x, dest.Left, dest.Width(), local.Left, local.Width(), frameWidth, src.Width()) * 3;
    for (int y = d.Top; y < d.Bottom; ++y) {
        const uint8_t* s = src.Row(sourceOf(y, dest.Top, dest.Height(), local.Top, local.Height(), frameHeight,
                                            src.Height()));
        uint8_t* o = dst.Row(y) + size_t(d.Left) * 3;
        for (int x = d.Left; x < d.Right; ++x, o += 3) std::memcpy(o, s + column[size_t(x - d.Left)], 3);
    }
}

} // namespace

double TPasteFrame::ClipAspect() const
{
    return ClipHeight() > 0 ? double(ClipWidth()) / ClipHeight() : 0;
}

bool TPasteFrame::Open(TIconImageRec* target, const Bitmap24* clipColor, const Bitmap24* clipMask,
                       const Rect& clipRect, int viewWidth, int viewHeight)
{
    Close();
    Target = target;
    ClipColor = clipColor;
    ClipMask = clipMask;
    ClipRect = clipRect;
    // A picture needs its colour and a mask of the same size, and a side of at least one pixel;
    // the rectangle the clipboard reports must lie inside them.
    const bool picture = clipColor && clipMask && !clipColor->IsEmpty() && clipRect.Left == 0 &&
                         clipRect.Top == 0 && clipRect.Width() > 0 && clipRect.Height() > 0 &&
                         clipRect.Width() <= clipColor->Width() && clipRect.Height() <= clipColor->Height() &&
                         clipMask->Width() == clipColor->Width() && clipMask->Height() == clipColor->Height();
    const bool format = target && target->Bitmap && target->Mask && target->Width > 0 && target->Height > 0 &&
                        target->Bitmap->Width() == target->Width && target->Bitmap->Height() == target->Height &&
                        target->Mask->Width() == target->Width && target->Mask->Height() == target->Height;
    if (!picture || !format || viewWidth <= 0 || viewHeight <= 0) {
        ClipColor = nullptr;
        ClipMask = nullptr;
        ClipRect = Rect{};
        return false;
    }
    const int w = target->Width;
    const int h = target->Height;
    VariantLayout = PasteGeometry::LayoutVariants(target->ColorType, w, h);
    ViewZoom = PasteGeometry::InitialZoom(viewWidth, viewHeight, w, h);
    SelectedVariant = 0;
    TargetRect = SizeRect(w, h);
    for (size_t i = 0; i < Variants.size(); ++i) {
        VariantPreviews[i] = Bitmap24(w, h);
        CopyOfTarget(*target, Variants[i]);
    }
    CopyOfTarget(*target, Layer);
    ToTrueColor(Layer);
    CopyOfTarget(*target, TrueColorCopy);
    ExpandPaletteIndices(*TrueColorCopy.Bitmap, TargetRect,
                         IsPaletteColorType(target->ColorType) ? &target->Palette : nullptr);
    ToTrueColor(TrueColorCopy);
    ViewBitmap = Bitmap24(viewWidth, viewHeight);
    CompositePreview = Bitmap24(w, h);
    VariantImage = Bitmap24(PasteGeometry::VariantImageWidth, PasteGeometry::VariantImageHeight);
    open_ = true;
    LayoutView();
    SetFrameRect(Rect{0, 0, ClipWidth(), ClipHeight()}, ClipAspect());
    Compose();
    BuildVariants();
    return true;
}

void TPasteFrame::Close()
{
    open_ = false;
    ViewBitmap = Bitmap24();
    CompositePreview = Bitmap24();
    VariantImage = Bitmap24();
    for (Bitmap24& preview : VariantPreviews) preview = Bitmap24();
    for (TIconImageRec& variant : Variants) FreeFormat(variant);
    FreeFormat(Layer);
    FreeFormat(TrueColorCopy);
    ClipColor = nullptr;
    ClipMask = nullptr;
    ClipRect = Rect{};
    Target = nullptr;
    LayerIsDraft = false;
    frameColor_ = Bitmap24();
    frameMask_ = Bitmap24();
    lastFrameW_ = lastFrameH_ = -1;
}

void TPasteFrame::SetFrameRect(const Rect& frame, double aspect)
{
    // The commit pastes the unrotated rectangle, so the frame never turns.
    Frame.SetFrame(false, frame.Left, frame.Top, frame.Right, frame.Bottom, 0.0, aspect);
}

Rect TPasteFrame::GetFrameRect()
{
    const TFramePlacement p = Frame.GetPlacement(1);
    FrameCX = p.CentreX;
    FrameCY = p.CentreY;
    FrameW = p.Width;
    FrameH = p.Height;
    FrameAngle = p.Angle;
    return PhotoCrop::FrameRect(p.CentreX, p.CentreY, p.Width, p.Height);
}

void TPasteFrame::LayoutView()
{
    if (!open_) return;
    TargetView = PasteGeometry::TargetView(ViewBitmap.Width(), ViewBitmap.Height(), TargetRect.Width(),
                                           TargetRect.Height(), ViewZoom);
}

void TPasteFrame::Compose(bool draft)
{
    if (!open_) return;
    const Rect frame = GetFrameRect();
    Layer.Bitmap->Fill(0x000000);
    Layer.Mask->Fill(0xFFFFFF);
    const PasteGeometry::TComposePlan plan =
        PasteGeometry::PlanCompose(frame, TargetView, ClipWidth(), ClipHeight(), ViewZoom);
    if (plan.Valid && draft) {
        // Through the frame's view pixels, from the frame-sized copy when there is one: both give
        // the same pixels, so a drag never flickers between them.
        const Rect local = RectToLocal(IntersectRects(frame, TargetView), frame.Left, frame.Top);
        const bool copy = UseFrameCopy(frame);
        SampleThroughFrame(copy ? frameColor_ : *ClipColor, local, frame.Width(), frame.Height(), *Layer.Bitmap,
                           plan.Dest);
        SampleThroughFrame(copy ? frameMask_ : *ClipMask, local, frame.Width(), frame.Height(), *Layer.Mask,
                           plan.Dest);
    } else if (plan.Valid) {
        ResampleRect(*ClipColor, *Layer.Bitmap, plan.Source, plan.Dest);
        StretchCopyNearest(*ClipMask, plan.Source, *Layer.Mask, plan.Dest);
    }
    LayerIsDraft = draft;
    MergeIconImageOver(Layer, TrueColorCopy, TargetRect, 255);
    DrawIconImage(CompositePreview, TargetRect, 0xFFFFFF, Layer);
    DrawView();
}

bool TPasteFrame::UseFrameCopy(const Rect& frame)
{
    const int w = frame.Width();
    const int h = frame.Height();
    const int64_t area = int64_t(w) * h;
    const bool worth = w > 0 && h > 0 && area <= 4 * int64_t(ViewBitmap.Width()) * ViewBitmap.Height() &&
                       area < int64_t(ClipWidth()) * ClipHeight();
    const bool sameSize = w == lastFrameW_ && h == lastFrameH_;
    lastFrameW_ = w;
    lastFrameH_ = h;
    if (!worth) return false;
    if (frameColor_.Width() == w && frameColor_.Height() == h) return true;
    // A scaling drag changes the size at every move: no copy is made for it.
    if (!sameSize) return false;
    frameColor_.SetSize(w, h);
    frameMask_.SetSize(w, h);
    StretchCopyNearest(*ClipColor, ClipRect, frameColor_, SizeRect(w, h));
    StretchCopyNearest(*ClipMask, ClipRect, frameMask_, SizeRect(w, h));
    return true;
}

void TPasteFrame::DrawView()
{
    if (!open_ || ViewBitmap.IsEmpty()) return;
    const Rect frame = GetFrameRect();
    ViewBitmap.Fill(0xFFFFFF);
    // Only the view pixels the frame covers are computed, however large the picture; the
    // frame-sized copy gives the same pixels.
    const bool copy = frameColor_.Width() == frame.Width() && frameColor_.Height() == frame.Height();
    StretchNearestClipped(copy ? frameColor_ : *ClipColor, ViewBitmap, frame);
    StretchNearestClipped(CompositePreview, ViewBitmap, TargetView);
    QImage image = ViewBitmap.Image();
    QPainter p(&image);
    Frame.Draw(p, QColor(Qt::white));
    p.setPen(QPen(QColor(255, 0, 0), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(TargetView.Left, TargetView.Top, TargetView.Width() - 1, TargetView.Height() - 1);
}

void TPasteFrame::BuildVariants()
{
    if (!open_) return;
    if (IsPaletteTarget()) {
        for (size_t i = 0; i < Variants.size(); ++i) {
            TIconImageRec& v = Variants[i];
            std::copy_n(Target->Palette.palPalEntry.begin(), 256, v.Palette.palPalEntry.begin());
            v.Palette.palNumEntries = Target->Palette.palNumEntries;
            QuantizeToPalette(*Layer.Bitmap, *v.Bitmap, v.Palette, Target->Palette.palNumEntries,
                              PasteVariants()[i].Dither, PasteVariants()[i].PaletteMode);
            CompositeOnColor(*v.Bitmap, *Layer.Mask, &v.Palette, VariantPreviews[i], 0xFFFFFF, TargetRect);
        }
    }
    DrawVariants();
}

void TPasteFrame::DrawVariants()
{
    if (!open_ || VariantImage.IsEmpty()) return;
    VariantImage.Fill(PanelColor);
    const auto& rects = VariantLayout.Rects;
    if (!IsPaletteTarget()) {
        DrawIconImage(VariantImage, rects[0], 0xFFFFFF, Layer);
    } else {
        for (size_t i = 0; i < 4; ++i)
            CopyBitmapRect(VariantPreviews[i], TargetRect, VariantImage, rects[i].Left, rects[i].Top);
    }
    QImage image = VariantImage.Image();
    QPainter p(&image);
    if (IsPaletteTarget()) {
        p.setPen(Qt::black);
        const QFontMetrics metrics(p.font());
        for (size_t i = 0; i < 4; ++i) {
            const Rect& box = rects[i + 4];
            p.drawText(box.Left, box.Top + metrics.ascent(), QString::fromLatin1(PasteVariants()[i].Line1));
            p.drawText(box.Left, box.Top + 12 + metrics.ascent(), QString::fromLatin1(PasteVariants()[i].Line2));
        }
    }
    const Rect& chosen = rects[size_t(8 + std::clamp(SelectedVariant, 0, 3))];
    if (!chosen.IsEmpty()) {
        QPen pen(QColor(255, 0, 0));
        pen.setWidth(3);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(chosen.Left, chosen.Top, chosen.Width() - 1, chosen.Height() - 1);
    }
}

bool TPasteFrame::PickVariantAt(int x, int y)
{
    if (!open_) return false;
    const int i = PasteGeometry::VariantAt(VariantLayout, x, y);
    if (i < 0 || i == SelectedVariant) return false;
    SelectedVariant = i;
    DrawVariants();
    return true;
}

void TPasteFrame::FitWidth(bool ratioLock)
{
    if (!open_) return;
    SetFrameRect(PhotoCrop::FitWidth(TargetView, ClipWidth(), ClipHeight()), ratioLock ? ClipAspect() : 0);
}

void TPasteFrame::FitHeight(bool ratioLock)
{
    if (!open_) return;
    SetFrameRect(PhotoCrop::FitHeight(TargetView, ClipWidth(), ClipHeight()), ratioLock ? ClipAspect() : 0);
}

void TPasteFrame::ActualSize()
{
    if (!open_) return;
    SetFrameRect(PhotoCrop::ActualSize(TargetView, ClipWidth(), ClipHeight()), 0);
}

bool TPasteFrame::ZoomIn()
{
    if (!open_) return false;
    const double before = ViewZoom;
    ViewZoom = PhotoCrop::ZoomIn(ViewZoom);
    if (ViewZoom == before) return false;
    LayoutView();
    return true;
}

bool TPasteFrame::ZoomOut()
{
    if (!open_) return false;
    const double before = ViewZoom;
    ViewZoom = PhotoCrop::ZoomOut(ViewZoom);
    if (ViewZoom == before) return false;
    LayoutView();
    return true;
}

void TPasteFrame::ApplyControls(int x, int y, int wRatio, int hRatio, bool ratioLock)
{
    if (!open_) return;
    const Rect frame = PasteGeometry::FrameFromControls(x, y, wRatio, hRatio, ratioLock, ClipWidth(), ClipHeight(),
                                                        ViewZoom);
    SetFrameRect(frame, ratioLock ? ClipAspect() : 0);
}

PasteGeometry::TRatioControls TPasteFrame::Controls()
{
    GetFrameRect();
    return PasteGeometry::ControlsFromFrame(FrameCX, FrameCY, FrameW, FrameH, ClipWidth(), ClipHeight(), ViewZoom);
}

bool TPasteFrame::Commit()
{
    if (!open_ || !Target) return false;
    // A drag's draft never reaches the format: the picture is resampled properly first.
    if (LayerIsDraft) {
        Compose();
        BuildVariants();
    }
    if (IsPaletteTarget()) {
        const TIconImageRec& chosen = Variants[size_t(std::clamp(SelectedVariant, 0, 3))];
        *Target->Bitmap = *chosen.Bitmap;
        std::copy_n(chosen.Palette.palPalEntry.begin(), 256, Target->Palette.palPalEntry.begin());
    } else {
        *Target->Bitmap = *Layer.Bitmap;
    }
    *Target->Mask = *Layer.Mask;
    // Only true colour with alpha keeps partial transparency, as the icon file stores it.
    if (Target->ColorType != ctTrueAlpha) HardenMask(*Target->Mask);
    return true;
}
