// SPDX-License-Identifier: MIT
// A modal dialog on a template of the module, whose messages go to a handler with the
// dialog's own state. Every message runs through guardHandler, so that nothing thrown
// crosses the system's dispatch.
#pragma once

#include <windows.h>

#include "resources/pictures/PictureResourceWin32.h"
#include "ui/shared/HandlerGuard.h"

namespace nelvo {

template <typename State>
using ModalHandler = INT_PTR (*)(HWND window, UINT message, WPARAM w, LPARAM l, State& state);

// Runs template `templateId` over `owner` (may be null) until EndDialog; returns its
// result. `state` outlives the dialog.
template <typename State>
INT_PTR runModalDialog(int templateId, HWND owner, State& state, ModalHandler<State> handle) {
    struct Binding {
        State* state;
        ModalHandler<State> handle;
    } binding{&state, handle};
    // The messages before WM_INITDIALOG (the font) find no binding yet.
    const DLGPROC proc = [](HWND window, UINT message, WPARAM w, LPARAM l) -> INT_PTR {
        if (message == WM_INITDIALOG) SetWindowLongPtrW(window, DWLP_USER, l);
        auto* bound = reinterpret_cast<Binding*>(GetWindowLongPtrW(window, DWLP_USER));
        if (bound == nullptr) return FALSE;
        return guardHandler(INT_PTR{FALSE},
                            [&] { return bound->handle(window, message, w, l, *bound->state); });
    };
    return DialogBoxParamW(thisModule(), MAKEINTRESOURCEW(templateId), owner, proc,
                           reinterpret_cast<LPARAM>(&binding));
}

}  // namespace nelvo
