// SPDX-License-Identifier: MIT
#include "session/LargeBuffers.h"

#include <sys/mman.h>

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

void assignZeroed(std::vector<uint8_t>& bytes, std::size_t size) {
    if (size > bytes.capacity()) {
        std::vector<uint8_t>().swap(bytes);
        bytes.reserve(size);
        preferHugePages(bytes.data(), size);
    }
    bytes.assign(size, 0);
}

void UnfilledBytes::resize(std::size_t size) {
    if (size > capacity_) {
        data_.reset();
        capacity_ = 0;
        data_.reset(new uint8_t[size]);
        capacity_ = size;
        preferHugePages(data_.get(), size);
    }
    size_ = size;
}

}  // namespace filterhost
