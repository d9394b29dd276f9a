// SPDX-License-Identifier: MIT
// Closing modal windows from inside their own event loop: a test asks for a click on
// the next modal dialog that shows, then calls the code that runs it.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>
#include <functional>

namespace nelvo::test {

// The running QApplication, or one made for the offscreen platform.
inline QApplication& testApplication() {
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) return *app;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "tests";
    static char* argv[] = {name, nullptr};
    return *new QApplication(argc, argv);
}

inline QDialog* shownModalDialog() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<QDialog*>(w); d != nullptr && d->isVisible() && d->isModal())
            return d;
    return nullptr;
}

// Once a modal dialog shows, calls `act` with it (by default a left click at (5, 5)).
inline void onNextModal(std::function<void(QDialog*)> act = {}) {
    if (!act) act = [](QDialog* d) { QTest::mouseClick(d, Qt::LeftButton, {}, QPoint(5, 5)); };
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (QDialog* dialog = shownModalDialog()) {
            timer->stop();
            timer->deleteLater();
            act(dialog);
        }
    });
    timer->start();
}

}  // namespace nelvo::test
