#include "platform/ui/work_area.h"

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

void KeepOnWorkArea(int& x, int& y, int w, int h, const Rect& workArea)
{
    if (x < workArea.Left - w + 50) x = workArea.Left - w + 50;
    if (x > workArea.Right - 50) x = workArea.Right - 50;
    if (y < workArea.Top - h + 50) y = workArea.Top - h + 50;
    if (y > workArea.Bottom - 50) y = workArea.Bottom - 50;
}

void SnapToWorkArea(int& x, int& y, int w, int h, const Rect& workArea)
{
    if (std::abs(x - workArea.Left) < 15) x = workArea.Left;
    if (std::abs(x + w - workArea.Right) < 15) x = workArea.Right - w;
    if (std::abs(y - workArea.Top) < 15) y = workArea.Top;
    if (std::abs(y + h - workArea.Bottom) < 15) y = workArea.Bottom - h;
}
