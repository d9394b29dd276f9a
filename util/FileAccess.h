// SPDX-License-Identifier: MIT
// Opening files by path, with the platform's own file names: bytes on Linux,
// UTF-16 on Windows, so that a name in any script reaches the file system as
// it is.
#pragma once

#include <cstdio>
#include <filesystem>

namespace nelvo::util {

// A descriptor open for reading, or -1 with errno set. It does not wait for a
// writer (a FIFO opens at once) and is not inherited by child processes.
int openForReading(const std::filesystem::path& path);

// A descriptor created, or emptied when the file exists, for writing (mode 0666
// less the umask on Linux); -1 with errno set. Not inherited by child processes.
int openForWriting(const std::filesystem::path& path);

// fopen with `mode` ("rb", "wb"); nullptr with errno set when it fails.
std::FILE* openStdioFile(const std::filesystem::path& path, const char* mode);

// True when files can be created in `folder`; otherwise false with errno set.
bool folderTakesFiles(const std::filesystem::path& folder);

}  // namespace nelvo::util
