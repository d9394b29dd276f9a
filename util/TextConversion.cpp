// SPDX-License-Identifier: MIT
#include "util/TextConversion.h"

#include <cstdint>

namespace nelvo {

// Wide strings are UTF-32 where wchar_t has 4 bytes (Linux) and UTF-16 where
// it has 2 (Windows): there a code point above U+FFFF is a surrogate pair.
constexpr bool kWideIsUtf16 = sizeof(wchar_t) == 2;
static_assert(sizeof(wchar_t) == 2 || sizeof(wchar_t) == 4);

namespace {

bool isScalarValue(std::uint32_t c) {
    return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
}

void appendWide(std::wstring& out, std::uint32_t c) {
    if (kWideIsUtf16 && c >= 0x10000) {
        const std::uint32_t offset = c - 0x10000;
        out.push_back(static_cast<wchar_t>(0xD800 + (offset >> 10)));
        out.push_back(static_cast<wchar_t>(0xDC00 + (offset & 0x3FF)));
    } else {
        out.push_back(static_cast<wchar_t>(c));
    }
}

}  // namespace

std::optional<std::wstring> decodeUtf8(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length;
        std::uint32_t c;
        std::uint32_t minimum;
        if (lead < 0x80) {
            out.push_back(static_cast<wchar_t>(lead));
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2, c = lead & 0x1Fu, minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, c = lead & 0x0Fu, minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, c = lead & 0x07u, minimum = 0x10000;
        } else {
            return std::nullopt;
        }
        if (text.size() - i < length) return std::nullopt;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return std::nullopt;
            c = (c << 6) | (next & 0x3Fu);
        }
        if (c < minimum || !isScalarValue(c)) return std::nullopt;
        appendWide(out, c);
        i += length;
    }
    return out;
}

std::optional<std::string> encodeUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        // wchar_t is unsigned on Windows and signed on Linux; either way the
        // code unit's value is what counts.
        auto c = static_cast<std::uint32_t>(text[i]);
        if (kWideIsUtf16) {
            c &= 0xFFFF;
            const auto next =
                i + 1 < text.size() ? static_cast<std::uint32_t>(text[i + 1]) & 0xFFFF : 0u;
            if (c >= 0xD800 && c <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00);
                ++i;
            }
        }
        if (!isScalarValue(c)) return std::nullopt;
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::filesystem::path pathFromUtf8(std::string_view text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

}  // namespace nelvo
