// SPDX-License-Identifier: MIT
// A failure reported by the operating system or by the XML layer underneath the preset
// files, carrying its numeric status. Show systemMessage() to the user, never what().
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace nelvo::util {

class NelvoWinException : public std::runtime_error {
  public:
    NelvoWinException(const char* what, std::uint32_t status)
        : std::runtime_error(what), code(status) {}

    // The system's text for `code` (an errno value), "Unknown error" when it has none.
    std::wstring systemMessage() const;

    std::uint32_t code;
};

}  // namespace nelvo::util
