// SPDX-License-Identifier: MIT
// The defect engine's interface. A caller loads one image region with
// setSource and then drives the stages in this order: detect, markDefects,
// removeSpecks, copySource (and exportDefects for an overlay),
// dissolveDefects. Stages return nothing; results are in the engine's planes
// and in the caller's buffers. Only setSource (plane memory), removeSpecks
// (label plane) and dissolveDefects (work map) allocate; they throw
// std::bad_alloc before writing anything when memory cannot be had.
//
// Images are interleaved: pixel (y, x) starts at data + y * rowBytes +
// x * columnBytes and holds `channels` values of the engine's pixel type
// (unsigned char, unsigned short with white 32768, or float with white 1.0).
#pragma once

#include <cstdint>
#include <memory>

#include "engine/Geometry.h"
#include "engine/PlaneAllocator.h"
#include "engine/StageHooks.h"
#include "settings/FilterParameters.h"

namespace nelvo {

class FilterBase {
  public:
    // Installs the cancellation and progress hooks. They are called from the
    // stages' worker threads concurrently; an empty callable keeps the default
    // (never cancelled, progress ignored).
    virtual void setCallbacks(CancelHook isCancelled, PhaseHook beginPhase,
                              AdvanceHook advance) = 0;

    // Switches detect to the tiled frame: its clip is read in the frame of the
    // marking map and shifted by the tile's position there.
    virtual void setTiled() = 0;

    // Loads a region: makes the grey, median, contrast and defects planes of
    // the region's extent and fills the grey plane. `data` points at the
    // region's top-left pixel.
    virtual void setSource(const void* data, int32_t rowBytes, int32_t columnBytes,
                           const VRect& region) = 0;

    // Halves every value of the pixels whose mask byte (mask + y * maskRowBytes
    // + x) is 0, in place. Does not touch the planes.
    virtual void dimUnselected(void* data, int32_t rowBytes, int32_t columnBytes,
                               const uint8_t* mask, int32_t maskRowBytes, const VRect& region) = 0;

    // Rates every pixel of the contrast region (0..1) against the median of
    // grey values tileSize away. `tile` is the loaded region; `clip` is the
    // part to rate (used in tiled mode, where it is given in the marking map's
    // frame and the tile sits at mapOffset in a map of mapWidth bytes a row).
    virtual void detect(const EngineSettings& settings, const VRect& clip, int32_t mapWidth,
                        const VRect& tile, int64_t mapOffset) = 0;

    // Turns ratings into defect flags for every pixel of `size`: the threshold
    // is 1 - detectionIntensity / 20, bent by the marking map byte at mapOffset +
    // y * mapWidth + x (128 neutral, 0 never a defect, 255 any positive
    // rating). A selection byte of 0 forces no defect; `selection` may be
    // null, and a null marking map counts as neutral everywhere. After an
    // adaptive detection the intensity counts two steps higher (at most 20).
    virtual void markDefects(const uint8_t* selection, int32_t selectionRowBytes,
                             const PlaneSize& size, int64_t mapOffset, int32_t detectionIntensity,
                             const uint8_t* markingMap, int32_t mapWidth) = 0;

    // Clears the flags of 8-connected defect components too small for
    // `tileSize` (see minimumSpeckSize).
    virtual void removeSpecks(const PlaneSize& size, int32_t tileSize) = 0;

    // Copies the `channels` values of every pixel of `size` from in to out.
    virtual void copySource(const void* in, int32_t inRowBytes, int32_t inColumnBytes, void* out,
                            int32_t outRowBytes, int32_t outColumnBytes, const PlaneSize& size) = 0;

    // Writes 255 for a defect and 0 otherwise, one byte per pixel at
    // out + y * outStride + x; bytes beyond the width are left alone.
    virtual void exportDefects(uint8_t* out, int32_t outStride, const PlaneSize& size) = 0;

    // Replaces every flagged pixel of the image in place by a distance-weighted
    // mean of intact pixels up to 3 away, from the edges of each defect inward,
    // in up to 10 passes.
    virtual void dissolveDefects(void* data, int32_t rowBytes, int32_t columnBytes,
                                 const PlaneSize& size) = 0;

    // Writes the pixels of `area` to out exactly as copySource followed by
    // dissolveDefects over all of `size` would, reading in's pixels up to the
    // repair's reach around the area; other pixels of out are left alone. For
    // updating a repaired image where few flags changed. Calls for areas that
    // do not overlap may run at once. Stops when cancelled; reports no
    // progress.
    virtual void repairArea(const void* in, int32_t inRowBytes, int32_t inColumnBytes, void* out,
                            int32_t outRowBytes, int32_t outColumnBytes, const PlaneSize& size,
                            const VRect& area) = 0;

    virtual ~FilterBase() = default;
};

// Builds the engine for a host bit depth: 16 gives unsigned short pixels, 32
// float pixels, anything else unsigned char. `colourModel` selects the grey
// conversion (0 RGB, 1 HSB, 2 CMYK, 3 Lab, 4 grey, 5 HSL, -1 none); `channels`
// is the number of values per pixel, 1 or more (throws std::invalid_argument
// otherwise). Plane memory comes from `allocator`, which must outlive the
// engine.
std::unique_ptr<FilterBase> createFilter(int16_t colourModel, int16_t channels, int32_t depth,
                                         PlaneAllocator& allocator);

}  // namespace nelvo
