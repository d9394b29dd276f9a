// SPDX-License-Identifier: MIT
#include <sys/mman.h>
#include <unistd.h>

#include "session/LargeBuffers.h"

namespace filterhost {

uint8_t* givePagesBack(uint8_t* begin, uint8_t* end) {
    static const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const std::uintptr_t first = (reinterpret_cast<std::uintptr_t>(begin) + page - 1) & ~(page - 1);
    const std::uintptr_t last = reinterpret_cast<std::uintptr_t>(end) & ~(page - 1);
    if (last <= first) return begin;
    // Only advice: should it fail, the pages stay resident and nothing else changes.
    ::madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
    return begin + (last - reinterpret_cast<std::uintptr_t>(begin));
}

}  // namespace filterhost
