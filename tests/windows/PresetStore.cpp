// SPDX-License-Identifier: MIT
// The preset store on Windows, in a process whose numbers are written with a
// decimal comma (as a German editor's are):
//   - the presets folder is NelvoPlugin\Presets in the local application data
//   - a preset written here is byte for byte the reference document the Linux
//     build writes, and that document reads back into the same settings
//   - presets with names in any script (a code point beyond U+FFFF included)
//     are saved into a folder of such names, listed again by a new manager,
//     loaded, and deleted; no temporary file is left behind
//   - a name holding a backslash, which would lead out of the folder, is refused
//   preset_store WORK_FOLDER REFERENCE.nelvo
#include <windows.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "presets/NelvoPresetManager.h"
#include "presets/PresetFile.h"
#include "util/NelvoWinException.h"
#include "util/ProgramArguments.h"

namespace fs = std::filesystem;
using nelvo::NelvoPresetManager;
using nelvo::PresetSettings;

namespace {

// The settings of the reference document, and others that differ in every field.
constexpr PresetSettings kReference{false, true, 8, 8, 0x000000FFu, 10, 20, 10, false};
constexpr PresetSettings kOther{true, false, -3, 50, 0x00336699u, 77, 1, 100, true};

int gFailures = 0;

void check(bool held, const std::string& what) {
    if (!held) {
        std::fprintf(stderr, "preset_store: %s\n", what.c_str());
        ++gFailures;
    }
}

std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

fs::path fromUtf8(const std::string& text) {
    return fs::path(std::u8string(text.begin(), text.end()));
}

void checkTheKnownFolder() {
    const wchar_t* localAppData = _wgetenv(L"LOCALAPPDATA");
    check(localAppData != nullptr && *localAppData != L'\0', "LOCALAPPDATA is not set");
    if (localAppData == nullptr) return;
    const fs::path expected = fs::path(localAppData) / "NelvoPlugin" / "Presets";
    const fs::path folder = nelvo::presetsFolder();
    check(folder == expected, "presetsFolder() is " + folder.string());
    // The first manager makes the folder, parents included.
    fs::remove_all(fs::path(localAppData) / "NelvoPlugin");
    NelvoPresetManager manager(folder);
    check(fs::is_directory(folder), "the presets folder was not created");
    manager.save(L"Default", kReference);
    PresetSettings read = kOther;
    manager.load(0, read);
    check(read == kReference, "a preset in the known folder did not read back");
}

void checkTheReferenceDocument(const fs::path& work, const fs::path& reference) {
    const fs::path written = work / "written.nelvo";
    nelvo::writePresetFile(written, kReference);
    check(readBytes(written) == readBytes(reference),
          "the document written differs from the reference (line ends or decimal commas?)");
    PresetSettings read = kOther;
    nelvo::readPresetFile(reference, read);
    check(read == kReference, "the reference document read into other settings");
}

void checkNamesInAnyScript(const fs::path& work) {
    // Two levels that do not exist yet, named in several scripts.
    const fs::path folder = work /
                            fromUtf8(
                                "\xC3\x9Cn\xC3\xAF"
                                "c\xC3\xB6"
                                "d\xC3\xA9 \xE5\x86\x99\xE7\x9C\x9F") /
                            fromUtf8("Voreinstellungen \xF0\x9F\x93\xB7");
    const std::wstring unicodeName = L"Gr\u00FC\u00DFe \u5199\u771F \U0001F4F7";
    {
        NelvoPresetManager manager(folder);
        check(manager.names().empty(), "a new folder lists presets");
        manager.save(L"Zeta", kReference);
        manager.save(unicodeName, kOther);
        manager.save(L"Alpha", kReference);
    }
    const fs::path expectedFile = folder / (unicodeName + L".nelvo");
    check(fs::is_regular_file(expectedFile), "no file named after the preset");

    NelvoPresetManager manager(folder);
    const std::vector<std::wstring> expected{L"Alpha", unicodeName, L"Zeta"};
    check(manager.names() == expected, "a new manager lists other names");
    if (manager.names() == expected) {
        PresetSettings read = kReference;
        manager.load(1, read);
        check(read == kOther, "the preset with the non-ASCII name read back other settings");
        check(manager.remove(1) && !fs::exists(expectedFile), "the preset was not deleted");
    }

    const std::vector<std::wstring> before = manager.names();
    try {
        manager.save(L"..\\outside", kReference);
        check(false, "a name with a backslash was saved");
    } catch (const nelvo::util::NelvoWinException& e) {
        check(e.code == EINVAL,
              "a name with a backslash failed with code " + std::to_string(e.code));
    }
    check(manager.names() == before, "a refused name changed the list");
    check(!fs::exists(folder.parent_path() / "outside.nelvo"), "a preset was written outside");

    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        check(entry.path().extension() == L".nelvo",
              "a file other than a preset is left: " + entry.path().string());
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments = nelvo::util::programArguments(argc, argv);
    if (arguments.size() != 2) {
        std::fprintf(stderr, "usage: preset_store WORK_FOLDER REFERENCE.nelvo\n");
        return 2;
    }
    const fs::path work = fromUtf8(arguments[0]);
    const fs::path reference = fromUtf8(arguments[1]);

    // A host whose numbers use a decimal comma: the files must not.
    check(std::setlocale(LC_ALL, "German_Germany.1252") != nullptr, "no German locale");
    char number[16];
    std::snprintf(number, sizeof number, "%.1f", 0.5);
    check(std::string(number) == "0,5", std::string("the locale writes 0.5 as ") + number);

    try {
        checkTheKnownFolder();
        checkTheReferenceDocument(work, reference);
        checkNamesInAnyScript(work);
    } catch (const std::exception& e) {
        check(false, std::string("threw: ") + e.what());
    }
    std::printf("preset_store: %s\n", gFailures == 0 ? "all checks held" : "checks failed");
    return gFailures == 0 ? 0 : 1;
}
