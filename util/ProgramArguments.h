// SPDX-License-Identifier: MIT
// A program's command-line arguments as UTF-8, the text encoding of our code.
#pragma once

#include <string>
#include <vector>

namespace nelvo::util {

// The arguments after the program's name. On Linux they are argv as it is; on
// Windows they are read as UTF-16 from the system (argv holds them in the ANSI
// code page, which loses what it cannot spell) and the console is set to show
// UTF-8 output. Throws std::runtime_error for an argument that is not valid
// UTF-16.
std::vector<std::string> programArguments(int argc, char** argv);

}  // namespace nelvo::util
