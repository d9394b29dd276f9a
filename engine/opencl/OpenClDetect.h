// SPDX-License-Identifier: MIT
// Detection on an OpenCL device. detect hands its tile here first and rates
// on the CPU only when this declines.
#pragma once

#include "engine/Geometry.h"
#include "engine/NelvoBuffer.h"
#include "engine/StageHooks.h"
#include "settings/FilterParameters.h"

namespace nelvo::opencl {

// Which device the backend asks for, from the environment variable
// NELVO_OPENCL_DEVICE: "gpu" (also when unset, empty or unrecognised), "cpu",
// "any" (the platform's first device of whatever type) or "off" (never use
// OpenCL).
enum class DeviceChoice { gpu, cpu, any, off };

inline constexpr const char* kDeviceVariable = "NELVO_OPENCL_DEVICE";

DeviceChoice parseDeviceChoice(const char* value);
DeviceChoice deviceChoiceFromEnvironment();

// The backend keeps its context and built programs from one call to the next
// for the device last used. This lets them go; the next call builds them
// again.
void releaseKeptPrograms();

// Rates `region`, whose top-left pixel is plane position (0, 0), from `grey`
// into `contrast` with the "median" and "contrast" kernels on the first
// platform's first device of the chosen type. Answers true when `contrast`
// holds the region's ratings, when the region is empty, or when the hooks
// asked to stop (then `contrast` is partly written); false, without a word,
// when there is no such device or any OpenCL call fails, and the caller rates
// on the CPU. Calls isCancelled after every kernel launch and advance after
// every row of launches. Safe to call from several threads at once.
template <typename T>
bool detectOnGpu(const NelvoBuffer<T>& grey, NelvoBuffer<float>& contrast, const VRect& region,
                 const EngineSettings& settings, const StageHooks& hooks);

}  // namespace nelvo::opencl
