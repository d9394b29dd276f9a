// SPDX-License-Identifier: MIT
// Checks on the files a command names, made before any work.
#pragma once

#include <filesystem>
#include <string>

namespace filterhost {

// Whether two names lead to the same file: the same existing file (links
// included), or for a file that does not exist yet, the same place once
// links and ".." are resolved.
bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b);

// Refuses (HostError) writing `output` when it is the same file as `other`,
// naming what `other` is ("the input", "the mask", ...).
void refuseOverwriting(const std::filesystem::path& output, const std::filesystem::path& other,
                       const std::string& what);

// Refuses a file that cannot be written because its folder does not exist or
// takes no new files, or it is a folder.
void checkFolderTakesFile(const std::filesystem::path& path);

}  // namespace filterhost
