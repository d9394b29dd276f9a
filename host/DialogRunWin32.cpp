// SPDX-License-Identifier: MIT
// The editing dialog on Win32, over the host's window when it gives one.
#include <windows.h>

#include "host/AboutBox.h"
#include "host/DialogResult.h"
#include "host/DialogRun.h"
#include "host/FilterRun.h"
#include "host/HostPlaneAllocator.h"
#include "ui/win32/EditingDialogWin32.h"

namespace nelvo {

int16_t runDialog(CallContext& context) {
    HostPlaneAllocator allocator(context.suites);
    EditingDialogWin32 dialog(
        context.record, [&context] { fetchWholeImage(context); }, allocator);
    dialog.settings = *context.parameters;
    dialog.onAbout = [] { showAboutBox(); };
    const auto* platform = static_cast<const PlatformData*>(context.record->platformData);
    HWND owner = platform != nullptr ? reinterpret_cast<HWND>(platform->hwnd) : nullptr;
    if (!dialog.run(owner)) return userCanceledErr;
    return takeOverDialogResult(context, dialog.settings, dialog.result);
}

}  // namespace nelvo
