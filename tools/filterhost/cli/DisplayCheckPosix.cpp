// SPDX-License-Identifier: MIT
#include <cstdlib>

#include "cli/DisplayCheck.h"

namespace filterhost {

std::optional<std::string> missingDisplay() {
    const auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr && *value != '\0';
    };
    if (set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM")) return std::nullopt;
    return "DISPLAY or WAYLAND_DISPLAY is not set";
}

}  // namespace filterhost
