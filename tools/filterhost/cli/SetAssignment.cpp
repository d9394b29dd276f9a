// SPDX-License-Identifier: MIT
#include "cli/SetAssignment.h"

#include <charconv>
#include <cmath>
#include <stdexcept>

#include "PIActions.h"

namespace filterhost {
namespace {

int32_t parseInt(const std::string& text, const std::string& key) {
    int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || at != end || text.empty())
        throw std::runtime_error("key '" + key + "': \"" + text + "\" is not a 32-bit integer");
    return value;
}

}  // namespace

void putFromText(Descriptor& descriptor, const std::string& assignment, const KeyKinds& kinds) {
    const auto equals = assignment.find('=');
    if (equals == std::string::npos)
        throw std::runtime_error("--set " + assignment + ": expected KEY=VALUE");
    const std::string key = assignment.substr(0, equals);
    const std::string text = assignment.substr(equals + 1);
    const uint32_t code = keyFromText(key);
    ValueKind kind = ValueKind::Integer;
    if (const auto known = kinds.find(code); known != kinds.end())
        kind = known->second;
    else if (text.find(',') != std::string::npos)
        kind = ValueKind::Integers;
    else if (text == "true" || text == "false")
        kind = ValueKind::Boolean;
    switch (kind) {
        case ValueKind::Boolean:
            if (text == "1" || text == "true")
                descriptor.put(code, true);
            else if (text == "0" || text == "false")
                descriptor.put(code, false);
            else
                throw std::runtime_error("key '" + key + "': a boolean takes 0 or 1, not \"" +
                                         text + "\"");
            break;
        case ValueKind::Integer:
            descriptor.put(code, parseInt(text, key));
            break;
        case ValueKind::Integers: {
            std::vector<int32_t> list;
            std::size_t start = 0;
            while (true) {
                const auto comma = text.find(',', start);
                list.push_back(parseInt(text.substr(start, comma - start), key));
                if (comma == std::string::npos) break;
                start = comma + 1;
            }
            descriptor.put(code, std::move(list));
            break;
        }
        case ValueKind::UnitFloat: {
            std::size_t used = 0;
            double number = 0;
            try {
                number = std::stod(text, &used);
            } catch (const std::exception&) {
                used = 0;
            }
            if (used != text.size() || text.empty() || !std::isfinite(number))
                throw std::runtime_error("key '" + key + "': \"" + text + "\" is not a number");
            descriptor.put(code, UnitFloat{unitPercent, number});
            break;
        }
    }
}

}  // namespace filterhost
