// SPDX-License-Identifier: MIT
// Where plane memory comes from. The plug-in adapts the host's buffer service
// to this interface; tests and tools use HeapPlaneAllocator.
#pragma once

#include <cstddef>

namespace nelvo {

class PlaneAllocator {
  public:
    virtual ~PlaneAllocator() = default;
    // Returns a block of at least `bytes` bytes (never asked for 0), or nullptr
    // when the memory cannot be had. Any exception thrown here reaches the
    // caller of the stage unchanged.
    virtual void* allocate(std::size_t bytes) = 0;
    virtual void release(void* block) noexcept = 0;
};

// Plain process-heap allocator.
class HeapPlaneAllocator final : public PlaneAllocator {
  public:
    void* allocate(std::size_t bytes) override;
    void release(void* block) noexcept override;
};

}  // namespace nelvo
