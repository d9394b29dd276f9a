// SPDX-License-Identifier: MIT
#include "host/DialogResult.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "host/ScriptingParameters.h"

namespace nelvo {

int16_t takeOverDialogResult(CallContext& context, const FilterParameters& settings,
                             const MarkingResult& marks) {
    *context.parameters = settings;
    recordParameters(context);
    PersistentBlock& block = *context.persistent;
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
