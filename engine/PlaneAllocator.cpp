// SPDX-License-Identifier: MIT
#include "engine/PlaneAllocator.h"

#include <cstdlib>

namespace nelvo {

void* HeapPlaneAllocator::allocate(std::size_t bytes) {
    return std::malloc(bytes);
}

void HeapPlaneAllocator::release(void* block) noexcept {
    std::free(block);
}

}  // namespace nelvo
