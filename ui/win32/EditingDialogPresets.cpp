// SPDX-License-Identifier: MIT
// The Win32 dialog's side of the preset commands: the popup menus, the naming dialog,
// the deletion question and the message box shown when the preset store fails. What
// each command does is the shared PresetCommands'.
#include <optional>
#include <stdexcept>
#include <string>

#include "dialog/PresetCommands.h"
#include "presets/NelvoPresetManager.h"
#include "resources/DialogResources.h"
#include "resources/strings/StringIds.h"
#include "ui/win32/EditingDialogWin32.h"
#include "ui/win32/NamingDialogWin32.h"
#include "util/LoadString.h"

namespace nelvo {

void EditingDialogWin32::openPresets() {
    try {
        presets_ = std::make_unique<NelvoPresetManager>(presetsFolder());
    } catch (const std::exception&) {
        presets_.reset();  // no presets then; the buttons stay disabled
    }
    updatePresetButtons();
}

void EditingDialogWin32::updatePresetButtons() {
    const PresetButtons state = presetButtons(presets_.get());
    EnableWindow(item(editing::kAddPreset), state.add ? TRUE : FALSE);
    EnableWindow(item(editing::kDeletePreset), state.menus ? TRUE : FALSE);
    EnableWindow(item(editing::kPresetsMenu), state.menus ? TRUE : FALSE);
}

void EditingDialogWin32::showPresetError(const std::wstring& message) {
    MessageBoxW(window_, message.c_str(), loadString(strings::dialogTitle).c_str(),
                MB_OK | MB_ICONERROR);
}

// The menu opens below the button's left edge; the chosen item comes back as the
// dialog's WM_COMMAND with its id.
void EditingDialogWin32::showPresetMenu(int firstId, int lastId, int buttonId) {
    if (presets_ == nullptr) return;
    HMENU menu = CreatePopupMenu();
    if (menu == nullptr) throw std::runtime_error("Failed to create menu");
    for (const PresetMenuItem& entry : presetMenuItems(presets_->names(), firstId, lastId))
        AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(entry.id), entry.name.c_str());
    RECT button{};
    GetWindowRect(item(buttonId), &button);
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, button.left, button.bottom,
                   0, window_, nullptr);
    DestroyMenu(menu);
}

bool EditingDialogWin32::presetCommand(int id) {
    if (id >= kApplyPresetFirst && id <= kApplyPresetLast) {
        if (presets_ == nullptr) return true;
        const PresetOutcome outcome = applyPreset(
            *presets_, static_cast<std::size_t>(id - kApplyPresetFirst), controlValues());
        if (outcome.error) {
            showPresetError(*outcome.error);
            return true;
        }
        applyValues(*outcome.values);
        InvalidateRect(item(editing::kColourSwatch), nullptr, TRUE);
        startUpdate(UpdateMode::Initial);  // always a full computation
        return true;
    }
    if (id >= kDeletePresetFirst && id <= kDeletePresetLast) {
        if (presets_ == nullptr) return true;
        const auto index = static_cast<std::size_t>(id - kDeletePresetFirst);
        // A missing index is left to deletePreset, which reports it.
        if (index < presets_->names().size() && !confirmPresetDeletion(presets_->names()[index]))
            return true;
        const PresetOutcome outcome = deletePreset(*presets_, index);
        if (outcome.error) showPresetError(*outcome.error);
        updatePresetButtons();
        return true;
    }
    return false;
}

// Enter keeps the preset: deleting takes a deliberate choice.
bool EditingDialogWin32::confirmPresetDeletion(const std::wstring& name) {
    std::wstring question = loadString(strings::presetDeleteQuestion);
    const std::size_t at = question.find(L"%s");
    if (at != std::wstring::npos) question.replace(at, 2, name);
    return MessageBoxW(window_, question.c_str(), loadString(strings::dialogTitle).c_str(),
                       MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2) == IDOK;
}

void EditingDialogWin32::addPresetCommand() {
    if (presets_ == nullptr) return;
    const std::optional<std::wstring> name = askPresetName(window_);
    if (!name) return;
    // The text is UTF-16 already: addPreset refuses an unpaired surrogate itself.
    const PresetOutcome outcome = addPreset(*presets_, *name, controlValues());
    if (outcome.error) showPresetError(*outcome.error);
    updatePresetButtons();
}

}  // namespace nelvo
