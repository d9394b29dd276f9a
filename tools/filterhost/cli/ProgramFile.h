// SPDX-License-Identifier: MIT
// Where the running program's file is, to find the module beside it.
#pragma once

#include <filesystem>
#include <optional>

namespace filterhost {

// The running executable's full path; empty when the system does not say.
std::optional<std::filesystem::path> programFile();

}  // namespace filterhost
