// SPDX-License-Identifier: MIT
// Plane allocators for the engine tests: one that fills fresh blocks with a
// pattern (so a stage that reads what it never wrote shows up) and counts
// blocks, and one that can be told to fail.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "engine/PlaneAllocator.h"

namespace nelvo::testing {

inline constexpr unsigned char kFreshByte = 0xA5;

class CountingAllocator : public PlaneAllocator {
  public:
    void* allocate(std::size_t bytes) override {
        requests.push_back(bytes);
        void* block = std::malloc(bytes);
        if (block != nullptr) {
            std::memset(block, kFreshByte, bytes);
            ++live;
        }
        return block;
    }
    void release(void* block) noexcept override {
        std::free(block);
        --live;
    }

    std::vector<std::size_t> requests;  // every size asked for, in order
    int live = 0;                       // blocks handed out and not returned
};

struct AllocatorRefusal : std::runtime_error {
    AllocatorRefusal() : std::runtime_error("refused by test") {}
};

// Serves requests until `failAt` (counted from 1 over its lifetime), which
// gets nullptr or, with `throwInstead`, an AllocatorRefusal.
class FailingAllocator : public CountingAllocator {
  public:
    void* allocate(std::size_t bytes) override {
        if (++calls == failAt) {
            requests.push_back(bytes);
            if (throwInstead) throw AllocatorRefusal();
            return nullptr;
        }
        return CountingAllocator::allocate(bytes);
    }

    int calls = 0;
    int failAt = 0;
    bool throwInstead = false;
};

// Records each size and refuses every request.
class RefusingAllocator : public PlaneAllocator {
  public:
    void* allocate(std::size_t bytes) override {
        requests.push_back(bytes);
        return nullptr;
    }
    void release(void*) noexcept override {}

    std::vector<std::size_t> requests;
};

}  // namespace nelvo::testing
