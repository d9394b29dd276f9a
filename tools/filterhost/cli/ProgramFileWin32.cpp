// SPDX-License-Identifier: MIT
#include <windows.h>

#include <string>

#include "cli/ProgramFile.h"

namespace filterhost {

std::optional<std::filesystem::path> programFile() {
    // Paths may exceed MAX_PATH; the buffer grows until the name fits.
    std::wstring name(MAX_PATH, L'\0');
    while (true) {
        const DWORD length =
            GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0) return std::nullopt;
        if (length < name.size()) {
            name.resize(length);
            return std::filesystem::path(name);
        }
        name.resize(name.size() * 2);
    }
}

}  // namespace filterhost
