// SPDX-License-Identifier: MIT
// Zoom and navigation of the editing dialog without any window: the fixed zoom levels,
// the zoom box's text and typed input, the zoom slider's position, stepping between
// levels, where the navigator window goes and how its drags move the preview. The
// preview's own zoom and pan arithmetic is in PreviewGeometry.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ui/shared/NavigatorGeometry.h"
#include "ui/shared/PreviewGeometry.h"
#include "ui/shared/ScreenMetrics.h"

namespace nelvo {

// Up to 800 %: marking single pixels of a large scan needs a pixel to be several screen
// pixels across.
inline constexpr std::array<double, 10> kZoomLevels{1.0 / 8, 1.0 / 6, 1.0 / 4, 1.0 / 3, 1.0 / 2,
                                                    2.0 / 3, 1.0,     2.0,     4.0,     8.0};

// The zoom slider's range, in percent.
inline constexpr int kZoomSliderLow = 10;
inline constexpr int kZoomSliderHigh = 800;

// z x 100 with one digit after the point and " %": 1/6 gives "16.7 %".
std::string zoomText(double zoom);

// trunc(z x 100 + 0.5), clamped to the slider's range.
int zoomSliderPosition(double zoom);

// The first level strictly above / the last strictly below `zoom`; nothing at the ends.
std::optional<double> zoomLevelAbove(double zoom);
std::optional<double> zoomLevelBelow(double zoom);

// The zoom that text typed into the zoom box asks for: its leading decimal number
// (blanks, a sign, digits, a point, an exponent; "inf" too), 0 when there is none,
// clamped to 10..800 percent, as a factor. Read the same in every locale.
double typedZoom(std::string_view text);

// The navigator's top-left corner: `gap` to the left of the dialog window and `gap` below
// its top.
IntPoint navigatorOrigin(int dialogLeft, int dialogTop, int navigatorWidth, int gap);

// How far a drag of the navigator's frame by (dx, dy) fractions of the navigator moves the
// display rectangle: the opposite way, scaled to the displayed size, trunc(0.5 - w x dx)
// in single precision.
IntPoint navigatorDragShift(const IntRect& display, float dx, float dy);

// The navigator's client size for the image and its top-left corner beside a dialog
// window whose frame starts at (dialogLeft, dialogTop).
struct NavigatorPlace {
    Size2 size;
    IntPoint corner;
};
NavigatorPlace navigatorPlace(int imageWidth, int imageHeight, int dialogLeft, int dialogTop,
                              const ScreenMetrics& metrics);

// What the navigator's requests do to a preview with centerOn() and displayRect: a click
// centres the preview on the point, then `framed` shows the new area; a drag moves the
// picture the opposite way through `panBy`, which shows it itself.
template <typename Navigator, typename Preview, typename PanBy, typename Framed>
void connectNavigator(Navigator& navigator, Preview& preview, PanBy panBy, Framed framed) {
    navigator.onJump = [&preview, framed](float fx, float fy) {
        preview.centerOn(fx, fy);
        framed();
    };
    navigator.onDrag = [&preview, panBy](float dx, float dy) {
        const IntPoint shift = navigatorDragShift(preview.displayRect, dx, dy);
        panBy(shift.x, shift.y);
    };
}

// The navigator shows itself again only at the step from the whole picture in view to a
// part of it: closed by the user while zoomed in, it stays closed until the next time.
class NavigatorReopening {
  public:
    // Takes the area now in view; true when the navigator is to be shown again.
    bool follow(const ViewFraction& area) {
        const bool whole = area.left <= 0 && area.top <= 0 && area.right >= 1 && area.bottom >= 1;
        const bool reopen = wholeShown_ && !whole;
        wholeShown_ = whole;
        return reopen;
    }

  private:
    bool wholeShown_ = true;
};

// What the mouse wheel does over the preview: with Ctrl or Alt it zooms around the mouse,
// with Shift it scrolls sideways, else up and down.
enum class WheelAction { ScrollVertical, ScrollHorizontal, Zoom };
constexpr WheelAction wheelActionFor(bool ctrl, bool alt, bool shift) {
    if (ctrl || alt) return WheelAction::Zoom;
    return shift ? WheelAction::ScrollHorizontal : WheelAction::ScrollVertical;
}

// How far the picture moves for a wheel turn of `delta` (120 a notch; positive away from
// the user) over a view `viewExtent` pixels long in the scrolled direction: an eighth of
// the view per notch, at least a pixel per event, towards the user's side so that the
// picture's upper (or left) part comes into view.
int wheelScrollDistance(int delta, int viewExtent);

// The brush or eraser size after `[` (smaller) or `]` (larger): a tenth of the size, at
// least 1, clamped to low..high.
int steppedToolSize(int size, bool larger, int low, int high);

}  // namespace nelvo
