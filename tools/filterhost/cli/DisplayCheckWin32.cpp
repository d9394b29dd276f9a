// SPDX-License-Identifier: MIT
// A program in a Windows session always has its desktop; a service or a
// scheduled task runs on a desktop no one sees, which is as good as none.
#include <windows.h>

#include "cli/DisplayCheck.h"

namespace filterhost {

std::optional<std::string> missingDisplay() {
    HWINSTA station = GetProcessWindowStation();
    USEROBJECTFLAGS flags{};
    if (station != nullptr &&
        GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, nullptr) &&
        (flags.dwFlags & WSF_VISIBLE) == 0)
        return "the window station is not visible";
    return std::nullopt;
}

}  // namespace filterhost
