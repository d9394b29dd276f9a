// SPDX-License-Identifier: MIT
// Presets stay on this machine, beside the other per-user data of programs that
// does not roam with the user's profile.
#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

#include <stdexcept>

#include "presets/NelvoPresetManager.h"

namespace nelvo {

std::filesystem::path presetsFolder() {
    PWSTR folder = nullptr;
    std::filesystem::path base;
    if (SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_DEFAULT, nullptr, &folder) == S_OK)
        base = folder;
    CoTaskMemFree(folder);
    if (base.empty()) throw std::runtime_error("Failed to find the local data folder");
    return base / "NelvoPlugin" / "Presets";
}

}  // namespace nelvo
