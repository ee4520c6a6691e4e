#pragma once
// The application object. Every event handler runs inside notify(); an exception that a handler
// let escape ends there, is shown in a message box, and the event loop goes on.
#include <QApplication>

class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};
