// SPDX-License-Identifier: MIT
// Replacing files: the target changes only on commit, and nothing is left behind.
#include "util/SafeWrite.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <system_error>

#include "support/TempDir.h"

namespace {

std::string contents(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::size_t entries(const std::filesystem::path& folder) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++count;
    return count;
}

TEST(SafeWrite, TargetChangesOnlyOnCommitAndNoTemporaryStays) {
    TempDir folder;
    const auto target = folder / "data.json";
    nelvo::util::writeFileSafely(target, "old");
    {
        nelvo::util::SafeWrite file(target);
        EXPECT_EQ(file.temporaryPath().parent_path(), folder.path());
        file.write("half of the new");
        EXPECT_EQ(contents(target), "old");
    }  // abandoned: no commit
    EXPECT_EQ(contents(target), "old");
    EXPECT_EQ(entries(folder.path()), 1u);

    nelvo::util::SafeWrite file(target);
    file.write("new ");
    file.write("contents");
    file.commit();
    EXPECT_EQ(contents(target), "new contents");
    EXPECT_EQ(entries(folder.path()), 1u);
}

TEST(SafeWrite, FolderThatCannotTakeAFileIsAnError) {
    TempDir folder;
    EXPECT_THROW(nelvo::util::writeFileSafely(folder / "missing" / "data.json", "x"),
                 std::system_error);
    // A target that is a folder: the temporary file is made, the rename fails
    // and the temporary file goes.
    std::filesystem::create_directory(folder / "taken");
    std::filesystem::create_directory(folder / "taken" / "inner");
    EXPECT_THROW(nelvo::util::writeFileSafely(folder / "taken", "x"), std::system_error);
    EXPECT_EQ(entries(folder.path()), 1u);
}

TEST(SafeWrite, AnyNameTheFolderTakesWorksAndSignalCleanupFindsTheTemporary) {
    TempDir folder;
    const auto target = folder / std::string(255, 'n');
    {
        nelvo::util::SafeWrite file(target);
        EXPECT_TRUE(std::filesystem::exists(file.temporaryPath()));
        nelvo::util::removeTemporaryFilesNow();
        EXPECT_FALSE(std::filesystem::exists(file.temporaryPath()));
    }
    nelvo::util::writeFileSafely(target, "long");
    EXPECT_EQ(contents(target), "long");
    EXPECT_EQ(entries(folder.path()), 1u);
}

}  // namespace
