// SPDX-License-Identifier: MIT
// Moving planes between the engine and the reference implementation.
#pragma once

#include <cstdint>
#include <cstring>

#include "engine/NelvoBuffer.h"
#include "engine/reference/ReferenceEngine.h"
#include "engine/reference/Synthetic.h"

namespace nelvo::testing {

template <typename T>
reference::Plane<T> toReference(const NelvoBuffer<T>& plane) {
    reference::Plane<T> out(plane.width(), plane.height());
    for (int32_t y = 0; y < plane.height(); ++y) {
        for (int32_t x = 0; x < plane.width(); ++x) out.at(y, x) = plane.at(y, x);
    }
    return out;
}

inline reference::Plane<uint8_t> toReference(const BytePlane& plane) {
    reference::Plane<uint8_t> out(plane.width, plane.height);
    out.values = plane.bytes;
    return out;
}

inline void copyInto(const BytePlane& from, NelvoBuffer<uint8_t>& to) {
    for (int32_t y = 0; y < from.height; ++y) {
        for (int32_t x = 0; x < from.width; ++x) to.at(y, x) = from.at(y, x);
    }
}

// Same bits, so that NaN equals NaN and -0 differs from +0.
template <typename T>
bool sameBits(T a, T b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

}  // namespace nelvo::testing
