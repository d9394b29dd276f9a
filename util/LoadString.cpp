// SPDX-License-Identifier: MIT
#include "util/LoadString.h"

#include <algorithm>
#include <cstdlib>

#include "resources/strings/StringTables.h"

namespace nelvo {

namespace {

// The low ten bits of a language id name the language, the rest its region.
constexpr std::uint16_t primaryLanguage(std::uint16_t language) {
    return static_cast<std::uint16_t>(language & 0x3FFu);
}

const strings::StringTable* findTable(std::uint16_t language) {
    const auto tables = strings::stringTables();
    const auto matches = [](std::uint16_t wanted) {
        return [wanted](const strings::StringTable& t) { return t.language == wanted; };
    };
    auto it = std::find_if(tables.begin(), tables.end(), matches(language));
    if (it == tables.end()) {
        it = std::find_if(tables.begin(), tables.end(), matches(primaryLanguage(language)));
    }
    return it == tables.end() ? nullptr : &*it;
}

}  // namespace

std::uint16_t uiLanguageForLocale(std::string_view locale) {
    locale = locale.substr(0, locale.find(':'));
    // Drop the codeset and the modifier: "de_DE.UTF-8@euro" is "de_DE".
    locale = locale.substr(0, locale.find_first_of(".@"));
    if (locale == "de_DE") return languageGerman;
    if (locale == "es_ES") return languageSpanish;
    if (locale == "fr_FR") return languageFrench;
    return languageEnglishUs;
}

std::uint16_t uiLanguageFromEnvironment() {
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return uiLanguageForLocale(value);
    }
    return languageEnglishUs;
}

std::uint16_t uiLanguage() {
    static const std::uint16_t language = uiLanguageFromEnvironment();
    return language;
}

std::wstring loadString(std::uint32_t id) {
    return loadString(id, uiLanguage());
}

std::wstring loadString(std::uint32_t id, std::uint16_t language) {
    const strings::StringTable* table = findTable(language);
    if (table == nullptr) return {};
    const auto entries = table->entries;
    const auto it = std::lower_bound(
        entries.begin(), entries.end(), id,
        [](const strings::StringEntry& e, std::uint32_t wanted) { return e.id < wanted; });
    if (it == entries.end() || it->id != id) return {};
    return std::wstring(it->text);
}

}  // namespace nelvo
