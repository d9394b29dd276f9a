// SPDX-License-Identifier: MIT
// Feeds arbitrary bytes to readPresetFile. Only the documented exceptions may come out,
// and a document that reads must survive being written and read again unchanged.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

#include "presets/NelvoPresetManager.h"
#include "presets/PresetFile.h"
#include "util/NelvoWinException.h"

namespace {

// Values no document sets by accident, so that a key which is read is seen.
constexpr nelvo::PresetSettings start{true, false, -101, -102, 0x12345678u, -103, -104, -105, true};

// Where the inputs are written for readPresetFile; removed when the fuzzer exits.
class ScratchFolder {
  public:
    ScratchFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "nelvo-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        path = pattern;
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::filesystem::path path;
};

const std::filesystem::path& scratchFolder() {
    static const ScratchFolder folder;
    return folder.path;
}

bool read(const std::filesystem::path& file, nelvo::PresetSettings& settings) {
    try {
        nelvo::readPresetFile(file, settings);
        return true;
    } catch (const nelvo::util::NelvoWinException&) {
    } catch (const nelvo::NelvoPresetManager::FileFormatException&) {
    } catch (const std::invalid_argument&) {
    } catch (const std::out_of_range&) {
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path input = scratchFolder() / "input.nelvo";
    const std::filesystem::path output = scratchFolder() / "output.nelvo";
    if (std::FILE* f = std::fopen(input.c_str(), "wb")) {
        if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
        std::fclose(f);
    } else {
        std::abort();
    }

    nelvo::PresetSettings settings = start;
    if (!read(input, settings)) return 0;

    nelvo::writePresetFile(output, settings);
    nelvo::PresetSettings again{};
    if (!read(output, again) || !(again == settings)) std::abort();
    return 0;
}
