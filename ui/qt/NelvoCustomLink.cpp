// SPDX-License-Identifier: MIT
#include "ui/qt/NelvoCustomLink.h"

#include "ui/shared/HandlerGuard.h"

#include <QMouseEvent>

namespace nelvo {

NelvoCustomLink::NelvoCustomLink(QWidget* parent) : QLabel(parent) {
    setCursor(Qt::PointingHandCursor);
}

void NelvoCustomLink::mousePressEvent(QMouseEvent* event) {
    guardHandler([&] { event->accept(); });
}

void NelvoCustomLink::mouseReleaseEvent(QMouseEvent* event) {
    guardHandler([&] {
        QLabel::mouseReleaseEvent(event);
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
            onClick)
            onClick();
    });
}

}  // namespace nelvo
