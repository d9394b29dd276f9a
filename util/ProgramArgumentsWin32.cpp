// SPDX-License-Identifier: MIT
#include <windows.h>

#include <shellapi.h>

#include <memory>
#include <stdexcept>

#include "util/ProgramArguments.h"
#include "util/TextConversion.h"

namespace nelvo::util {

std::vector<std::string> programArguments(int, char**) {
    SetConsoleOutputCP(CP_UTF8);
    int count = 0;
    const std::unique_ptr<LPWSTR, decltype(&LocalFree)> wide(
        CommandLineToArgvW(GetCommandLineW(), &count), &LocalFree);
    if (wide == nullptr) throw std::runtime_error("cannot read the command line");
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i) {
        std::optional<std::string> text = encodeUtf8(wide.get()[i]);
        if (!text)
            throw std::runtime_error("argument " + std::to_string(i) + " is not valid UTF-16");
        arguments.push_back(std::move(*text));
    }
    return arguments;
}

}  // namespace nelvo::util
