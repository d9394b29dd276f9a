// SPDX-License-Identifier: MIT
// The program's command line: subcommands, their options and help.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace filterhost {

// Parses `args` (without the program's name) and runs the command they name.
// Exit status: 0 done (help included), 1 failed (a bad option value, an unknown
// option, or the command's own failure), 2 a command line that names no
// command or lacks a required argument, 130 a cancelled run.
int runCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace filterhost
