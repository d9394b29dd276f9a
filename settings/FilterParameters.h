// SPDX-License-Identifier: MIT
// The filter's whole parameter record. It lives in the host's `parameters`
// handle between calls, so it holds no pointers and is copied by value.
#pragma once

#include <cstdint>

namespace nelvo {

struct EngineSettings {
    bool darkDefects;
    bool brightDefects;
    int32_t detectionIntensity;  // 1..20
    int32_t tileSize;            // 1..50 in the dialog, 1..100 from scripting
    int32_t defectColor[4];      // red, green, blue, fourth; 0..255 each
    bool adaptiveRecognition;
    int32_t brushSize;       // 1..100
    int32_t brushIntensity;  // -10..10
    int32_t eraserSize;      // 1..100

    bool operator==(const EngineSettings&) const = default;
};

struct FilterParameters {
    bool previewPrecision;
    double zoom;             // percent, 10..200
    int32_t windowFrame[4];  // top, left, bottom, right (screen coordinates)
    int32_t windowState;     // 0..2
    bool ignoreSelection;
    EngineSettings engine;

    bool operator==(const FilterParameters&) const = default;
};

void setDefaults(EngineSettings& settings);
void setDefaults(FilterParameters& parameters);

}  // namespace nelvo
