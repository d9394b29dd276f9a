// SPDX-License-Identifier: MIT
#include "scripting/DescriptorJson.h"

#include <cmath>
#include <limits>
#include <stdexcept>

#include "PIActions.h"
#include "scripting/JsonInput.h"

namespace filterhost {
namespace {

const char* kindName(ValueKind kind) {
    switch (kind) {
        case ValueKind::Integer:
            return "an integer";
        case ValueKind::UnitFloat:
            return "a unit float {\"unit\": ..., \"value\": ...}";
        case ValueKind::Boolean:
            return "a boolean";
        case ValueKind::Integers:
            return "a list of integers";
    }
    return "a value";
}

int32_t toInt32(const nlohmann::ordered_json& value, const std::string& key) {
    if (!value.is_number_integer())
        throw std::runtime_error("key '" + key + "': expected an integer, found " +
                                 shortValue(value));
    const auto wide = value.get<int64_t>();
    if (wide < std::numeric_limits<int32_t>::min() || wide > std::numeric_limits<int32_t>::max())
        throw std::runtime_error("key '" + key + "': integer out of the 32-bit range");
    return static_cast<int32_t>(wide);
}

}  // namespace

uint32_t keyFromText(const std::string& text) {
    if (text.size() != 4)
        throw std::runtime_error("key '" + shortText(text) + "': keys are four characters");
    return PIFourCC(text[0], text[1], text[2], text[3]);
}

std::string keyText(uint32_t key) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) text += static_cast<char>((key >> shift) & 0xFF);
    return text;
}

void appendNew(nlohmann::ordered_json& object, std::string key, nlohmann::ordered_json value) {
    object.get_ref<nlohmann::ordered_json::object_t&>().emplace_back(std::move(key),
                                                                     std::move(value));
}

nlohmann::ordered_json toJson(const Descriptor& descriptor) {
    nlohmann::ordered_json object = nlohmann::ordered_json::object();
    for (const auto& [key, value] : descriptor.entries()) {
        nlohmann::ordered_json slot;
        if (const auto* i = std::get_if<int32_t>(&value))
            slot = *i;
        else if (const auto* b = std::get_if<bool>(&value))
            slot = *b;
        else if (const auto* f = std::get_if<UnitFloat>(&value))
            slot = {{"unit", keyText(f->unit)}, {"value", f->value}};
        else
            slot = std::get<std::vector<int32_t>>(value);
        appendNew(object, keyText(key), std::move(slot));
    }
    return object;
}

Descriptor fromJson(const nlohmann::ordered_json& object, const KeyKinds& kinds) {
    if (!object.is_object()) throw std::runtime_error("the descriptor must be a JSON object");
    Descriptor descriptor;
    for (const auto& [key, value] : object.items()) {
        const uint32_t code = keyFromText(key);
        ValueKind kind;
        if (value.is_boolean())
            kind = ValueKind::Boolean;
        else if (value.is_number_integer())
            kind = ValueKind::Integer;
        else if (value.is_array())
            kind = ValueKind::Integers;
        else if (value.is_object())
            kind = ValueKind::UnitFloat;
        else
            throw std::runtime_error("key '" + key + "': unsupported value " + shortValue(value));
        const auto known = kinds.find(code);
        if (known != kinds.end() && known->second != kind) {
            throw std::runtime_error("key '" + key + "': expected " + kindName(known->second) +
                                     ", found " + shortValue(value));
        }
        switch (kind) {
            case ValueKind::Boolean:
                descriptor.append(code, value.get<bool>());
                break;
            case ValueKind::Integer:
                descriptor.append(code, toInt32(value, key));
                break;
            case ValueKind::Integers: {
                std::vector<int32_t> list;
                for (const auto& item : value) list.push_back(toInt32(item, key));
                descriptor.append(code, std::move(list));
                break;
            }
            case ValueKind::UnitFloat: {
                if (!value.contains("unit") || !value["unit"].is_string() ||
                    !value.contains("value") || !value["value"].is_number())
                    throw std::runtime_error("key '" + key +
                                             "': expected {\"unit\": \"#Prc\", \"value\": number}");
                const double number = value["value"].get<double>();
                if (!std::isfinite(number))
                    throw std::runtime_error("key '" + key + "': value is not finite");
                descriptor.append(code,
                                  UnitFloat{keyFromText(value["unit"].get<std::string>()), number});
                break;
            }
        }
    }
    return descriptor;
}

}  // namespace filterhost
