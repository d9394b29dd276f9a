// SPDX-License-Identifier: MIT
// The module's about box, in the window layer of this build.
#pragma once

namespace nelvo {

// Shows the about box and returns when it is closed.
void showAboutBox();

}  // namespace nelvo
