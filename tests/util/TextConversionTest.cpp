// SPDX-License-Identifier: MIT
#include "util/TextConversion.h"

#include <gtest/gtest.h>

namespace nelvo {
namespace {

TEST(TextConversion, DecodesEveryEncodedLength) {
    // One, two, three and four bytes, at the edges of each length.
    const std::string text =
        "A\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF";
    const std::wstring wide = {L'A', 0x7F, 0x80, 0x7FF, 0x800, 0xFFFF, 0x10000, 0x10FFFF};
    EXPECT_EQ(decodeUtf8(text), wide);
    EXPECT_EQ(encodeUtf8(wide), text);
    EXPECT_EQ(decodeUtf8(""), std::wstring());
}

TEST(TextConversion, RefusesMalformedInput) {
    for (const char* bad : {
             "\x80",              // continuation byte without lead
             "\xC3",              // truncated
             "\xE2\x82",          // truncated
             "\xC0\xAF",          // overlong '/'
             "\xE0\x80\xAF",      // overlong '/'
             "\xED\xA0\x80",      // surrogate
             "\xF4\x90\x80\x80",  // above U+10FFFF
             "\xF8\x88\x80\x80\x80",
             "a\xFF",
             "\xC3(",
         }) {
        EXPECT_FALSE(decodeUtf8(bad).has_value()) << testing::PrintToString(std::string(bad));
    }
    for (const wchar_t bad : {static_cast<wchar_t>(0xD800), static_cast<wchar_t>(0xDFFF),
                              static_cast<wchar_t>(0x110000), static_cast<wchar_t>(-1)}) {
        EXPECT_FALSE(encodeUtf8(std::wstring(L"a") + bad).has_value()) << static_cast<long>(bad);
    }
}

}  // namespace
}  // namespace nelvo
