// SPDX-License-Identifier: MIT
// Reading and writing one preset file: a small property-list XML document holding the
// eight PresetSettings values.
//
// Both routines throw util::NelvoWinException for failures of the file or of the XML
// layer (its what-text says which step failed, its code is an errno value, or 1 when the
// document ends where another node is expected) and NelvoPresetManager::FileFormatException
// for a well-formed document that is not a preset. A number that does not convert throws
// std::invalid_argument or std::out_of_range, worded as std::stoi/std::stof would be.
#pragma once

#include <cstddef>
#include <filesystem>

#include "presets/PresetSettings.h"

namespace nelvo {

// Files above this size are refused without being parsed (a preset is under 1 KiB).
inline constexpr std::size_t maxPresetFileBytes = 1u << 20;
// Arrays nested deeper than this are a format error; the parser recurses per level.
inline constexpr int maxPresetArrayDepth = 32;

// Creates or truncates the file at `path` and writes `settings` into it. A failure part
// way leaves the partly written file behind.
void writePresetFile(const std::filesystem::path& path, const PresetSettings& settings);

// Overwrites each field of `settings` whose key the file at `path` holds; fields of absent
// keys keep their values. After a throw `settings` is as it was.
void readPresetFile(const std::filesystem::path& path, PresetSettings& settings);

}  // namespace nelvo
