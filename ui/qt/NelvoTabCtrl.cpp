// SPDX-License-Identifier: MIT
#include "ui/qt/NelvoTabCtrl.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPalette>

#include "ui/qt/DisplayHelpers.h"
#include "ui/shared/HandlerGuard.h"
#include "ui/shared/TabStripGeometry.h"

namespace nelvo {

namespace {

QRect toQRect(const IntRect& r) {
    return QRect(r.left, r.top, r.width(), r.height());
}

// White becomes transparent, so the strip or selection colour shows through.
QImage whiteTransparent(const QImage& picture) {
    QImage result = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < result.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x)
            if ((row[x] & 0x00FFFFFFu) == 0x00FFFFFFu) row[x] = 0;
    }
    return result;
}

}  // namespace

NelvoTabCtrl::NelvoTabCtrl(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The panel's own controls lie on the strip's grey area: keep them above it.
    lower();
}

void NelvoTabCtrl::addTab(int bitmapId) {
    const int side = screenMetrics().tabBitmap;
    tabs_.push_back(whiteTransparent(loadBitmapScaled(bitmapId, side, side)));
    update();
}

void NelvoTabCtrl::paintEvent(QPaintEvent*) {
    guardHandler([&] {
        QPainter painter(this);
        painter.fillRect(rect(), QColor::fromRgb(kPanelGrey));
        if (tabs_.empty()) return;
        const ScreenMetrics& m = screenMetrics();
        const IntRect client{0, 0, width(), height()};
        const int count = tabCount();
        painter.fillRect(toQRect(stripRect(client, m.tabSize)), palette().color(QPalette::Button));
        const std::vector<IntPoint> outline = tabOutline(client, m.tabSize, count, selected);
        std::vector<QPoint> points;
        for (const IntPoint& p : outline) points.emplace_back(p.x, p.y);
        const int visible = visibleTabs(client, m.tabSize, count);
        for (int i = 0; i < visible; ++i) {
            if (i == selected)
                painter.fillRect(toQRect(tabRect(client, m.tabSize, i)),
                                 QColor::fromRgb(kPanelGrey));
            painter.drawImage(m.tabInset, i * m.tabSize + m.tabInset,
                              tabs_[static_cast<std::size_t>(i)]);
        }
        painter.setPen(QPen(QColor::fromRgb(kPanelGrey), 1));
        painter.drawPolyline(points.data(), static_cast<int>(points.size()));
    });
}

void NelvoTabCtrl::mousePressEvent(QMouseEvent* event) {
    guardHandler([&] {
        QWidget::mousePressEvent(event);
        if (event->button() != Qt::LeftButton) return;
        const QPoint p = event->position().toPoint();
        const int index =
            tabAt({0, 0, width(), height()}, screenMetrics().tabSize, tabCount(), {p.x(), p.y()});
        if (index < 0 || index == selected) return;
        selected = index;
        update();
        if (onSelChange) onSelChange();
    });
}

}  // namespace nelvo
