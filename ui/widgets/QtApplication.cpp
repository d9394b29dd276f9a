// SPDX-License-Identifier: MIT
#include "ui/widgets/QtApplication.h"

#include <QApplication>
#include <stdexcept>

namespace nelvo {

QApplication& ensureApplication() {
    QCoreApplication* running = QCoreApplication::instance();
    if (running == nullptr) {
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
