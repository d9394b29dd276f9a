// SPDX-License-Identifier: MIT
// Loading modules: the real one many times over, and broken ones refused with
// the file's name and the cause.
#include <gtest/gtest.h>

#include <string>

#include "HostError.h"
#include "module/PluginModule.h"
#include "session/HostServices.h"
#include "session/HostSession.h"
#include "support/TempDir.h"

using namespace filterhost;

namespace {

TEST(ModuleLoading, LoadRunUnloadThreeTimes) {
    for (int round = 0; round < 3; ++round) {
        auto module = PluginModule::load(NELVO_MODULE_PATH);
        TempDir config;
        HostServices services;
        services.scripting().setRegistryPath(config / "registry.json");
        HostSession session(*module, services);
        session.giveDescriptor(Descriptor{}, plugInDialogSilent);
        Document document;
        document.allocate(40, 30, 3, plugInModeRGBColor, 8);
        EXPECT_EQ(session.run(document), noErr) << round;
        for (const std::string& problem : services.problems()) ADD_FAILURE() << problem;
    }
}

TEST(ModuleLoading, BrokenModulesAreRefusedNamingTheFile) {
    struct Case {
        const char* path;
        const char* cause;
    };
    for (const Case& c : {Case{FIXTURE_NO_ENTRY, "exports no PluginMain"},
                          Case{FIXTURE_BAD_PIPL, "malformed property list: truncated"},
                          Case{"/nonexistent/Nelvo.8bf", "no such module file"},
                          Case{"/etc/hostname", "expected the extension .8bf"}}) {
        try {
            PluginModule::load(c.path);
            ADD_FAILURE() << c.path << " was accepted";
        } catch (const HostError& e) {
            const std::string message = e.what();
            EXPECT_EQ(message.rfind(c.path, 0), 0u) << message;
            EXPECT_NE(message.find(c.cause), std::string::npos) << message;
        }
    }
}

}  // namespace
