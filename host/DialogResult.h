// SPDX-License-Identifier: MIT
// After OK in the editing dialog, whichever window layer showed it: the settings become
// the run's parameters (and the recorded ones), the hand marks move into the persistent
// block, and the dialog is not asked for again.
#pragma once

#include <cstdint>

#include "dialog/MarkingResult.h"
#include "host/CallContext.h"
#include "settings/FilterParameters.h"

namespace nelvo {

// noErr, or memFullErr when the marks find no room.
int16_t takeOverDialogResult(CallContext& context, const FilterParameters& settings,
                             const MarkingResult& marks);

}  // namespace nelvo
