// SPDX-License-Identifier: MIT
#include "settings/ParameterTable.h"

#include <stdexcept>
#include <string>

namespace nelvo {
namespace {

using Range = std::optional<ParameterRange>;
constexpr Range kNoRange = std::nullopt;

// In the descriptor's order. The dialog's range of `tileSize` is narrower than
// scripting's: a larger scripted value shows as the slider's end.
const Parameter kParameters[] = {
    {"previewPrecision", ParameterKind::Boolean, fourCharCode("preC"), PresetUse::None, "", false,
     kNoRange, kNoRange, "preview precision", "fast vs accurate preview",
     [](FilterParameters& p) -> ParameterField { return &p.previewPrecision; }},
    {"darkDefects", ParameterKind::Boolean, fourCharCode("darK"), PresetUse::Stored, "darkDefects",
     true, kNoRange, kNoRange, "dark defects", "dark defects",
     [](FilterParameters& p) -> ParameterField { return &p.engine.darkDefects; }},
    {"brightDefects", ParameterKind::Boolean, fourCharCode("briT"), PresetUse::Stored,
     "brightDefects", false, kNoRange, kNoRange, "bright defects", "bright defects",
     [](FilterParameters& p) -> ParameterField { return &p.engine.brightDefects; }},
    {"detectionIntensity", ParameterKind::Integer, fourCharCode("detI"), PresetUse::Stored,
     "detectionIntensity", 8, ParameterRange{1, 20}, ParameterRange{1, 20}, "defect detection",
     "defect detection amount",
     [](FilterParameters& p) -> ParameterField { return &p.engine.detectionIntensity; }},
    {"tileSize", ParameterKind::Integer, fourCharCode("tilE"), PresetUse::Stored, "tileSize", 8,
     ParameterRange{1, 100}, ParameterRange{1, 50}, "tile size", "defect tile size",
     [](FilterParameters& p) -> ParameterField { return &p.engine.tileSize; }},
    {"defectColor", ParameterKind::Integers4, fourCharCode("defC"), PresetUse::Stored,
     "defectColor", std::array<std::int32_t, 4>{255, 0, 0, 255}, kNoRange, kNoRange, "", "",
     [](FilterParameters& p) -> ParameterField { return p.engine.defectColor; }},
    {"adaptiveRecognition", ParameterKind::Boolean, fourCharCode("adaP"), PresetUse::Stored,
     "adaptiveRecognition", false, kNoRange, kNoRange, "", "",
     [](FilterParameters& p) -> ParameterField { return &p.engine.adaptiveRecognition; }},
    {"brushSize", ParameterKind::Integer, fourCharCode("brsS"), PresetUse::Stored, "brushSize", 20,
     ParameterRange{1, 100}, ParameterRange{1, 100}, "brush size", "defect brush size",
     [](FilterParameters& p) -> ParameterField { return &p.engine.brushSize; }},
    {"brushIntensity", ParameterKind::Integer, fourCharCode("brsI"), PresetUse::Stored,
     "brushIntensity", 10, ParameterRange{-10, 10}, ParameterRange{-10, 10}, "brush intensity",
     "defect brush intensity",
     [](FilterParameters& p) -> ParameterField { return &p.engine.brushIntensity; }},
    {"eraserSize", ParameterKind::Integer, fourCharCode("ersS"), PresetUse::Stored, "eraserSize",
     10, ParameterRange{1, 100}, ParameterRange{1, 100}, "eraser size", "defect eraser size",
     [](FilterParameters& p) -> ParameterField { return &p.engine.eraserSize; }},
    // The zoom slider's percentage; the default 1.0 is what a new record has
    // until a confirmed dialog records the slider.
    {"zoom", ParameterKind::Percent, fourCharCode("zooM"), PresetUse::None, "", 1.0, kNoRange,
     ParameterRange{10, 800}, "zoom", "preview zoom factor",
     [](FilterParameters& p) -> ParameterField { return &p.zoom; }},
    // Top, left, bottom, right of the dialog window; the writer leaves it out
    // while all four are 0.
    {"windowFrame", ParameterKind::Integers4, fourCharCode("winF"), PresetUse::None, "",
     std::array<std::int32_t, 4>{0, 0, 0, 0}, kNoRange, kNoRange, "", "",
     [](FilterParameters& p) -> ParameterField { return p.windowFrame; }},
    {"windowState", ParameterKind::Integer, fourCharCode("winT"), PresetUse::None, "", 1,
     ParameterRange{0, 2}, kNoRange, "", "",
     [](FilterParameters& p) -> ParameterField { return &p.windowState; }},
    {"ignoreSelection", ParameterKind::Boolean, fourCharCode("ignS"), PresetUse::None, "", false,
     kNoRange, kNoRange, "ignore selection", "filter entire image",
     [](FilterParameters& p) -> ParameterField { return &p.ignoreSelection; }},
};

}  // namespace

std::span<const Parameter> parameterTable() {
    return kParameters;
}

const Parameter& parameterNamed(std::string_view member) {
    for (const Parameter& row : kParameters) {
        if (row.member == member) return row;
    }
    throw std::out_of_range("no parameter named " + std::string(member));
}

}  // namespace nelvo
