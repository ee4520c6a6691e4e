#include "platform/ui/work_area.h"

#include <algorithm>
#include <cstdlib>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

Rect WorkAreaOf(const QWidget* widget)
{
    QScreen* screen = widget ? widget->screen() : nullptr;
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return Rect{};
    const QRect r = screen->availableGeometry();
    return MakeRect(r.x(), r.y(), r.x() + r.width(), r.y() + r.height());
}

namespace {

// Positions beyond this are no screen's; results are brought into it so they fit an int.
constexpr qint64 kFar = 1 << 24;

int ToInt(qint64 v) { return int(std::clamp(v, -kFar, kFar)); }

} // namespace

void KeepOnWorkArea(int& x, int& y, int w, int h, const Rect& workArea)
{
    qint64 nx = x, ny = y;
    const qint64 L = workArea.Left, T = workArea.Top, R = workArea.Right, B = workArea.Bottom;
    if (nx < L - w + 50) nx = L - w + 50;
    if (nx > R - 50) nx = R - 50;
    if (ny < T - h + 50) ny = T - h + 50;
    if (ny > B - 50) ny = B - 50;
    x = ToInt(nx);
    y = ToInt(ny);
}

void SnapToWorkArea(int& x, int& y, int w, int h, const Rect& workArea)
{
    qint64 nx = x, ny = y;
    const qint64 L = workArea.Left, T = workArea.Top, R = workArea.Right, B = workArea.Bottom;
    if (std::abs(nx - L) < 15) nx = L;
    if (std::abs(nx + w - R) < 15) nx = R - w;
    if (std::abs(ny - T) < 15) ny = T;
    if (std::abs(ny + h - B) < 15) ny = B - h;
    x = ToInt(nx);
    y = ToInt(ny);
}

QRect PlaceOnWorkArea(qint64 x, qint64 y, qint64 w, qint64 h, int titleHeight, bool sizeable, const Rect& workArea)
{
    const qint64 L = workArea.Left, T = workArea.Top, R = workArea.Right, B = workArea.Bottom;
    const qint64 areaW = std::max<qint64>(R - L, 1), areaH = std::max<qint64>(B - T, 1);
    w = std::clamp<qint64>(w, 1, sizeable ? areaW : kFar);
    h = std::clamp<qint64>(h, 1, sizeable ? areaH : kFar);
    const qint64 title = std::clamp<qint64>(titleHeight, 1, std::min(h, areaH));
    // Left-most wins when the window is wider than the work area: the title bar's start (icon,
    // caption) stays visible.
    x = std::max(std::min(x, R - w), L);
    y = std::max(std::min(y, B - title), T);
    return QRect(ToInt(x), ToInt(y), ToInt(w), ToInt(h));
}
