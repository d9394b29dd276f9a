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

// In the descriptor's order, built in linear time.
nlohmann::ordered_json toJson(const Descriptor& descriptor);
// Throws std::runtime_error naming the key and the problem (quoting values
// shortly). Keys in `kinds` must have that kind. Keys come in the object's
// order, which must hold each key once.
Descriptor fromJson(const nlohmann::ordered_json& object, const KeyKinds& kinds);

// Appends to an object without looking for the key, which must be new: the
// insertion-ordered object's own insertion searches, which is quadratic.
void appendNew(nlohmann::ordered_json& object, std::string key, nlohmann::ordered_json value);

}  // namespace filterhost
