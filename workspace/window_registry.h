#pragma once
// The application's long-lived windows, kept in order of creation so that shut-down frees them in
// the reverse order: the document windows first (most recent first), then the singleton windows,
// the main window last. Windows register themselves (or are registered by whoever makes them)
// without knowing one another's classes.
class QWidget;

namespace AppWindows {

// Adds a window to the end of the creation order; the list owns it from now on.
void Register(QWidget* window);
// Frees every document window of the main window's frame, then every registered window, each in
// the reverse order of creation. Windows already gone are skipped.
void FreeAll();

} // namespace AppWindows
