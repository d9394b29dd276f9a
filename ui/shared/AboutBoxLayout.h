// SPDX-License-Identifier: MIT
// What the about box shows and where, for every window layer: the box's size, the header
// picture's place, and each text control with its font, colour, alignment and text (a
// string of the tables, or product data when it has no string).
#pragma once

#include <array>
#include <cstdint>

#include "resources/DialogResources.h"
#include "resources/strings/StringIds.h"
#include "ui/shared/AboutBoxColours.h"

namespace nelvo {

// The box and its header picture, in dialog units.
inline constexpr int kAboutWidthDu = 195;
inline constexpr int kAboutHeightDu = 296;
inline constexpr int kAboutHeaderX = -5, kAboutHeaderY = 0;

enum class AboutAlign { Left, Right };

// One text control: id, template rectangle, font size in tenths of a point (0: keep),
// bold, light-blue title type, alignment, and its text: a string id, or a fixed text
// when the id is 0.
struct AboutTextControl {
    int id;
    int x, y, width, height;
    int fontSize;
    bool bold;
    bool title;
    AboutAlign align;
    std::uint32_t stringId;
    const char* text;
};

inline constexpr std::array<AboutTextControl, 14> kAboutTexts{{
    {about::kCompanyName, 15, 90, 163, 21, 190, false, true, AboutAlign::Left, 0, "Brenwick"},
    {about::kProductName, 13, 106, 105, 36, 380, false, true, AboutAlign::Left, 0, "Nelvo"},
    {about::kProductLine, 15, 139, 151, 14, 110, false, true, AboutAlign::Left, 0,
     "Dust & Scratch Removal"},
    {about::kProductMark, 155, 157, 26, 16, 100, false, true, AboutAlign::Right, 0, "Nelvo"},
    {about::kVersion, 106, 166, 75, 20, 100, false, true, AboutAlign::Right, strings::versionText,
     nullptr},
    {about::kPhoneLabel, 13, 196, 61, 8, 80, true, false, AboutAlign::Left, strings::phoneLabel,
     nullptr},
    {about::kFaxLabel, 13, 204, 61, 8, 80, true, false, AboutAlign::Left, strings::faxLabel,
     nullptr},
    {about::kSupportLabel, 13, 212, 61, 8, 80, true, false, AboutAlign::Left, strings::supportLabel,
     nullptr},
    // No telephone or fax lines are published.
    {about::kPhone, 74, 196, 99, 8, 80, false, false, AboutAlign::Left, 0, ""},
    {about::kFax, 74, 204, 100, 8, 80, false, false, AboutAlign::Left, 0, ""},
    {about::kSupport, 74, 212, 97, 8, 80, false, false, AboutAlign::Left, 0,
     "brenwick.example/help"},
    {about::kHomepageLabel, 13, 220, 61, 10, 80, true, false, AboutAlign::Left,
     strings::homepageLabel, nullptr},
    {about::kLink, 75, 220, 88, 10, 0, false, false, AboutAlign::Left, strings::webAddress,
     nullptr},
    {about::kLegalNotice, 14, 236, 167, 45, 80, false, false, AboutAlign::Left,
     strings::legalNotice, nullptr},
}};

// The contact lines hidden with their labels: a line without a value would look
// unfinished.
inline constexpr std::array<std::array<int, 2>, 2> kAboutContactLines{
    {{about::kPhoneLabel, about::kPhone}, {about::kFaxLabel, about::kFax}}};

}  // namespace nelvo
