// SPDX-License-Identifier: MIT
// filterhost about: asks a module to show its about box.
#pragma once

#include <filesystem>
#include <ostream>

namespace filterhost {

// Calls the module's about step; returns 0, or 1 when the module reports an error.
int showAbout(const std::filesystem::path& plugin, std::ostream& err);

}  // namespace filterhost
