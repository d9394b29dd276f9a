// SPDX-License-Identifier: MIT
// An allocator for large byte buffers that are sized once and written before they are
// read in full. calloc takes big blocks straight from the system as zero pages that are
// not touched until written, and value-initialising an element here writes nothing, so
// sizing a 24-megapixel buffer costs no page faults up front: they fall due page by
// page where the buffer is first written. Where a page fault is dear (virtual machines)
// that is most of the cost: two 72 MB preview copies took 660 ms to size with zeros
// written, on the path from reading a file to the dialog's first picture.
// Not for a buffer that shrinks and grows again: the regrown tail would keep old bytes.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <utility>
#include <vector>

namespace nelvo {

template <typename T>
struct FreshPagesAllocator {
    using value_type = T;

    FreshPagesAllocator() = default;
    template <typename U>
    FreshPagesAllocator(const FreshPagesAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) {
        void* memory = std::calloc(n, sizeof(T));
        if (memory == nullptr) throw std::bad_alloc();
        return static_cast<T*>(memory);
    }
    void deallocate(T* p, std::size_t) noexcept { std::free(p); }

    // Value-initialisation: the memory is zero already.
    template <typename U>
    void construct(U*) noexcept {}
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }

    template <typename U>
    bool operator==(const FreshPagesAllocator<U>&) const noexcept {
        return true;
    }
};

using FreshPagesBytes = std::vector<std::uint8_t, FreshPagesAllocator<std::uint8_t>>;

// Bytes are equal when they hold the same values, whoever allocated them.
inline bool operator==(const FreshPagesBytes& a, const std::vector<std::uint8_t>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

}  // namespace nelvo
