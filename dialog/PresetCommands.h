// SPDX-License-Identifier: MIT
// The preset commands of the editing dialog, without any window: the menus' items and
// command ids, applying, adding and deleting with the texts shown when the preset store
// fails. The window layer shows the menu, the naming dialog and the message box.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "dialog/DialogControls.h"
#include "presets/NelvoPresetManager.h"

namespace nelvo {

inline constexpr int kApplyPresetFirst = 10000;
inline constexpr int kApplyPresetLast = 10999;
inline constexpr int kDeletePresetFirst = 11000;
inline constexpr int kDeletePresetLast = 11999;

// How many presets the menus can reach: "+" refuses a new name beyond this.
inline constexpr std::size_t kPresetMenuRoom =
    static_cast<std::size_t>(kApplyPresetLast - kApplyPresetFirst + 1);

struct PresetMenuItem {
    int id;
    std::wstring name;
    friend bool operator==(const PresetMenuItem&, const PresetMenuItem&) = default;
};

// The names in order, numbered from firstId; at most lastId - firstId + 1 of them.
std::vector<PresetMenuItem> presetMenuItems(const std::vector<std::wstring>& names, int firstId,
                                            int lastId);

// What a command left: the controls to apply (apply only), or the error text to show.
struct PresetOutcome {
    std::optional<ControlValues> values;
    std::optional<std::wstring> error;
};

// Loads preset `index` over the current controls (keys missing from the file keep the
// current values) and gives the controls to apply.
PresetOutcome applyPreset(const NelvoPresetManager& presets, std::size_t index,
                          const ControlValues& current);
// Saves the controls as preset `name`. Refused with a message, before anything is
// written: a name that is not valid Unicode or holds characters a file name cannot
// (refusedNameCharacters), and a new name when the menus are full (an existing name is
// replaced as ever).
PresetOutcome addPreset(NelvoPresetManager& presets, const std::wstring& name,
                        const ControlValues& current);
// The message for a name that is not valid Unicode, for a window layer that finds an
// unpaired UTF-16 surrogate in the typed text before converting it.
std::wstring invalidPresetNameMessage();
PresetOutcome deletePreset(NelvoPresetManager& presets, std::size_t index);

// The enabled state of "+" (add) and of "Presets" and "-" (menus).
struct PresetButtons {
    bool add = false;
    bool menus = false;
};
PresetButtons presetButtons(const NelvoPresetManager* presets);

}  // namespace nelvo
