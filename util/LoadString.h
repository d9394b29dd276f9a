// SPDX-License-Identifier: MIT
// Localised user-interface texts. The interface language is taken from the locale
// variables once per process; the texts come from the tables in resources/strings.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace nelvo {

inline constexpr std::uint16_t languageEnglishUs = 1033;
inline constexpr std::uint16_t languageGerman = 1031;   // German (Germany)
inline constexpr std::uint16_t languageSpanish = 1034;  // Spanish (Spain)
inline constexpr std::uint16_t languageFrench = 1036;   // French (France)

// The interface language for a locale name such as "de_DE.UTF-8" or a LANGUAGE list such
// as "fr_FR:de" (its first entry counts): de_DE, es_ES and fr_FR give German, Spanish and
// French; every other name, a bare language such as "de" included, gives English (US).
std::uint16_t uiLanguageForLocale(std::string_view locale);

// uiLanguageForLocale of the first non-empty one of LANGUAGE, LC_ALL, LC_MESSAGES and
// LANG. Reads the environment on every call.
std::uint16_t uiLanguageFromEnvironment();

// uiLanguageFromEnvironment() as it was at the first call in this process; safe to call
// from several threads at once.
std::uint16_t uiLanguage();

// The text of string `id` in the interface language; empty when there is no such string.
std::wstring loadString(std::uint32_t id);

// The text of string `id` in `language`. A regional language id finds the table of its
// language (2055, German (Switzerland), reads the German table); a language without a
// table, or an id without a string, gives an empty text.
std::wstring loadString(std::uint32_t id, std::uint16_t language);

}  // namespace nelvo
