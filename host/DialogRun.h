// SPDX-License-Identifier: MIT
// The editing dialog of the start step, in the window layer of this build.
#pragma once

#include <cstdint>

#include "host/CallContext.h"

namespace nelvo {

// Runs the editing dialog. Cancel leaves everything as it was (userCanceledErr);
// OK takes over the settings and the hand marks and stops asking for the
// dialog (noErr). A build without a window layer cannot run this step in any
// host: it answers errPlugInHostInsufficient, the published code for a module
// that cannot run where it is, and changes nothing.
int16_t runDialog(CallContext& context);

}  // namespace nelvo
