// SPDX-License-Identifier: MIT
// Walking the set bytes of a sparse byte row.
#pragma once

#include <cstdint>
#include <cstring>

namespace nelvo {

// Calls visit(x) for every x in [0, width) whose byte is non-zero, in
// ascending order. Defect flags are sparse, so most 8-byte words are zero and
// are passed over with one test.
template <typename Visit>
void forEachFlag(const uint8_t* flags, int32_t width, const Visit& visit) {
    int32_t x = 0;
    for (; x + 8 <= width; x += 8) {
        uint64_t word;
        std::memcpy(&word, flags + x, sizeof word);
        if (word == 0) continue;
        for (int32_t i = 0; i < 8; ++i) {
            if (flags[x + i] != 0) visit(x + i);
        }
    }
    for (; x < width; ++x) {
        if (flags[x] != 0) visit(x);
    }
}

}  // namespace nelvo
