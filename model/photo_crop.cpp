// Photo-to-icon's view geometry; see photo_crop.h.
#include "model/photo_crop.h"

#include <algorithm>
#include <cstdint>

#include "platform/rounding.h"
#include "platform/small_routines.h"

namespace PhotoCrop {

namespace {

int ClampInt(int64_t v) { return int(std::clamp<int64_t>(v, -(int64_t(1) << 30), int64_t(1) << 30)); }

// a * b div c in 64 bits, truncating toward zero; 0 when c is 0.
int MulDiv(int64_t a, int64_t b, int64_t c) { return c == 0 ? 0 : ClampInt(a * b / c); }

} // namespace

double InitialZoom(int boxWidth, int boxHeight)
{
    const int zoom = (std::min(boxWidth, boxHeight) / ReferenceSize) / 2;
    // A box too small for even one reference square still shows one.
    return std::max(zoom, 1);
}

double ZoomIn(double zoom) { return zoom < MaxZoom ? zoom + 1 : zoom; }

double ZoomOut(double zoom)
{
    // The steps below 1 are taken in extended precision, which is what makes 0.2 the last one.
    long double z = zoom;
    if (z <= 0.3L) return zoom;
    z -= z > 1 ? 1.0L : 0.1L;
    return double(z);
}

Rect IconRect(int boxWidth, int boxHeight, double zoom)
{
    const double a = ReferenceSize * zoom;
    const int l = RoundInt((boxWidth - a) / 2);
    const int t = RoundInt((boxHeight - a) / 2);
    return Rect{l, t, RoundInt(a + l), RoundInt(a + t)};
}

Rect ResetFrame(const Rect& iconRect, double zoom, int pictureWidth, int pictureHeight)
{
    const double a = ReferenceSize * zoom;
    const int left = RoundInt(iconRect.Left + (a - pictureWidth) / 2);
    const int top = RoundInt(iconRect.Top + (a - pictureHeight) / 2);
    return Rect{left, top, left + pictureWidth, top + pictureHeight};
}

Rect FitWidth(const Rect& iconRect, int pictureWidth, int pictureHeight)
{
    const int h = MulDiv(iconRect.Width(), pictureHeight, pictureWidth);
    const int top = (iconRect.Top + iconRect.Bottom - h) / 2;
    return Rect{iconRect.Left, top, iconRect.Right, top + h};
}

Rect FitHeight(const Rect& iconRect, int pictureWidth, int pictureHeight)
{
    const int w = MulDiv(iconRect.Height(), pictureWidth, pictureHeight);
    const int left = (iconRect.Left + iconRect.Right - w) / 2;
    return Rect{left, iconRect.Top, left + w, iconRect.Bottom};
}

Rect ActualSize(const Rect& iconRect, int pictureWidth, int pictureHeight)
{
    return Rect{iconRect.Left, iconRect.Top, iconRect.Left + pictureWidth, iconRect.Top + pictureHeight};
}

Rect FrameFromControls(int x, int y, int wRatio, int hRatio, bool ratioLock, int pictureWidth, int pictureHeight)
{
    x = std::clamp(x, -SpinLimit, SpinLimit);
    y = std::clamp(y, -SpinLimit, SpinLimit);
    const int w = RoundInt(double(pictureWidth) * wRatio / 1000);
    const int h = ratioLock ? MulDiv(w, pictureHeight, pictureWidth) : RoundInt(double(pictureHeight) * hRatio / 1000);
    return Rect{x, y, x + w, y + h};
}

TCropControls ControlsFromFrame(int centreX, int centreY, int width, int height, int pictureWidth, int pictureHeight)
{
    TCropControls c;
    c.X = std::clamp(centreX - width / 2, -SpinLimit, SpinLimit);
    c.Y = std::clamp(centreY - height / 2, -SpinLimit, SpinLimit);
    const auto ratio = [](int side, int picture) {
        return picture > 0 ? std::clamp(RoundInt(double(side) * 1000 / picture), MinRatio, MaxRatio) : DefaultRatio;
    };
    c.WRatio = ratio(width, pictureWidth);
    c.HRatio = ratio(height, pictureHeight);
    return c;
}

Rect FrameRect(int centreX, int centreY, int width, int height)
{
    const int left = centreX - width / 2;
    const int top = centreY - height / 2;
    return Rect{left, top, left + width, top + height};
}

TCropPlan PlanCrop(const Rect& frame, const Rect& iconRect, int pictureWidth, int pictureHeight, int masterSize)
{
    TCropPlan plan;
    const Rect visible = IntersectRects(frame, iconRect);
    if (visible.IsEmpty() || frame.Width() <= 0 || frame.Height() <= 0) return plan;
    const int side = std::max(iconRect.Width(), iconRect.Height());
    if (side <= 0 || pictureWidth <= 0 || pictureHeight <= 0) return plan;
    plan.Valid = true;
    plan.SourceRect = ScaleRect(RectToLocal(visible, frame.Left, frame.Top), double(pictureWidth) / frame.Width(),
                                double(pictureHeight) / frame.Height());
    plan.VisibleInIcon = RectToLocal(visible, iconRect.Left, iconRect.Top);
    const double k = double(masterSize) / side;
    plan.CropDest = ScaleRect(plan.VisibleInIcon, k, k);
    return plan;
}

} // namespace PhotoCrop
