// SPDX-License-Identifier: MIT
#include "dialog/PresetCommands.h"

#include <algorithm>
#include <exception>

#include "presets/PresetNames.h"
#include "resources/strings/StringIds.h"
#include "util/LoadString.h"
#include "util/TextConversion.h"

namespace nelvo {

namespace {

std::wstring refusal(const std::wstring& reason) {
    return loadString(strings::presetSaveFailed) + L" (" + reason + L")";
}

std::wstring menusFull() {
    std::wstring text = loadString(strings::presetMenusFull);
    const std::size_t at = text.find(L"%d");
    if (at != std::wstring::npos) text.replace(at, 2, std::to_wstring(kPresetMenuRoom));
    return text;
}

}  // namespace

std::vector<PresetMenuItem> presetMenuItems(const std::vector<std::wstring>& names, int firstId,
                                            int lastId) {
    std::vector<PresetMenuItem> items;
    const std::size_t count =
        std::min(names.size(), static_cast<std::size_t>(std::max(lastId - firstId + 1, 0)));
    items.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        items.push_back({firstId + static_cast<int>(i), names[i]});
    return items;
}

PresetOutcome applyPreset(const NelvoPresetManager& presets, std::size_t index,
                          const ControlValues& current) {
    try {
        PresetSettings settings = presetFromValues(current);
        presets.load(index, settings);
        return {valuesFromPreset(settings), std::nullopt};
    } catch (const std::exception& e) {
        return {std::nullopt, presetErrorMessage(strings::presetLoadFailed, e)};
    }
}

std::wstring invalidPresetNameMessage() {
    return refusal(loadString(strings::presetNameNotUnicode));
}

PresetOutcome addPreset(NelvoPresetManager& presets, const std::wstring& name,
                        const ControlValues& current) {
    if (!encodeUtf8(name)) return {std::nullopt, invalidPresetNameMessage()};
    if (const std::wstring refused = refusedNameCharacters(name); !refused.empty())
        return {std::nullopt, refusedNameMessage(refused)};
    const std::vector<std::wstring>& names = presets.names();
    const bool listed = std::binary_search(names.begin(), names.end(), name);
    if (!listed && names.size() >= kPresetMenuRoom) return {std::nullopt, refusal(menusFull())};
    try {
        presets.save(name, presetFromValues(current));
        return {};
    } catch (const std::exception& e) {
        return {std::nullopt, presetErrorMessage(strings::presetSaveFailed, e)};
    }
}

PresetOutcome deletePreset(NelvoPresetManager& presets, std::size_t index) {
    try {
        presets.remove(index);  // a file already gone is no error worth showing
        return {};
    } catch (const std::exception& e) {
        return {std::nullopt, presetErrorMessage(strings::presetDeleteFailed, e)};
    }
}

PresetButtons presetButtons(const NelvoPresetManager* presets) {
    if (presets == nullptr) return {};
    return {true, !presets->names().empty()};
}

}  // namespace nelvo
