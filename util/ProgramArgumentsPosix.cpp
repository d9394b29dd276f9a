// SPDX-License-Identifier: MIT
#include "util/ProgramArguments.h"

namespace nelvo::util {

std::vector<std::string> programArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

}  // namespace nelvo::util
