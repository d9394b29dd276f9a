// SPDX-License-Identifier: MIT
// The identifiers of the module's dialog templates, of the controls on each template and
// of the pictures they show, named once. Every window layer and every test addresses a
// control by these names; the numbers are those the templates were laid out with and
// that recorded windows and scripts may know, so a number never changes meaning.
// The texts have their own generated names (resources/strings/StringIds.h).
#pragma once

namespace nelvo {

namespace templates {
inline constexpr int kEditingDialog = 1000;
inline constexpr int kNamingDialog = 1009;
inline constexpr int kSplash = 1038;
inline constexpr int kAboutBox = 1074;
}  // namespace templates

// The editing dialog, template 1000.
namespace editing {
inline constexpr int kOk = 1;
inline constexpr int kClose = 2;
inline constexpr int kPreview = 1001;
inline constexpr int kZoomBox = 1004;
inline constexpr int kZoomOut = 1005;
inline constexpr int kZoomIn = 1006;
inline constexpr int kZoomSlider = 1007;
inline constexpr int kFitToWindow = 1008;
inline constexpr int kViewTabs = 1018;
inline constexpr int kDarkDefects = 1026;
inline constexpr int kDefectTypeLabel = 1027;
inline constexpr int kBrightDefects = 1028;
inline constexpr int kIntensitySlider = 1029;
inline constexpr int kIntensityEdit = 1030;
inline constexpr int kTileSizeSlider = 1031;
inline constexpr int kTileSizeEdit = 1032;
inline constexpr int kDefectColorLabel = 1033;
inline constexpr int kTileSizeLabel = 1034;
inline constexpr int kIntensityLabel = 1035;
inline constexpr int kBrushSizeSlider = 1037;
inline constexpr int kEraserSizeSlider = 1038;
inline constexpr int kBrushIntensitySlider = 1039;
inline constexpr int kBrushSizeEdit = 1040;
inline constexpr int kBrushSizeLabel = 1042;
inline constexpr int kEraserSizeLabel = 1043;
inline constexpr int kEraserSizeEdit = 1044;
inline constexpr int kColourSwatch = 1045;
inline constexpr int kToolTabs = 1046;
inline constexpr int kBrushIntensityLabel = 1047;
inline constexpr int kBrushIntensityEdit = 1048;
inline constexpr int kPresetsMenu = 1052;
inline constexpr int kAddPreset = 1053;
inline constexpr int kDeletePreset = 1054;
inline constexpr int kToolTitle = 1067;
inline constexpr int kIntensityMinusMark = 1068;
inline constexpr int kIntensityZeroMark = 1069;
inline constexpr int kIntensityPlusMark = 1070;
inline constexpr int kHelpIcon = 1074;
inline constexpr int kProductLine = 1077;
inline constexpr int kSettingsHeader = 1078;
inline constexpr int kAdvancedHeader = 1079;
inline constexpr int kAboutLink = 1080;
inline constexpr int kProgress = 1081;
inline constexpr int kSettingsHeaderBar = 1106;
inline constexpr int kAdvancedHeaderBar = 1107;
inline constexpr int kAdaptiveDetection = 1108;
inline constexpr int kProductLogo = 1141;
// Hand marks: clearing them all, and whether the "Mark Defects" view shows where the
// brush and the eraser were applied.
inline constexpr int kClearMarks = 1150;
inline constexpr int kShowMarks = 1151;

// The mask panel: laid out but never shown, its buttons do nothing.
inline constexpr int kMasksLabel = 1066;
inline constexpr int kMaskPathTool = 1056;
inline constexpr int kMaskButton1 = 1057;
inline constexpr int kMaskButton2 = 1058;
inline constexpr int kMaskButton3 = 1059;
inline constexpr int kMaskButton4 = 1060;
inline constexpr int kMaskButton5 = 1061;
inline constexpr int kMaskPolygonTool = 1055;
inline constexpr int kMaskButton6 = 1062;
inline constexpr int kMaskNameBox = 1065;
inline constexpr int kMaskNameEdit = 1063;
inline constexpr int kMaskSelectionPicture = 1064;
}  // namespace editing

// The preset naming dialog, template 1009.
namespace naming {
inline constexpr int kSave = 1;
inline constexpr int kCancel = 2;
inline constexpr int kNameEdit = 1053;
inline constexpr int kPrompt = 1146;
}  // namespace naming

// The splash window, template 1038.
namespace splash {
inline constexpr int kNotice = 1140;
}  // namespace splash

// The about box, template 1074.
namespace about {
inline constexpr int kCompanyName = 1114;
inline constexpr int kProductName = 1115;
inline constexpr int kProductLine = 1116;
inline constexpr int kProductMark = 1117;
inline constexpr int kVersion = 1118;
inline constexpr int kPhoneLabel = 1119;
inline constexpr int kFaxLabel = 1120;
inline constexpr int kSupportLabel = 1121;
inline constexpr int kPhone = 1122;
inline constexpr int kFax = 1123;
inline constexpr int kSupport = 1124;
inline constexpr int kLink = 1125;
inline constexpr int kLegalNotice = 1126;
inline constexpr int kHomepageLabel = 1127;
inline constexpr int kHeaderPicture = 1144;
}  // namespace about

// Pictures; a large-screen variant is drawn from the same source at 1.5 times the size.
namespace bitmaps {
inline constexpr int kMaskPath = 1015;
inline constexpr int kMaskPolygon = 1016;
inline constexpr int kMaskSelection = 1024;
inline constexpr int kZoomIn = 1033;
inline constexpr int kZoomOut = 1034;
inline constexpr int kLogo = 1035;
inline constexpr int kHelp = 1036;
inline constexpr int kSplash = 1044;
inline constexpr int kHeaderBar = 1061;
inline constexpr int kAboutHeader = 1077;
inline constexpr int kLargeLogo = 1078;
inline constexpr int kBrush = 1083;
inline constexpr int kEraser = 1084;
inline constexpr int kLargeHelp = 1085;
inline constexpr int kLargeZoomIn = 1087;
inline constexpr int kLargeZoomOut = 1088;
}  // namespace bitmaps

}  // namespace nelvo
