// SPDX-License-Identifier: MIT
// The modal dialog that asks for a preset's name, on template 1009.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace nelvo {

// The name typed and confirmed with Save; nothing after Cancel or Close. A name with
// characters a file name cannot hold is refused in place, with a message, so that the
// user can correct it.
std::optional<std::wstring> askPresetName(HWND owner);

}  // namespace nelvo
