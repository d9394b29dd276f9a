// SPDX-License-Identifier: MIT
#include "util/LoadString.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <set>
#include <string>

#include "resources/strings/StringIds.h"
#include "resources/strings/StringTables.h"
#include "tests/support/EnvironmentVariable.h"

namespace nelvo {
namespace {

TEST(LoadString, GivesTheTextOfEachLanguage) {
    struct Case {
        std::uint32_t id;
        const wchar_t* english;
        const wchar_t* german;
        const wchar_t* spanish;
        const wchar_t* french;
    };
    const Case cases[] = {
        {strings::viewMarkDefects, L"Mark Defects", L"Defekte markieren", L"Marcar defectos",
         L"D\u00E9fauts marqu\u00E9s"},
        {strings::tileSize, L"Tile Size", L"Defekt-Gr\u00F6\u00DFe", L"Tama\u00F1o", L"Taille"},
        {strings::newPathMask, L"  New Path Mask", L"  Neue Pfadmaske",
         L"  Nueva Ruta de M\u00E1scara", L"  Masque trac\u00E9"},
        {strings::closeButton, L"Close", L"Abbrechen", L"Cerrar", L"Fermer"},
        {strings::presetNamePrompt, L"Please enter a name for the current settings:",
         L"Bitte einen Namen f\u00FCr die aktuellen Einstellungen eingeben:",
         L"Por favor, introduzca un nombre para los ajustes actuales:",
         L"S'il vous pla\u00EEt entrez un nom pour les param\u00E8tres actuels:"},
        {strings::aboutLink, L"About Nelvo", L"\u00DCber Nelvo", L"Sobre Nelvo",
         L"\u00C0 propos Nelvo"},
        {strings::presetLoadFailed, L"Failed to load the preset",
         L"Die Voreinstellung konnte nicht geladen werden", L"No se pudo cargar el preajuste",
         L"Impossible de charger le pr\u00E9r\u00E9glage"},
        {strings::navigatorTitle, L"Navigator", L"Navigator", L"Navegador", L"Navigateur"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(loadString(c.id, languageEnglishUs), c.english);
        EXPECT_EQ(loadString(c.id, languageGerman), c.german);
        EXPECT_EQ(loadString(c.id, languageSpanish), c.spanish);
        EXPECT_EQ(loadString(c.id, languageFrench), c.french);
    }
}

TEST(LoadString, RegionalLanguagesFindTheTableOfTheirLanguage) {
    EXPECT_EQ(loadString(strings::saveButton, 2055), L"Speichern");    // German (Switzerland)
    EXPECT_EQ(loadString(strings::saveButton, 3082), L"Guardar");      // Spanish, modern sort
    EXPECT_EQ(loadString(strings::saveButton, 3084), L"Sauvegarder");  // French (Canada)
    EXPECT_EQ(loadString(strings::saveButton, 2057), L"");  // English (UK): no table of its own
}

TEST(LoadString, MissingStringsAreEmpty) {
    for (const std::uint32_t id : {0u, 1003u, 1031u, 65535u, 70000u}) {
        EXPECT_EQ(loadString(id, languageEnglishUs), L"") << id;
        EXPECT_EQ(loadString(id, languageGerman), L"") << id;
    }
}

TEST(LoadString, EveryTableHoldsTheSameIds) {
    const auto tables = strings::stringTables();
    ASSERT_EQ(tables.size(), 4u);
    std::set<std::uint32_t> english;
    for (const auto& entry : tables[0].entries) english.insert(entry.id);
    for (const auto& table : tables) {
        std::set<std::uint32_t> ids;
        for (const auto& entry : table.entries) {
            ids.insert(entry.id);
            EXPECT_FALSE(entry.text.empty()) << table.language << " " << entry.id;
        }
        EXPECT_EQ(ids, english) << table.language;
        EXPECT_EQ(ids.size(), table.entries.size()) << table.language;
    }
}

TEST(UiLanguageForLocale, PicksGermanSpanishOrFrenchOnlyForTheirHomeCountries) {
    const std::pair<const char*, std::uint16_t> cases[] = {
        {"de_DE", languageGerman},
        {"de_DE.UTF-8", languageGerman},
        {"de_DE@euro", languageGerman},
        {"de_DE.ISO-8859-15@euro", languageGerman},
        {"es_ES.UTF-8", languageSpanish},
        {"fr_FR.UTF-8", languageFrench},
        {"fr_FR:de_DE", languageFrench},
        {"en_US.UTF-8", languageEnglishUs},
        {"en_GB.UTF-8", languageEnglishUs},
        {"de_AT.UTF-8", languageEnglishUs},
        {"fr_CA", languageEnglishUs},
        {"es_MX", languageEnglishUs},
        {"de", languageEnglishUs},
        {"de_DEX", languageEnglishUs},
        {"C", languageEnglishUs},
        {"POSIX", languageEnglishUs},
        {"", languageEnglishUs},
    };
    for (const auto& [locale, language] : cases) {
        EXPECT_EQ(uiLanguageForLocale(locale), language) << locale;
    }
}

TEST(UiLanguageFromEnvironment, TakesTheFirstNonEmptyVariable) {
    struct Case {
        const char* language;
        const char* all;
        const char* messages;
        const char* lang;
        std::uint16_t expected;
    };
    const Case cases[] = {
        {"fr_FR", "de_DE", "es_ES", "de_DE", languageFrench},
        {"", "de_DE", "es_ES", "fr_FR", languageGerman},
        {"", "", "es_ES.UTF-8", "fr_FR", languageSpanish},
        {"", "", "", "fr_FR.UTF-8", languageFrench},
        {"", "", "", "", languageEnglishUs},
        {"en_GB", "de_DE", "", "", languageEnglishUs},
    };
    for (const Case& c : cases) {
        const EnvironmentVariable language("LANGUAGE", c.language);
        const EnvironmentVariable all("LC_ALL", c.all);
        const EnvironmentVariable messages("LC_MESSAGES", c.messages);
        const EnvironmentVariable lang("LANG", c.lang);
        EXPECT_EQ(uiLanguageFromEnvironment(), c.expected)
            << c.language << "|" << c.all << "|" << c.messages << "|" << c.lang;
    }
}

}  // namespace
}  // namespace nelvo
