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
    assignZeroed(pixels, rowBytes() * static_cast<std::size_t>(h));
    mask.clear();
    changes = SampleChanges{};
    filterRect = VRect{0, 0, h, w};
}

}  // namespace filterhost
