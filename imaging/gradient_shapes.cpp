// The rectangle and ellipse renderer: region rules per pixel, the five fill modes and the
// colour-type writing rules. See gradient_shapes.h for how the tools use it.
#include "imaging/gradient_shapes.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "imaging/icon_image.h"
#include "platform/rounding.h"

namespace {

// Stands for "this row or column misses the circle" in the corner and ellipse rules.
constexpr double NoCrossing = 65535.0;

// Palette formats keep an index in the red byte; a value beyond the palette would point past it.
int PaletteIndexMask(int32_t colorType)
{
    switch (colorType) {
    case ctColors2: return 1;
    case ctColors16: return 15;
    default: return 255;
    }
}

// Shared by the corner circle and the ellipse: from where the curve crosses this row (lx) and this
// column (ly), the nearer of the two distances and whether the pixel is on the inner side.
void CurveDistance(double dx, double dy, double lx, double ly, double& d, bool& inside)
{
    const double hd = std::fabs(dx - lx);
    const double vd = std::fabs(dy - ly);
    if (hd >= vd) {
        d = vd;
        inside = std::fabs(dy) < std::fabs(ly);
    } else {
        d = hd;
        inside = std::fabs(dx) < std::fabs(lx);
    }
}

bool InZone(const Rect& zone, int x, int y)
{
    return x >= zone.Left && x < zone.Right && y >= zone.Top && y < zone.Bottom;
}

} // namespace

void TGradientRect::NormaliseShapeRect()
{
    if (ShapeRect.Left > ShapeRect.Right) std::swap(ShapeRect.Left, ShapeRect.Right);
    if (ShapeRect.Top > ShapeRect.Bottom) std::swap(ShapeRect.Top, ShapeRect.Bottom);
}

bool TGradientRect::HasStrip() const { return GradientStrip && GradientStrip->Width() > 0 && GradientStrip->Height() > 0; }

void TGradientRect::StripColor(int64_t i, int& b, int& g, int& r) const
{
    const int64_t last = GradientStrip->Width() - 1;
    i = std::clamp<int64_t>(i, 0, last);
    const uint8_t* p = GradientStrip->Row(0) + i * 3;
    b = p[0];
    g = p[1];
    r = p[2];
}

void TGradientRect::Render()
{
    if (!ColorBitmap || !MaskBitmap) return;
    BorderR = ColorR(Color);
    BorderG = ColorG(Color);
    BorderB = ColorB(Color);
    // A negative width or radius would turn the bounds inside out; treat it as none.
    const int b = std::max(BorderWidth, 0);
    const int r = std::max(CornerRadius, 0);
    HalfBorder = b / 2.0;
    RadiusSq = int64_t(r) * r;

    NormaliseShapeRect();
    const int w = std::min(ColorBitmap->Width(), MaskBitmap->Width());
    const int h = std::min(ColorBitmap->Height(), MaskBitmap->Height());
    ShapeRect = LimitRect(ShapeRect, w, h);
    const Rect& s = ShapeRect;

    InnerTop = s.Top + b;
    InnerBottom = s.Bottom - b - 1;
    InnerLeft = s.Left + b;
    InnerRight = s.Right - b - 1;
    CentreX = (s.Left + s.Right) / 2;
    CentreY = (s.Top + s.Bottom) / 2;
    CornerCentre[0] = {s.Left + r, s.Top + r};
    CornerCentre[1] = {s.Right - r - 1, s.Top + r};
    CornerCentre[2] = {s.Left + r, s.Bottom - r - 1};
    CornerCentre[3] = {s.Right - r - 1, s.Bottom - r - 1};
    if (r > 0) {
        CornerZone[0] = {s.Left, s.Top, std::min(s.Left + r, CentreX), std::min(s.Top + r, CentreY)};
        CornerZone[1] = {std::max(s.Right - r - 1, CentreX), s.Top, s.Right, std::min(s.Top + r, CentreY)};
        CornerZone[2] = {s.Left, std::max(s.Bottom - r - 1, CentreY), std::min(s.Left + r, CentreX), s.Bottom};
        CornerZone[3] = {std::max(s.Right - r - 1, CentreX), std::max(s.Bottom - r - 1, CentreY), s.Right, s.Bottom};
    } else {
        // Square corners: the bottom-right zone would otherwise keep its one pixel (r - 1 = -1)
        // and judge the corner pixel by a circle of radius 0.
        CornerZone.fill(Rect{});
    }
    Opacity = ColorB(AlphaColor);

    if (s.IsEmpty() || ColorType < ctColors2 || ColorType > ctTrueAlpha) return;
    // A gradient with no strip to read falls back to the solid fill rather than reading nothing.
    if (FillMode != fmSolid && FillMode >= fmVertical && FillMode <= fmRadial && !HasStrip()) {
        FillSolid();
        return;
    }
    switch (FillMode) {
    case fmSolid: FillSolid(); break;
    case fmVertical: FillVertical(); break;
    case fmHorizontal: FillHorizontal(); break;
    case fmBox: FillBox(); break;
    case fmRadial: FillRadial(); break;
    default: break;
    }
}

