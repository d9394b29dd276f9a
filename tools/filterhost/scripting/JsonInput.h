// SPDX-License-Identifier: MIT
// JSON that users and other programs hand the host (actions, the registry):
// read only from regular files, opened without blocking and of bounded size,
// parsed in linear time with bounded nesting, and quoted in messages by a
// short prefix at most.
#pragma once

#include <cstddef>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace filterhost {

inline constexpr int kMaxJsonDepth = 32;

// The whole file, or nothing when it does not exist. Throws std::runtime_error
// (without the file's name) for anything but a regular file of at most
// `maxBytes` that can be read.
std::optional<std::string> readSmallFile(const std::filesystem::path& path, std::size_t maxBytes);

// Objects keep their keys in the text's order; parsing takes linear time.
// Throws std::runtime_error for malformed text, a key repeated in an object
// and nesting deeper than kMaxJsonDepth.
nlohmann::ordered_json parseJson(std::string_view text);

// A value or a text as a message shows it: at most a few dozen characters.
std::string shortText(std::string_view text);
std::string shortValue(const nlohmann::ordered_json& value);

}  // namespace filterhost
