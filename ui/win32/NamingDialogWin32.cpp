// SPDX-License-Identifier: MIT
#include "ui/win32/NamingDialogWin32.h"

#include "presets/PresetNames.h"
#include "resources/DialogResources.h"
#include "resources/strings/StringIds.h"
#include "ui/win32/ModalDialog.h"
#include "util/LoadString.h"

namespace nelvo {

namespace {

struct NamingState {
    std::wstring name;
};

std::wstring editText(HWND edit) {
    const int length = GetWindowTextLengthW(edit);
    if (length <= 0) return {};
    std::wstring s(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(edit, s.data(), length + 1);
    s.resize(static_cast<std::size_t>(length));
    return s;
}

void setTexts(HWND window) {
    SetWindowTextW(window, loadString(strings::savePresetTitle).c_str());
    SetDlgItemTextW(window, naming::kPrompt, loadString(strings::presetNamePrompt).c_str());
    SetDlgItemTextW(window, naming::kSave, loadString(strings::saveButton).c_str());
    SetDlgItemTextW(window, naming::kCancel, loadString(strings::closeButton).c_str());
}

// Save (or Enter): an empty name does nothing, as the disabled button would.
void confirm(HWND window, NamingState& state) {
    HWND edit = GetDlgItem(window, naming::kNameEdit);
    const std::wstring name = editText(edit);
    if (name.empty()) return;
    const std::wstring refused = refusedNameCharacters(name);
    if (!refused.empty()) {
        MessageBoxW(window, refusedNameMessage(refused).c_str(),
                    loadString(strings::savePresetTitle).c_str(), MB_OK | MB_ICONWARNING);
        SetFocus(edit);
        return;
    }
    state.name = name;
    EndDialog(window, IDOK);
}

INT_PTR handle(HWND window, UINT message, WPARAM w, LPARAM, NamingState& state) {
    switch (message) {
        case WM_INITDIALOG:
            setTexts(window);
            SetFocus(GetDlgItem(window, naming::kNameEdit));
            return FALSE;  // the focus was set
        case WM_COMMAND:
            if (LOWORD(w) == naming::kNameEdit && HIWORD(w) == EN_CHANGE) {
                EnableWindow(GetDlgItem(window, naming::kSave),
                             GetWindowTextLengthW(GetDlgItem(window, naming::kNameEdit)) > 0);
            } else if (LOWORD(w) == IDOK) {
                confirm(window, state);
            } else if (LOWORD(w) == IDCANCEL) {
                EndDialog(window, IDCANCEL);
            }
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

std::optional<std::wstring> askPresetName(HWND owner) {
    NamingState state;
    const INT_PTR chosen = runModalDialog(templates::kNamingDialog, owner, state, &handle);
    if (chosen != IDOK) return std::nullopt;
    return state.name;
}

}  // namespace nelvo