template <typename FillAt> void TGradientRect::FillWith(FillAt fillAt)
{
    for (int y = ShapeRect.Top; y < ShapeRect.Bottom; ++y) {
        uint8_t* maskRow = MaskBitmap->Row(y);
        uint8_t* colorRow = ColorBitmap->Row(y);
        for (int x = ShapeRect.Left; x < ShapeRect.Right; ++x) {
            int fb = 0, fg = 0, fr = 0;
            fillAt(x, y, fb, fg, fr);
            ShadePixel(x, y, maskRow, colorRow, fb, fg, fr);
        }
    }
}

void TGradientRect::FillSolid()
{
    const int fb = ColorB(FillColor), fg = ColorG(FillColor), fr = ColorR(FillColor);
    FillWith([&](int, int, int& b, int& g, int& r) {
        b = fb;
        g = fg;
        r = fr;
    });
}

void TGradientRect::FillVertical()
{
    const int64_t last = GradientStrip->Width() - 1;
    const int64_t span = std::max<int64_t>(int64_t(ShapeRect.Height()) - 2 * int64_t(std::max(BorderWidth, 0)), 1);
    FillWith([&](int, int y, int& b, int& g, int& r) { StripColor(last * (y - InnerTop) / span, b, g, r); });
}

void TGradientRect::FillHorizontal()
{
    const int64_t last = GradientStrip->Width() - 1;
    const int64_t span = std::max<int64_t>(int64_t(InnerRight) - InnerLeft, 1);
    FillWith([&](int x, int, int& b, int& g, int& r) { StripColor(last * (x - InnerLeft) / span, b, g, r); });
}

void TGradientRect::FillBox()
{
    const int64_t last = GradientStrip->Width() - 1;
    const int64_t ax = std::max<int64_t>((int64_t(InnerRight) - InnerLeft) / 2, 1);
    const int64_t ay = std::max<int64_t>((int64_t(InnerBottom) - InnerTop) / 2, 1);
    FillWith([&](int x, int y, int& b, int& g, int& r) {
        const int64_t ux = std::llabs(int64_t(x) - CentreX);
        const int64_t uy = std::llabs(int64_t(y) - CentreY);
        StripColor(std::max(last * ux / ax, last * uy / ay), b, g, r);
    });
}

void TGradientRect::FillRadial()
{
    const int64_t last = GradientStrip->Width() - 1;
    const double ex = std::max<int64_t>(0, int64_t(InnerRight) - CentreX);
    const double ey = std::max<int64_t>(0, int64_t(InnerBottom) - CentreY);
    const double reach = std::sqrt(std::max(1.0, ex * ex + ey * ey));
    FillWith([&](int x, int y, int& b, int& g, int& r) {
        const double dx = double(x) - CentreX, dy = double(y) - CentreY;
        StripColor(RoundInt(double(last) * std::sqrt(dx * dx + dy * dy) / reach), b, g, r);
    });
}

int TGradientRect::PixelRegion(int x, int y, int& t) const
{
    t = 0;
    for (int i = 0; i < 4; ++i)
        if (InZone(CornerZone[size_t(i)], x, y)) return CornerRegion(x, y, CornerCentre[size_t(i)], t);
    if (y < InnerTop || y > InnerBottom || x < InnerLeft || x > InnerRight) return rgBorder;
    return rgInterior;
}

int TGradientRect::CornerRegion(int x, int y, Point centre, int& t) const
{
    const double R = std::max(CornerRadius, 0);
    const double R2 = double(RadiusSq);
    const double dx = double(x) - centre.X;
    const double dy = double(y) - centre.Y;
    double ly = NoCrossing, lx = NoCrossing;
    if (std::fabs(dx) <= R) {
        ly = std::sqrt(std::max(0.0, R2 - dx * dx));
        if (dy < 0) ly = -ly;
    }
    if (std::fabs(dy) <= R) {
        lx = std::sqrt(std::max(0.0, R2 - dy * dy));
        if (dx < 0) lx = -lx;
    }
    double d = 0;
    bool inside = false;
    CurveDistance(dx, dy, lx, ly, d, inside);
    t = 0;
    // With no border there is no band either, so the band's d / b never divides by zero.
    const int b = BorderWidth;
    if (b > 0) {
        if (d <= b - 1) return rgBorder;
        if (d <= b) {
            t = TruncInt(d * 255.0 / b);
            return inside ? rgInnerBand : rgOuterBand;
        }
    }
    if (inside && (lx != NoCrossing || ly != NoCrossing)) return rgInterior;
    t = 255;
    return rgOutside;
}

