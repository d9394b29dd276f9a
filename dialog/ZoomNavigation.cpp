// SPDX-License-Identifier: MIT
#include "dialog/ZoomNavigation.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace nelvo {

std::string zoomText(double zoom) {
    char text[64];
    std::snprintf(text, sizeof text, "%.1f %%", zoom * 100.0);
    return text;
}

int zoomSliderPosition(double zoom) {
    const double position = std::trunc(zoom * 100.0 + 0.5);
    if (!(position >= kZoomSliderLow)) return kZoomSliderLow;  // NaN included
    if (position > kZoomSliderHigh) return kZoomSliderHigh;
    return static_cast<int>(position);
}

std::optional<double> zoomLevelAbove(double zoom) {
    const auto next = std::upper_bound(kZoomLevels.begin(), kZoomLevels.end(), zoom);
    if (next == kZoomLevels.end()) return std::nullopt;
    return *next;
}

std::optional<double> zoomLevelBelow(double zoom) {
    const auto first = std::lower_bound(kZoomLevels.begin(), kZoomLevels.end(), zoom);
    if (first == kZoomLevels.begin()) return std::nullopt;
    return *(first - 1);
}

double typedZoom(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || (text[at] >= '\t' && text[at] <= '\r'))) ++at;
    // from_chars takes a minus but not a plus; it ignores the locale's decimal comma.
    if (at < text.size() && text[at] == '+' && at + 1 < text.size() && text[at + 1] != '-') ++at;
    double percent = 0;
    const char* begin = text.data() + at;
    const auto [end, error] = std::from_chars(begin, text.data() + text.size(), percent);
    if (error != std::errc() && error != std::errc::result_out_of_range) percent = 0;
    if (error == std::errc::result_out_of_range) percent = (*begin == '-') ? 0 : kZoomSliderHigh;
    if (std::isnan(percent)) percent = 0;
    return std::clamp(percent, static_cast<double>(kZoomSliderLow),
                      static_cast<double>(kZoomSliderHigh)) /
           100.0;
}

int wheelScrollDistance(int delta, int viewExtent) {
    if (delta == 0) return 0;
    const std::int64_t distance = std::int64_t{delta} * std::max(viewExtent, 0) / (120 * 8);
    if (distance == 0) return delta > 0 ? 1 : -1;
    return static_cast<int>(std::clamp<std::int64_t>(distance, -viewExtent, viewExtent));
}

int steppedToolSize(int size, bool larger, int low, int high) {
    const int step = std::max(1, size / 10);
    return std::clamp(larger ? size + step : size - step, low, high);
}

IntPoint navigatorOrigin(int dialogLeft, int dialogTop, int navigatorWidth, int gap) {
    return {dialogLeft - gap - navigatorWidth, dialogTop + gap};
}

NavigatorPlace navigatorPlace(int imageWidth, int imageHeight, int dialogLeft, int dialogTop,
                              const ScreenMetrics& metrics) {
    const Size2 size = navigatorSize(imageWidth, imageHeight, metrics.navigatorSide);
    return {size, navigatorOrigin(dialogLeft, dialogTop, size.width, metrics.navigatorGap)};
}

IntPoint navigatorDragShift(const IntRect& display, float dx, float dy) {
    return {truncateToInt(0.5f - static_cast<float>(display.width()) * dx),
            truncateToInt(0.5f - static_cast<float>(display.height()) * dy)};
}

}  // namespace nelvo
