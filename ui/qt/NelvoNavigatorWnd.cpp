// SPDX-License-Identifier: MIT
#include "ui/qt/NelvoNavigatorWnd.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSettings>
#include <QStandardPaths>
#include <stdexcept>

#include "resources/strings/StringIds.h"
#include "ui/qt/DisplayHelpers.h"
#include "ui/shared/HandlerGuard.h"
#include "util/LoadString.h"

namespace nelvo {

namespace {

constexpr QRgb kFrameColour = 0xFFFF0000;
constexpr int kFrameWidth = 3;

QString profileKey() {
    return QStringLiteral("%1/%2").arg(QLatin1String(kNavigatorProfileSection),
                                       QLatin1String(kNavigatorProfileEntry));
}

IntPoint toPoint(const QPointF& p) {
    return {static_cast<int>(p.x()), static_cast<int>(p.y())};
}

}  // namespace

QString defaultProfilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Nelvo/Nelvo.ini");
}

NelvoNavigatorWnd::NelvoNavigatorWnd(QString profilePath)
    : QWidget(nullptr, Qt::Tool), profilePath_(std::move(profilePath)) {
    const QSettings profile(profilePath_, QSettings::IniFormat);
    const QByteArray record = profile.value(profileKey()).toByteArray();
    const auto corner =
        decodePlacementCorner(reinterpret_cast<const std::uint8_t*>(record.constData()),
                              static_cast<std::size_t>(record.size()));
    if (corner) {
        savedLeft_ = corner->x;
        savedTop_ = corner->y;
    }
}

NelvoNavigatorWnd::~NelvoNavigatorWnd() {
    savePlacement();
}

void NelvoNavigatorWnd::create(QWidget* owner, int x, int y, int width, int height) {
    if (width <= 0 || height <= 0) throw std::runtime_error("Failed to create navigator window");
    width_ = width;
    height_ = height;
    // A tool window that stays above its owner and goes with it.
    // It never takes the keyboard from the dialog: not when it opens, not when clicked.
    setParent(owner, Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint |
                         Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(QString::fromStdWString(loadString(strings::navigatorTitle)));
    setFixedSize(width, height);
    // The remembered place may lie off every screen (another screen setup, an edited
    // profile): the window comes back onto one, where it can be seen and dragged.
    const IntPoint corner{savedLeft_ >= 0 ? savedLeft_ : x, savedTop_ >= 0 ? savedTop_ : y};
    const auto fitted = fitOntoCurrentScreens({corner.x, corner.y, width, height});
    move(fitted ? fitted->x : corner.x, fitted ? fitted->y : corner.y);
    thumbnail_ = createMemorySurface(this, width, height);
    thumbnail_.fill(Qt::black);
    view_ = {0, 0, width, height};
    saved_ = false;
    show();
}

void NelvoNavigatorWnd::setImage(const QImage& picture) {
    if (thumbnail_.isNull() || picture.isNull()) return;
    QPainter painter(&thumbnail_);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // Halving first keeps detail that a single bilinear step from a large picture loses.
    QImage reduced = picture;
    while (reduced.width() >= 2 * width_ && reduced.height() >= 2 * height_)
        reduced = reduced.scaled(reduced.width() / 2, reduced.height() / 2, Qt::IgnoreAspectRatio,
                                 Qt::SmoothTransformation);
    painter.drawImage(QRectF(0, 0, width_, height_), reduced, QRectF(reduced.rect()));
    update();
}

void NelvoNavigatorWnd::setViewArea(const ViewFraction& f) {
    view_ = viewRectFor(f, width_, height_);
    update();
}

void NelvoNavigatorWnd::reopen() {
    if (width_ == 0) return;
    saved_ = false;
    show();
    raise();
}

void NelvoNavigatorWnd::paintEvent(QPaintEvent*) {
    guardHandler([&] {
        QPainter painter(this);
        painter.drawImage(0, 0, thumbnail_);
        painter.setPen(QPen(QColor::fromRgb(kFrameColour), kFrameWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(
            QRect(QPoint(view_.left, view_.top), QPoint(view_.right - 1, view_.bottom - 1)));
    });
}

void NelvoNavigatorWnd::mousePressEvent(QMouseEvent* event) {
    guardHandler([&] {
        if (event->button() != Qt::LeftButton) return;
        report(pointer_.press(toPoint(event->position()), view_, width_, height_,
                              static_cast<bool>(onDrag)));
    });
}

void NelvoNavigatorWnd::mouseMoveEvent(QMouseEvent* event) {
    guardHandler(
        [&] { report(pointer_.move(toPoint(event->position()), view_, width_, height_)); });
}

void NelvoNavigatorWnd::mouseReleaseEvent(QMouseEvent* event) {
    guardHandler([&] {
        if (event->button() == Qt::LeftButton) pointer_.release();
    });
}

void NelvoNavigatorWnd::report(const NavigatorRequest& request) const {
    if (request.kind == NavigatorRequest::Kind::Jump && onJump)
        onJump(request.fractions.x, request.fractions.y);
    else if (request.kind == NavigatorRequest::Kind::Drag && onDrag)
        onDrag(request.fractions.x, request.fractions.y);
}

void NelvoNavigatorWnd::closeEvent(QCloseEvent* event) {
    guardHandler([&] {
        savePlacement();
        QWidget::closeEvent(event);
    });
}

void NelvoNavigatorWnd::savePlacement() {
    // Only a window that was made has a placement; a read-only or unwritable profile
    // just means the position is not remembered.
    if (saved_ || width_ == 0) return;
    saved_ = true;
    const QRect frame = frameGeometry();
    const PlacementRecord record = encodePlacement(
        {frame.left(), frame.top(), frame.left() + frame.width(), frame.top() + frame.height()});
    QSettings profile(profilePath_, QSettings::IniFormat);
    profile.setValue(profileKey(), QByteArray(reinterpret_cast<const char*>(record.data()),
                                              static_cast<qsizetype>(record.size())));
    profile.sync();
}

}  // namespace nelvo
