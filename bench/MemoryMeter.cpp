// SPDX-License-Identifier: MIT
#include "bench/MemoryMeter.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace nelvo::bench {

namespace {

std::atomic<int64_t> gHeld{0};
std::atomic<int64_t> gPeak{0};

void* take(std::size_t bytes) {
    void* block = std::malloc(bytes == 0 ? 1 : bytes);
    if (block == nullptr) return nullptr;
    const int64_t held = gHeld.fetch_add(static_cast<int64_t>(malloc_usable_size(block))) +
                         static_cast<int64_t>(malloc_usable_size(block));
    int64_t peak = gPeak.load(std::memory_order_relaxed);
    while (held > peak && !gPeak.compare_exchange_weak(peak, held)) {
    }
    return block;
}

void give(void* block) noexcept {
    if (block == nullptr) return;
    gHeld.fetch_sub(static_cast<int64_t>(malloc_usable_size(block)));
    std::free(block);
}

}  // namespace

int64_t heapBytes() {
    return gHeld.load();
}

int64_t peakHeapBytes() {
    return gPeak.load();
}

void resetPeak() {
    gPeak.store(gHeld.load());
}

void* MeteredPlaneAllocator::allocate(std::size_t bytes) {
    return take(bytes);
}

void MeteredPlaneAllocator::release(void* block) noexcept {
    give(block);
}

}  // namespace nelvo::bench

// Every allocation of the process goes through the meter. Aligned forms are
// left to the library: nothing in the engine asks for them.
void* operator new(std::size_t bytes) {
    void* block = nelvo::bench::take(bytes);
    if (block == nullptr) throw std::bad_alloc();
    return block;
}
void* operator new[](std::size_t bytes) {
    return operator new(bytes);
}
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept {
    return nelvo::bench::take(bytes);
}
void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept {
    return nelvo::bench::take(bytes);
}
void operator delete(void* block) noexcept {
    nelvo::bench::give(block);
}
void operator delete[](void* block) noexcept {
    nelvo::bench::give(block);
}
void operator delete(void* block, std::size_t) noexcept {
    nelvo::bench::give(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    nelvo::bench::give(block);
}
