// SPDX-License-Identifier: MIT
#include "ui/qt/NelvoButtonCtrl.h"

#include <QPainter>
#include <stdexcept>

#include "ui/qt/DisplayHelpers.h"
#include "ui/shared/HandlerGuard.h"

namespace nelvo {

NelvoButtonCtrl::NelvoButtonCtrl(QWidget* parent) : QAbstractButton(parent) {}

void NelvoButtonCtrl::setBitmap(int id) {
    bitmap_ = QImage();
    QImage loaded = resourceBitmap(id);
    if (loaded.isNull()) throw std::runtime_error("Failed to load a bitmap from resources");
    bitmap_ = std::move(loaded);
    update();
}

void NelvoButtonCtrl::paintEvent(QPaintEvent*) {
    guardHandler([&] {
        if (bitmap_.isNull()) return;
        QPainter painter(this);
        painter.drawImage(0, 0, bitmap_);
    });
}

}  // namespace nelvo
