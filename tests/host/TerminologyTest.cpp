// SPDX-License-Identifier: MIT
// The module's scripting terminology, read back through the host.
#include <gtest/gtest.h>

#include "PIActions.h"
#include "module/PluginModule.h"
#include "module/TerminologyResource.h"

using namespace filterhost;

namespace {

TEST(Terminology, NamesTheFilterAndItsTenParameters) {
    const auto module = PluginModule::load(NELVO_MODULE_PATH);
    const auto bytes = module->resource(PIFourCC('a', 'e', 't', 'e'), 16000);
    ASSERT_TRUE(bytes.has_value());
    const TerminologyInfo info = parseTerminology(*bytes);
    EXPECT_EQ(info.majorVersion, 1);
    EXPECT_EQ(info.minorVersion, 0);
    EXPECT_EQ(info.language, 0);
    EXPECT_EQ(info.script, 0);
    ASSERT_EQ(info.suites.size(), 1u);
    const TerminologySuite& suite = info.suites[0];
    EXPECT_EQ(suite.name, "Brenwick");
    EXPECT_EQ(suite.description, "dust and scratch removal plug-in");
    EXPECT_EQ(suite.id, PIFourCC('n', 'V', 'l', 'o'));
    EXPECT_EQ(suite.level, 1);
    EXPECT_EQ(suite.version, 1);
    EXPECT_EQ(suite.classes + suite.comparisonOperators + suite.enumerations, 0);
    ASSERT_EQ(suite.events.size(), 1u);
    const TerminologyEvent& event = suite.events[0];
    EXPECT_EQ(event.name, "Nelvo");
    EXPECT_EQ(event.description, "dust and scratch removal plug-in");
    EXPECT_EQ(event.classID, PIFourCC('n', 'V', 'l', 'o'));
    EXPECT_EQ(event.eventID, PIFourCC('n', 'V', 'l', 'o'));
    EXPECT_EQ(event.replyType, typeNull);
    EXPECT_EQ(event.replyDescription, "");
    EXPECT_EQ(event.replyFlags, 0);
    EXPECT_EQ(event.directType, PIFourCC('#', 'I', 'm', 'R'));
    EXPECT_EQ(event.directDescription, "");
    EXPECT_EQ(static_cast<uint16_t>(event.directFlags), 0xB000);

    struct Expected {
        const char* name;
        const char* key;
        const char* type;
        const char* description;
    };
    const Expected expected[] = {
        {"defect detection", "detI", "long", "defect detection amount"},
        {"tile size", "tilE", "long", "defect tile size"},
        {"brush size", "brsS", "long", "defect brush size"},
        {"brush intensity", "brsI", "long", "defect brush intensity"},
        {"eraser size", "ersS", "long", "defect eraser size"},
        {"preview precision", "preC", "bool", "fast vs accurate preview"},
        {"dark defects", "darK", "bool", "dark defects"},
        {"bright defects", "briT", "bool", "bright defects"},
        {"ignore selection", "ignS", "bool", "filter entire image"},
        {"zoom", "zooM", "doub", "preview zoom factor"},
    };
    ASSERT_EQ(event.parameters.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const TerminologyParameter& p = event.parameters[i];
        const Expected& e = expected[i];
        EXPECT_EQ(p.name, e.name);
        EXPECT_EQ(p.key, PIFourCC(e.key[0], e.key[1], e.key[2], e.key[3])) << e.name;
        EXPECT_EQ(p.type, PIFourCC(e.type[0], e.type[1], e.type[2], e.type[3])) << e.name;
        EXPECT_EQ(p.description, e.description);
        EXPECT_EQ(p.flags, 0);
    }
}

TEST(Terminology, TruncatedResourceIsRefused) {
    const auto module = PluginModule::load(NELVO_MODULE_PATH);
    const auto bytes = *module->resource(PIFourCC('a', 'e', 't', 'e'), 16000);
    for (std::size_t length = 0; length < bytes.size(); length += 7) {
        EXPECT_THROW(parseTerminology(bytes.first(length)), std::runtime_error) << length;
    }
}

}  // namespace
