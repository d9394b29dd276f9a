// SPDX-License-Identifier: MIT
// Counts the bytes the benchmark process holds on the heap, through the
// global operator new and delete and through the plane allocator below, so
// that a stage's working memory can be read as a peak above a baseline.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/PlaneAllocator.h"

namespace nelvo::bench {

// Bytes held now, and the most held since the last resetPeak.
int64_t heapBytes();
int64_t peakHeapBytes();
void resetPeak();

// Plane memory from malloc, counted with the heap.
class MeteredPlaneAllocator final : public PlaneAllocator {
  public:
    void* allocate(std::size_t bytes) override;
    void release(void* block) noexcept override;
};

}  // namespace nelvo::bench
