// SPDX-License-Identifier: MIT
#include "session/UnfilledBytes.h"

namespace filterhost {

void UnfilledBytes::resize(std::size_t size) {
    if (size > capacity_) {
        // The old block goes first, so that the two are never held at once.
        data_.reset();
        capacity_ = 0;
        data_.reset(new uint8_t[size]);
        capacity_ = size;
    }
    size_ = size;
}

}  // namespace filterhost
