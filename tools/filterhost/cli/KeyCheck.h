// SPDX-License-Identifier: MIT
// Parameters the user gave that the filter does not take: keys it never asks
// for (a misspelling would otherwise be ignored and the default result
// written), and values of another kind or list length than it reads.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "scripting/Descriptor.h"
#include "session/ScriptingServices.h"

namespace filterhost {

// The first problem of `given` against what the filter asked for, as
// "key 'deti': the filter has no such key (nearest: 'detI')"; nothing when
// `asked` is empty (the filter has read no parameters yet).
std::optional<std::string> givenKeyProblem(
    const Descriptor& given, const std::map<uint32_t, ScriptingServices::AskedKey>& asked);

}  // namespace filterhost
