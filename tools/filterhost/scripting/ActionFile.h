// SPDX-License-Identifier: MIT
// Recorded actions: one filter step's descriptor and play information as a
// human-readable JSON file.
//   {"playInfo": "silent" | "dontDisplay" | "display",
//    "descriptor": {"KEY1": 12, "KEY2": true, "KEY3": {"unit": "#Prc", "value": 100}, ...}}
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "scripting/Descriptor.h"
#include "scripting/DescriptorJson.h"

namespace filterhost {

struct Action {
    int16_t playInfo = 2;  // plugInDialogSilent
    Descriptor descriptor;
};

// Action files larger than this are refused unread.
inline constexpr std::size_t kMaxActionBytes = std::size_t{1} << 20;

// Throws HostError naming the file, and the key and problem where there is one.
Action readAction(const std::filesystem::path& path, const KeyKinds& kinds);
// The action in JSON text; throws std::runtime_error naming the problem.
Action parseAction(std::string_view text, const KeyKinds& kinds);
// "silent", "dontDisplay" or "display".
std::string playInfoName(int16_t playInfo);
// What writeAction writes.
std::string actionText(const Action& action);
// Written to a temporary file and renamed into place.
void writeAction(const std::filesystem::path& path, const Action& action);

}  // namespace filterhost
