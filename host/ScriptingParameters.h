// SPDX-License-Identifier: MIT
// The filter's parameters as an action descriptor: read from the host's
// registry and scripting descriptor at the start, recorded after the run
// (and remembered in the registry after a confirmed dialog).
#pragma once

#include <optional>

#include "PIActions.h"
#include "host/CallContext.h"
#include "settings/FilterParameters.h"

namespace nelvo {

// Reads every key present, in table order; a missing key or a failed read
// leaves its field unchanged. Integers are clamped to their ranges.
void readParameters(const PSActionDescriptorProcs& suite, PIActionDescriptor descriptor,
                    FilterParameters& parameters);

// Writes every key in table order; an all-zero window frame is erased instead.
void writeParameters(const PSActionDescriptorProcs& suite, const FilterParameters& parameters,
                     PIActionDescriptor descriptor);

// Reads the registry entry, then the host's descriptor, into the locked record.
// Returns whether to show the dialog, or nothing when the host's descriptor
// cannot be read (the start step then ends with the host's result untouched).
std::optional<bool> readScriptingParameters(CallContext& context);

// The parameters the run used, clamped as read, in the host's descriptor: what
// a host replays and what it can show as the run's settings.
void recordDescriptor(CallContext& context);

// After a confirmed dialog: the host's descriptor and the registry entry.
void recordParameters(CallContext& context);

}  // namespace nelvo
