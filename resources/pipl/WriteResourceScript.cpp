// SPDX-License-Identifier: MIT
// Writes the module's property list and terminology as the binary files of a
// Windows resource script, with the script that names them:
//   write-resource-script FOLDER   ->  FOLDER/Nelvo.rc, PiPL.bin, aete.bin
// It runs on the build machine, from the same tables that give the Linux
// module its resource bytes, so both builds carry the same bytes.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "resources/pipl/ModuleResources.h"
#include "resources/pipl/PluginIdentity.h"

namespace {

bool writeBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: write-resource-script FOLDER\n", stderr);
        return 2;
    }
    const std::filesystem::path folder = std::filesystem::absolute(argv[1]);
    std::filesystem::create_directories(folder);
    std::ofstream script(folder / "Nelvo.rc", std::ios::trunc);
    // Resource types are matched without regard to case, so hosts that ask for
    // "PIPL" find it as well.
    script << "// Generated at build time from the module's resource tables.\n"
           << nelvo::kResourceID << " PiPL \"" << (folder / "PiPL.bin").generic_string() << "\"\n"
           << nelvo::kResourceID << " aete \"" << (folder / "aete.bin").generic_string() << "\"\n";
    script.flush();
    const bool written = script && writeBytes(folder / "PiPL.bin", nelvo::propertyListResource()) &&
                         writeBytes(folder / "aete.bin", nelvo::terminologyResource());
    if (!written) {
        std::fprintf(stderr, "write-resource-script: cannot write into %s\n", folder.c_str());
        return 1;
    }
    return 0;
}
