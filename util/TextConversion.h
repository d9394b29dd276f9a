// SPDX-License-Identifier: MIT
// Strict conversion between UTF-8 and wide (UTF-32) strings. File names and XML text are
// UTF-8 on this platform; the user-visible strings are wide.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace nelvo {

// Empty when `text` is not valid UTF-8 (overlong forms, surrogates and code points above
// U+10FFFF included).
std::optional<std::wstring> decodeUtf8(std::string_view text);

// Empty when `text` holds a surrogate or a value above U+10FFFF.
std::optional<std::string> encodeUtf8(std::wstring_view text);

}  // namespace nelvo
