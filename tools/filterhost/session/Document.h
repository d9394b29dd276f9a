// SPDX-License-Identifier: MIT
// An image held in host memory, in the host's sample ranges: 8-bit 0..255,
// 16-bit 0..32768, 32-bit float.
#pragma once

#include <cstdint>
#include <vector>

#include "PITypes.h"
#include "session/SampleChanges.h"
#include "util/FreshPagesAllocator.h"

namespace filterhost {

struct Document {
    int32_t width = 0;
    int32_t height = 0;
    int16_t planes = 0;     // samples per pixel, interleaved
    int16_t imageMode = 0;  // plugInMode...
    int32_t depth = 8;      // bits per sample: 8, 16 or 32
    // Rows of width × planes samples, no padding. Fresh pages, not touched
    // before they are first written: a document read as a filter comes to its
    // rows holds no memory for the rows below.
    nelvo::FreshPagesBytes pixels;

    // Selection: one byte per pixel, 0 = not selected; empty when none.
    std::vector<uint8_t> mask;

    // The area to filter; the whole image unless a selection narrows it.
    VRect filterRect{0, 0, 0, 0};

    // The samples written with new values since the document was read
    // (sample index = pixel × planes + plane), when tracked. The tile server
    // records what a filter changes; code that sets pixels itself marks them.
    SampleChanges changes;

    std::size_t sampleBytes() const { return static_cast<std::size_t>(depth / 8); }
    std::size_t pixelBytes() const { return sampleBytes() * static_cast<std::size_t>(planes); }
    std::size_t rowBytes() const { return pixelBytes() * static_cast<std::size_t>(width); }

    // Allocates zeroed pixels, sets the filter rectangle to the whole image and
    // stops tracking changes.
    void allocate(int32_t w, int32_t h, int16_t samplesPerPixel, int16_t mode, int32_t bits);
};

}  // namespace filterhost
