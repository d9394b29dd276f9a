// SPDX-License-Identifier: MIT
// The work of each selector; PluginMain only dispatches to these.
#pragma once

#include "host/CallContext.h"

namespace nelvo {

// Proposes the memory the filter needs in `maxSpace`.
void prepare(FilterRecord& record);

// No further data is wanted: all rectangles empty.
void continueFilter(FilterRecord& record);

// The start step: handles, parameters, the filter run. Returns the result.
int16_t start(CallContext& context);

}  // namespace nelvo
