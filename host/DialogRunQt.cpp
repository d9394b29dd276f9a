// SPDX-License-Identifier: MIT
// The editing dialog on Qt.
#include "host/DialogRun.h"

#include <QDialog>
#include <exception>

#include "host/DialogResult.h"
#include "host/FilterRun.h"
#include "host/HostPlaneAllocator.h"
#include "ui/qt/NelvoDialog.h"

namespace nelvo {

int16_t runDialog(CallContext& context) {
    HostPlaneAllocator allocator(context.suites);
    NelvoDialog dialog(
        context.record, [&context] { fetchWholeImage(context); }, allocator);
    dialog.settings = *context.parameters;
    const int answer = dialog.exec();
    // A window that failed ended the dialog: the call fails with what it threw.
    if (dialog.failure()) std::rethrow_exception(dialog.failure());
    if (answer != QDialog::Accepted) return userCanceledErr;

    return takeOverDialogResult(context, dialog.settings, dialog.result);
}

}  // namespace nelvo
