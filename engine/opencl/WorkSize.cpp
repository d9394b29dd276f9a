// SPDX-License-Identifier: MIT
#include "engine/opencl/WorkSize.h"

#include <algorithm>
#include <cstdio>

namespace nelvo::opencl {

bool fitWorkSize(const WorkLimits& limits, const std::size_t global[2], std::size_t paddedGlobal[2],
                 std::size_t local[2]) {
    const std::size_t multiple = limits.preferredMultiple;
    std::size_t size[2] = {std::min(multiple, limits.maxItemSizes[0]),
                           std::min(multiple, limits.maxItemSizes[1])};
    // `total` is halved along with each dimension rather than recomputed; with
    // odd sizes it rounds down no faster than the product, so it never
    // understates the group.
    std::size_t total = size[0] * size[1];
    for (int d = 0; d < 2; ++d) {
        while (size[d] > global[d]) {
            size[d] /= 2;
            total /= 2;
        }
    }
    while (total > limits.maxGroupSize) {
        const std::size_t before = total;
        for (int d = 1; d >= 0 && total > limits.maxGroupSize; --d) {
            if (size[d] > 1) {
                size[d] /= 2;
                total /= 2;
            }
        }
        if (total == before) {
            break;
        }
    }
    // A group of 0 items (a kernel or device that states no preferred
    // multiple, or an empty launch) cannot be launched either.
    if (total > limits.maxGroupSize || size[0] == 0 || size[1] == 0) {
        std::fputs("Unable to determine a work size within the device limit.\n", stderr);
        return false;
    }
    for (int d = 0; d < 2; ++d) {
        local[d] = size[d];
        paddedGlobal[d] = (global[d] + size[d] - 1) / size[d] * size[d];
    }
    return true;
}

std::size_t mappedRowPitch(std::size_t width, std::size_t mappedPitch) {
    return mappedPitch >= width * sizeof(float) ? mappedPitch : 0;
}

}  // namespace nelvo::opencl
