// SPDX-License-Identifier: MIT
// The editing dialog where this build has no window layer for it: the step
// that asks for it ends without touching the image or the settings, and the
// host hears why.
#include <cstdio>

#include "host/DialogRun.h"

namespace nelvo {

int16_t runDialog(CallContext&) {
    std::fputs(
        "Nelvo: this build has no editing dialog yet; run the filter without the dialog, "
        "from an action or with the last confirmed settings.\n",
        stderr);
    return errPlugInHostInsufficient;
}

}  // namespace nelvo
