// SPDX-License-Identifier: MIT
// The two sets of pixel metrics of the plug-in's windows: a screen counts as large when it
// is wider than 1920 and taller than 1080 pixels, and then every metric is 1.5 times larger.
#pragma once

namespace nelvo {

struct ScreenMetrics {
    int splashWidth, splashHeight;
    int dialogMinWidth, dialogMinHeight;
    int navigatorSide;  // longer side of the navigator's thumbnail
    int navigatorGap;   // gap between navigator and dialog, to the left and from the top
    int tabSize;
    int tabInset;
    int tabBitmap;
};

inline constexpr ScreenMetrics normalScreenMetrics{635, 490, 1010, 780, 300, 40, 40, 4, 32};
inline constexpr ScreenMetrics largeScreenMetrics{953, 735, 1515, 1170, 450, 60, 60, 6, 48};

// Both sides strictly larger: a 1920 x 1080 screen is not large, 1921 x 1081 is.
constexpr bool isLargeScreen(int screenWidth, int screenHeight) {
    return screenWidth > 1920 && screenHeight > 1080;
}

constexpr const ScreenMetrics& metricsFor(bool large) {
    return large ? largeScreenMetrics : normalScreenMetrics;
}

}  // namespace nelvo
