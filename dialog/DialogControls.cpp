// SPDX-License-Identifier: MIT
#include "dialog/DialogControls.h"

#include <cctype>
#include <limits>

namespace nelvo {

namespace {

ParameterRange dialogRangeOf(std::string_view member) {
    return parameterNamed(member).dialogRange.value();
}

}  // namespace

const SliderRanges& sliderRanges() {
    static const SliderRanges ranges{
        dialogRangeOf("zoom"),           dialogRangeOf("detectionIntensity"),
        dialogRangeOf("tileSize"),       dialogRangeOf("brushSize"),
        dialogRangeOf("brushIntensity"), dialogRangeOf("eraserSize"),
    };
    return ranges;
}

std::int32_t leadingInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::int64_t value = 0;
    constexpr std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) != 0; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > limit) value = limit;
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<std::int32_t>::max())
        value = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(value);
}

std::uint32_t colourWord(const std::int32_t (&rgb)[4]) {
    const auto byte = [](std::int32_t v) { return static_cast<std::uint32_t>(v) & 0xFFu; };
    return byte(rgb[0]) | (byte(rgb[1]) << 8) | (byte(rgb[2]) << 16);
}

void storeColourWord(std::uint32_t colour, std::int32_t (&rgb)[4]) {
    for (int i = 0; i < 3; ++i) rgb[i] = static_cast<std::int32_t>((colour >> (8 * i)) & 0xFFu);
}

ControlValues valuesFromSettings(const EngineSettings& settings) {
    const SliderRanges& r = sliderRanges();
    ControlValues v;
    v.darkDefects = settings.darkDefects;
    v.brightDefects = settings.brightDefects;
    v.detectionIntensity = r.detectionIntensity.clamp(settings.detectionIntensity);
    v.tileSize = r.tileSize.clamp(settings.tileSize);
    v.brushSize = r.brushSize.clamp(settings.brushSize);
    v.brushIntensity = r.brushIntensity.clamp(settings.brushIntensity);
    v.eraserSize = r.eraserSize.clamp(settings.eraserSize);
    v.defectColor = colourWord(settings.defectColor);
    v.adaptiveRecognition = settings.adaptiveRecognition;
    return v;
}

void storeValues(const ControlValues& values, EngineSettings& settings) {
    settings.darkDefects = values.darkDefects;
    settings.brightDefects = values.brightDefects;
    settings.detectionIntensity = values.detectionIntensity;
    settings.tileSize = values.tileSize;
    settings.brushSize = values.brushSize;
    settings.brushIntensity = values.brushIntensity;
    settings.eraserSize = values.eraserSize;
    settings.adaptiveRecognition = values.adaptiveRecognition;
    storeColourWord(values.defectColor, settings.defectColor);
}

PresetSettings presetFromValues(const ControlValues& values) {
    return PresetSettings{values.brightDefects, values.darkDefects, values.detectionIntensity,
                          values.tileSize,      values.defectColor, values.brushIntensity,
                          values.brushSize,     values.eraserSize,  values.adaptiveRecognition};
}

ControlValues valuesFromPreset(const PresetSettings& preset) {
    const SliderRanges& r = sliderRanges();
    ControlValues v;
    v.brightDefects = preset.brightDefects;
    v.darkDefects = preset.darkDefects || !preset.brightDefects;
    v.detectionIntensity = r.detectionIntensity.clamp(preset.detectionIntensity);
    v.tileSize = r.tileSize.clamp(preset.tileSize);
    v.brushIntensity = r.brushIntensity.clamp(preset.brushIntensity);
    v.brushSize = r.brushSize.clamp(preset.brushSize);
    v.eraserSize = r.eraserSize.clamp(preset.eraserSize);
    v.defectColor = preset.defectColor;
    v.adaptiveRecognition = preset.adaptiveRecognition;
    return v;
}

}  // namespace nelvo
