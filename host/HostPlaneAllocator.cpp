// SPDX-License-Identifier: MIT
#include "host/HostPlaneAllocator.h"

#include <cstdint>

namespace nelvo {

void* HostPlaneAllocator::allocate(std::size_t bytes) {
    const PSBufferSuite1& buffers = suites_.buffers();
    if (bytes > UINT32_MAX) return nullptr;
    auto size = static_cast<uint32_t>(bytes);
    return buffers.New(&size, size);
}

void HostPlaneAllocator::release(void* block) noexcept {
    try {
        Ptr buffer = static_cast<Ptr>(block);
        suites_.buffers().Dispose(&buffer);
    } catch (...) {
        // A block was given, so the suite is held; nothing else can fail here.
    }
}

}  // namespace nelvo
