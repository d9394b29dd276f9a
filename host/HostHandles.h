// SPDX-License-Identifier: MIT
// Creation, locking and unlocking of the handles that keep our state between
// calls: the parameter record and the persistent block with its saved map.
#pragma once

#include "host/CallContext.h"

namespace nelvo {

// Finds or creates both handles and locks them. Returns noErr, or memFullErr
// when a handle cannot be had (nothing else may run then).
int16_t lockHandles(CallContext& context);

// Unlocks whatever lockHandles locked, whatever the run's outcome.
void unlockHandles(CallContext& context) noexcept;

}  // namespace nelvo
