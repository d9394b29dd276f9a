// SPDX-License-Identifier: MIT
#include "ui/qt/NelvoAddPresetDialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "presets/PresetNames.h"
#include "resources/DialogResources.h"
#include "resources/strings/StringIds.h"
#include "ui/qt/ControlId.h"
#include "ui/qt/DisplayHelpers.h"
#include "ui/shared/DialogUnits.h"
#include "ui/shared/HandlerGuard.h"
#include "util/LoadString.h"

namespace nelvo {

namespace {

QString text(std::uint32_t id) {
    return QString::fromStdWString(loadString(id));
}

void place(QWidget* w, int id, int x, int y, int width, int height, double dpi) {
    setControlId(w, id);
    const PixelRect r = dialogRectToPixels(x, y, width, height, dpi);
    w->setGeometry(r.x, r.y, r.width, r.height);
}

}  // namespace

NelvoAddPresetDialog::NelvoAddPresetDialog(QWidget* parent) : QDialog(parent) {
    setTemplateId(this, templates::kNamingDialog);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    const double dpi = screenDpi();
    QFont base = font();
    base.setPointSizeF(8.0);
    setFont(base);
    setFixedSize(dialogUnitsToPixelsX(297, dpi), dialogUnitsToPixelsY(126, dpi));
    setWindowTitle(text(strings::savePresetTitle));

    auto* label = new QLabel(text(strings::presetNamePrompt), this);
    place(label, naming::kPrompt, 10, 34, 276, 8, dpi);
    edit_ = new QLineEdit(this);
    place(edit_, naming::kNameEdit, 7, 53, 279, 14, dpi);
    ok_ = new QPushButton(text(strings::saveButton), this);
    place(ok_, naming::kSave, 39, 90, 95, 14, dpi);
    ok_->setDefault(true);
    ok_->setEnabled(false);
    auto* cancel = new QPushButton(text(strings::closeButton), this);
    place(cancel, naming::kCancel, 153, 90, 98, 14, dpi);
    cancel->setAutoDefault(false);

    connect(edit_, &QLineEdit::textChanged, this,
            [this](const QString& t) { ok_->setEnabled(!t.isEmpty()); });
    connect(ok_, &QPushButton::clicked, this, &NelvoAddPresetDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    edit_->setFocus();
}

void NelvoAddPresetDialog::accept() {
    guardHandler([&] {
        // Enter with an empty name does nothing, as the disabled button would.
        if (edit_->text().isEmpty()) return;
        // Refused here rather than after the dialog has closed, so that the user can
        // correct the name in place.
        const std::wstring refused = refusedNameCharacters(edit_->text().toStdWString());
        if (!refused.empty()) {
            QMessageBox box(QMessageBox::Warning, windowTitle(),
                            QString::fromStdWString(refusedNameMessage(refused)), QMessageBox::Ok,
                            this);
            box.exec();
            edit_->setFocus();
            return;
        }
        name_ = edit_->text();
        QDialog::accept();
    });
}

}  // namespace nelvo
