// The editor's entry: makes the application's windows in order, runs the event loop, and frees
// the windows in the reverse order when the main window has closed.
#include <QApplication>

#include "workspace/about_form.h"
#include "workspace/add_new_image_form.h"
#include "workspace/app_windows.h"
#include "workspace/dele_icon_image_form.h"
#include "workspace/main_form.h"
#include "workspace/preview_form.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavrin"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tavrin"));

    auto* mainWindow = new Tfrm_main;
    AppWindows::Register(mainWindow);
    // The other long-lived windows are created here, in this order, as each joins the program:
    // about box, add-format dialog, gradient editor, font window, icon library, paste window,
    // delete-format dialog, preview window, photo-to-icon, cartoon options.
    AppWindows::Register(new Tfrm_about);
    AppWindows::Register(new Tfrm_add_new_image);
    AppWindows::Register(new Tfrm_DeleIconImage);
    auto* preview = new Tfrm_preview;
    AppWindows::Register(preview);
    mainWindow->PreviewWindow = preview;

    mainWindow->CommandLine = QApplication::arguments().mid(1);
    mainWindow->show();
    const int result = app.exec();
    AppWindows::FreeAll();
    return result;
}
