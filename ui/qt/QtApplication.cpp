// SPDX-License-Identifier: MIT
#include "ui/qt/QtApplication.h"

#include <QApplication>
#include <stdexcept>

namespace nelvo {

namespace {

bool hasDisplay() {
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

}  // namespace

QApplication& ensureApplication() {
    QCoreApplication* running = QCoreApplication::instance();
    if (running == nullptr) {
        // Qt ends the process when its platform cannot start; a host without a display
        // gets an error from us instead.
        if (!hasDisplay()) throw std::runtime_error("There is no display to show windows on");
        static int argc = 1;
        static char name[] = "Nelvo";
        static char* argv[] = {name, nullptr};
        running = new QApplication(argc, argv);  // deliberately never destroyed
    }
    auto* app = qobject_cast<QApplication*>(running);
    if (app == nullptr) throw std::runtime_error("The host's Qt application cannot show windows");
    return *app;
}

}  // namespace nelvo
