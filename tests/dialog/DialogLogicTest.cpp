// SPDX-License-Identifier: MIT
// The dialog's rules without a window: edit box numbers, clamping, the defect-type
// rule, the exchange with the parameter record and presets, and the preset commands
// against real preset files.
#include <gtest/gtest.h>

#include <climits>

#include "dialog/DialogControls.h"
#include "dialog/PresetCommands.h"
#include "presets/TempFolder.h"

namespace nelvo {
namespace {

TEST(EditBoxNumber, LeadingIntegerOrZero) {
    const std::pair<const char*, std::int32_t> cases[] = {{"12", 12},
                                                          {"  -3", -3},
                                                          {"+7x", 7},
                                                          {"abc", 0},
                                                          {"", 0},
                                                          {"4 5", 4},
                                                          {"99999999999", INT_MAX},
                                                          {"-99999999999", INT_MIN},
                                                          {"- 3", 0}};
    for (const auto& [text, value] : cases) EXPECT_EQ(leadingInteger(text), value) << text;
}

TEST(ControlValues, SettingsAreClampedAndOtherFieldsKept) {
    EngineSettings s{};
    setDefaults(s);
    s.tileSize = 80;
    s.detectionIntensity = 0;
    s.brushIntensity = 20;
    s.darkDefects = s.brightDefects = false;
    s.adaptiveRecognition = true;
    s.defectColor[3] = 77;
    const ControlValues v = valuesFromSettings(s);
    EXPECT_EQ(v.tileSize, 50);
    EXPECT_EQ(v.detectionIntensity, 1);
    EXPECT_EQ(v.brushIntensity, 10);
    EXPECT_FALSE(v.darkDefects || v.brightDefects);  // no rule on opening

    EngineSettings back = s;
    storeValues(v, back);
    EXPECT_EQ(back.tileSize, 50);
    EXPECT_TRUE(back.adaptiveRecognition);
    EXPECT_EQ(back.defectColor[3], 77);
    EXPECT_EQ(colourWord(back.defectColor), colourWord(s.defectColor));
}

TEST(DefectTypeRule, AtLeastOneBoxStaysChecked) {
    // clicked box's new state, other box's state -> other box's new state
    EXPECT_TRUE(otherBoxAfterClick(false, false));
    EXPECT_TRUE(otherBoxAfterClick(false, true));
    EXPECT_FALSE(otherBoxAfterClick(true, false));
    EXPECT_TRUE(otherBoxAfterClick(true, true));
}

TEST(PresetValues, NeitherDefectTypeChecksDarkAndSlidersClamp) {
    const PresetSettings p{false, false, 30, 80, 0x00FF00u, -20, 0, 500, true};
    const ControlValues v = valuesFromPreset(p);
    EXPECT_TRUE(v.darkDefects);
    EXPECT_FALSE(v.brightDefects);
    EXPECT_EQ(v.detectionIntensity, 20);
    EXPECT_EQ(v.tileSize, 50);
    EXPECT_EQ(v.brushIntensity, -10);
    EXPECT_EQ(v.brushSize, 1);
    EXPECT_EQ(v.eraserSize, 100);
    EXPECT_EQ(v.defectColor, 0x00FF00u);
}

TEST(PresetMenu, NamesInOrderWithIdsAndAtMostAThousand) {
    const std::vector<std::wstring> two{L"Dust", L"Scratches"};
    const std::vector<PresetMenuItem> expected{{10000, L"Dust"}, {10001, L"Scratches"}};
    EXPECT_EQ(presetMenuItems(two, kApplyPresetFirst, kApplyPresetLast), expected);

    std::vector<std::wstring> many;
    for (int i = 0; i < 1200; ++i) many.push_back(std::to_wstring(100000 + i));
    const auto items = presetMenuItems(many, kDeletePresetFirst, kDeletePresetLast);
    ASSERT_EQ(items.size(), 1000u);
    EXPECT_EQ(items.back().id, 11999);
    EXPECT_EQ(items.back().name, many[999]);
}

class PresetCommandsTest : public ::testing::Test {
  protected:
    test::TempFolder folder;
    ControlValues current;
};

TEST_F(PresetCommandsTest, MissingBrushKeysKeepTheCurrentBrush) {
    folder.write("Dust.nelvo",
                 "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>"
                 "<key>darkDefects</key><false/><key>brightDefects</key><true/>"
                 "<key>detectionIntensity</key><integer>13</integer>"
                 "<key>tileSize</key><integer>80</integer></dict></plist>");
    NelvoPresetManager presets(folder.path());
    current.brushSize = 33;
    current.brushIntensity = -4;
    current.eraserSize = 66;
    const PresetOutcome outcome = applyPreset(presets, 0, current);
    ASSERT_TRUE(outcome.values) << (outcome.error
                                        ? std::string(outcome.error->begin(), outcome.error->end())
                                        : "");
    EXPECT_FALSE(outcome.values->darkDefects);
    EXPECT_TRUE(outcome.values->brightDefects);
    EXPECT_EQ(outcome.values->detectionIntensity, 13);
    EXPECT_EQ(outcome.values->tileSize, 50);
    EXPECT_EQ(outcome.values->brushSize, 33);
    EXPECT_EQ(outcome.values->brushIntensity, -4);
    EXPECT_EQ(outcome.values->eraserSize, 66);
}

TEST_F(PresetCommandsTest, EveryFailureHasItsMessage) {
    folder.write("Broken.nelvo", "<?xml version=\"1.0\"?><plist><array/></plist>");
    folder.write("Gone.nelvo", "");
    NelvoPresetManager presets(folder.path());
    std::filesystem::remove(folder.path() / "Gone.nelvo");

    EXPECT_EQ(applyPreset(presets, 0, current).error,
              std::wstring(L"Failed to load the preset (Invalid file format)"));
    EXPECT_EQ(applyPreset(presets, 1, current).error,
              std::wstring(L"Failed to load the preset (No such file or directory)"));
    EXPECT_EQ(applyPreset(presets, 2, current).error, std::wstring(L"Failed to load the preset"));
    const auto saved = addPreset(presets, L"..", current).error;
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->rfind(L"Failed to save the preset (", 0), 0u) << saved->size();
    // A name no file can have is refused before the store sees it, naming the characters.
    EXPECT_EQ(addPreset(presets, L"35mm neg/bright:2", current).error,
              std::wstring(L"These characters are not allowed in a preset name: / :"));
    EXPECT_EQ(deletePreset(presets, 5).error, std::wstring(L"Failed to delete the preset"));
    // A file already gone is no error: the entry stays, nothing is shown.
    EXPECT_FALSE(deletePreset(presets, 1).error);
    EXPECT_EQ(presets.names().size(), 2u);
}

// The menus reach 1000 presets: a new name beyond them is refused before anything is
// written, while an existing one may still be saved again.
TEST_F(PresetCommandsTest, AddingIsRefusedWhereTheMenusCouldNotReachIt) {
    for (int i = 0; i < 1000; ++i) folder.write(std::to_string(1000 + i) + ".nelvo", "");
    NelvoPresetManager presets(folder.path());
    const auto refused = addPreset(presets, L"One too many", current).error;
    ASSERT_TRUE(refused);
    EXPECT_EQ(*refused,
              L"Failed to save the preset (the preset menus hold 1000 presets; delete one to "
              L"make room for a new one)");
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "One too many.nelvo"));
    EXPECT_EQ(presets.names().size(), 1000u);
    EXPECT_FALSE(addPreset(presets, L"1999", current).error);
    ASSERT_FALSE(deletePreset(presets, 0).error);
    EXPECT_FALSE(addPreset(presets, L"One too many", current).error);
}

// A name with a lone surrogate would be saved under a replacement character.
TEST_F(PresetCommandsTest, ANameThatIsNotUnicodeIsRefused) {
    NelvoPresetManager presets(folder.path());
    const std::wstring lone{L'A', static_cast<wchar_t>(0xD800), L'B'};
    EXPECT_EQ(addPreset(presets, lone, current).error,
              std::wstring(L"Failed to save the preset (the name is not valid Unicode)"));
    EXPECT_TRUE(presets.names().empty());
    EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
}

TEST_F(PresetCommandsTest, ButtonsFollowTheList) {
    EXPECT_FALSE(presetButtons(nullptr).add);
    EXPECT_FALSE(presetButtons(nullptr).menus);
    NelvoPresetManager presets(folder.path());
    EXPECT_TRUE(presetButtons(&presets).add);
    EXPECT_FALSE(presetButtons(&presets).menus);
    ASSERT_FALSE(addPreset(presets, L"Only", current).error);
    EXPECT_TRUE(presetButtons(&presets).menus);
    ASSERT_FALSE(deletePreset(presets, 0).error);
    EXPECT_FALSE(presetButtons(&presets).menus);
    EXPECT_TRUE(presetButtons(&presets).add);
}

}  // namespace
}  // namespace nelvo
