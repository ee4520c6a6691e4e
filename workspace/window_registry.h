#pragma once
// The application's long-lived windows, kept in order of creation so that shut-down frees them in
// the reverse order: the document windows first (most recent first), then the singleton windows,
// the main window last. Windows register themselves (or are registered by whoever makes them)
// without knowing one another's classes.
class QWidget;

namespace AppWindows {

// Adds a window to the end of the creation order; the list owns it from now on.
void Register(QWidget* window);
// Takes the most recently registered window off the list (null once the list is empty or when
// that window is already gone); the caller frees it.
QWidget* TakeLast();
// True while windows are registered.
bool AnyRegistered();

} // namespace AppWindows
