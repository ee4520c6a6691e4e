// Makes the windows in their order and hands them to the registry that frees them.
#include "app/app_windows.h"

#include <QApplication>
#include <QEvent>
#include <QList>
#include <QMdiArea>
#include <QMdiSubWindow>
#if QT_CONFIG(sessionmanager)
#include <QSessionManager>
#endif

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

namespace {

// The one way the run ends: the main window's close, whoever asks for it (File > Exit, the close
// box, Alt+F4, a quit request, the desktop session ending). Its questions may keep the program
// running; once it has closed, no other window keeps the event loop going.
class TShutDownRoute : public QObject {
public:
    explicit TShutDownRoute(Tfrm_main* mainWindow) : QObject(mainWindow), main_(mainWindow)
    {
        // The tool windows outlive the main window on screen and refuse to close, so the
        // loop never ended by itself once the main window was gone.
        QApplication::setQuitOnLastWindowClosed(false);
        connect(mainWindow, &Tfrm_main::ShutDownAccepted, this, &TShutDownRoute::EndRun);
        qApp->installEventFilter(this);
#if QT_CONFIG(sessionmanager)
        connect(qApp, &QGuiApplication::commitDataRequest, this, &TShutDownRoute::CommitData);
#endif
        // Ended some other way, the run still keeps where its windows were.
        connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
            if (main_->isVisible()) main_->SaveWindowState();
        });
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Quit || watched != QCoreApplication::instance()) return false;
        // A quit request goes through the main window's questions; a refusal keeps the run going.
        if (main_->isVisible() && !main_->close()) {
            event->ignore();
            return true;
        }
        return false;
    }

private:
    void EndRun()
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != main_ && w->isVisible()) w->hide();
        QCoreApplication::exit(0);
    }

#if QT_CONFIG(sessionmanager)
    void CommitData(QSessionManager& manager)
    {
        if (!main_->isVisible()) return;
        if (!manager.allowsInteraction()) {
            // Nobody can be asked: keep the settings at least, the session may end the process.
            main_->SaveWindowState();
            SavePositionFile();
            if (TReopenList* recent = main_->Reopen()) recent->Write();
            return;
        }
        const bool closed = main_->close();
        manager.release();
        if (!closed) manager.cancel();
    }
#endif

    Tfrm_main* main_;
};

} // namespace

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
    new TShutDownRoute(mainWindow);
    return mainWindow;
}

void FreeAll()
{
    // Windows closed during the run may still wait for their deferred deletion.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // The settings are written as the run ends; a failed write loses them, and says so.
    QStringList unsaved;
    QString error;
    if (frm_main && frm_main->Reopen() && !frm_main->Reopen()->Write(&error)) unsaved << error;
    if (frm_main) {
        const QList<QMdiSubWindow*> documents = frm_main->MdiArea()->subWindowList(QMdiArea::CreationOrder);
        for (auto it = documents.rbegin(); it != documents.rend(); ++it) delete *it;
    }
    while (AnyRegistered()) delete TakeLast();
    // Every window has saved its placement into the one copy of "position.cfg": written once.
    if (!SavePositionFile(&error)) unsaved << error;
    for (const QString& text : unsaved)
        MessageBox(nullptr, text, QStringLiteral("Tavrin"), TMsgButtons::Ok, TMsgIcon::Error);
}

} // namespace AppWindows
