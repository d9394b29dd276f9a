// SPDX-License-Identifier: MIT
#include "session/Document.h"

#include "session/LargeBuffers.h"

namespace filterhost {

void Document::allocate(int32_t w, int32_t h, int16_t samplesPerPixel, int16_t mode, int32_t bits) {
    width = w;
    height = h;
    planes = samplesPerPixel;
    imageMode = mode;
    depth = bits;
    // A block of its own, never one that held pixels before: its pages are
    // the system's zeros, untouched until written.
    const std::size_t size = rowBytes() * static_cast<std::size_t>(h);
    nelvo::FreshPagesBytes().swap(pixels);
    pixels.resize(size);
    preferHugePages(pixels.data(), size);
    mask.clear();
    changes = SampleChanges{};
    filterRect = VRect{0, 0, h, w};
}

}  // namespace filterhost
