// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <unistd.h>

#include "util/FileAccess.h"

namespace nelvo::util {

int openForReading(const std::filesystem::path& path) {
    // Without O_NONBLOCK a FIFO would hold the open until a writer came.
    return ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
}

int openForWriting(const std::filesystem::path& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0666);
}

std::FILE* openStdioFile(const std::filesystem::path& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

bool folderTakesFiles(const std::filesystem::path& folder) {
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

}  // namespace nelvo::util
