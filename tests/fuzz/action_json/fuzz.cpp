// SPDX-License-Identifier: MIT
// Action files and the registry come from users and other programs: whatever
// the text, reading it must refuse with a message or succeed, within bounded
// depth and time, and an action it accepts must read back the same after
// being written out.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "PIActions.h"
#include "scripting/ActionFile.h"
#include "scripting/JsonInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const filterhost::KeyKinds kinds = {
        {PIFourCC('d', 'e', 't', 'I'), filterhost::ValueKind::Integer},
        {PIFourCC('d', 'a', 'r', 'K'), filterhost::ValueKind::Boolean},
        {PIFourCC('z', 'o', 'o', 'M'), filterhost::ValueKind::UnitFloat}};
    try {
        const filterhost::Action action = filterhost::parseAction(text, kinds);
        const filterhost::Action again =
            filterhost::parseAction(filterhost::actionText(action), kinds);
        if (again.playInfo != action.playInfo || !(again.descriptor == action.descriptor))
            std::abort();
    } catch (const std::runtime_error&) {
    }
    // The registry's reading: any object of descriptors.
    try {
        const auto root = filterhost::parseJson(text);
        if (root.is_object())
            for (const auto& [key, value] : root.items()) (void)filterhost::fromJson(value, {});
    } catch (const std::runtime_error&) {
    }
    return 0;
}
