// SPDX-License-Identifier: MIT
// The start step's work: the editing dialog when asked for, then the image
// processed through the defect engine one host tile at a time.
#pragma once

#include <cstdint>

#include "host/CallContext.h"
#include "settings/FilterParameters.h"

namespace nelvo {

int16_t startRun(CallContext& context, bool showDialog);

// Walks the filter rectangle in host tiles; returns 0, -128 after an abort,
// -30100 for a host tile size of 0, or the host's advanceState error.
int16_t processImage(CallContext& context, const EngineSettings& settings, int32_t mapWidth,
                     const uint8_t* map);

// Makes the host supply the whole filter rectangle in inData, outData and
// maskData. Throws std::runtime_error "advanceState failed" on a host error.
void fetchWholeImage(CallContext& context);

}  // namespace nelvo
