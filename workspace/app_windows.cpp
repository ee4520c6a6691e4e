#include "workspace/app_windows.h"

#include <QCoreApplication>
#include <QEvent>
#include <QList>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QWidget>

#include "workspace/about_form.h"
#include "workspace/add_new_image_form.h"
#include "workspace/dele_icon_image_form.h"
#include "workspace/main_form.h"
#include "workspace/preview_form.h"

namespace {
QList<QPointer<QWidget>>& Windows()
{
    static QList<QPointer<QWidget>> windows;
    return windows;
}
} // namespace

namespace AppWindows {

Tfrm_main* CreateApplicationWindows(const QStringList& files)
{
    QCoreApplication::setApplicationName(QStringLiteral("Tavrin"));
    auto* mainWindow = new Tfrm_main;
    Register(mainWindow);
    // The other long-lived windows, in this order: about box, add-format dialog, gradient editor,
    // font window, icon library, paste window, delete-format dialog, preview window, photo-to-icon,
    // cartoon options (those not yet in the program join here in their place).
    Register(new Tfrm_about);
    Register(new Tfrm_add_new_image);
    Register(new Tfrm_DeleIconImage);
    // Owned by the main window, as the history window is, so the editor's shortcuts still work
    // while the preview is the active window.
    auto* preview = new Tfrm_preview(mainWindow);
    Register(preview);
    mainWindow->PreviewWindow = preview;
    mainWindow->CommandLine = files;
    return mainWindow;
}

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
