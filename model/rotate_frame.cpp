// The move, scale and rotate frame's geometry, hit tests, drags and overlay drawing.
// See rotate_frame.h for how owners use it.
#include "model/rotate_frame.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <QPainter>
#include <QPen>

#include "platform/rounding.h"

namespace {

// Below this (relative to the lines' lengths) two lines count as parallel.
constexpr double ParallelEpsilon = 1e-9;

// A frame is axis-parallel only when its angle is a whole number of quarter turns. The angle is
// compared, not its sine: a turn given in degrees or radians leaves float noise in the sine or
// cosine of a quarter turn (cos 90 degrees is 6e-17), which this absorbs, while any real turn,
// however small (0.0000001 degrees is 1.7e-9 radians), stays a turn.
constexpr double QuarterTurnNoise = 1e-12;

bool IsQuarterTurn(double sinA, double cosA)
{
    const double off = std::remainder(std::atan2(sinA, cosA), std::numbers::pi / 2);
    return std::fabs(off) < QuarterTurnNoise;
}

TFramePoint Add(TFramePoint a, TFramePoint b) { return {a.X + b.X, a.Y + b.Y}; }
TFramePoint Sub(TFramePoint a, TFramePoint b) { return {a.X - b.X, a.Y - b.Y}; }
TFramePoint Scale(TFramePoint a, double k) { return {a.X * k, a.Y * k}; }
double Dot(TFramePoint a, TFramePoint b) { return a.X * b.X + a.Y * b.Y; }
double Cross(TFramePoint a, TFramePoint b) { return a.X * b.Y - a.Y * b.X; }

} // namespace

void TRotateFrame::SetHandlePoint(int i, TFramePoint p)
{
    Handles[size_t(i)].X = p.X;
    Handles[size_t(i)].Y = p.Y;
}

void TRotateFrame::SetFrameDegrees(double x1, double y1, double x3, double y3, double angleDegrees)
{
    const double a = -angleDegrees * std::numbers::pi / 180.0;
    SinA = std::sin(a);
    CosA = std::cos(a);
    SetHandlePoint(fhP1, {x1, y1});
    SetHandlePoint(fhP3, {x3, y3});
    Update();
}

void TRotateFrame::SetFrame(bool rotateEnabled, double x1, double y1, double x3, double y3, double angleRadians,
                            double aspectRatio)
{
    SinA = std::sin(angleRadians);
    CosA = std::cos(angleRadians);
    SetHandlePoint(fhP1, {x1, y1});
    SetHandlePoint(fhP3, {x3, y3});
    AspectRatio = aspectRatio;
    RotateEnabled = rotateEnabled;
    Handles[fhRotate1].Visible = rotateEnabled;
    Handles[fhRotate2].Visible = rotateEnabled;
    Update();
}

void TRotateFrame::Update()
{
    const TFramePoint p1 = HandlePoint(fhP1);
    const TFramePoint p3 = HandlePoint(fhP3);
    const TFramePoint u{CosA, SinA};
    const TFramePoint v{-SinA, CosA};
    const TFramePoint d = Sub(p3, p1);
    const double w = Dot(d, u);
    const double h = Dot(d, v);
    const TFramePoint p4 = Sub(p3, Scale(u, w));
    const TFramePoint p2 = Sub(p3, Scale(v, h));
    SetHandlePoint(fhP2, p2);
    SetHandlePoint(fhP4, p4);

    const TFramePoint centre = Scale(Add(p1, p3), 0.5);
    SetHandlePoint(fhCentre, centre);
    Radius = std::min(Distance(p1, p2), Distance(p2, p3)) / 2;

    const double diagonal = Distance(p3, p1);
    const TFramePoint e = diagonal > 0 ? Scale(d, 1 / diagonal) : TFramePoint{0, 0};
    SetHandlePoint(fhRotate1, Sub(centre, Scale(e, Radius)));
    SetHandlePoint(fhRotate2, Add(centre, Scale(e, Radius)));

    SetHandlePoint(fhEdge12, Scale(Add(p1, p2), 0.5));
    SetHandlePoint(fhEdge23, Scale(Add(p3, p2), 0.5));
    SetHandlePoint(fhEdge34, Scale(Add(p3, p4), 0.5));
    SetHandlePoint(fhEdge14, Scale(Add(p1, p4), 0.5));

    const double half = HandleHalfSize;
    for (TFrameHandle& handle : Handles)
        handle.HitRect = {RoundInt(handle.X - half), RoundInt(handle.Y - half), RoundInt(handle.X + half + 1),
                          RoundInt(handle.Y + half + 1)};
}

TFramePlacement TRotateFrame::GetPlacement(double zoom) const
{
    if (!(zoom > 0)) zoom = 1;
    TFramePlacement p;
    p.CentreX = RoundInt(Handles[fhCentre].X / zoom);
    p.CentreY = RoundInt(Handles[fhCentre].Y / zoom);
    p.Width = RoundInt(Distance(HandlePoint(fhP1), HandlePoint(fhP2)) / zoom);
    p.Height = RoundInt(Distance(HandlePoint(fhP2), HandlePoint(fhP3)) / zoom);
    p.Angle = RoundInt(-std::atan2(SinA, CosA) * 180.0 / std::numbers::pi);
    return p;
}

