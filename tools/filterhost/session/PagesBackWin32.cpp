// SPDX-License-Identifier: MIT
#include <windows.h>

#include "session/LargeBuffers.h"

namespace filterhost {

uint8_t* givePagesBack(uint8_t* begin, uint8_t* end) {
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const auto page = static_cast<std::uintptr_t>(system.dwPageSize);
    const std::uintptr_t first = (reinterpret_cast<std::uintptr_t>(begin) + page - 1) & ~(page - 1);
    const std::uintptr_t last = reinterpret_cast<std::uintptr_t>(end) & ~(page - 1);
    if (last <= first) return begin;
    // The pages' contents may be dropped instead of written to the paging
    // file; should the call fail, they stay as they are.
    VirtualAlloc(reinterpret_cast<void*>(first), last - first, MEM_RESET, PAGE_READWRITE);
    return begin + (last - reinterpret_cast<std::uintptr_t>(begin));
}

}  // namespace filterhost
