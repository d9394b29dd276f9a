// SPDX-License-Identifier: MIT
// Detection on a graphics device. detect hands its tile here first and rates
// on the CPU only when this declines.
#pragma once

#include "engine/Geometry.h"
#include "engine/NelvoBuffer.h"
#include "engine/StageHooks.h"
#include "settings/FilterParameters.h"

namespace nelvo::opencl {

// Rates `region`, whose top-left pixel is plane position (0, 0), from `grey`
// into `contrast`. Answers true when `contrast` holds the region's ratings,
// when the region is empty, or when the hooks asked to stop; false when no
// device could do the work, and the caller rates on the CPU.
template <typename T>
bool detectOnGpu(const NelvoBuffer<T>& grey, NelvoBuffer<float>& contrast, const VRect& region,
                 const EngineSettings& settings, const StageHooks& hooks);

}  // namespace nelvo::opencl
