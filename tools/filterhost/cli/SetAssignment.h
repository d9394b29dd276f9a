// SPDX-License-Identifier: MIT
// The command line's `--set KEY=VALUE`: one descriptor entry written as text.
#pragma once

#include <string>

#include "scripting/Descriptor.h"
#include "scripting/DescriptorJson.h"

namespace filterhost {

// Puts one `KEY=VALUE` into `descriptor`. The kind comes from `kinds` (the
// module's terminology), else from the value's form: "1,2,3,4" a list,
// "true"/"false" a boolean, else an integer. Throws std::runtime_error naming
// the key and the problem.
void putFromText(Descriptor& descriptor, const std::string& assignment, const KeyKinds& kinds);

}  // namespace filterhost
