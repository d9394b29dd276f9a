// SPDX-License-Identifier: MIT
// Operations that write the caller's image: the copy to the output, dimming of
// unselected pixels, and the repair that dissolves flagged pixels from their
// intact neighbours.
#pragma once

#include <cstdint>

#include "engine/Geometry.h"
#include "engine/Interleaved.h"
#include "engine/NelvoBuffer.h"
#include "engine/StageHooks.h"

namespace nelvo {

// Repair constants: a pixel is filled from the intact pixels of its 7 x 7
// window (ring weights 9, 4, 1 for rings 1, 2, 3), one fill step per possible
// number of intact neighbours (48 down to 1), at most 10 passes.
inline constexpr int32_t kRepairRadius = 3;
inline constexpr int32_t kFillSteps = 48;
inline constexpr int32_t kMaxRepairPasses = 10;

// Copies `channels` values per pixel of `size`. advance(1) at the start of each
// row; polls every 1024 columns.
template <typename T>
void copyImage(const ConstInterleaved<T>& in, const Interleaved<T>& out, int32_t channels,
               PlaneSize size, const StageHooks& hooks);

// Halves every value of the pixels whose mask byte is 0. Polls at the start of
// each row.
template <typename T>
void dimImage(const Interleaved<T>& image, int32_t channels, const uint8_t* mask,
              int32_t maskRowBytes, PlaneSize size, const StageHooks& hooks);

// Repairs the pixels flagged in `defects` in place.
//
// Each pass counts, for every still-defective pixel, the intact pixels in its
// window, then fills the pixels with 48 intact neighbours, then those with 47,
// and so on: each value becomes the weighted mean of the window's intact
// pixels. Pixels filled in a pass serve as sources from the next pass on, so
// a pass only reads pixels that no row writes, and the result depends neither
// on row order nor on thread count. Defect pixels more than 30 pixels from any
// intact pixel keep their values.
//
// Progress: beginPhase(48) per pass and advance(1) before each fill step.
// Polls at the start of every row of the counting, fill and commit loops; a
// stop request ends the repair after at most one more pass.
//
// `fast` keeps a list of each row's pending pixels, sorted by neighbour
// count, so that a pass visits only those; `plain` scans the whole plane in
// each of its 50 loops. Both write the same pixels.
enum class RepairPath { fast, plain };

// The rows of a flag plane, or of a window onto one.
struct FlagRows {
    const uint8_t* first = nullptr;
    int64_t rowBytes = 0;
    const uint8_t* row(int32_t y) const { return first + y * rowBytes; }
};

template <typename T>
void dissolveImage(const FlagRows& defects, const Interleaved<T>& image, int32_t channels,
                   PlaneSize size, const StageHooks& hooks, RepairPath path = RepairPath::fast);

template <typename T>
void dissolveImage(const NelvoBuffer<uint8_t>& defects, const Interleaved<T>& image,
                   int32_t channels, PlaneSize size, const StageHooks& hooks,
                   RepairPath path = RepairPath::fast) {
    dissolveImage(FlagRows{defects.row(0), defects.rowBytes()}, image, channels, size, hooks, path);
}

// How far the repair reaches: a pass reads the window of each pixel, so a
// pixel's final value depends only on flags and values up to this distance.
inline constexpr int32_t kRepairReach = kRepairRadius * kMaxRepairPasses;

// Writes to `out` the pixels of `area` (inside `size`) as a copy of `in`
// followed by dissolveImage over all of `size` would leave them, repairing a
// copy of the area grown by the reach; other pixels of out are left alone.
// Reports no progress; a stop request leaves out untouched.
template <typename T>
void repairArea(const FlagRows& defects, const ConstInterleaved<T>& in, const Interleaved<T>& out,
                int32_t channels, PlaneSize size, const VRect& area, const StageHooks& hooks);

}  // namespace nelvo
