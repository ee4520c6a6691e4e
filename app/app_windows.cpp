// Makes the windows in their order and hands them to the registry that frees them.
#include "app/app_windows.h"

#include <QCoreApplication>
#include <QEvent>
#include <QList>
#include <QMdiArea>
#include <QMdiSubWindow>

#include "creators/cartoon_option_form.h"
#include "creators/photo_to_icon_form.h"
#include "workspace/dialogs/about_form.h"
#include "workspace/dialogs/add_new_image_form.h"
#include "workspace/dialogs/dele_icon_image_form.h"
#include "workspace/font_form.h"
#include "workspace/gradient_color.h"
#include "workspace/icon_lib_form.h"
#include "workspace/base_form.h"
#include "workspace/main_form.h"
#include "workspace/paint_controller.h"
#include "workspace/paste_form.h"
#include "workspace/preview_form.h"

namespace AppWindows {

Tfrm_main* CreateApplicationWindows(const QStringList& files)
{
    QCoreApplication::setApplicationName(QStringLiteral("Tavrin"));
    auto* mainWindow = new Tfrm_main;
    Register(mainWindow);
    // The documents' painting lives as long as the frame; the frame frees its documents first.
    new TPaintController(mainWindow);
    // The other long-lived windows, in this order: about box, add-format dialog, gradient editor,
    // font window, icon library, paste window, delete-format dialog, preview window, photo-to-icon,
    // cartoon options (those not yet in the program join here in their place).
    Register(new Tfrm_about);
    Register(new Tfrm_add_new_image);
    Register(new Tfrm_GradientColor);
    Register(new Tfrm_font);
    // Owned by the main window, so it stays above the frame like the other tool windows.
    auto* library = new Tfrm_Icon_Lib(mainWindow);
    Register(library);
    mainWindow->IconLib = library;
    mainWindow->LibraryWindow = library;
    Register(new Tfrm_Paste);
    Register(new Tfrm_DeleIconImage);
    // Owned by the main window, as the history window is, so the editor's shortcuts still work
    // while the preview is the active window.
    auto* preview = new Tfrm_preview(mainWindow);
    Register(preview);
    mainWindow->PreviewWindow = preview;
    auto* photo = new Tfrm_PhotoToIcon;
    Register(photo);
    mainWindow->PhotoToIcon = photo;
    Register(new Tfrm_CartoonOption);
    mainWindow->CommandLine = files;
    return mainWindow;
}

void FreeAll()
{
    // Windows closed during the run may still wait for their deferred deletion.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (frm_main) {
        const QList<QMdiSubWindow*> documents = frm_main->MdiArea()->subWindowList(QMdiArea::CreationOrder);
        for (auto it = documents.rbegin(); it != documents.rend(); ++it) delete *it;
    }
    while (AnyRegistered()) delete TakeLast();
    // Every window has saved its placement into the one copy of "position.cfg": written once.
    SavePositionFile();
}

} // namespace AppWindows
