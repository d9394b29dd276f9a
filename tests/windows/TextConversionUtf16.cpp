// SPDX-License-Identifier: MIT
// UTF-8 to UTF-16 and back where wchar_t has 2 bytes: code points above U+FFFF
// become surrogate pairs and come back whole; a lone or reversed surrogate is
// refused; file names made from UTF-8 reach the file system as UTF-16.
#include <cstdio>
#include <string>

#include "util/TextConversion.h"

namespace {

int gFailures = 0;

void check(bool held, const char* what) {
    if (!held) {
        std::fprintf(stderr, "text_conversion_utf16: %s\n", what);
        ++gFailures;
    }
}

}  // namespace

int main() {
    static_assert(sizeof(wchar_t) == 2);
    struct RoundTrip {
        const char* utf8;
        std::wstring utf16;
    };
    const RoundTrip roundTrips[] = {
        {"plain", L"plain"},
        {"caf\xC3\xA9", L"caf\u00E9"},
        {"\xE2\x82\xAC", L"\u20AC"},  // last unit below the surrogates
        {"\xEF\xBF\xBF", L"\uFFFF"},  // highest single unit
        {"\xF0\x9F\x93\xB7", std::wstring{wchar_t(0xD83D), wchar_t(0xDCF7)}},  // U+1F4F7
        {"\xF4\x8F\xBF\xBF", std::wstring{wchar_t(0xDBFF), wchar_t(0xDFFF)}},  // U+10FFFF
        {"a\xF0\x90\x80\x80z", std::wstring{L'a', wchar_t(0xD800), wchar_t(0xDC00), L'z'}},
    };
    for (const RoundTrip& c : roundTrips) {
        check(nelvo::decodeUtf8(c.utf8) == c.utf16, c.utf8);
        check(nelvo::encodeUtf8(c.utf16) == std::string(c.utf8), c.utf8);
        check(nelvo::pathFromUtf8(c.utf8).native() == c.utf16, c.utf8);
    }
    const std::wstring refused[] = {
        {wchar_t(0xD83D)},                   // high surrogate at the end
        {wchar_t(0xDCF7), L'x'},             // low surrogate first
        {wchar_t(0xDCF7), wchar_t(0xD83D)},  // a pair the wrong way round
        {wchar_t(0xD83D), L'x'},             // high surrogate before a plain unit
        {wchar_t(0xD83D), wchar_t(0xD83D), wchar_t(0xDCF7)},
    };
    for (const std::wstring& text : refused) check(!nelvo::encodeUtf8(text), "a lone surrogate");
    check(!nelvo::decodeUtf8("\xED\xA0\xBD\xED\xB3\xB7"), "UTF-8 of a surrogate pair (CESU-8)");
    std::printf("text_conversion_utf16: %d failures\n", gFailures);
    return gFailures == 0 ? 0 : 1;
}
