// SPDX-License-Identifier: MIT
// The program's hooks reach the tile server whenever they are installed, and
// the procedures a module calls reach the server of the call under way.
#include <gtest/gtest.h>

#include "module/PluginModule.h"
#include "session/HostServices.h"
#include "session/HostSession.h"
#include "session/TileServer.h"
#include "support/TempDir.h"

using namespace filterhost;

namespace {

TEST(SessionHooks, InstalledBeforeTheOperationBeginsStillReachIt) {
    const auto module = PluginModule::load(NELVO_MODULE_PATH);
    TempDir config;
    HostServices services;
    services.scripting().setRegistryPath(config / "registry.json");
    HostSession session(*module, services);
    session.giveDescriptor(Descriptor{}, plugInDialogSilent);
    session.beforeCall = [](FilterRecord& record) {
        record.outTileHeight = record.outTileWidth = 16;
    };
    int reports = 0;
    int polls = 0;
    session.hooks.progress = [&reports](int32_t, int32_t) { ++reports; };
    session.hooks.abortRequested = [&polls] { return ++polls == 3; };

    Document document;
    document.allocate(64, 64, 3, plugInModeRGBColor, 8);
    EXPECT_EQ(session.run(document), userCanceledErr);
    EXPECT_EQ(polls, 3);
    EXPECT_GE(reports, 2);
}

TEST(SessionHooks, ProceduresReachTheServerOfTheCallUnderWay) {
    Document document;
    document.allocate(4, 4, 1, plugInModeGrayScale, 8);
    TileServer::Hooks hooks;
    TileServer outer(document, hooks), inner(document, hooks);
    FilterRecord record{};
    outer.attach(record);
    {
        TileServer::Activation serving(outer);
        {
            TileServer::Activation nested(inner);
            record.abortProc();
        }
        record.abortProc();
        record.abortProc();
    }
    EXPECT_EQ(inner.abortPolls(), 1u);
    EXPECT_EQ(outer.abortPolls(), 2u);
    // With no call under way nothing is reached.
    record.abortProc();
    EXPECT_EQ(outer.abortPolls(), 2u);
}

}  // namespace
