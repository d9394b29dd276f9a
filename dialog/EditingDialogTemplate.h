// SPDX-License-Identifier: MIT
// The editing dialog's template (1000): every control with its id, kind, rectangle in
// dialog units, whether it shows at start, how it follows a change of the window size,
// its caption and picture; and each control's tooltip. Every window layer builds its
// dialog from this table; the Win32 resource script repeats it, and a test holds the
// two equal.
#pragma once

#include <cstdint>
#include <utility>

#include "dialog/DialogLayout.h"
#include "resources/DialogResources.h"
#include "resources/strings/StringIds.h"

namespace nelvo {

inline constexpr int kTemplateWidthDu = 560;
inline constexpr int kTemplateHeightDu = 442;

enum class ControlKind {
    ViewTabs,
    Preview,
    Combo,
    BitmapButton,
    Slider,
    Button,
    DefaultButton,
    Progress,
    Picture,
    Label,
    CentredLabel,
    GreyLabel,  // a label on the grey marker panel
    Check,
    Edit,
    PlainEdit,  // without a border
    Swatch,
    ToolTabs,
    Link,
    GreyBox,
};

inline constexpr Anchor kFixed{0, 0, 0, 0};
inline constexpr Anchor kGrow{0, 0, 100, 100};
inline constexpr Anchor kBottom{0, 100, 0, 0};
inline constexpr Anchor kBottomWide{0, 100, 100, 0};
inline constexpr Anchor kRight{100, 0, 0, 0};
inline constexpr Anchor kCorner{100, 100, 0, 0};

// One entry of template 1000: id, kind, rectangle in dialog units, shown at start,
// anchor, caption (a string id, or a fixed text when 0) and picture.
struct TemplateControl {
    int id;
    ControlKind kind;
    int x, y, width, height;
    bool shown;
    Anchor anchor;
    std::uint32_t stringId;
    const char* text;
    int bitmap;
};

inline constexpr TemplateControl kTemplate[] = {
    {editing::kViewTabs, ControlKind::ViewTabs, 12, 13, 233, 12, true, kFixed, 0, "", 0},
    {editing::kPreview, ControlKind::Preview, 12, 26, 346, 387, true, kGrow, 0, "", 0},
    {editing::kZoomBox, ControlKind::Combo, 12, 417, 48, 30, true, kBottom, 0, "", 0},
    {editing::kZoomOut, ControlKind::BitmapButton, 64, 419, 13, 11, true, kBottom, 0, "", 0},
    {editing::kZoomSlider, ControlKind::Slider, 75, 416, 91, 15, true, kBottom, 0, "", 0},
    {editing::kZoomIn, ControlKind::BitmapButton, 167, 419, 15, 14, true, kBottom, 0, "", 0},
    {editing::kFitToWindow, ControlKind::Button, 185, 417, 84, 14, true, kBottom,
     strings::fitToWindow, "", 0},
    {editing::kProgress, ControlKind::Progress, 277, 421, 80, 6, false, kBottomWide, 0, "", 0},
    {editing::kPresetsMenu, ControlKind::Button, 256, 9, 64, 14, true, kRight, 0, "Presets", 0},
    {editing::kAddPreset, ControlKind::Button, 321, 9, 17, 14, true, kRight, 0, "+", 0},
    {editing::kDeletePreset, ControlKind::Button, 340, 9, 17, 14, true, kRight, 0, "-", 0},
    {editing::kSettingsHeaderBar, ControlKind::Picture, 365, 10, 182, 9, true, kRight, 0, "",
     bitmaps::kHeaderBar},
    {editing::kSettingsHeader, ControlKind::CentredLabel, 407, 10, 97, 9, true, kRight,
     strings::settingsHeader, "", 0},
    {editing::kDefectTypeLabel, ControlKind::Label, 370, 24, 65, 8, true, kRight,
     strings::defectTypeLabel, "", 0},
    {editing::kDarkDefects, ControlKind::Check, 382, 38, 69, 10, true, kRight, strings::darkDefects,
     "", 0},
    {editing::kBrightDefects, ControlKind::Check, 466, 38, 61, 10, true, kRight,
     strings::brightDefects, "", 0},
    // Adaptive detection, under the defect types; the settings below it moved down.
    {editing::kAdaptiveDetection, ControlKind::Check, 382, 51, 160, 10, true, kRight,
     strings::adaptiveDetection, "", 0},
    {editing::kIntensityLabel, ControlKind::Label, 370, 67, 60, 8, true, kRight,
     strings::detectionIntensity, "", 0},
    {editing::kIntensityEdit, ControlKind::Edit, 520, 66, 19, 12, true, kRight, 0, "", 0},
    {editing::kIntensitySlider, ControlKind::Slider, 366, 79, 179, 15, true, kRight, 0, "", 0},
    {editing::kTileSizeLabel, ControlKind::Label, 370, 103, 53, 8, true, kRight, strings::tileSize,
     "", 0},
    {editing::kTileSizeEdit, ControlKind::Edit, 520, 100, 19, 12, true, kRight, 0, "", 0},
    {editing::kTileSizeSlider, ControlKind::Slider, 366, 113, 179, 15, true, kRight, 0, "", 0},
    {editing::kDefectColorLabel, ControlKind::Label, 370, 135, 73, 8, true, kRight,
     strings::defectColor, "", 0},
    {editing::kColourSwatch, ControlKind::Swatch, 383, 147, 27, 12, true, kRight, 0, "", 0},
    {editing::kAdvancedHeaderBar, ControlKind::Picture, 365, 168, 182, 9, true, kRight, 0, "",
     bitmaps::kHeaderBar},
    {editing::kAdvancedHeader, ControlKind::CentredLabel, 407, 168, 97, 9, true, kRight,
     strings::advancedHeader, "", 0},
    {editing::kToolTitle, ControlKind::Label, 371, 183, 67, 8, true, kRight,
     strings::defectMarkingTitle, "", 0},
    {editing::kToolTabs, ControlKind::ToolTabs, 370, 197, 170, 88, true, kRight, 0, "", 0},
    {editing::kBrushSizeLabel, ControlKind::GreyLabel, 409, 206, 36, 8, true, kRight,
     strings::toolSize, "", 0},
    {editing::kBrushSizeEdit, ControlKind::Edit, 507, 205, 19, 12, true, kRight, 0, "", 0},
    {editing::kBrushSizeSlider, ControlKind::Slider, 405, 218, 125, 15, true, kRight, 0, "", 0},
    {editing::kEraserSizeLabel, ControlKind::GreyLabel, 409, 229, 37, 8, false, kRight,
     strings::toolSize, "", 0},
    {editing::kEraserSizeEdit, ControlKind::Edit, 507, 226, 19, 12, false, kRight, 0, "", 0},
    {editing::kEraserSizeSlider, ControlKind::Slider, 405, 239, 125, 15, false, kRight, 0, "", 0},
    {editing::kBrushIntensityLabel, ControlKind::GreyLabel, 410, 246, 42, 8, true, kRight,
     strings::toolIntensity, "", 0},
    {editing::kBrushIntensityEdit, ControlKind::Edit, 507, 243, 19, 12, true, kRight, 0, "", 0},
    {editing::kBrushIntensitySlider, ControlKind::Slider, 405, 256, 126, 15, true, kRight, 0, "",
     0},
    {editing::kIntensityMinusMark, ControlKind::GreyLabel, 409, 270, 8, 8, true, kRight, 0, "-", 0},
    {editing::kIntensityZeroMark, ControlKind::GreyLabel, 463, 271, 8, 8, true, kRight, 0, "0", 0},
    {editing::kIntensityPlusMark, ControlKind::GreyLabel, 518, 270, 8, 8, true, kRight, 0, "+", 0},
    // Hand marks: shown tinted in "Mark Defects", and cleared all at once.
    {editing::kShowMarks, ControlKind::Check, 372, 290, 168, 10, true, kRight,
     strings::showHandMarks, "", 0},
    {editing::kClearMarks, ControlKind::Button, 370, 303, 84, 14, true, kRight, strings::clearMarks,
     "", 0},
    // The mask panel: never shown, its commands do nothing.
    {editing::kMasksLabel, ControlKind::Label, 370, 295, 22, 8, false, kRight, strings::masksLabel,
     "", 0},
    {editing::kMaskPathTool, ControlKind::BitmapButton, 370, 310, 26, 22, false, kRight, 0, "",
     bitmaps::kMaskPath},
    {editing::kMaskButton1, ControlKind::Button, 395, 315, 19, 16, false, kRight, 0, "", 0},
    {editing::kMaskButton2, ControlKind::Button, 413, 315, 19, 16, false, kRight, 0, "", 0},
    {editing::kMaskButton3, ControlKind::Button, 431, 315, 19, 16, false, kRight, 0, "", 0},
    {editing::kMaskButton4, ControlKind::Button, 449, 315, 19, 16, false, kRight, 0, "", 0},
    {editing::kMaskButton5, ControlKind::Button, 526, 318, 16, 14, false, kRight, 0, "", 0},
    {editing::kMaskPolygonTool, ControlKind::BitmapButton, 370, 333, 24, 22, false, kRight, 0, "",
     bitmaps::kMaskPolygon},
    {editing::kMaskButton6, ControlKind::Button, 397, 333, 14, 16, false, kRight, 0, "", 0},
    {editing::kMaskNameBox, ControlKind::GreyBox, 397, 335, 143, 12, false, kRight, 0, "", 0},
    {editing::kMaskNameEdit, ControlKind::PlainEdit, 411, 335, 114, 12, false, kRight,
     strings::newPathMask, "", 0},
    {editing::kMaskSelectionPicture, ControlKind::Picture, 524, 335, 13, 12, false, kRight, 0, "",
     bitmaps::kMaskSelection},
    {editing::kOk, ControlKind::DefaultButton, 369, 369, 85, 14, true, kCorner, 0, "OK", 0},
    {editing::kClose, ControlKind::Button, 459, 369, 88, 14, true, kCorner, strings::closeButton,
     "", 0},
    // The product box and what lies on it end 5 units above the window's lower edge, so
    // that the box's frame is seen whole.
    {editing::kProductLogo, ControlKind::Picture, 368, 391, 179, 46, true, kCorner, 0, "",
     bitmaps::kLogo},
    {editing::kProductLine, ControlKind::CentredLabel, 374, 397, 94, 21, true, kCorner,
     strings::productLine, "", 0},
    {editing::kHelpIcon, ControlKind::Picture, 522, 414, 13, 12, true, kCorner, 0, "",
     bitmaps::kHelp},
    {editing::kAboutLink, ControlKind::Link, 390, 419, 64, 11, true, kCorner, strings::aboutLink,
     "", 0},
};

// Each control's tooltip.
inline constexpr std::pair<int, std::uint32_t> kToolTips[] = {
    {editing::kViewTabs, strings::viewTabsTip},
    {editing::kPreview, strings::previewTip},
    {editing::kZoomBox, strings::zoomBoxTip},
    {editing::kZoomOut, strings::zoomOutTip},
    {editing::kZoomSlider, strings::zoomSliderTip},
    {editing::kZoomIn, strings::zoomInTip},
    {editing::kFitToWindow, strings::fitToWindowTip},
    {editing::kPresetsMenu, strings::presetsMenuTip},
    {editing::kAddPreset, strings::addPresetTip},
    {editing::kDeletePreset, strings::deletePresetTip},
    {editing::kDarkDefects, strings::darkDefectsTip},
    {editing::kBrightDefects, strings::brightDefectsTip},
    {editing::kAdaptiveDetection, strings::adaptiveDetectionTip},
    {editing::kIntensitySlider, strings::intensityTip},
    {editing::kIntensityEdit, strings::intensityTip},
    {editing::kTileSizeSlider, strings::tileSizeTip},
    {editing::kTileSizeEdit, strings::tileSizeTip},
    {editing::kColourSwatch, strings::colourSwatchTip},
    {editing::kToolTabs, strings::toolTabsTip},
    {editing::kBrushSizeSlider, strings::toolSizeTip},
    {editing::kBrushSizeEdit, strings::toolSizeTip},
    {editing::kEraserSizeSlider, strings::toolSizeTip},
    {editing::kEraserSizeEdit, strings::toolSizeTip},
    {editing::kBrushIntensitySlider, strings::brushIntensityTip},
    {editing::kBrushIntensityEdit, strings::brushIntensityTip},
    {editing::kShowMarks, strings::showHandMarksTip},
    {editing::kClearMarks, strings::clearMarksTip},
    {editing::kOk, strings::okTip},
    {editing::kClose, strings::closeTip},
    {editing::kHelpIcon, strings::helpIconTip},
    {editing::kAboutLink, strings::aboutLinkTip},
};

}  // namespace nelvo
