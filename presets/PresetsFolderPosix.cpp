// SPDX-License-Identifier: MIT
#include <cstdlib>
#include <stdexcept>

#include "presets/NelvoPresetManager.h"

namespace nelvo {

std::filesystem::path presetsFolder() {
    namespace fs = std::filesystem;
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    fs::path base;
    if (dataHome != nullptr && fs::path(dataHome).is_absolute()) {
        base = dataHome;
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || *home == '\0') {
            throw std::runtime_error("Failed to find the local data folder");
        }
        base = fs::path(home) / ".local" / "share";
    }
    return base / "NelvoPlugin" / "Presets";
}

}  // namespace nelvo
