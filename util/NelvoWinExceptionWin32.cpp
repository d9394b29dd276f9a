// SPDX-License-Identifier: MIT
#include <string.h>
#include <climits>
#include <cwchar>

#include "util/NelvoWinException.h"

namespace nelvo::util {

std::wstring NelvoWinException::systemMessage() const {
    // The C runtime's own wide text for the errno value: thread-safe, and
    // "Unknown error" for a number it has no text for.
    wchar_t text[256] = {};
    if (code <= static_cast<std::uint32_t>(INT_MAX) &&
        _wcserror_s(text, std::size(text), static_cast<int>(code)) == 0 && text[0] != L'\0')
        return text;
    return L"Unknown error";
}

}  // namespace nelvo::util
