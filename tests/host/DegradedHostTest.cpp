// SPDX-License-Identifier: MIT
// The real module on hosts that lack parts of the interface. A host that
// lacks what the module needs is refused with errPlugInHostInsufficient before
// anything is touched; a host that lacks an optional part gets the same
// filtered image as a complete host.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "PIActions.h"
#include "module/PluginModule.h"
#include "session/HostServices.h"
#include "session/HostSession.h"
#include "support/TempDir.h"

using namespace filterhost;

namespace {

// A smooth 8-bit RGB picture with dark 3 x 3 specks every 12 pixels.
Document dustyRgb8(int32_t width, int32_t height) {
    Document document;
    document.allocate(width, height, 3, plugInModeRGBColor, 8);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* p =
                &document.pixels[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                  static_cast<std::size_t>(x)) *
                                 3];
            p[0] = static_cast<uint8_t>(150 + 20 * std::sin(x * 0.05));
            p[1] = static_cast<uint8_t>(140 + 15 * std::cos(y * 0.04));
            p[2] = static_cast<uint8_t>(120 + 10 * std::sin((x + y) * 0.03));
            if (y % 12 >= 5 && y % 12 <= 7 && x % 12 >= 5 && x % 12 <= 7) p[0] = p[1] = p[2] = 0;
        }
    }
    return document;
}

// How a host falls short: what it changes in the session and its services
// before the operation begins, and after the record is filled for each call.
struct Shortfall {
    std::string name;
    std::function<void(HostSession&, HostServices&)> before;
    std::function<void(FilterRecord&)> eachCall;
};

class DegradedHost : public ::testing::Test {
  protected:
    void SetUp() override { module = PluginModule::load(NELVO_MODULE_PATH); }

    struct Outcome {
        int16_t result = 0;
        Document document;
        intptr_t dataWord = 0;
        Handle parameters = nullptr;
        int32_t using32Bit = 0;
        std::vector<std::string> problems;
    };

    // One silent replay on a fresh host with `shortfall`, in 16 x 16 tiles.
    Outcome run(const Shortfall& shortfall) {
        TempDir config;
        HostServices services;
        services.scripting().setRegistryPath(config / "registry.json");
        HostSession session(*module, services);
        session.giveDescriptor(Descriptor{}, plugInDialogSilent);
        if (shortfall.before) shortfall.before(session, services);
        session.beforeCall = [&shortfall](FilterRecord& record) {
            record.outTileHeight = record.outTileWidth = 16;
            if (shortfall.eachCall) shortfall.eachCall(record);
        };
        Outcome outcome;
        outcome.document = dustyRgb8(40, 30);
        outcome.result = session.run(outcome.document);
        outcome.dataWord = session.dataWord();
        outcome.parameters = session.parametersHandle();
        outcome.using32Bit = session.bigDocument().PluginUsing32BitCoordinates;
        outcome.problems = services.problems();
        return outcome;
    }

    std::unique_ptr<PluginModule> module;
};

TEST_F(DegradedHost, RequiredPartMissingIsRefusedWithNothingTouched) {
    const std::vector<Shortfall> cases = {
        {"no big-document data (older than 8.0)",
         [](HostSession& s, HostServices&) { s.setWithoutBigDocument(true); }, nullptr},
        {"no basic suite (older than 5.0)",
         [](HostSession& s, HostServices&) { s.setWithoutBasicSuite(true); }, nullptr},
        {"no advanceState (older than 3.0)", nullptr,
         [](FilterRecord& record) { record.advanceState = nullptr; }},
    };
    const Document original = dustyRgb8(40, 30);
    for (const Shortfall& shortfall : cases) {
        const Outcome outcome = run(shortfall);
        EXPECT_EQ(outcome.result, errPlugInHostInsufficient) << shortfall.name;
        EXPECT_EQ(outcome.document.pixels, original.pixels) << shortfall.name;
        EXPECT_EQ(outcome.dataWord, 0) << shortfall.name;
        EXPECT_EQ(outcome.parameters, nullptr) << shortfall.name;
        EXPECT_EQ(outcome.using32Bit, 0) << shortfall.name;
        for (const std::string& problem : outcome.problems)
            ADD_FAILURE() << shortfall.name << ": " << problem;
    }
}

TEST_F(DegradedHost, OptionalPartMissingFiltersAsACompleteHostDoes) {
    const Outcome complete = run(Shortfall{"complete", nullptr, nullptr});
    ASSERT_EQ(complete.result, noErr);
    ASSERT_NE(complete.document.pixels, dustyRgb8(40, 30).pixels);  // the specks went

    const std::vector<Shortfall> cases = {
        {"no descriptor suites",
         [](HostSession&, HostServices& h) {
             h.limits().refusedSuites = {kPSActionDescriptorSuite, kPSDescriptorRegistrySuite};
         },
         nullptr},
        {"no descriptor registry",
         [](HostSession&, HostServices& h) {
             h.limits().refusedSuites = {kPSDescriptorRegistrySuite};
         },
         nullptr},
        {"8-bit RGB only: no depth field, no column steps, no padding",
         [](HostSession& s, HostServices&) {
             s.setWithoutDepth(true);
             s.setWithoutColumnSteps(true);
         },
         [](FilterRecord& record) {
             record.supportsPadding = false;
             record.supportsAbsolute = false;
         }},
        {"no progress or abort procedures", nullptr,
         [](FilterRecord& record) {
             record.progressProc = nullptr;
             record.abortProc = nullptr;
         }},
        {"no property, channel-port or direct callback tables", nullptr,
         [](FilterRecord& record) {
             record.propertyProcs = nullptr;
             record.channelPortProcs = nullptr;
             record.handleProcs = nullptr;
             record.bufferProcs = nullptr;
             record.displayPixels = nullptr;
         }},
    };
    for (const Shortfall& shortfall : cases) {
        const Outcome outcome = run(shortfall);
        EXPECT_EQ(outcome.result, noErr) << shortfall.name;
        EXPECT_EQ(outcome.document.pixels, complete.document.pixels) << shortfall.name;
        for (const std::string& problem : outcome.problems)
            ADD_FAILURE() << shortfall.name << ": " << problem;
    }
}

}  // namespace
