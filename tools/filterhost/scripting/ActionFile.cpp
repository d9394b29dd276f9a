// SPDX-License-Identifier: MIT
#include "scripting/ActionFile.h"

#include <fstream>
#include <nlohmann/json.hpp>
#include <system_error>

#include "HostError.h"
#include "PIActions.h"
#include "util/SafeWrite.h"

namespace filterhost {
namespace {

constexpr std::pair<const char*, int16_t> kPlayInfos[] = {{"dontDisplay", plugInDialogDontDisplay},
                                                          {"display", plugInDialogDisplay},
                                                          {"silent", plugInDialogSilent}};

}  // namespace

Action readAction(const std::filesystem::path& path, const KeyKinds& kinds) {
    std::ifstream in(path);
    if (!in) throw HostError(path.string() + ": cannot open action file");
    Action action;
    try {
        const nlohmann::ordered_json root = nlohmann::ordered_json::parse(in);
        if (!root.is_object()) throw std::runtime_error("an action is a JSON object");
        for (const auto& [name, value] : root.items()) {
            if (name != "playInfo" && name != "descriptor")
                throw std::runtime_error("unknown field \"" + name + "\"");
        }
        if (root.contains("playInfo")) {
            const auto& play = root["playInfo"];
            bool known = false;
            for (const auto& [text, code] : kPlayInfos) {
                if (play.is_string() && play.get<std::string>() == text) {
                    action.playInfo = code;
                    known = true;
                }
            }
            if (!known)
                throw std::runtime_error(
                    "playInfo must be \"silent\", \"dontDisplay\" or \"display\", not " +
                    play.dump());
        }
        if (!root.contains("descriptor")) throw std::runtime_error("no \"descriptor\"");
        action.descriptor = fromJson(root["descriptor"], kinds);
    } catch (const std::exception& e) {
        throw HostError(path.string() + ": " + e.what());
    }
    return action;
}

void writeAction(const std::filesystem::path& path, const Action& action) {
    std::string play = "silent";
    for (const auto& [text, code] : kPlayInfos)
        if (code == action.playInfo) play = text;
    const nlohmann::ordered_json root = {{"playInfo", play},
                                         {"descriptor", toJson(action.descriptor)}};
    try {
        nelvo::util::writeFileSafely(path, root.dump(2) + "\n");
    } catch (const std::system_error& e) {
        throw HostError(path.string() + ": cannot write action file (" + e.what() + ")");
    }
}

}  // namespace filterhost
