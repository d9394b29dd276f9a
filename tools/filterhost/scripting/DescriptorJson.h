// SPDX-License-Identifier: MIT
// Descriptors as JSON, for action files and the persistent registry:
// integers as numbers, booleans as true/false, integer lists as arrays, unit
// floats as {"unit": "#Prc", "value": 100}.
#pragma once

#include <map>
#include <nlohmann/json.hpp>
#include <string>

#include "scripting/Descriptor.h"

namespace filterhost {

// Value kinds a key is known to take, from the module's terminology or our table.
enum class ValueKind { Integer, UnitFloat, Boolean, Integers };
using KeyKinds = std::map<uint32_t, ValueKind>;

uint32_t keyFromText(const std::string& text);  // throws unless exactly four characters
std::string keyText(uint32_t key);

nlohmann::ordered_json toJson(const Descriptor& descriptor);
// Throws std::runtime_error naming the key and the problem. Keys in `kinds`
// must have that kind.
Descriptor fromJson(const nlohmann::ordered_json& object, const KeyKinds& kinds);

}  // namespace filterhost
