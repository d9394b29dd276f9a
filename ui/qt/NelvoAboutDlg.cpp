// SPDX-License-Identifier: MIT
#include "ui/qt/NelvoAboutDlg.h"

#include <QDesktopServices>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

#include "resources/DialogResources.h"
#include "resources/strings/StringIds.h"
#include "ui/qt/ControlId.h"
#include "ui/qt/DisplayHelpers.h"
#include "ui/qt/NelvoCustomLink.h"
#include "ui/qt/QtApplication.h"
#include "ui/shared/AboutBoxLayout.h"
#include "ui/shared/DialogUnits.h"
#include "ui/shared/HandlerGuard.h"
#include "util/LoadString.h"

namespace nelvo {

namespace {

QString textOf(const AboutTextControl& c) {
    if (c.stringId != 0) return QString::fromStdWString(loadString(c.stringId));
    return QString::fromUtf8(c.text);
}

}  // namespace

NelvoAboutDlg::NelvoAboutDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setTemplateId(this, templates::kAboutBox);
    openAddress = [](const QString& address) {
        QDesktopServices::openUrl(QUrl::fromUserInput(address));
    };
    const double dpi = screenDpi();
    QFont base = font();
    base.setPointSizeF(8.0);
    setFont(base);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor::fromRgb(0xFF000000u | kAboutBackground));
    colours.setColor(QPalette::WindowText, QColor::fromRgb(0xFF000000u | kAboutText));
    setPalette(colours);
    setAutoFillBackground(true);
    setFixedSize(dialogUnitsToPixelsX(kAboutWidthDu, dpi),
                 dialogUnitsToPixelsY(kAboutHeightDu, dpi));

    auto* header = new QLabel(this);
    setControlId(header, about::kHeaderPicture);
    const PixelRect h = dialogRectToPixels(kAboutHeaderX, kAboutHeaderY, 260, 103, dpi);
    header->move(h.x, h.y);
    const QImage picture = resourceBitmap(bitmaps::kAboutHeader);
    if (picture.isNull()) throw std::runtime_error("Failed to load bitmap");
    header->setPixmap(QPixmap::fromImage(picture));
    header->resize(picture.size());  // a picture control takes its bitmap's size
    if (largeScreen()) setStaticBitmapScaled(this, about::kHeaderPicture, bitmaps::kAboutHeader);

    std::size_t fontIndex = 0;
    for (const AboutTextControl& c : kAboutTexts) {
        QLabel* label;
        if (c.id == about::kLink) {
            link_ = new NelvoCustomLink(this);
            link_->onClick = [this] {
                openAddress(QString::fromStdWString(loadString(strings::aboutAddress)));
            };
            label = link_;
        } else {
            label = new QLabel(this);
        }
        setControlId(label, c.id);
        const PixelRect r = dialogRectToPixels(c.x, c.y, c.width, c.height, dpi);
        label->setGeometry(r.x, r.y, r.width, r.height);
        label->setAlignment((c.align == AboutAlign::Right ? Qt::AlignRight : Qt::AlignLeft) |
                            Qt::AlignTop);
        label->setWordWrap(c.height > 20);
        label->setText(textOf(c));
        if (c.title) {
            QPalette p = label->palette();
            p.setColor(QPalette::WindowText, QColor::fromRgb(0xFF000000u | kAboutTitle));
            label->setPalette(p);
        }
        if (c.fontSize > 0) setControlFont(label, c.fontSize, fonts_.at(fontIndex++), c.bold);
        label->installEventFilter(this);
    }
    header->installEventFilter(this);
    header->lower();
    for (const auto& [label, value] : kAboutContactLines) {
        if (findControl<QLabel>(this, value)->text().isEmpty()) {
            findControl<QLabel>(this, label)->hide();
            findControl<QLabel>(this, value)->hide();
        }
    }
}

NelvoAboutDlg::~NelvoAboutDlg() = default;

bool NelvoAboutDlg::eventFilter(QObject* watched, QEvent* event) {
    return guardHandler(true, [&] {
        if (event->type() == QEvent::MouseButtonPress && watched != link_ &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            done(QDialog::Accepted);
            return true;
        }
        return QDialog::eventFilter(watched, event);
    });
}

void NelvoAboutDlg::mousePressEvent(QMouseEvent* event) {
    guardHandler([&] {
        if (event->button() == Qt::LeftButton)
            done(QDialog::Accepted);
        else
            QDialog::mousePressEvent(event);
    });
}

void NelvoAboutDlg::paintEvent(QPaintEvent* event) {
    guardHandler([&] {
        QDialog::paintEvent(event);
        QPainter painter(this);
        painter.setPen(QColor::fromRgb(0xFF000000u | kAboutBorder));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));  // the thin border of a captionless box
    });
}

void showAboutBox() {
    ensureApplication();
    NelvoAboutDlg box;
    box.exec();
}

}  // namespace nelvo
