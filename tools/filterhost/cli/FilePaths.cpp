// SPDX-License-Identifier: MIT
#include "cli/FilePaths.h"

#include <cerrno>
#include <cstring>

#include "HostError.h"
#include "util/FileAccess.h"

namespace fs = std::filesystem;

namespace filterhost {

bool sameFile(const fs::path& a, const fs::path& b) {
    std::error_code error;
    if (fs::equivalent(a, b, error)) return true;
    std::error_code errorA, errorB;
    const fs::path whereA = fs::weakly_canonical(fs::absolute(a, errorA), errorA);
    const fs::path whereB = fs::weakly_canonical(fs::absolute(b, errorB), errorB);
    return !errorA && !errorB && whereA == whereB;
}

void refuseOverwriting(const fs::path& output, const fs::path& other, const std::string& what) {
    if (sameFile(output, other))
        throw HostError(output.string() + ": is " + what + "; it is never overwritten");
}

void checkFolderTakesFile(const fs::path& path) {
    const fs::path folder = path.parent_path().empty() ? fs::path(".") : path.parent_path();
    std::error_code error;
    if (!fs::is_directory(folder, error))
        throw HostError(path.string() + ": the folder " + folder.string() + " does not exist");
    if (!nelvo::util::folderTakesFiles(folder))
        throw HostError(path.string() + ": cannot create files in " + folder.string() + ": " +
                        std::strerror(errno));
    if (fs::is_directory(path, error)) throw HostError(path.string() + ": is a folder");
}

}  // namespace filterhost