void TGradientRect::ShadePixel(int x, int y, uint8_t* maskRow, uint8_t* colorRow, int fillB, int fillG,
                               int fillR) const
{
    int t = 0;
    const int code = PixelRegion(x, y, t);
    if (!AntiAlias || IsPaletteColorType(ColorType)) t = t > 127 ? 255 : 0;

    const uint8_t border[3] = {uint8_t(BorderB), uint8_t(BorderG), uint8_t(BorderR)};
    const uint8_t fill[3] = {uint8_t(fillB), uint8_t(fillG), uint8_t(fillR)};
    uint8_t c[3];
    int g = 255;
    auto take = [&c](const uint8_t* from) { std::copy(from, from + 3, c); };
    switch (code) {
    case rgInterior:
        if (ShapeType == stOutline) return;
        take(fill);
        g = 0;
        break;
    case rgBorder:
        take(ShapeType == stFill ? fill : border);
        g = 0;
        break;
    case rgOuterBand:
        take(ShapeType == stFill ? fill : border);
        g = t;
        break;
    case rgInnerBand:
        if (ShapeType == stOutline) {
            take(border);
            g = t;
        } else if (ShapeType == stOutlineAndFill) {
            for (int ch = 0; ch < 3; ++ch) c[ch] = uint8_t((border[ch] * (255 - t) + fill[ch] * t) / 255);
            g = 0;
        } else {
            take(fill);
            g = 0;
        }
        break;
    default: return;
    }
    if (g >= 255) return;

    uint8_t* p = colorRow + size_t(x) * 3;
    uint8_t* m = maskRow + size_t(x) * 3;
    switch (ColorType) {
    case ctColors2:
    case ctColors16:
    case ctColors256:
        p[0] = p[1] = 0;
        p[2] = uint8_t(c[2] & PaletteIndexMask(ColorType));
        m[0] = m[1] = m[2] = 0;
        break;
    case ctTrueColor:
        for (int ch = 0; ch < 3; ++ch) p[ch] = uint8_t((c[ch] * (255 - g) + p[ch] * g) / 255);
        m[0] = m[1] = m[2] = 0;
        break;
    case ctTrueAlpha: CompositeOver(c, g, p, m); break;
    default: break;
    }
}

void TGradientRect::CompositeOver(const uint8_t c[3], int g, uint8_t* colorPixel, uint8_t* maskPixel) const
{
    if (Opacity < 1) {
        colorPixel[0] = colorPixel[1] = colorPixel[2] = 255;
        maskPixel[0] = maskPixel[1] = maskPixel[2] = 255;
        return;
    }
    const double aOld = (255 - maskPixel[0]) / 255.0;
    const double aSrc = (255 - g) * double(Opacity) / 65025.0;
    const double wOld = aOld * (1 - aSrc);
    const double aOut = 1 - (1 - aOld) * (1 - aSrc);
    // aSrc > 0 here (g < 255, Opacity >= 1), so aOut is too.
    if (aOut <= 0) return;
    for (int ch = 0; ch < 3; ++ch) colorPixel[ch] = RoundByte((colorPixel[ch] * wOld + c[ch] * aSrc) / aOut);
    const uint8_t mask = RoundByte(255 - aOut * 255);
    maskPixel[0] = maskPixel[1] = maskPixel[2] = mask;
}

void TGradientEllipse::Render()
{
    NormaliseShapeRect();
    const double b = std::max(BorderWidth, 0);
    const Rect& s = ShapeRect;
    EllipseCX = (double(s.Right) + s.Left - 1) / 2;
    EllipseCY = (double(s.Bottom) + s.Top - 1) / 2;
    SemiA = (double(s.Right) - s.Left - b - 1) / 2;
    SemiB = (double(s.Bottom) - s.Top - b - 1) / 2;
    SemiASq = SemiA * SemiA;
    SemiBSq = SemiB * SemiB;
    TGradientRect::Render();
}

int TGradientEllipse::PixelRegion(int x, int y, int& t) const
{
    t = 0;
    // Without a border there is no band on the curve either: a pixel is inside or not.
    const bool border = BorderWidth > 0;
    if (SemiA <= 0 || SemiB <= 0) return border ? rgBorder : rgInterior;
    const double h = HalfBorder;
    const double dx = x - EllipseCX;
    const double dy = y - EllipseCY;
    double ey = NoCrossing, ex = NoCrossing;
    if (std::fabs(dx) <= SemiA) {
        ey = std::sqrt(std::max(0.0, (1 - dx * dx / SemiASq) * SemiBSq));
        if (dy < 0) ey = -ey;
    }
    if (std::fabs(dy) <= SemiB) {
        ex = std::sqrt(std::max(0.0, SemiASq * (1 - dy * dy / SemiBSq)));
        if (dx < 0) ex = -ex;
    }
    double d = 0;
    bool inside = false;
    CurveDistance(dx, dy, ex, ey, d, inside);
    if (!border || d > h + 0.5) {
        if (inside && (ex != NoCrossing || ey != NoCrossing)) return rgInterior;
        t = 255;
        return rgOutside;
    }
    if (d >= h - 0.5) {
        t = std::clamp(TruncInt(d * 255.0 / (h + 0.5)), 0, 255);
        return inside ? rgInnerBand : rgOuterBand;
    }
    return rgBorder;
}
