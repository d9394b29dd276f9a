// SPDX-License-Identifier: MIT
// The brush and eraser of the editing dialog without any window: where a preview point
// lies in the image, how a stroke is drawn on the overlay (one 32-bit premultiplied word
// per image pixel, 0 untouched), which part of it a segment touches, and how a finished
// stroke is burnt into the marking map. The window layer feeds mouse points in and shows
// the overlay.
#pragma once

#include <cstdint>

#include "ui/shared/PreviewGeometry.h"

namespace nelvo {

// What the current mouse drag on the preview does.
enum class DragMode : std::int32_t { None = 0, Pan = 1, Brush = 2, Eraser = 3 };

// The image pixel under a preview client point: (p - display corner) / zoom + 0.5,
// truncated toward zero, in double precision. Points beyond the image give coordinates
// outside it; drawing clips them.
IntPoint imagePoint(IntPoint client, const IntRect& display, double zoom);

// A tool of size s paints with a round pen 2 s + 1 pixels wide.
constexpr int penWidth(int toolSize) {
    return 2 * toolSize + 1;
}

// The brush's trace is a grey that darkens with lower intensities: (intensity + 16) * 4
// (24 at -10, 64 at 0, 104 at +10); the eraser's is dark red. Words are 0xAARRGGBB with
// full alpha; the stroke's alpha rule halves it afterwards.
std::uint32_t brushTraceColour(int brushIntensity);
inline constexpr std::uint32_t kEraserTraceColour = 0xFF800000u;

// The pixels a segment from a to b with a pen of width 2 s + 1 may touch: the corners'
// box grown by s + 1 on every side, clipped to the image. Empty (width or height <= 0)
// when the segment lies wholly outside.
IntRect strokeDirtyRect(IntPoint a, IntPoint b, int toolSize, int imageWidth, int imageHeight);

// Every pixel whose centre lies within (2 s + 1) / 2 of the segment a-b gets `colour`;
// a == b draws the pen's round dot. `overlay` holds imageWidth x imageHeight words.
void drawStrokeSegment(std::uint32_t* overlay, int imageWidth, int imageHeight, IntPoint a,
                       IntPoint b, int toolSize, std::uint32_t colour);

// Every touched word inside r gets alpha 128, its colour bytes kept, so the trace blends
// at half opacity (the colours never exceed 128, so the words stay premultiplied).
void halveTraceAlpha(std::uint32_t* overlay, int imageWidth, const IntRect& r);

// The smallest rectangle holding both (an empty one counts as nothing).
IntRect unite(const IntRect& a, const IntRect& b);

// Burns the trace inside `area` into the map (imageWidth bytes a row): each touched byte
// changes once, however often the stroke crossed it. The brush adds 10 x its intensity,
// clamped to 0..255; the eraser sets 0 (never a defect). Returns the touched pixels.
std::int64_t applyBrushTrace(const std::uint32_t* overlay, int imageWidth, const IntRect& area,
                             int brushIntensity, std::uint8_t* map);
std::int64_t applyEraserTrace(const std::uint32_t* overlay, int imageWidth, const IntRect& area,
                              std::uint8_t* map);

// The tool cursor's diameter on screen: (2 s + 1) x zoom + 0.5, truncated; 0 for
// degenerate zooms.
std::uint32_t cursorDiameter(int toolSize, double zoom);

}  // namespace nelvo
