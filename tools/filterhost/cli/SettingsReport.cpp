// SPDX-License-Identifier: MIT
#include "cli/SettingsReport.h"

#include <array>
#include <vector>

#include "scripting/DescriptorJson.h"

namespace filterhost {
namespace {

// The keys that decide the repaired picture, in the order the line shows
// them; the rest (brush, eraser, zoom, preview precision, window) only
// matter inside the dialog.
constexpr std::array kResultKeys = {"darK", "briT", "detI", "tilE", "adaP"};

std::string valueText(const DescriptorValue& value) {
    if (const auto* flag = std::get_if<bool>(&value)) return *flag ? "true" : "false";
    if (const auto* number = std::get_if<int32_t>(&value)) return std::to_string(*number);
    if (const auto* unit = std::get_if<UnitFloat>(&value)) {
        std::string text = std::to_string(unit->value);
        text.erase(text.find_last_not_of('0') + 1);
        if (!text.empty() && text.back() == '.') text.pop_back();
        return text;
    }
    std::string text;
    for (const int32_t item : std::get<std::vector<int32_t>>(value)) {
        if (!text.empty()) text += ',';
        text += std::to_string(item);
    }
    return text;
}

bool isFalse(const Descriptor& used, const char* key) {
    const DescriptorValue* value = used.find(keyFromText(key));
    const auto* flag = value != nullptr ? std::get_if<bool>(value) : nullptr;
    return flag != nullptr && !*flag;
}

// A given integer the filter did not use as given was clamped to its range.
std::optional<int32_t> clampedFrom(const Descriptor& given, const Descriptor& used, uint32_t key) {
    const DescriptorValue* asked = given.find(key);
    const DescriptorValue* took = used.find(key);
    if (asked == nullptr || took == nullptr) return std::nullopt;
    const auto* a = std::get_if<int32_t>(asked);
    const auto* t = std::get_if<int32_t>(took);
    if (a == nullptr || t == nullptr || *a == *t) return std::nullopt;
    return *a;
}

struct SourceGroup {
    const char* name;
    std::vector<std::string> keys;
};

void appendGroup(std::string& line, const SourceGroup& group) {
    if (group.keys.empty()) return;
    line += "; ";
    line += group.name;
    line += ": ";
    for (std::size_t i = 0; i < group.keys.size(); ++i) {
        if (i > 0) line += ", ";
        line += group.keys[i];
    }
}

}  // namespace

std::string describeSettings(const Descriptor& used, const SettingsSources& sources) {
    std::string line = "used";
    for (const char* name : kResultKeys) {
        const DescriptorValue* value = used.find(keyFromText(name));
        if (value == nullptr) continue;
        line += ' ';
        line += name;
        line += '=';
        line += valueText(*value);
    }
    // The filter rates every pixel when neither kind is chosen, as with both.
    if (isFalse(used, "darK") && isFalse(used, "briT"))
        line += " (neither kind chosen: dark and bright defects are both found)";
    line += sources.dialog ? ", hand marks as left in the dialog"
                           : ", no hand marks (they are made in the dialog)";

    SourceGroup dialog{"confirmed in the dialog", {}};
    SourceGroup assigned{"from --set", {}};
    SourceGroup played{"from --play", {}};
    SourceGroup confirmed{"last confirmed in the dialog", {}};
    SourceGroup defaults{"defaults", {}};
    const auto note = [&used](SourceGroup& group, const Descriptor& given, uint32_t key) {
        std::string entry = keyText(key);
        if (const auto asked = clampedFrom(given, used, key))
            entry += " (" + std::to_string(*asked) + " \u2192 " + valueText(*used.find(key)) +
                     ", the filter's limit)";
        group.keys.push_back(std::move(entry));
    };
    for (const char* name : kResultKeys) {
        const uint32_t key = keyFromText(name);
        if (used.find(key) == nullptr) continue;
        if (sources.dialog)
            dialog.keys.push_back(name);
        else if (sources.assigned.find(key) != nullptr)
            note(assigned, sources.assigned, key);
        else if (sources.played.find(key) != nullptr)
            note(played, sources.played, key);
        else if (sources.confirmed && sources.confirmed->find(key) != nullptr)
            confirmed.keys.push_back(name);
        else
            defaults.keys.push_back(name);
    }
    // A clamped value of a key the line does not show is still worth saying.
    const auto shown = [](uint32_t key) {
        for (const char* name : kResultKeys)
            if (keyFromText(name) == key) return true;
        return false;
    };
    if (!sources.dialog) {
        for (const auto& entry : sources.assigned.entries())
            if (!shown(entry.key) && clampedFrom(sources.assigned, used, entry.key))
                note(assigned, sources.assigned, entry.key);
        for (const auto& entry : sources.played.entries())
            if (!shown(entry.key) && sources.assigned.find(entry.key) == nullptr &&
                clampedFrom(sources.played, used, entry.key))
                note(played, sources.played, entry.key);
    }
    for (const SourceGroup* group : {&dialog, &assigned, &played, &confirmed, &defaults})
        appendGroup(line, *group);
    return line;
}

}  // namespace filterhost
