// The list of long-lived windows in their order of creation; see window_registry.h.
#include "workspace/window_registry.h"

#include <QList>
#include <QPointer>
#include <QWidget>

namespace {
QList<QPointer<QWidget>>& Windows()
{
    static QList<QPointer<QWidget>> windows;
    return windows;
}
} // namespace

namespace AppWindows {

void Register(QWidget* window) { Windows().append(window); }

QWidget* TakeLast() { return Windows().isEmpty() ? nullptr : Windows().takeLast().data(); }

bool AnyRegistered() { return !Windows().isEmpty(); }

} // namespace AppWindows
