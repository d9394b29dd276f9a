// SPDX-License-Identifier: MIT
// The line after a run that says which settings the filter used and where
// each came from, so that a result can be told apart from one made with
// other settings without opening the dialog.
#pragma once

#include <optional>
#include <string>

#include "scripting/Descriptor.h"

namespace filterhost {

// What the run was given, in rising priority: the entry the filter read from
// the registry (its last confirmed dialog), the action played, the --set
// values. With `dialog` the user confirmed the settings in this run's dialog.
struct SettingsSources {
    std::optional<Descriptor> confirmed;
    Descriptor played;
    Descriptor assigned;
    bool dialog = false;
};

// "used darK=true briT=false detI=20 tilE=8 adaP=false, no hand marks; from
// --set: detI (50 → 20), defaults: ...", from the descriptor the filter
// recorded after the run: the values it used, after its own clamping.
std::string describeSettings(const Descriptor& used, const SettingsSources& sources);

}  // namespace filterhost
