// SPDX-License-Identifier: MIT
// filterhost: runs filter modules on image files from the command line.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "util/ProgramArguments.h"

int main(int argc, char** argv) {
    try {
        const std::vector<std::string> args = nelvo::util::programArguments(argc, argv);
        return filterhost::runCommandLine(args, std::cout, std::cerr);
    } catch (const std::exception& e) {
        std::cerr << "filterhost: " << e.what() << "\n";
        return 1;
    }
}
