// SPDX-License-Identifier: MIT
// What the editing dialog hands over after OK besides the settings.
#pragma once

#include <cstdint>

namespace nelvo {

// The hand marks that the filter run takes over after OK; `map` belongs to the dialog.
struct MarkingResult {
    std::uint64_t mapBytes = 0;
    std::int32_t mapWidth = 0;
    const std::uint8_t* map = nullptr;
};

}  // namespace nelvo
