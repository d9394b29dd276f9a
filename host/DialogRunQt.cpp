// SPDX-License-Identifier: MIT
// The editing dialog on Qt.
#include "host/DialogRun.h"

#include <QDialog>
#include <algorithm>
#include <cstring>
#include <exception>
#include <limits>

#include "dialog/NelvoDialog.h"
#include "host/FilterRun.h"
#include "host/HostPlaneAllocator.h"
#include "host/ScriptingParameters.h"

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

    *context.parameters = dialog.settings;
    recordParameters(context);
    PersistentBlock& block = *context.persistent;
    const MarkingResult& marks = dialog.result;
    const PSHandleSuite2& handles = context.suites.handles();
    if (marks.mapBytes > static_cast<uint64_t>(std::numeric_limits<int32_t>::max()))
        return memFullErr;
    const auto bytes = static_cast<int32_t>(marks.mapBytes);
    if (block.map != nullptr && context.map != nullptr) {
        handles.SetLock(block.map, false, nullptr, nullptr);
        context.map = nullptr;
    }
    if (block.map == nullptr) {
        block.map = handles.New(std::max(bytes, 1));
        if (block.map == nullptr) return memFullErr;
    } else if (handles.SetSize(block.map, std::max(bytes, 1)) != noErr) {
        return memFullErr;
    }
    Ptr address = nullptr;
    handles.SetLock(block.map, true, &address, nullptr);
    if (address == nullptr) return memFullErr;
    context.map = reinterpret_cast<uint8_t*>(address);
    if (bytes > 0) std::memcpy(context.map, marks.map, static_cast<std::size_t>(bytes));
    block.mapWidth = marks.mapWidth;
    block.mapBytes = marks.mapBytes;
    block.showDialogNext = 0;
    return noErr;
}

}  // namespace nelvo
