// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>

namespace filterhost {

// Writes BEFORE and AFTER side by side, left and right, as one 8-bit PNG.
// Both must have the same size; throws HostError naming the file otherwise.
void writeSideBySide(const std::filesystem::path& before, const std::filesystem::path& after,
                     const std::filesystem::path& output);

}  // namespace filterhost
