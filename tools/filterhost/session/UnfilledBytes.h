// SPDX-License-Identifier: MIT
// Bytes for a caller that fills every one of them: unlike a vector's, they
// are not zeroed first, which for a tile of the whole image is a pass over
// hundreds of megabytes saved.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace filterhost {

class UnfilledBytes {
  public:
    // `size` bytes of unspecified value; the block is kept when it is large
    // enough, replaced otherwise.
    void resize(std::size_t size);
    void clear() { size_ = 0; }
    uint8_t* data() { return data_.get(); }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

  private:
    std::unique_ptr<uint8_t[]> data_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

}  // namespace filterhost