int TRotateFrame::MouseEvent(int kind, int x, int y, Qt::MouseButtons buttons)
{
    if (kind == mkPress) {
        LastPoint = {x, y};
        ActiveHandle = HitTest(LastPoint);
        return -1;
    }
    if (kind == mkMove) {
        int result = -1;
        if ((buttons & Qt::LeftButton) && ActiveHandle >= 0) {
            DragHandle(ActiveHandle, x, y);
            result = ActiveHandle;
        }
        LastPoint = {x, y};
        return result;
    }
    return -1;
}

int TRotateFrame::HitTest(Point p) const
{
    for (int i = 0; i < HandleCount; ++i) {
        const TFrameHandle& h = Handles[size_t(i)];
        if (h.Visible && p.X >= h.HitRect.Left && p.X < h.HitRect.Right && p.Y >= h.HitRect.Top &&
            p.Y < h.HitRect.Bottom)
            return i;
    }
    const double px = p.X, py = p.Y;
    if (IsQuarterTurn(SinA, CosA)) {
        // Axis-parallel: strictly inside the box of the edge midpoints. Taking all four midpoints
        // (not only 6 and 8 across, 5 and 7 down) gives the same box unturned and the right one
        // at a quarter turn, where 6 and 8 share their x.
        double minX = Handles[fhEdge12].X, maxX = minX, minY = Handles[fhEdge12].Y, maxY = minY;
        for (int i = fhEdge23; i <= fhEdge14; ++i) {
            minX = std::min(minX, Handles[size_t(i)].X);
            maxX = std::max(maxX, Handles[size_t(i)].X);
            minY = std::min(minY, Handles[size_t(i)].Y);
            maxY = std::max(maxY, Handles[size_t(i)].Y);
        }
        return minX < px && px < maxX && minY < py && py < maxY ? fhCentre : fhNone;
    }
    // Turned: strictly between the lines of the edges p1-p2 and p4-p3, measured along their normal v.
    const TFramePoint v{-SinA, CosA};
    const TFramePoint p1 = HandlePoint(fhP1);
    const double s = Dot(Sub({px, py}, p1), v);
    const double h = Dot(Sub(HandlePoint(fhP3), p1), v);
    return std::min(0.0, h) < s && s < std::max(0.0, h) ? fhCentre : fhNone;
}

void TRotateFrame::DragHandle(int handle, int x, int y)
{
    if (handle < 0 || handle >= HandleCount) return;
    const double A = AspectRatio;
    const bool kept = A > 0;
    const TFramePoint u{CosA, SinA};
    const TFramePoint v{-SinA, CosA};
    const TFramePoint mouse{double(x), double(y)};
    TFramePoint p1 = HandlePoint(fhP1);
    TFramePoint p3 = HandlePoint(fhP3);

    // p1 and p3 from the corners p2 and p4 (one of them dragged, the other kept), along the
    // frame's axes.
    auto fromP2P4 = [&](TFramePoint p2, TFramePoint p4) {
        const TFramePoint d = Sub(p4, p2);
        p3 = Sub(p4, Scale(u, Dot(d, u)));
        p1 = Sub(p4, Scale(v, Dot(d, v)));
    };
    // Aspect-kept rules, in canvas axes.
    auto keepP1MoveP3ByX = [&] { p3 = {double(x), p1.Y + (x - p1.X) / A}; };
    auto keepP1MoveP3ByY = [&] { p3 = {p1.X + (y - p1.Y) * A, double(y)}; };
    auto keepP3MoveP1ByX = [&] { p1 = {double(x), p3.Y - (p3.X - x) / A}; };
    auto keepP3MoveP1ByY = [&] { p1 = {p3.X - (p3.Y - y) * A, double(y)}; };
    // An edge drag whose lines are parallel leaves the corner where it is.
    auto slide = [&](TFramePoint& corner, TFramePoint along, TFramePoint across) {
        TFramePoint at;
        if (IntersectLines(corner, along, mouse, across, at)) corner = at;
    };

    switch (handle) {
    case fhCentre: {
        const TFramePoint step{double(x) - LastPoint.X, double(y) - LastPoint.Y};
        p1 = Add(p1, step);
        p3 = Add(p3, step);
        break;
    }
    case fhP1:
        if (kept) keepP3MoveP1ByX();
        else p1 = mouse;
        break;
    case fhP2:
        if (kept) keepP1MoveP3ByX();
        else fromP2P4(mouse, HandlePoint(fhP4));
        break;
    case fhP3:
        if (kept) keepP1MoveP3ByX();
        else p3 = mouse;
        break;
    case fhP4:
        if (kept) keepP1MoveP3ByY();
        else fromP2P4(HandlePoint(fhP2), mouse);
        break;
    case fhEdge12:
        if (kept) keepP3MoveP1ByY();
        else slide(p1, v, u);
        break;
    case fhEdge23:
        if (kept) keepP1MoveP3ByX();
        else slide(p3, u, v);
        break;
    case fhEdge34:
        if (kept) keepP1MoveP3ByY();
        else slide(p3, v, u);
        break;
    case fhEdge14:
        if (kept) keepP3MoveP1ByX();
        else slide(p1, u, v);
        break;
    case fhRotate1:
    case fhRotate2:
        Rotate(handle, x, y);
        Update();
        return;
    default: break;
    }
    SetHandlePoint(fhP1, p1);
    SetHandlePoint(fhP3, p3);
    Update();
}

