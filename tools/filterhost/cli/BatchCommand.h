// SPDX-License-Identifier: MIT
// `filterhost batch`: every image of a folder through the run pipeline, the
// module loaded once.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "cli/RunCommand.h"

namespace filterhost {

struct BatchOptions {
    std::filesystem::path inputFolder;
    std::filesystem::path outputFolder;
    // The run's options; input and output are set per file. Mask, record and
    // dialog do not apply to a folder.
    RunOptions run;
    bool recursive = false;
    bool force = false;  // also files whose output is newer than the input
};

// The images a batch takes: files with a supported extension, sorted by path,
// in the folder or (recursive) below it, outside `skip` (the output folder).
std::vector<std::filesystem::path> batchInputs(const std::filesystem::path& folder, bool recursive,
                                               const std::filesystem::path& skip);

// Exit status: 0 every file done or skipped, 1 any failed, 130 (128 + the
// signal) stopped; files finished before a stop stay, the one under way is
// not written.
int runBatch(const BatchOptions& options, std::ostream& out, std::ostream& err);

}  // namespace filterhost
