// SPDX-License-Identifier: MIT
// Engine planes from the host's Buffer suite.
#pragma once

#include "engine/PlaneAllocator.h"
#include "host/SuiteCache.h"

namespace nelvo {

class HostPlaneAllocator final : public PlaneAllocator {
  public:
    explicit HostPlaneAllocator(SuiteCache& suites) : suites_(suites) {}

    // nullptr when the host cannot serve the block (the suite's sizes are
    // 32-bit, so larger planes cannot be had at all). Throws the host's error
    // code when the Buffer suite cannot be acquired.
    void* allocate(std::size_t bytes) override;
    void release(void* block) noexcept override;

  private:
    SuiteCache& suites_;
};

}  // namespace nelvo
