// SPDX-License-Identifier: MIT
// Plane memory that can be refused, as when memory runs out.
#pragma once

#include "engine/PlaneAllocator.h"

namespace nelvo::test {

class RefusingAllocator : public PlaneAllocator {
  public:
    void* allocate(std::size_t bytes) override { return refuse ? nullptr : heap.allocate(bytes); }
    void release(void* block) noexcept override { heap.release(block); }
    bool refuse = false;

  private:
    HeapPlaneAllocator heap;
};

}  // namespace nelvo::test
