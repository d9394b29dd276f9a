// SPDX-License-Identifier: MIT
// filterhost: runs filter modules on image files from the command line.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "cli/CommandLine.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        return filterhost::runCommandLine(args, std::cout, std::cerr);
    } catch (const std::exception& e) {
        std::cerr << "filterhost: " << e.what() << "\n";
        return 1;
    }
}
