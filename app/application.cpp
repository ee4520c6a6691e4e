#include "app/application.h"

#include <exception>

#include "platform/ui/dialogs.h"

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        MessageBox(activeWindow(), QString::fromLocal8Bit(e.what()), QStringLiteral("Tavrin"), TMsgButtons::Ok,
                   TMsgIcon::Error);
    } catch (...) {
        MessageBox(activeWindow(), QStringLiteral("Unknown error."), QStringLiteral("Tavrin"), TMsgButtons::Ok,
                   TMsgIcon::Error);
    }
    return false;
}
