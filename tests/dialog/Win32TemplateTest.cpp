// SPDX-License-Identifier: MIT
// The Win32 resource script repeats the editing dialog's template: every control in the
// same order with the same id, rectangle and visibility (a script control is visible
// unless it says NOT WS_VISIBLE), and the dialog of the same size, so that both faces lay
// the dialog out alike.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "dialog/EditingDialogTemplate.h"

namespace nelvo {
namespace {

struct ScriptControl {
    int id, x, y, width, height;
    bool visible;
};

TEST(Win32Template, ScriptMatchesTheSharedTemplate) {
    std::ifstream script(NELVO_SOURCE_DIR "/ui/win32/EditingDialog.rc");
    ASSERT_TRUE(script) << "the resource script is missing";
    const std::regex dialog(R"(^1000 DIALOGEX 0, 0, (\d+), (\d+)\s*$)");
    const std::regex control(
        R"(^\s*CONTROL "[^"]*", (\d+), "[^"]+", ([^,]+), (\d+), (\d+), (\d+), (\d+)\s*$)");
    std::vector<ScriptControl> controls;
    int width = 0, height = 0;
    for (std::string line; std::getline(script, line);) {
        std::smatch m;
        if (std::regex_match(line, m, dialog)) {
            width = std::stoi(m[1]);
            height = std::stoi(m[2]);
        } else if (std::regex_match(line, m, control)) {
            controls.push_back({std::stoi(m[1]), std::stoi(m[3]), std::stoi(m[4]), std::stoi(m[5]),
                                std::stoi(m[6]),
                                m[2].str().find("NOT WS_VISIBLE") == std::string::npos});
        }
    }
    EXPECT_EQ(width, kTemplateWidthDu);
    EXPECT_EQ(height, kTemplateHeightDu);
    ASSERT_EQ(controls.size(), std::size(kTemplate));
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const TemplateControl& t = kTemplate[i];
        const ScriptControl& s = controls[i];
        EXPECT_EQ(s.id, t.id) << "entry " << i;
        EXPECT_EQ(s.x, t.x) << "control " << t.id;
        EXPECT_EQ(s.y, t.y) << "control " << t.id;
        EXPECT_EQ(s.width, t.width) << "control " << t.id;
        EXPECT_EQ(s.height, t.height) << "control " << t.id;
        EXPECT_EQ(s.visible, t.shown) << "control " << t.id;
    }
}

}  // namespace
}  // namespace nelvo
