// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <string>

#include "util/FileAccess.h"

namespace nelvo::util {

int openForReading(const std::filesystem::path& path) {
    return ::_wopen(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}

int openForWriting(const std::filesystem::path& path) {
    return ::_wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT,
                    _S_IREAD | _S_IWRITE);
}

std::FILE* openStdioFile(const std::filesystem::path& path, const char* mode) {
    // "N": the handle is not inherited, as O_CLOEXEC on Linux.
    const std::string narrow = std::string(mode) + "N";
    const std::wstring wide(narrow.begin(), narrow.end());
    return ::_wfopen(path.c_str(), wide.c_str());
}

bool folderTakesFiles(const std::filesystem::path& folder) {
    constexpr int kWrite = 2;
    return ::_waccess(folder.c_str(), kWrite) == 0;
}

}  // namespace nelvo::util
