#pragma once
// The application's long-lived windows, kept in order of creation so that shut-down frees them in
// the reverse order: the document windows first (most recent first), then the singleton windows,
// the main window last.
#include <QStringList>

class QWidget;
class Tfrm_main;

namespace AppWindows {

// Sets the application's names and creates its windows in order, the main window first; the
// main window opens the given files when it is first shown. Returns the main window, not yet shown.
Tfrm_main* CreateApplicationWindows(const QStringList& files);

// Adds a window to the end of the creation order; the list owns it from now on.
void Register(QWidget* window);
// Frees every document window of the main window's frame, then every registered window, each in
// the reverse order of creation. Windows already gone are skipped.
void FreeAll();

} // namespace AppWindows
