// SPDX-License-Identifier: MIT
// Recorded actions: one filter step's descriptor and play information as a
// human-readable JSON file.
//   {"playInfo": "silent" | "dontDisplay" | "display",
//    "descriptor": {"KEY1": 12, "KEY2": true, "KEY3": {"unit": "#Prc", "value": 100}, ...}}
#pragma once

#include <filesystem>

#include "scripting/Descriptor.h"
#include "scripting/DescriptorJson.h"

namespace filterhost {

struct Action {
    int16_t playInfo = 2;  // plugInDialogSilent
    Descriptor descriptor;
};

// Throws HostError naming the file, and the key and problem where there is one.
Action readAction(const std::filesystem::path& path, const KeyKinds& kinds);
// Written to a temporary file and renamed into place.
void writeAction(const std::filesystem::path& path, const Action& action);

}  // namespace filterhost
