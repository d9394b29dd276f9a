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
#include "ui/shared/DialogUnits.h"
#include "ui/shared/HandlerGuard.h"
#include "util/LoadString.h"

namespace nelvo {

namespace {

// The box in dialog units.
constexpr int kWidthDu = 195;
constexpr int kHeightDu = 296;
constexpr QRgb kBackground = 0xFF101B29;
constexpr QRgb kText = 0xFFC9D3DE;
constexpr QRgb kBorder = 0xFF3A5A7C;

enum class Align { Left, Right };

// One text control: id, template rectangle, font size in tenths of a point (0: keep),
// bold, alignment, and its text: a string id, or a fixed text when the id is 0.
struct TextControl {
    int id;
    int x, y, width, height;
    int fontSize;
    bool bold;
    bool title;  // light-blue type
    Align align;
    std::uint32_t stringId;
    const char* text;
};

constexpr std::array<TextControl, 14> kControls{{
    {about::kCompanyName, 15, 90, 163, 21, 190, false, true, Align::Left, 0, "Brenwick"},
    {about::kProductName, 13, 106, 105, 36, 380, false, true, Align::Left, 0, "Nelvo"},
    {about::kProductLine, 15, 139, 151, 14, 110, false, true, Align::Left, 0,
     "Dust & Scratch Removal"},
    {about::kProductMark, 155, 157, 26, 16, 100, false, true, Align::Right, 0, "Nelvo"},
    {about::kVersion, 106, 166, 75, 20, 100, false, true, Align::Right, strings::versionText,
     nullptr},
    {about::kPhoneLabel, 13, 196, 61, 8, 80, true, false, Align::Left, strings::phoneLabel,
     nullptr},
    {about::kFaxLabel, 13, 204, 61, 8, 80, true, false, Align::Left, strings::faxLabel, nullptr},
    {about::kSupportLabel, 13, 212, 61, 8, 80, true, false, Align::Left, strings::supportLabel,
     nullptr},
    // No telephone or fax lines are published.
    {about::kPhone, 74, 196, 99, 8, 80, false, false, Align::Left, 0, ""},
    {about::kFax, 74, 204, 100, 8, 80, false, false, Align::Left, 0, ""},
    {about::kSupport, 74, 212, 97, 8, 80, false, false, Align::Left, 0, "brenwick.example/help"},
    {about::kHomepageLabel, 13, 220, 61, 10, 80, true, false, Align::Left, strings::homepageLabel,
     nullptr},
    {about::kLink, 75, 220, 88, 10, 0, false, false, Align::Left, strings::webAddress, nullptr},
    {about::kLegalNotice, 14, 236, 167, 45, 80, false, false, Align::Left, strings::legalNotice,
     nullptr},
}};

QString textOf(const TextControl& c) {
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
    colours.setColor(QPalette::Window, QColor::fromRgb(kBackground));
    colours.setColor(QPalette::WindowText, QColor::fromRgb(kText));
    setPalette(colours);
    setAutoFillBackground(true);
    setFixedSize(dialogUnitsToPixelsX(kWidthDu, dpi), dialogUnitsToPixelsY(kHeightDu, dpi));

    auto* header = new QLabel(this);
    setControlId(header, about::kHeaderPicture);
    const PixelRect h = dialogRectToPixels(-5, 0, 260, 103, dpi);
    header->move(h.x, h.y);
    const QImage picture = resourceBitmap(bitmaps::kAboutHeader);
    if (picture.isNull()) throw std::runtime_error("Failed to load bitmap");
    header->setPixmap(QPixmap::fromImage(picture));
    header->resize(picture.size());  // a picture control takes its bitmap's size
    if (largeScreen()) setStaticBitmapScaled(this, about::kHeaderPicture, bitmaps::kAboutHeader);

    std::size_t fontIndex = 0;
    for (const TextControl& c : kControls) {
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
        label->setAlignment((c.align == Align::Right ? Qt::AlignRight : Qt::AlignLeft) |
                            Qt::AlignTop);
        label->setWordWrap(c.height > 20);
        label->setText(textOf(c));
        if (c.title) {
            QPalette p = label->palette();
            p.setColor(QPalette::WindowText, QColor::fromRgb(kTitleColour));
            label->setPalette(p);
        }
        if (c.fontSize > 0) setControlFont(label, c.fontSize, fonts_.at(fontIndex++), c.bold);
        label->installEventFilter(this);
    }
    header->installEventFilter(this);
    header->lower();
    // A contact line without a value would look unfinished: its label goes too.
    for (const auto& [label, value] :
         {std::pair{about::kPhoneLabel, about::kPhone}, std::pair{about::kFaxLabel, about::kFax}}) {
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
        painter.setPen(QColor::fromRgb(kBorder));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));  // the thin border of a captionless box
    });
}

void showAboutBox() {
    ensureApplication();
    NelvoAboutDlg box;
    box.exec();
}

}  // namespace nelvo
