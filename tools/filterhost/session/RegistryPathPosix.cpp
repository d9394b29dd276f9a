// SPDX-License-Identifier: MIT
#include <cstdlib>

#include "session/ScriptingServices.h"

namespace filterhost {

std::filesystem::path ScriptingServices::defaultRegistryPath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::filesystem::path base;
    if (config != nullptr && config[0] == '/') {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        base =
            std::filesystem::path(home != nullptr && home[0] != '\0' ? home : "/tmp") / ".config";
    }
    return base / "filterhost" / "registry.json";
}

}  // namespace filterhost
