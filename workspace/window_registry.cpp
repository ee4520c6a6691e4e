#include "workspace/window_registry.h"

#include <QCoreApplication>
#include <QEvent>
#include <QList>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QWidget>

#include "workspace/main_form.h"

namespace {
QList<QPointer<QWidget>>& Windows()
{
    static QList<QPointer<QWidget>> windows;
    return windows;
}
} // namespace

namespace AppWindows {

void Register(QWidget* window) { Windows().append(window); }

void FreeAll()
{
    // Windows closed during the run may still wait for their deferred deletion.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (frm_main) {
        const QList<QMdiSubWindow*> documents = frm_main->MdiArea()->subWindowList(QMdiArea::CreationOrder);
        for (auto it = documents.rbegin(); it != documents.rend(); ++it) delete *it;
    }
    QList<QPointer<QWidget>>& windows = Windows();
    while (!windows.isEmpty()) {
        QPointer<QWidget> w = windows.takeLast();
        delete w.data();
    }
}

} // namespace AppWindows
