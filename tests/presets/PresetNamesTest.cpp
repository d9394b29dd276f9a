// SPDX-License-Identifier: MIT
// Which preset names can become file names, and the message that names the rest.
#include <gtest/gtest.h>

#include "presets/PresetNames.h"

namespace nelvo {
namespace {

TEST(PresetNames, RefusedCharactersOnceInTheOrderTheyAppear) {
    const struct {
        std::wstring_view name;
        std::wstring_view refused;
    } cases[] = {
        {L"35mm neg bright", L""},
        {L"Négatif 35 mm (clair) - 1.5", L""},  // accents, brackets and
                                                // dots are fine
        {L"35mm neg/bright", L"/"},
        {L"a:b*c?d\"e<f>g|h\\i", L":*?\"<>|\\"},
        {L"//x::", L"/:"},
        {L"tab\there", L"\t"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(refusedNameCharacters(c.name), c.refused) << c.name.data();
}

TEST(PresetNames, TheMessageListsEachCharacterAndShowsControlsByCode) {
    EXPECT_EQ(refusedNameMessage(L"/:"), L"These characters are not allowed in a preset name: / :");
    EXPECT_EQ(refusedNameMessage(L"\t"),
              L"These characters are not allowed in a preset name: U+0009");
}

}  // namespace
}  // namespace nelvo
