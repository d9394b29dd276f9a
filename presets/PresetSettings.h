// SPDX-License-Identifier: MIT
// The eight settings a preset file stores, each under the key of the same name.
#pragma once

#include <cstdint>

namespace nelvo {

struct PresetSettings {
    bool brightDefects;
    bool darkDefects;
    std::int32_t detectionIntensity;
    std::int32_t tileSize;
    // A colour word as the colour chooser returns it: byte 0 (lowest) red, byte 1 green,
    // byte 2 blue, byte 3 unused (0 when chosen in the dialog, but carried all the same).
    std::uint32_t defectColor;
    std::int32_t brushIntensity;
    std::int32_t brushSize;
    std::int32_t eraserSize;
    bool adaptiveRecognition;

    friend bool operator==(const PresetSettings&, const PresetSettings&) = default;
};

}  // namespace nelvo
