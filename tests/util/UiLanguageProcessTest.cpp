// SPDX-License-Identifier: MIT
// Run once per locale by ctest: the first loadString() calls of the process, made by
// several threads at once, must all pick the language given as the first argument.
#include <gtest/gtest.h>

#include <barrier>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "resources/strings/StringIds.h"
#include "util/LoadString.h"

namespace nelvo {
namespace {

std::uint16_t expectedLanguage = 0;

TEST(UiLanguage, ChosenOnceFromTheLocaleUnderConcurrentFirstCalls) {
    constexpr int threadCount = 8;
    std::barrier start(threadCount);
    std::vector<std::wstring> texts(threadCount);
    std::vector<std::thread> threads;
    for (int i = 0; i < threadCount; ++i) {
        threads.emplace_back([&, i] {
            start.arrive_and_wait();
            texts[static_cast<std::size_t>(i)] = loadString(strings::viewMarkDefects);
        });
    }
    for (std::thread& t : threads) t.join();

    EXPECT_EQ(uiLanguage(), expectedLanguage);
    const std::wstring expected = loadString(strings::viewMarkDefects, expectedLanguage);
    ASSERT_FALSE(expected.empty());
    for (const std::wstring& text : texts) EXPECT_EQ(text, expected);

    // Changing the locale afterwards does not change the choice.
    ::setenv("LANGUAGE", expectedLanguage == languageGerman ? "fr_FR" : "de_DE", 1);
    EXPECT_EQ(uiLanguage(), expectedLanguage);
}

}  // namespace
}  // namespace nelvo

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <expected language id>\n", argv[0]);
        return 2;
    }
    nelvo::expectedLanguage = static_cast<std::uint16_t>(std::atoi(argv[1]));
    return RUN_ALL_TESTS();
}
