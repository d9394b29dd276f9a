// SPDX-License-Identifier: MIT
// The dialog's side of the preset commands: the menus, the naming dialog and the
// message box shown when the preset store fails.
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

#include "dialog/PresetCommands.h"
#include "presets/NelvoPresetManager.h"
#include "resources/DialogResources.h"
#include "resources/strings/StringIds.h"
#include "ui/qt/ControlId.h"
#include "ui/qt/NelvoAddPresetDialog.h"
#include "ui/qt/NelvoDialog.h"
#include "ui/qt/NelvoImageCtrl.h"
#include "util/LoadString.h"

namespace nelvo {

void NelvoDialog::setPresets(std::unique_ptr<NelvoPresetManager> presets) {
    presets_ = std::move(presets);
    updatePresetButtons();
}

void NelvoDialog::updatePresetButtons() {
    const PresetButtons state = presetButtons(presets_.get());
    control(editing::kAddPreset)->setEnabled(state.add);
    control(editing::kDeletePreset)->setEnabled(state.menus);
    control(editing::kPresetsMenu)->setEnabled(state.menus);
}

void NelvoDialog::showPresetError(const std::wstring& message) {
    QMessageBox box(QMessageBox::Critical, windowTitle(), QString::fromStdWString(message),
                    QMessageBox::Ok, this);
    box.exec();
}

void NelvoDialog::showPresetMenu(int firstId, int lastId, QWidget* button) {
    if (presets_ == nullptr) return;
    QMenu menu(this);
    for (const PresetMenuItem& item : presetMenuItems(presets_->names(), firstId, lastId)) {
        QAction* action = menu.addAction(QString::fromStdWString(item.name));
        action->setData(item.id);
    }
    const QAction* chosen = menu.exec(button->mapToGlobal(QPoint(0, button->height())));
    if (chosen != nullptr) presetCommand(chosen->data().toInt());
}

void NelvoDialog::presetCommand(int id) {
    if (presets_ == nullptr) return;
    if (id >= kApplyPresetFirst && id <= kApplyPresetLast) {
        const PresetOutcome outcome = applyPreset(
            *presets_, static_cast<std::size_t>(id - kApplyPresetFirst), controlValues());
        if (outcome.error) {
            showPresetError(*outcome.error);
            return;
        }
        applyValues(*outcome.values);
        control(editing::kColourSwatch)->update();
        if (resizeCursor()) updateCursor();
        startUpdate(UpdateMode::Initial);  // always a full computation
    } else if (id >= kDeletePresetFirst && id <= kDeletePresetLast) {
        const auto index = static_cast<std::size_t>(id - kDeletePresetFirst);
        // A missing index is left to deletePreset, which reports it.
        if (index < presets_->names().size() && !confirmPresetDeletion(presets_->names()[index]))
            return;
        const PresetOutcome outcome = deletePreset(*presets_, index);
        if (outcome.error) showPresetError(*outcome.error);
        updatePresetButtons();
    }
}

bool NelvoDialog::confirmPresetDeletion(const std::wstring& name) {
    QString question = QString::fromStdWString(loadString(strings::presetDeleteQuestion));
    question.replace(QStringLiteral("%s"), QString::fromStdWString(name));
    QMessageBox box(QMessageBox::Question, windowTitle(), question, QMessageBox::NoButton, this);
    QPushButton* remove = box.addButton(QString::fromStdWString(loadString(strings::deleteButton)),
                                        QMessageBox::DestructiveRole);
    QPushButton* keep = box.addButton(QString::fromStdWString(loadString(strings::cancelButton)),
                                      QMessageBox::RejectRole);
    // Enter keeps the preset: deleting takes a deliberate choice.
    box.setDefaultButton(keep);
    box.setEscapeButton(keep);
    box.exec();
    return box.clickedButton() == remove;
}

void NelvoDialog::addPresetCommand() {
    NelvoAddPresetDialog naming(this);
    if (naming.exec() != QDialog::Accepted) return;
    addPreset(naming.name());
}

void NelvoDialog::addPreset(const QString& name) {
    if (presets_ == nullptr) return;
    // Converting would put a replacement character where the surrogate was.
    if (!name.isValidUtf16()) {
        showPresetError(invalidPresetNameMessage());
        return;
    }
    const PresetOutcome outcome = nelvo::addPreset(*presets_, name.toStdWString(), controlValues());
    if (outcome.error) showPresetError(*outcome.error);
    updatePresetButtons();
}

}  // namespace nelvo
