// SPDX-License-Identifier: MIT
// A single-valued plane: width x height elements, rows stored one after another
// without padding. Memory comes from a PlaneAllocator and is not cleared: every
// element is unspecified until a stage writes it.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <new>
#include <stdexcept>
#include <utility>

#include "engine/Geometry.h"
#include "engine/PlaneAllocator.h"

#if !defined(NDEBUG)
#define NELVO_PLANE_CHECK(condition) assert(condition)
#else
#define NELVO_PLANE_CHECK(condition) ((void)0)
#endif

namespace nelvo {

// Bytes needed for `size` elements of `elementBytes` each, computed in 64 bits.
// Throws std::bad_alloc when the block could not be addressed at all.
inline std::size_t planeByteCount(const PlaneSize& size, std::size_t elementBytes) {
    if (size.width < 0 || size.height < 0) {
        throw std::invalid_argument("plane extent must not be negative");
    }
    // Both factors are below 2^31, so the element count fits in 62 bits.
    const auto elements =
        static_cast<std::uint64_t>(size.width) * static_cast<std::uint64_t>(size.height);
    const auto limit = static_cast<std::uint64_t>(std::numeric_limits<std::ptrdiff_t>::max());
    if (elements > limit / elementBytes) {
        throw std::bad_alloc();
    }
    return static_cast<std::size_t>(elements * elementBytes);
}

template <typename T>
class NelvoBuffer {
  public:
    // Throws std::bad_alloc when the size cannot be addressed or the allocator
    // has no memory; other exceptions of the allocator pass through unchanged.
    NelvoBuffer(const PlaneSize& size, PlaneAllocator& allocator)
        : rowBytes_(static_cast<int64_t>(size.width) * static_cast<int64_t>(sizeof(T))),
          height_(size.height),
          width_(size.width),
          allocator_(&allocator) {
        const std::size_t bytes = planeByteCount(size, sizeof(T));
        if (bytes != 0) {
            data_ = static_cast<T*>(allocator.allocate(bytes));
            if (data_ == nullptr) {
                throw std::bad_alloc();
            }
        }
    }

    ~NelvoBuffer() { reset(); }

    NelvoBuffer(const NelvoBuffer&) = delete;
    NelvoBuffer& operator=(const NelvoBuffer&) = delete;

    NelvoBuffer(NelvoBuffer&& other) noexcept
        : rowBytes_(other.rowBytes_),
          data_(std::exchange(other.data_, nullptr)),
          height_(std::exchange(other.height_, 0)),
          width_(std::exchange(other.width_, 0)),
          allocator_(other.allocator_) {
        other.rowBytes_ = 0;
    }

    NelvoBuffer& operator=(NelvoBuffer&& other) noexcept {
        if (this != &other) {
            reset();
            rowBytes_ = std::exchange(other.rowBytes_, 0);
            data_ = std::exchange(other.data_, nullptr);
            height_ = std::exchange(other.height_, 0);
            width_ = std::exchange(other.width_, 0);
            allocator_ = other.allocator_;
        }
        return *this;
    }

    int64_t rowBytes() const { return rowBytes_; }
    static constexpr int32_t elementBytes() { return static_cast<int32_t>(sizeof(T)); }
    T* data() { return data_; }
    const T* data() const { return data_; }
    int32_t height() const { return height_; }
    int32_t width() const { return width_; }
    PlaneSize size() const { return {width_, height_}; }

    T* row(int32_t y) {
        NELVO_PLANE_CHECK(y >= 0 && y < height_);
        return data_ + static_cast<std::ptrdiff_t>(y) * width_;
    }
    const T* row(int32_t y) const {
        NELVO_PLANE_CHECK(y >= 0 && y < height_);
        return data_ + static_cast<std::ptrdiff_t>(y) * width_;
    }
    T& at(int32_t y, int32_t x) {
        NELVO_PLANE_CHECK(x >= 0 && x < width_);
        return row(y)[x];
    }
    const T& at(int32_t y, int32_t x) const {
        NELVO_PLANE_CHECK(x >= 0 && x < width_);
        return row(y)[x];
    }

  private:
    void reset() noexcept {
        if (data_ != nullptr) {
            allocator_->release(data_);
            data_ = nullptr;
        }
    }

    int64_t rowBytes_;
    T* data_ = nullptr;
    int32_t height_;
    int32_t width_;
    PlaneAllocator* allocator_;
};

}  // namespace nelvo
