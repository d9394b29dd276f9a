// SPDX-License-Identifier: MIT
// The user's named presets: one ".nelvo" file per preset in a per-user folder, listed once
// when the manager is made and kept in a sorted list that the dialog shows as menus.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "presets/PresetSettings.h"
#include "util/NelvoWinException.h"

namespace nelvo {

class NelvoPresetManager {
  public:
    // A preset file that is well-formed XML but not a valid preset.
    class FileFormatException : public std::runtime_error {
      public:
        FileFormatException() : std::runtime_error("Invalid preset file format") {}
    };

    static constexpr std::string_view extension = ".nelvo";

    // Creates `folder` with its missing parents when it does not exist (or its state
    // cannot be determined), then lists it. Throws std::filesystem::filesystem_error when
    // the folder cannot be made or listed.
    explicit NelvoPresetManager(std::filesystem::path folder);

    const std::filesystem::path& folder() const noexcept { return folder_; }

    // The preset names, sorted ascending by code unit ("Z" before "a").
    const std::vector<std::wstring>& names() const noexcept { return names_; }

    // The folder, one separator, `name` unchanged and ".nelvo". Throws
    // std::invalid_argument for a name that is not valid Unicode.
    std::filesystem::path presetPath(std::wstring_view name) const;

    // Reads preset `index` of names() into `settings` (see readPresetFile()). Throws
    // std::invalid_argument "Invalid preset index" when there is no such preset.
    void load(std::size_t index, PresetSettings& settings) const;

    // Writes `settings` as preset `name` and lists the name, once, in its sorted place.
    // The file is written under a temporary name, flushed to disk and renamed over the
    // old preset (util::SafeWrite), so a failed save or a crash leaves the old one intact. A name
    // holding "/" or NUL, or that is "." or
    // "..", is refused with util::NelvoWinException (code EINVAL). On any throw names()
    // is unchanged.
    void save(const std::wstring& name, const PresetSettings& settings);

    // Deletes the file of preset `index` and drops the name. Returns false, with names()
    // unchanged, when the file is already gone; throws std::invalid_argument "Invalid
    // preset index" when there is no such preset and std::filesystem::filesystem_error
    // when the file cannot be deleted.
    bool remove(std::size_t index);

  private:
    void refresh();

    std::filesystem::path folder_;
    std::vector<std::wstring> names_;
};

// NelvoPlugin/Presets in the user's local, non-roaming application data: on Linux
// $XDG_DATA_HOME, or ~/.local/share when XDG_DATA_HOME is unset, empty or relative; on
// Windows the known folder LocalAppData. Throws std::runtime_error when there is none (on
// Linux: neither XDG_DATA_HOME nor HOME is set).
std::filesystem::path presetsFolder();

// "<string stringId> (<error.systemMessage()>)", e.g. "Failed to load the preset (No such
// file or directory)".
std::wstring formatErrorMessage(std::uint32_t stringId, const util::NelvoWinException& error);

// The message the preset commands show for `error`, thrown by the operation whose failure
// text is string `stringId`: formatErrorMessage() for a util::NelvoWinException, the text
// followed by "(Invalid file format)" for a FileFormatException, the bare text otherwise.
std::wstring presetErrorMessage(std::uint32_t stringId, const std::exception& error);

}  // namespace nelvo
