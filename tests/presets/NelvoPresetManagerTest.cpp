// SPDX-License-Identifier: MIT
#include "presets/NelvoPresetManager.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "presets/PresetFile.h"
#include "resources/strings/StringIds.h"
#include "tests/presets/TempFolder.h"
#include "tests/support/EnvironmentVariable.h"

namespace nelvo {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;
using Names = std::vector<std::wstring>;

constexpr PresetSettings first{false, true, 8, 8, 0x000000FFu, 10, 20, 10, false};
constexpr PresetSettings second{true, false, 3, 40, 0x00FF8000u, -4, 60, 70, true};

std::vector<std::string> filesIn(const fs::path& folder) {
    std::vector<std::string> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        files.push_back(entry.path().filename().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

PresetSettings loaded(const NelvoPresetManager& manager, std::size_t index) {
    PresetSettings settings{};
    manager.load(index, settings);
    return settings;
}

TEST(NelvoPresetManager, ListsOnlyFilesEndingExactlyInTheExtension) {
    TempFolder folder;
    for (const char* name : {"b.nelvo", "D.nelvo", "a.nelvo", "c.NELVO", "e.nelvo.bak",
                             ".nelvo-save-abc123", "\xFF\xFE.nelvo", "nelvo", ".nelvo"}) {
        folder.write(name, "");
    }
    fs::create_directory(folder.path() / "f.nelvo");
    fs::create_symlink(folder.path() / "f.nelvo", folder.path() / "g.nelvo");
    fs::create_symlink(folder.path() / "a.nelvo", folder.path() / "h.nelvo");

    const NelvoPresetManager manager(folder.path());
    // Code-unit order puts upper case first; the link to a file counts, the link to a
    // folder, the name that is not UTF-8 and the empty name of ".nelvo" do not.
    EXPECT_EQ(manager.names(), (Names{L"D", L"a", L"b", L"h"}));
}

TEST(NelvoPresetManager, CreatesAMissingFolderWithItsParents) {
    TempFolder folder;
    const fs::path presets = folder.path() / "share" / "NelvoPlugin" / "Presets";
    const NelvoPresetManager manager(presets);
    EXPECT_TRUE(fs::is_directory(presets));
    EXPECT_TRUE(manager.names().empty());
}

TEST(NelvoPresetManager, FailsWhenTheFolderCannotBeCreated) {
    TempFolder folder;
    folder.write("file", "");
    try {
        NelvoPresetManager manager(folder.path() / "file" / "Presets");
        FAIL() << "no exception";
    } catch (const fs::filesystem_error& e) {
        EXPECT_STREQ(e.what(), "create_directories(p): invalid argument");
        EXPECT_EQ(e.code(), std::errc::not_a_directory);
    }
}

TEST(NelvoPresetManager, PresetPathJoinsFolderAndNameWithOneSeparator) {
    TempFolder folder;
    const NelvoPresetManager plain(folder.path());
    const NelvoPresetManager withSlash(folder.path().string() + "/");
    const fs::path expected = folder.path().string() + "/Dust \u00DF.nelvo";
    EXPECT_EQ(plain.presetPath(L"Dust \u00DF"), expected);
    EXPECT_EQ(withSlash.presetPath(L"Dust \u00DF"), expected);
}

TEST(NelvoPresetManager, SaveInsertsTheNameInOrderAndWritesTheFile) {
    TempFolder folder;
    folder.write("Alpha.nelvo", "");
    folder.write("Zeta.nelvo", "");
    NelvoPresetManager manager(folder.path());

    manager.save(L"New", second);
    EXPECT_EQ(manager.names(), (Names{L"Alpha", L"New", L"Zeta"}));
    EXPECT_EQ(loaded(manager, 1), second);
    EXPECT_EQ(filesIn(folder.path()),
              (std::vector<std::string>{"Alpha.nelvo", "New.nelvo", "Zeta.nelvo"}));

    // A name that is not ASCII is stored as UTF-8 and listed again as it was saved.
    manager.save(L"Kr\u00E4tzer", first);
    EXPECT_EQ(NelvoPresetManager(folder.path()).names(), manager.names());
}

TEST(NelvoPresetManager, SavingAnExistingNameOverwritesItAndKeepsOneEntry) {
    TempFolder folder;
    NelvoPresetManager manager(folder.path());
    manager.save(L"Dust", first);
    manager.save(L"Dust", second);
    EXPECT_EQ(manager.names(), (Names{L"Dust"}));
    EXPECT_EQ(loaded(manager, 0), second);
    EXPECT_EQ(filesIn(folder.path()), (std::vector<std::string>{"Dust.nelvo"}));
}

TEST(NelvoPresetManager, RefusesNamesThatLeadOutOfTheFolder) {
    TempFolder folder;
    const fs::path presets = folder.path() / "Presets";
    NelvoPresetManager manager(presets);
    manager.save(L"Keep", first);
    const std::vector<std::wstring> refused = {
        L"../escape",
        L"/tmp/escape",
        L"sub/name",
        L".",
        L"..",
        std::wstring(L"a\0b", 3),
        std::wstring(1, static_cast<wchar_t>(0xD800)),
    };
    for (const std::wstring& name : refused) {
        SCOPED_TRACE(testing::PrintToString(name));
        try {
            manager.save(name, second);
            ADD_FAILURE() << "saved";
        } catch (const util::NelvoWinException& e) {
            EXPECT_EQ(e.code, static_cast<std::uint32_t>(EINVAL));
            EXPECT_EQ(formatErrorMessage(strings::presetSaveFailed, e),
                      L"Failed to save the preset (Invalid argument)");
        }
        EXPECT_EQ(manager.names(), (Names{L"Keep"}));
    }
    EXPECT_EQ(filesIn(folder.path()), (std::vector<std::string>{"Presets"}));
    EXPECT_EQ(filesIn(presets), (std::vector<std::string>{"Keep.nelvo"}));
}

TEST(NelvoPresetManager, FailedSaveKeepsTheListAndReportsTheSystemText) {
    TempFolder folder;
    const fs::path presets = folder.path() / "Presets";
    NelvoPresetManager manager(presets);
    manager.save(L"Keep", first);
    fs::remove_all(presets);  // behind the manager's back
    try {
        manager.save(L"New", second);
        FAIL() << "saved";
    } catch (const util::NelvoWinException& e) {
        EXPECT_STREQ(e.what(), "Failed to open preset file for write");
        EXPECT_EQ(formatErrorMessage(strings::presetSaveFailed, e),
                  L"Failed to save the preset (No such file or directory)");
    }
    EXPECT_EQ(manager.names(), (Names{L"Keep"}));
}

// A write that fails part way must leave the preset it was replacing intact. The file
// size limit makes every write beyond a few bytes fail with EFBIG.
TEST(NelvoPresetManager, FailedOverwriteKeepsTheOldPreset) {
    TempFolder folder;
    NelvoPresetManager manager(folder.path());
    manager.save(L"Dust", first);
    const std::string before = test::readFile(manager.presetPath(L"Dust"));

    rlimit original{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &original), 0);
    rlimit tight = original;
    tight.rlim_cur = 64;
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
    std::optional<util::NelvoWinException> failure;
    try {
        manager.save(L"Dust", second);
    } catch (const util::NelvoWinException& e) {
        failure = e;
    }
    setrlimit(RLIMIT_FSIZE, &original);
    std::signal(SIGXFSZ, previousHandler);

    ASSERT_TRUE(failure.has_value());
    EXPECT_STREQ(failure->what(), "Failed to write preset file");
    EXPECT_EQ(failure->code, static_cast<std::uint32_t>(EFBIG));
    EXPECT_EQ(test::readFile(manager.presetPath(L"Dust")), before);
    EXPECT_EQ(filesIn(folder.path()), (std::vector<std::string>{"Dust.nelvo"}));
    EXPECT_EQ(manager.names(), (Names{L"Dust"}));
}

TEST(NelvoPresetManager, FailedRenameLeavesNoTemporaryFile) {
    TempFolder folder;
    NelvoPresetManager manager(folder.path());
    fs::create_directories(folder.path() / "Busy.nelvo" / "inside");
    try {
        manager.save(L"Busy", first);
        FAIL() << "saved";
    } catch (const util::NelvoWinException& e) {
        EXPECT_STREQ(e.what(), "Failed to write preset file");
        EXPECT_EQ(e.code, static_cast<std::uint32_t>(EISDIR));
    }
    EXPECT_EQ(filesIn(folder.path()), (std::vector<std::string>{"Busy.nelvo"}));
    EXPECT_TRUE(manager.names().empty());
}

TEST(NelvoPresetManager, IndexesPastTheEndAreRefused) {
    TempFolder folder;
    folder.write("One.nelvo", "");
    NelvoPresetManager manager(folder.path());
    PresetSettings settings{};
    for (const std::size_t index : {std::size_t{1}, std::size_t{1000}}) {
        try {
            manager.load(index, settings);
            ADD_FAILURE() << "loaded";
        } catch (const std::invalid_argument& e) {
            EXPECT_STREQ(e.what(), "Invalid preset index");
        }
        try {
            manager.remove(index);
            ADD_FAILURE() << "removed";
        } catch (const std::invalid_argument& e) {
            EXPECT_STREQ(e.what(), "Invalid preset index");
        }
    }
    EXPECT_EQ(manager.names(), (Names{L"One"}));
}

TEST(NelvoPresetManager, LoadReportsAMissingFile) {
    TempFolder folder;
    NelvoPresetManager manager(folder.path());
    manager.save(L"Gone", first);
    fs::remove(manager.presetPath(L"Gone"));
    PresetSettings settings{};
    try {
        manager.load(0, settings);
        FAIL() << "loaded";
    } catch (const util::NelvoWinException& e) {
        EXPECT_EQ(formatErrorMessage(strings::presetLoadFailed, e),
                  L"Failed to load the preset (No such file or directory)");
    }
}

TEST(NelvoPresetManager, RemoveDeletesTheFileAndTheEntry) {
    TempFolder folder;
    NelvoPresetManager manager(folder.path());
    manager.save(L"A", first);
    manager.save(L"B", second);
    manager.save(L"C", first);

    EXPECT_TRUE(manager.remove(1));
    EXPECT_EQ(manager.names(), (Names{L"A", L"C"}));
    EXPECT_FALSE(fs::exists(manager.presetPath(L"B")));
    EXPECT_EQ(loaded(manager, 1), first);
}

TEST(NelvoPresetManager, RemovingAFileDeletedByOthersReturnsFalseAndKeepsTheEntry) {
    TempFolder folder;
    NelvoPresetManager manager(folder.path());
    manager.save(L"A", first);
    manager.save(L"B", second);
    fs::remove(manager.presetPath(L"A"));
    EXPECT_FALSE(manager.remove(0));
    EXPECT_EQ(manager.names(), (Names{L"A", L"B"}));
}

TEST(NelvoPresetManager, RemoveThrowsWhenTheFileCannotBeDeleted) {
    TempFolder folder;
    NelvoPresetManager manager(folder.path());
    manager.save(L"A", first);
    fs::remove(manager.presetPath(L"A"));
    fs::create_directories(manager.presetPath(L"A") / "inside");
    try {
        manager.remove(0);
        FAIL() << "removed";
    } catch (const fs::filesystem_error& e) {
        EXPECT_STREQ(e.what(), "remove(p): invalid argument");
    }
    EXPECT_EQ(manager.names(), (Names{L"A"}));
}

TEST(PresetsFolder, FollowsXdgDataHomeOrTheHomeFolder) {
    const EnvironmentVariable home("HOME", "/home/user");
    struct Case {
        const char* dataHome;
        const char* expected;
    };
    for (const Case& c : {Case{"/data", "/data/NelvoPlugin/Presets"},
                          Case{nullptr, "/home/user/.local/share/NelvoPlugin/Presets"},
                          Case{"", "/home/user/.local/share/NelvoPlugin/Presets"},
                          Case{"relative/data", "/home/user/.local/share/NelvoPlugin/Presets"}}) {
        SCOPED_TRACE(c.dataHome != nullptr ? c.dataHome : "(unset)");
        const EnvironmentVariable dataHome("XDG_DATA_HOME", c.dataHome);
        EXPECT_EQ(presetsFolder(), fs::path(c.expected));
    }
}

TEST(PresetsFolder, FailsWithoutAnyBaseFolder) {
    const EnvironmentVariable home("HOME", nullptr);
    const EnvironmentVariable dataHome("XDG_DATA_HOME", nullptr);
    EXPECT_THROW(presetsFolder(), std::runtime_error);
}

TEST(PresetErrorMessage, DependsOnTheKindOfFailure) {
    struct Case {
        std::uint32_t stringId;
        std::function<void()> raise;
        std::wstring expected;
    };
    const std::vector<Case> cases = {
        {strings::presetLoadFailed,
         [] { throw util::NelvoWinException("Failed to open preset file for read", ENOENT); },
         L"Failed to load the preset (No such file or directory)"},
        {strings::presetLoadFailed, [] { throw NelvoPresetManager::FileFormatException(); },
         L"Failed to load the preset (Invalid file format)"},
        {strings::presetLoadFailed, [] { throw std::invalid_argument("Invalid preset index"); },
         L"Failed to load the preset"},
        {strings::presetDeleteFailed,
         [] { throw util::NelvoWinException("NelvoWinException", 0xFFFFFFFFu); },
         L"Failed to delete the preset (Unknown error)"},
        {strings::presetSaveFailed, [] { throw std::out_of_range("x"); },
         L"Failed to save the preset"},
    };
    for (const Case& c : cases) {
        try {
            c.raise();
        } catch (const std::exception& e) {
            EXPECT_EQ(presetErrorMessage(c.stringId, e), c.expected);
        }
    }
}

}  // namespace
}  // namespace nelvo
