// SPDX-License-Identifier: MIT
#include "host/HostHandles.h"

#include <cstring>

namespace nelvo {
namespace {

// Locks `handle` and returns its address, after growing it to `size` bytes if
// the host holds a smaller block (a record from an older build, or a damaged
// one): reading a record past the end of its block is never safe. Returns
// nullptr when the block cannot be made big enough; `reset` tells whether the
// contents must be initialised.
Ptr lockAtLeast(const PSHandleSuite2& handles, Handle handle, int32_t size, bool& reset) {
    if (handles.GetSize(handle) < size) {
        if (handles.SetSize(handle, size) != noErr) return nullptr;
        reset = true;
    }
    Ptr address = nullptr;
    handles.SetLock(handle, true, &address, nullptr);
    return address;
}

}  // namespace

int16_t lockHandles(CallContext& context) {
    const PSHandleSuite2& handles = context.suites.handles();
    FilterRecord& record = *context.record;

    if (record.parameters == nullptr) {
        record.parameters = handles.New(sizeof(FilterParameters));
        if (record.parameters == nullptr) return memFullErr;
        bool reset = true;
        context.parameters = reinterpret_cast<FilterParameters*>(
            lockAtLeast(handles, record.parameters, sizeof(FilterParameters), reset));
        if (context.parameters != nullptr) setDefaults(*context.parameters);
    } else {
        bool reset = false;
        context.parameters = reinterpret_cast<FilterParameters*>(
            lockAtLeast(handles, record.parameters, sizeof(FilterParameters), reset));
        if (context.parameters != nullptr && reset) setDefaults(*context.parameters);
    }

    Handle block = reinterpret_cast<Handle>(*context.data);
    if (block == nullptr) {
        block = handles.New(sizeof(PersistentBlock));
        if (block == nullptr) return memFullErr;
        *context.data = reinterpret_cast<intptr_t>(block);
        bool reset = true;
        context.persistent = reinterpret_cast<PersistentBlock*>(
            lockAtLeast(handles, block, sizeof(PersistentBlock), reset));
        if (context.persistent != nullptr) {
            std::memset(static_cast<void*>(context.persistent), 0, sizeof(PersistentBlock));
            context.persistent->showDialogNext = 1;
        }
    } else {
        bool reset = false;
        context.persistent = reinterpret_cast<PersistentBlock*>(
            lockAtLeast(handles, block, sizeof(PersistentBlock), reset));
        if (context.persistent != nullptr && reset) {
            std::memset(static_cast<void*>(context.persistent), 0, sizeof(PersistentBlock));
            context.persistent->showDialogNext = 1;
        }
    }

    if (context.persistent != nullptr && context.persistent->map != nullptr) {
        Ptr address = nullptr;
        handles.SetLock(context.persistent->map, true, &address, nullptr);
        context.map = reinterpret_cast<uint8_t*>(address);
    }

    if (context.parameters == nullptr || context.persistent == nullptr) return memFullErr;
    return noErr;
}

void unlockHandles(CallContext& context) noexcept {
    try {
        const PSHandleSuite2& handles = context.suites.handles();
        FilterRecord& record = *context.record;
        if (context.persistent != nullptr && context.persistent->map != nullptr &&
            context.map != nullptr) {
            handles.SetLock(context.persistent->map, false, nullptr, nullptr);
        }
        if (*context.data != 0 && context.persistent != nullptr) {
            handles.SetLock(reinterpret_cast<Handle>(*context.data), false, nullptr, nullptr);
        }
        if (record.parameters != nullptr && context.parameters != nullptr) {
            handles.SetLock(record.parameters, false, nullptr, nullptr);
        }
    } catch (...) {
        // The handle suite was acquired by lockHandles; nothing to unlock otherwise.
    }
    context.parameters = nullptr;
    context.persistent = nullptr;
    context.map = nullptr;
}

}  // namespace nelvo
