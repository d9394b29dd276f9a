// SPDX-License-Identifier: MIT
// Strict conversion between UTF-8 and wide strings: UTF-32 where wchar_t has 4 bytes
// (Linux), UTF-16 with surrogate pairs where it has 2 (Windows). File names and XML text
// are UTF-8 in our code; the user-visible strings, and file names on Windows, are wide.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace nelvo {

// Empty when `text` is not valid UTF-8 (overlong forms, surrogates and code points above
// U+10FFFF included).
std::optional<std::wstring> decodeUtf8(std::string_view text);

// Empty when `text` holds a value above U+10FFFF or a surrogate; in UTF-16 a high
// surrogate followed by a low one is the pair of one code point, any other surrogate
// is refused.
std::optional<std::string> encodeUtf8(std::wstring_view text);

// A file name given as UTF-8 (a command-line argument, a name in a JSON file) as a path:
// the bytes as they are on Linux, UTF-16 on Windows.
std::filesystem::path pathFromUtf8(std::string_view text);

}  // namespace nelvo
