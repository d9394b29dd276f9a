// SPDX-License-Identifier: MIT
#include "util/NelvoWinException.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace nelvo::util {
namespace {

TEST(NelvoWinException, KeepsWhatAndCode) {
    const NelvoWinException e("Failed to open preset file for read", ENOENT);
    EXPECT_STREQ(e.what(), "Failed to open preset file for read");
    EXPECT_EQ(e.code, static_cast<std::uint32_t>(ENOENT));
}

TEST(NelvoWinException, SystemMessageIsTheSystemsTextForTheCode) {
    const std::pair<std::uint32_t, const wchar_t*> cases[] = {
        {ENOENT, L"No such file or directory"}, {EFBIG, L"File too large"},
        {ENOSPC, L"No space left on device"},   {4000, L"Unknown error"},
        {0x80000000u, L"Unknown error"},        {0xFFFFFFFFu, L"Unknown error"},
    };
    for (const auto& [code, text] : cases) {
        EXPECT_EQ(NelvoWinException("x", code).systemMessage(), text) << code;
    }
}

}  // namespace
}  // namespace nelvo::util
