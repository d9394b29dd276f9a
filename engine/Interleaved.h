// SPDX-License-Identifier: MIT
// Addressing of a caller's interleaved image: pixel (y, x) starts at
// base + y * rowBytes + x * columnBytes and holds `channels` consecutive values.
// Along a row the engine steps with an element pointer, by columnBytes divided
// by the element size (rounding toward zero).
#pragma once

#include <cstddef>
#include <cstdint>

namespace nelvo {

template <typename T>
class Interleaved {
  public:
    Interleaved(void* base, int32_t rowBytes, int32_t columnBytes)
        : base_(static_cast<char*>(base)),
          rowBytes_(rowBytes),
          step_(static_cast<std::ptrdiff_t>(columnBytes / static_cast<int32_t>(sizeof(T)))) {}

    // First value of row y.
    T* row(int32_t y) const {
        return reinterpret_cast<T*>(base_ + static_cast<std::ptrdiff_t>(y) * rowBytes_);
    }
    // Elements from one pixel to the next along a row.
    std::ptrdiff_t step() const { return step_; }
    T* pixel(int32_t y, int32_t x) const { return row(y) + x * step_; }
    int32_t rowBytes() const { return static_cast<int32_t>(rowBytes_); }
    int32_t columnBytes() const { return static_cast<int32_t>(step_ * std::ptrdiff_t{sizeof(T)}); }

  private:
    char* base_;
    std::ptrdiff_t rowBytes_;
    std::ptrdiff_t step_;
};

template <typename T>
class ConstInterleaved {
  public:
    ConstInterleaved(const void* base, int32_t rowBytes, int32_t columnBytes)
        : base_(static_cast<const char*>(base)),
          rowBytes_(rowBytes),
          step_(static_cast<std::ptrdiff_t>(columnBytes / static_cast<int32_t>(sizeof(T)))) {}

    const T* row(int32_t y) const {
        return reinterpret_cast<const T*>(base_ + static_cast<std::ptrdiff_t>(y) * rowBytes_);
    }
    std::ptrdiff_t step() const { return step_; }
    const T* pixel(int32_t y, int32_t x) const { return row(y) + x * step_; }
    int32_t rowBytes() const { return static_cast<int32_t>(rowBytes_); }
    int32_t columnBytes() const { return static_cast<int32_t>(step_ * std::ptrdiff_t{sizeof(T)}); }

  private:
    const char* base_;
    std::ptrdiff_t rowBytes_;
    std::ptrdiff_t step_;
};

}  // namespace nelvo
