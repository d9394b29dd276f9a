// SPDX-License-Identifier: MIT
#include "scripting/ActionFile.h"

#include <nlohmann/json.hpp>
#include <system_error>

#include "HostError.h"
#include "PIActions.h"
#include "scripting/JsonInput.h"
#include "util/SafeWrite.h"

namespace filterhost {
namespace {

constexpr std::pair<const char*, int16_t> kPlayInfos[] = {{"dontDisplay", plugInDialogDontDisplay},
                                                          {"display", plugInDialogDisplay},
                                                          {"silent", plugInDialogSilent}};

}  // namespace

Action parseAction(std::string_view text, const KeyKinds& kinds) {
    const nlohmann::ordered_json root = parseJson(text);
    if (!root.is_object()) throw std::runtime_error("an action is a JSON object");
    for (const auto& [name, value] : root.items()) {
        if (name != "playInfo" && name != "descriptor")
            throw std::runtime_error("unknown field \"" + shortText(name) + "\"");
    }
    Action action;
    if (root.contains("playInfo")) {
        const auto& play = root["playInfo"];
        bool known = false;
        for (const auto& [name, code] : kPlayInfos) {
            if (play.is_string() && play.get<std::string>() == name) {
                action.playInfo = code;
                known = true;
            }
        }
        if (!known)
            throw std::runtime_error(
                "playInfo must be \"silent\", \"dontDisplay\" or \"display\", not " +
                shortValue(play));
    }
    if (!root.contains("descriptor")) throw std::runtime_error("no \"descriptor\"");
    action.descriptor = fromJson(root["descriptor"], kinds);
    return action;
}

Action readAction(const std::filesystem::path& path, const KeyKinds& kinds) {
    try {
        const std::optional<std::string> text = readSmallFile(path, kMaxActionBytes);
        if (!text) throw std::runtime_error("cannot open action file: no such file");
        return parseAction(*text, kinds);
    } catch (const std::exception& e) {
        throw HostError(path.string() + ": " + e.what());
    }
}

std::string playInfoName(int16_t playInfo) {
    for (const auto& [name, code] : kPlayInfos)
        if (code == playInfo) return name;
    return "silent";
}

std::string actionText(const Action& action) {
    const nlohmann::ordered_json root = {{"playInfo", playInfoName(action.playInfo)},
                                         {"descriptor", toJson(action.descriptor)}};
    return root.dump(2) + "\n";
}

void writeAction(const std::filesystem::path& path, const Action& action) {
    try {
        nelvo::util::writeFileSafely(path, actionText(action));
    } catch (const std::system_error& e) {
        throw HostError(path.string() + ": cannot write action file (" + e.what() + ")");
    }
}

}  // namespace filterhost
