// SPDX-License-Identifier: MIT
// The registry in the user's local application data (%LOCALAPPDATA%), which
// stays on this machine: the settings may name its files.
#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

#include <cstdlib>
#include <memory>

#include "session/ScriptingServices.h"

namespace filterhost {

std::filesystem::path ScriptingServices::defaultRegistryPath() {
    PWSTR folder = nullptr;
    std::filesystem::path base;
    if (SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_DEFAULT, nullptr, &folder) == S_OK)
        base = folder;
    CoTaskMemFree(folder);
    if (base.empty()) base = std::filesystem::temp_directory_path();
    return base / "filterhost" / "registry.json";
}

}  // namespace filterhost
