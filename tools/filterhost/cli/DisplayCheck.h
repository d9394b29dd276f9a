// SPDX-License-Identifier: MIT
// Whether the module's windows have a display to appear on.
#pragma once

#include <optional>
#include <string>

namespace filterhost {

// Why no window can be shown, or nothing when one can.
std::optional<std::string> missingDisplay();

}  // namespace filterhost
