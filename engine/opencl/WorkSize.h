// SPDX-License-Identifier: MIT
// Launch geometry of the OpenCL kernels, kept apart from any device so that its
// arithmetic can be checked on made-up device limits.
#pragma once

#include <cstddef>
#include <string_view>

namespace nelvo::opencl {

// What a device and a kernel allow for a work-group.
struct WorkLimits {
    std::size_t maxItemSizes[3] = {};   // the device's largest size per dimension
    std::size_t maxGroupSize = 0;       // the kernel's largest work-group on the device (K)
    std::size_t preferredMultiple = 0;  // the kernel's preferred size multiple (P)
};

// Chooses a two-dimensional work-group size for a launch over `global`:
// starts from P per dimension (within the device's item sizes), halves a
// dimension while it exceeds the launch, then halves dimension 1 and 0 in
// turn until the group fits in K. On success `local` holds the group size and
// `paddedGlobal` the launch rounded up to whole groups. When no halving can
// bring the group within K, writes one line to stderr and answers false; the
// caller then lets the runtime pick the group size.
bool fitWorkSize(const WorkLimits& limits, const std::size_t global[2], std::size_t paddedGlobal[2],
                 std::size_t local[2]);

// Bytes from one row of a mapped float image to the next, for an image
// `width` elements wide: the row pitch that the mapping reported, whatever
// the platform (a runtime may pad rows beyond the image's width). 0 when that
// pitch cannot hold a row of `width` floats, so the caller declines instead of
// copying past the mapping.
std::size_t mappedRowPitch(std::size_t width, std::size_t mappedPitch);

}  // namespace nelvo::opencl
