// SPDX-License-Identifier: MIT
#include "presets/PresetNames.h"

#include <cstdio>

#include "resources/strings/StringIds.h"
#include "util/LoadString.h"

namespace nelvo {

namespace {

bool refused(wchar_t c) {
    return c < L' ' || kRefusedNameCharacters.find(c) != std::wstring_view::npos;
}

std::wstring shown(wchar_t c) {
    if (c >= L' ') return std::wstring(1, c);
    wchar_t code[8];
    std::swprintf(code, 8, L"U+%04X", static_cast<unsigned>(c));
    return code;
}

}  // namespace

std::wstring refusedNameCharacters(std::wstring_view name) {
    std::wstring found;
    for (const wchar_t c : name)
        if (refused(c) && found.find(c) == std::wstring::npos) found.push_back(c);
    return found;
}

std::wstring refusedNameMessage(std::wstring_view refused) {
    std::wstring list;
    for (const wchar_t c : refused) {
        if (!list.empty()) list += L' ';
        list += shown(c);
    }
    std::wstring message = loadString(strings::presetNameRefused);
    const std::size_t at = message.find(L"%s");
    if (at != std::wstring::npos) message.replace(at, 2, list);
    return message;
}

}  // namespace nelvo
