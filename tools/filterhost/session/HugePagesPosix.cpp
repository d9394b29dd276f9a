// SPDX-License-Identifier: MIT
#include <sys/mman.h>

#include "session/LargeBuffers.h"

namespace filterhost {
namespace {
constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
}

void preferHugePages(void* data, std::size_t bytes) {
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t last = (begin + bytes) & ~(kHugePage - 1);
    if (last < first + 4 * kHugePage) return;
    // Only advice: without it the buffer works the same, a little slower.
    ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

}  // namespace filterhost
