// SPDX-License-Identifier: MIT
// The editing dialog's control values and the rules between them, without any window:
// the slider ranges, the edit boxes' number reading, the defect-type rule, and the
// exchange with the parameter record and with presets. The window layer only shows
// what these functions compute.
#pragma once

#include <cstdint>
#include <string_view>

#include "presets/PresetSettings.h"
#include "settings/FilterParameters.h"
#include "settings/ParameterTable.h"

namespace nelvo {

// The values the dialog's controls hold. `defectColor` is a colour word 0x00BBGGRR.
struct ControlValues {
    bool darkDefects = true;
    bool brightDefects = false;
    std::int32_t detectionIntensity = 1;
    std::int32_t tileSize = 1;
    std::int32_t brushSize = 1;
    std::int32_t brushIntensity = 0;
    std::int32_t eraserSize = 1;
    std::uint32_t defectColor = 0x000000FF;
    bool adaptiveRecognition = false;
    friend bool operator==(const ControlValues&, const ControlValues&) = default;
};

// The slider ranges: the dialog range of each field's parameter row.
struct SliderRanges {
    ParameterRange zoom, detectionIntensity, tileSize, brushSize, brushIntensity, eraserSize;
};
const SliderRanges& sliderRanges();

// The leading decimal integer of an edit box's text: leading blanks and one sign are
// accepted, anything else ends the number; 0 when there is none. Saturates at the int
// range instead of overflowing.
std::int32_t leadingInteger(std::string_view text);

// The colour word of the first three defectColor entries, each taken as a byte.
std::uint32_t colourWord(const std::int32_t (&rgb)[4]);
// The red, green and blue bytes of a colour word into the first three entries.
void storeColourWord(std::uint32_t colour, std::int32_t (&rgb)[4]);

// The controls for a parameter record; every slider value clamped to its range. Both
// defect types may be off: the rule applies only to clicks.
ControlValues valuesFromSettings(const EngineSettings& settings);

// Writes the edited fields back; every other field keeps its value (the fourth colour
// entry).
void storeValues(const ControlValues& values, EngineSettings& settings);

// A click on one defect-type box, which has already toggled to `clickedChecked`: at
// least one box stays checked. Returns the other box's new state.
constexpr bool otherBoxAfterClick(bool clickedChecked, bool otherChecked) {
    return otherChecked || !clickedChecked;
}

PresetSettings presetFromValues(const ControlValues& values);

// The controls after applying a preset: a preset without either defect type checks
// "Dark Defects"; sliders clamp.
ControlValues valuesFromPreset(const PresetSettings& preset);

}  // namespace nelvo
