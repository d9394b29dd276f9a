// SPDX-License-Identifier: MIT
#include "util/NelvoWinException.h"

#include <climits>
#include <cstring>

#include "util/TextConversion.h"

namespace nelvo::util {

std::wstring NelvoWinException::systemMessage() const {
    // strerrordesc_np, unlike strerror, is thread-safe, ignores the locale and returns
    // null for a number the C library has no text for.
    if (code <= static_cast<std::uint32_t>(INT_MAX)) {
        if (const char* text = strerrordesc_np(static_cast<int>(code))) {
            if (auto wide = decodeUtf8(text)) return *wide;
        }
    }
    return L"Unknown error";
}

}  // namespace nelvo::util
