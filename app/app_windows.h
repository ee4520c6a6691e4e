#pragma once
// Creation of the application's windows in their order. Only this floor knows every concrete
// window class; the windows themselves reach one another through models, signals and the peers.
#include <QStringList>

#include "workspace/window_registry.h"

class Tfrm_main;

namespace AppWindows {

// Sets the application's names and creates its windows in order, the main window first; the
// main window opens the given files when it is first shown. Returns the main window, not yet shown.
Tfrm_main* CreateApplicationWindows(const QStringList& files);

// Frees every document window of the main window's frame, then every registered window, each in
// the reverse order of creation. Windows already gone are skipped.
void FreeAll();

} // namespace AppWindows
