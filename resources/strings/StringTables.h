// SPDX-License-Identifier: MIT
// The module's localised string tables, generated from strings.tsv at build time.
// Use loadString() (util/LoadString.h) rather than reading them directly.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace nelvo::strings {

struct StringEntry {
    std::uint32_t id;
    std::wstring_view text;
};

struct StringTable {
    // 1033 for English (United States); the neutral ids 7, 10 and 12 for German, Spanish
    // and French, which serve every regional variant of those languages.
    std::uint16_t language;
    std::span<const StringEntry> entries;  // sorted by id, ids unique
};

// English first, then German, Spanish and French. Every table holds the same ids.
std::span<const StringTable> stringTables();

}  // namespace nelvo::strings
