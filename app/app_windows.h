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

} // namespace AppWindows
