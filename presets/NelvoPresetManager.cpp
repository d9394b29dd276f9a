// SPDX-License-Identifier: MIT
#include "presets/NelvoPresetManager.h"

#include <algorithm>
#include <cerrno>
#include <optional>
#include <system_error>

#include "presets/PresetFile.h"
#include "resources/strings/StringIds.h"
#include "util/LoadString.h"
#include "util/SafeWrite.h"
#include "util/TextConversion.h"

namespace nelvo {

namespace {

namespace fs = std::filesystem;
using util::NelvoWinException;

// A file-system failure with a fixed what-text naming the operation; the error code and
// the path stay available for diagnostics.
class FileSystemError : public fs::filesystem_error {
  public:
    FileSystemError(const char* what, const fs::path& path, std::error_code code)
        : fs::filesystem_error(what, path, code), what_(what) {}
    const char* what() const noexcept override { return what_; }

  private:
    const char* what_;
};

bool isSeparator(fs::path::value_type c) {
    return c == '/' || c == fs::path::preferred_separator;
}

// The folder in the system's own encoding, ending in exactly the separator it already
// had, or the system's one added.
fs::path::string_type folderPrefix(const fs::path& folder) {
    fs::path::string_type prefix = folder.native();
    if (!prefix.empty() && !isSeparator(prefix.back()))
        prefix.push_back(fs::path::preferred_separator);
    return prefix;
}

// "/" and NUL, and on Windows also the backslash: characters that would end the file name early
// or lead out of the folder.
bool isRefusedName(const std::wstring& name) {
    const std::wstring separators{L'/', L'\0', static_cast<wchar_t>(fs::path::preferred_separator)};
    return name == L"." || name == L".." || name.find_first_of(separators) != std::wstring::npos ||
           !encodeUtf8(name).has_value();
}

// A file name as UTF-8: the bytes themselves on Linux, converted from UTF-16 on Windows;
// nothing for a Windows name that is not valid UTF-16.
std::optional<std::string> fileNameUtf8(const fs::path& fileName) {
    try {
        const std::u8string name = fileName.u8string();
        return std::string(name.begin(), name.end());
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

void checkIndex(std::size_t index, std::size_t count) {
    if (index >= count) throw std::invalid_argument("Invalid preset index");
}

}  // namespace

NelvoPresetManager::NelvoPresetManager(fs::path folder) : folder_(std::move(folder)) {
    std::error_code ec;
    if (!fs::exists(folder_, ec)) {  // false as well when the state cannot be determined
        fs::create_directories(folder_, ec);
        if (ec) throw FileSystemError("create_directories(p): invalid argument", folder_, ec);
    }
    refresh();
}

void NelvoPresetManager::refresh() {
    names_.clear();
    for (const fs::directory_entry& entry : fs::directory_iterator(folder_)) {
        // Only files: folders, and FIFOs or devices that could block a read, are skipped.
        // Symbolic links count as what they point to.
        std::error_code ec;
        if (!entry.is_regular_file(ec)) continue;
        const std::optional<std::string> utf8Name = fileNameUtf8(entry.path().filename());
        if (!utf8Name) continue;
        const std::string& fileName = *utf8Name;
        const std::size_t dot = fileName.rfind('.');
        // A file named just ".nelvo" would be a preset without a name.
        if (dot == std::string::npos || dot == 0 ||
            std::string_view(fileName).substr(dot) != extension) {
            continue;
        }
        // A name that is not UTF-8 could be neither shown nor saved again; leave it out.
        if (auto name = decodeUtf8(std::string_view(fileName).substr(0, dot))) {
            names_.push_back(std::move(*name));
        }
    }
    std::sort(names_.begin(), names_.end());
}

fs::path NelvoPresetManager::presetPath(std::wstring_view name) const {
    const std::optional<std::string> encoded = encodeUtf8(name);
    if (!encoded) throw std::invalid_argument("Invalid preset name");
    const std::u8string utf8(encoded->begin(), encoded->end());
    return fs::path(folderPrefix(folder_) + fs::path(utf8).native() + fs::path(extension).native());
}

void NelvoPresetManager::load(std::size_t index, PresetSettings& settings) const {
    checkIndex(index, names_.size());
    readPresetFile(presetPath(names_[index]), settings);
}

void NelvoPresetManager::save(const std::wstring& name, const PresetSettings& settings) {
    // The name becomes a file name in the folder: it must not lead anywhere else.
    if (isRefusedName(name)) throw NelvoWinException("Invalid preset name", EINVAL);
    const fs::path target = presetPath(name);

    // The new preset replaces an old one of the same name only once it is whole
    // and on disk.
    std::optional<util::SafeWrite> file;
    try {
        file.emplace(target);
    } catch (const std::system_error& e) {
        throw NelvoWinException("Failed to open preset file for write",
                                static_cast<std::uint32_t>(e.code().value()));
    }
    writePresetFile(file->temporaryPath(), settings);
    try {
        file->commit();
    } catch (const std::system_error& e) {
        throw NelvoWinException("Failed to write preset file",
                                static_cast<std::uint32_t>(e.code().value()));
    }

    const auto place = std::lower_bound(names_.begin(), names_.end(), name);
    if (place == names_.end() || *place != name) names_.insert(place, name);
}

bool NelvoPresetManager::remove(std::size_t index) {
    checkIndex(index, names_.size());
    const fs::path path = presetPath(names_[index]);
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(path, ec);
    if (ec || !fs::exists(status)) return false;
    // An empty folder of that name is removed too; a non-empty one is an error.
    const bool removed = fs::remove(path, ec);
    if (ec) throw FileSystemError("remove(p): invalid argument", path, ec);
    if (!removed) return false;  // deleted by someone else in the meantime
    names_.erase(names_.begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

std::wstring formatErrorMessage(std::uint32_t stringId, const util::NelvoWinException& error) {
    return loadString(stringId) + L" (" + error.systemMessage() + L")";
}

std::wstring presetErrorMessage(std::uint32_t stringId, const std::exception& error) {
    if (const auto* system = dynamic_cast<const util::NelvoWinException*>(&error)) {
        return formatErrorMessage(stringId, *system);
    }
    if (dynamic_cast<const NelvoPresetManager::FileFormatException*>(&error) != nullptr) {
        return loadString(stringId) + L" (" + loadString(strings::invalidFileFormat) + L")";
    }
    return loadString(stringId);
}

}  // namespace nelvo
