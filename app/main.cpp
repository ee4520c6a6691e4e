// The editor's entry: makes the application's windows in order, runs the event loop, and frees
// the windows in the reverse order when the main window has closed. Every argument is a file to open.
#include "app/app_windows.h"
#include "app/application.h"
#include "workspace/main_form.h"

int main(int argc, char** argv)
{
    TApplication app(argc, argv);
    Tfrm_main* mainWindow = AppWindows::CreateApplicationWindows(QApplication::arguments().mid(1));
    mainWindow->show();
    const int result = app.exec();
    AppWindows::FreeAll();
    return result;
}
