// SPDX-License-Identifier: MIT
// The module's pictures as a Windows host's process sees them: every picture
// that pictures.txt lists is a PNG resource of the module that decodes to the
// listed size and is not blank, and the module holds no other PNG resource.
//   picture_resources MODULE.8bf pictures.txt
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "resources/pictures/PictureResourceWin32.h"
#include "util/ProgramArguments.h"

namespace {

struct Listed {
    int id = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

std::vector<Listed> readManifest(const std::filesystem::path& path) {
    std::vector<Listed> pictures;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        Listed picture;
        std::string source;
        if (fields >> picture.id >> source >> picture.width >> picture.height)
            pictures.push_back(picture);
    }
    return pictures;
}

BOOL CALLBACK countName(HMODULE, LPCWSTR, LPWSTR, LONG_PTR count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments = nelvo::util::programArguments(argc, argv);
    if (arguments.size() != 2) {
        std::fprintf(stderr, "usage: picture_resources MODULE.8bf pictures.txt\n");
        return 2;
    }
    const auto utf8Path = [](const std::string& text) {
        return std::filesystem::path(std::u8string(text.begin(), text.end()));
    };
    // As a host reads a module's resources before it runs it: as data.
    HMODULE module = LoadLibraryExW(utf8Path(arguments[0]).c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (module == nullptr) {
        std::fprintf(stderr, "picture_resources: cannot load %s\n", arguments[0].c_str());
        return 1;
    }
    const std::vector<Listed> listed = readManifest(utf8Path(arguments[1]));
    int failures = listed.empty() ? 1 : 0;
    for (const Listed& picture : listed) {
        const auto decoded = nelvo::decodePictureResource(module, picture.id);
        if (!decoded) {
            std::fprintf(stderr, "picture %d: missing or not decodable\n", picture.id);
            ++failures;
            continue;
        }
        const bool visible = std::any_of(decoded->pixels.begin() + 3, decoded->pixels.end(),
                                         [](std::uint8_t alpha) { return alpha != 0; });
        if (decoded->width != picture.width || decoded->height != picture.height || !visible) {
            std::fprintf(stderr, "picture %d: %ux%u%s, listed as %ux%u\n", picture.id,
                         decoded->width, decoded->height, visible ? "" : " and blank",
                         picture.width, picture.height);
            ++failures;
        }
    }
    int resources = 0;
    EnumResourceNamesW(module, L"PNG", countName, reinterpret_cast<LONG_PTR>(&resources));
    if (resources != static_cast<int>(listed.size())) {
        std::fprintf(stderr, "the module holds %d PNG resources, pictures.txt lists %zu\n",
                     resources, listed.size());
        ++failures;
    }
    FreeLibrary(module);
    std::printf("picture_resources: %zu pictures, %d failures\n", listed.size(), failures);
    return failures == 0 ? 0 : 1;
}
