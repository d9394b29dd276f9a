// SPDX-License-Identifier: MIT
#include "session/LargeBuffers.h"

namespace filterhost {

void assignZeroed(std::vector<uint8_t>& bytes, std::size_t size) {
    if (size > bytes.capacity()) {
        std::vector<uint8_t>().swap(bytes);
        bytes.reserve(size);
        preferHugePages(bytes.data(), size);
    }
    bytes.assign(size, 0);
}

void UnfilledBytes::resize(std::size_t size) {
    if (size > capacity_) {
        data_.reset();
        capacity_ = 0;
        data_.reset(new uint8_t[size]);
        capacity_ = size;
        preferHugePages(data_.get(), size);
    }
    size_ = size;
}

}  // namespace filterhost
