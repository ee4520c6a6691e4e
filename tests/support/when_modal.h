#pragma once
// For tests that run a window's own modal dialog: answers it from inside its modal loop.
#include <functional>

#include <QApplication>
#include <QTimer>
#include <QWidget>

// Runs Act with the next modal dialog once it is on screen.
inline void WhenModal(std::function<void(QWidget*)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        act(modal);
    });
    timer->start();
}
