// SPDX-License-Identifier: MIT
// Which preset names can become file names. A preset is one file named after it, and
// preset folders are copied between systems, so a name is held to what every file system
// the module runs on accepts.
#pragma once

#include <string>
#include <string_view>

namespace nelvo {

// The characters no file system we write presets to accepts in a file name.
inline constexpr std::wstring_view kRefusedNameCharacters = L"\\/:*?\"<>|";

// The refused characters (kRefusedNameCharacters and controls below U+0020) that `name`
// holds, each once, in the order they first appear; empty when the name can be used.
std::wstring refusedNameCharacters(std::wstring_view name);

// The message naming the characters `refused` lists, in the interface language, e.g.
// "These characters are not allowed in a preset name: / :". A control character is
// shown as its code, e.g. "U+0009".
std::wstring refusedNameMessage(std::wstring_view refused);

}  // namespace nelvo
