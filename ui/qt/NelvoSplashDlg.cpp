// SPDX-License-Identifier: MIT
#include "ui/qt/NelvoSplashDlg.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <stdexcept>

#include "resources/DialogResources.h"
#include "resources/strings/StringIds.h"
#include "ui/qt/ControlId.h"
#include "ui/qt/DisplayHelpers.h"
#include "ui/shared/HandlerGuard.h"
#include "util/LoadString.h"

namespace nelvo {

NelvoSplashDlg::NelvoSplashDlg(QWidget* parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setTemplateId(this, templates::kSplash);
    setAttribute(Qt::WA_OpaquePaintEvent);
    picture_ = resourceBitmap(bitmaps::kSplash);
    if (picture_.isNull()) throw std::runtime_error("Failed to load bitmap");
    const bool large = largeScreen();
    const ScreenMetrics& m = metricsFor(large);
    setFixedSize(m.splashWidth, m.splashHeight);
    // Area-averaged once: the picture is three times larger than the window.
    picture_ = picture_.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());

    auto* notice = new QLabel(this);
    setControlId(notice, splash::kNotice);
    notice->setText(QString::fromStdWString(loadString(strings::legalNotice)));
    notice->setWordWrap(true);
    // At the top of its rectangle, as a template's text control draws it.
    notice->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette colours = notice->palette();
    colours.setColor(QPalette::WindowText, QColor::fromRgb(kNoticeColour));
    notice->setPalette(colours);
    if (large)
        notice->setGeometry(27, 663, 768, 72);
    else
        notice->setGeometry(18, 442, 512, 48);
}

NelvoSplashDlg::~NelvoSplashDlg() = default;

void NelvoSplashDlg::start() {
    if (ended_) return;
    show();
    raise();
    // Paint now: the caller is about to be busy for a while.
    repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void NelvoSplashDlg::end(int result) {
    ended_ = true;
    done(result);
}

void NelvoSplashDlg::paintEvent(QPaintEvent*) {
    guardHandler([&] {
        QPainter painter(this);
        painter.drawImage(0, 0, picture_);
    });
}

}  // namespace nelvo
