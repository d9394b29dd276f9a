// SPDX-License-Identifier: MIT
#include "cli/ProgramFile.h"

namespace filterhost {

std::optional<std::filesystem::path> programFile() {
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return std::nullopt;
    return self;
}

}  // namespace filterhost