void TRotateFrame::Rotate(int handle, int x, int y)
{
    const TFramePoint centre = HandlePoint(fhCentre);
    const TFramePoint toMouse = Sub({double(x), double(y)}, centre);
    const TFramePoint toHandle = Sub(HandlePoint(handle), centre);
    const double lm = std::hypot(toMouse.X, toMouse.Y);
    const double lh = std::hypot(toHandle.X, toHandle.Y);
    // The mouse on the centre, or a frame of no size: no direction to turn by.
    if (!(lm > 0) || !(lh > 0)) return;
    const TFramePoint n = Scale(toMouse, 1 / lm);
    const TFramePoint m = Scale(toHandle, 1 / lh);
    const double c = m.X * n.X + m.Y * n.Y;
    const double s = m.Y * n.X - m.X * n.Y;
    const double sinA = SinA * c - CosA * s;
    const double cosA = CosA * c + SinA * s;
    SinA = sinA;
    CosA = cosA;
    for (int i : {fhP1, fhP3}) {
        const TFramePoint p = HandlePoint(i);
        const double dx = p.X - centre.X, dy = p.Y - centre.Y;
        SetHandlePoint(i, {double(RoundInt(centre.X + dx * c + dy * s)), double(RoundInt(centre.Y + dy * c - dx * s))});
    }
}

double TRotateFrame::Distance(TFramePoint a, TFramePoint b) { return std::sqrt((a.Y - b.Y) * (a.Y - b.Y) + (a.X - b.X) * (a.X - b.X)); }

bool TRotateFrame::IntersectLines(TFramePoint p1, TFramePoint d1, TFramePoint p2, TFramePoint d2, TFramePoint& at)
{
    // Cross-product form: no slopes, so vertical lines need no case of their own and nearly
    // parallel ones are caught before the division.
    const double det = Cross(d1, d2);
    const double scale = std::hypot(d1.X, d1.Y) * std::hypot(d2.X, d2.Y);
    if (!(scale > 0) || std::fabs(det) < ParallelEpsilon * scale) return false;
    const double t = Cross(Sub(p2, p1), d2) / det;
    at = Add(p1, Scale(d1, t));
    return true;
}

void TRotateFrame::Draw(QPainter& painter, const QColor& handleColour) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    // A black pen merged as "destination OR NOT pen" leaves every pixel it touches white, so the
    // outline is simply drawn white; that also works on painters without raster operations.
    QPen dotted(Qt::white);
    dotted.setStyle(Qt::DotLine);
    dotted.setWidth(0);
    painter.setPen(dotted);
    painter.setBrush(Qt::NoBrush);
    const QPoint corners[5] = {
        QPoint(RoundInt(Handles[fhP1].X), RoundInt(Handles[fhP1].Y)),
        QPoint(RoundInt(Handles[fhP2].X), RoundInt(Handles[fhP2].Y)),
        QPoint(RoundInt(Handles[fhP3].X), RoundInt(Handles[fhP3].Y)),
        QPoint(RoundInt(Handles[fhP4].X), RoundInt(Handles[fhP4].Y)),
        QPoint(RoundInt(Handles[fhP1].X), RoundInt(Handles[fhP1].Y)),
    };
    painter.drawPolyline(corners, 5);
    if (RotateEnabled) {
        const TFrameHandle& c = Handles[fhCentre];
        const int left = RoundInt(c.X - Radius), top = RoundInt(c.Y - Radius);
        const int right = RoundInt(c.X + Radius), bottom = RoundInt(c.Y + Radius);
        // Right and bottom are exclusive: the pen runs one pixel inside them.
        painter.drawEllipse(QRect(left, top, std::max(right - left - 1, 0), std::max(bottom - top - 1, 0)));
    }
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(handleColour);
    for (int i = fhP1; i < HandleCount; ++i) {
        const TFrameHandle& h = Handles[size_t(i)];
        if (!h.Visible) continue;
        painter.drawEllipse(QRect(h.HitRect.Left, h.HitRect.Top, h.HitRect.Width() - 1, h.HitRect.Height() - 1));
    }
    painter.restore();
}
