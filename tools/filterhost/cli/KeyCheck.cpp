// SPDX-License-Identifier: MIT
#include "cli/KeyCheck.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace filterhost {
namespace {

// Edits (insert, delete, replace) from one text to the other; a change of
// letter case counts half, so that "deti" lies nearer "detI" than "dItI".
double editDistance(const std::string& a, const std::string& b) {
    std::vector<double> row(b.size() + 1);
    std::iota(row.begin(), row.end(), 0.0);
    for (std::size_t i = 1; i <= a.size(); ++i) {
        double diagonal = row[0];
        row[0] = static_cast<double>(i);
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const double above = row[j];
            double replace = 1.0;
            if (a[i - 1] == b[j - 1])
                replace = 0.0;
            else if (std::tolower(static_cast<unsigned char>(a[i - 1])) ==
                     std::tolower(static_cast<unsigned char>(b[j - 1])))
                replace = 0.5;
            row[j] = std::min({row[j] + 1.0, row[j - 1] + 1.0, diagonal + replace});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::string takes(ValueKind kind, uint32_t count) {
    switch (kind) {
        case ValueKind::Integer:
            return "an integer";
        case ValueKind::UnitFloat:
            return "a unit float";
        case ValueKind::Boolean:
            return "a boolean";
        case ValueKind::Integers:
            return "a list of " + std::to_string(count) + " integers";
    }
    return "another value";
}

ValueKind kindOfValue(const DescriptorValue& value) {
    if (std::holds_alternative<bool>(value)) return ValueKind::Boolean;
    if (std::holds_alternative<UnitFloat>(value)) return ValueKind::UnitFloat;
    if (std::holds_alternative<std::vector<int32_t>>(value)) return ValueKind::Integers;
    return ValueKind::Integer;
}

}  // namespace

std::optional<std::string> givenKeyProblem(
    const Descriptor& given, const std::map<uint32_t, ScriptingServices::AskedKey>& asked) {
    if (asked.empty()) return std::nullopt;
    for (const auto& [key, value] : given.entries()) {
        const std::string name = keyText(key);
        const auto found = asked.find(key);
        if (found == asked.end()) {
            std::string nearest;
            double best = 1e9;
            for (const auto& [known, unused] : asked) {
                const double distance = editDistance(name, keyText(known));
                if (distance < best) {
                    best = distance;
                    nearest = keyText(known);
                }
            }
            return "key '" + name + "': the filter has no such key (nearest: '" + nearest + "')";
        }
        const auto& [kind, count] = found->second;
        if (!kind) continue;
        const auto* list = std::get_if<std::vector<int32_t>>(&value);
        const bool kindDiffers = kindOfValue(value) != *kind;
        if (kindDiffers || (list != nullptr && list->size() != count)) {
            std::string message = "key '" + name + "': the filter takes " + takes(*kind, count);
            if (list != nullptr && !kindDiffers) message += ", not " + std::to_string(list->size());
            return message;
        }
    }
    return std::nullopt;
}

}  // namespace filterhost
