// SPDX-License-Identifier: MIT
// The module's property list and scripting terminology as resource bytes.
#pragma once

#include <cstdint>
#include <vector>

namespace nelvo {

const std::vector<uint8_t>& propertyListResource();
const std::vector<uint8_t>& terminologyResource();

}  // namespace nelvo
