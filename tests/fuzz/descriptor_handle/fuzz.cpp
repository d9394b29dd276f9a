// SPDX-License-Identifier: MIT
// Flattened descriptors come from action files and other programs: whatever
// the bytes, unflattening must refuse or succeed without reading past the end,
// and what it accepts must flatten back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "scripting/Descriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto descriptor = filterhost::Descriptor::unflatten(std::span<const uint8_t>(data, size));
    if (descriptor) {
        const std::vector<uint8_t> again = descriptor->flatten();
        if (again != std::vector<uint8_t>(data, data + size)) std::abort();
    }
    return 0;
}
