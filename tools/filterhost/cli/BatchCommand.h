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

struct BatchInputs {
    std::vector<std::filesystem::path> files;
    // Folders below the input folder that could not be read, with the reason.
    std::vector<std::pair<std::filesystem::path, std::string>> unreadable;
};

// The images a batch takes: files with a supported extension, sorted by path,
// in the folder or (recursive) below it, outside `skip` (the output folder);
// links to folders are not followed. Throws HostError when the folder itself
// cannot be read.
BatchInputs batchInputs(const std::filesystem::path& folder, bool recursive,
                        const std::filesystem::path& skip);

// A file is skipped when its output was made from the same input content with
// the same module and settings (BatchManifest), unless `force`. Exit status: 0
// every file done or skipped, 1 any failed (a folder that cannot be read
// counts as one), 130 (128 + the signal) stopped or the dialog of a replayed
// action cancelled; files finished before a stop stay, the one under way is
// not written.
int runBatch(const BatchOptions& options, std::ostream& out, std::ostream& err);

}  // namespace filterhost
