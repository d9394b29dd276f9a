// SPDX-License-Identifier: MIT
// What the "Mark Defects" view draws over the source picture, on surface rows of
// 0xFFRRGGBB words: a faint tint where the brush or the eraser changed the marking map,
// and around every marked defect a one-pixel edge in black or white, whichever stands
// out from the marker colour, so that the marks stay visible on a background of their
// own colour while the colour itself stays the one the user chose.
#pragma once

#include <cstddef>
#include <cstdint>

namespace nelvo {

// Surface words of the two tints' targets.
inline constexpr std::uint32_t kRaisedMarkTint = 0xFFFFD200;   // brush: more readily a defect
inline constexpr std::uint32_t kLoweredMarkTint = 0xFF00B4FF;  // eraser, negative brush
// How much of the tint a hand-marked pixel takes, in 256ths.
inline constexpr std::uint32_t kMarkTintWeight = 96;

// Black for a light marker colour (0x00BBGGRR), white for a dark one.
std::uint32_t defectEdgeColour(std::uint32_t markerColour);

// Pixels whose map byte is above 128 move toward kRaisedMarkTint, below 128 toward
// kLoweredMarkTint; neutral bytes leave the pixel as it is. `stride` is the surface's
// row length in words; the map's rows are `width` bytes.
void tintHandMarks(std::uint32_t* surface, std::size_t stride, const std::uint8_t* marks, int width,
                   int height);

// Every pixel that is not a defect (map byte 0) but touches one of its eight neighbours
// takes `edge`.
void paintDefectEdges(std::uint32_t* surface, std::size_t stride, const std::uint8_t* defectMap,
                      int width, int height, std::uint32_t edge);

}  // namespace nelvo
