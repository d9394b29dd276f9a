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

namespace {

// The record's 16-bit fields, for plug-ins that read nothing else, are the
// 32-bit values cut to the range of 16 bits.
TEST(SessionRecord, The16BitCopiesAreTheImageCutTo16Bits) {
    struct Case {
        int32_t width, height;
        VRect filterRect;
        Point imageSize;
        Rect narrowRect;
    };
    const Case cases[] = {
        {40, 30, {0, 0, 30, 40}, {30, 40}, {0, 0, 30, 40}},
        {40, 30, {5, 6, 20, 33}, {30, 40}, {5, 6, 20, 33}},
        {40000, 2, {0, 0, 2, 40000}, {2, 32767}, {0, 0, 2, 32767}},
        {3, 33000, {32800, 1, 33000, 3}, {32767, 3}, {32767, 1, 32767, 3}},
    };
    const auto module = PluginModule::load(NELVO_MODULE_PATH);
    HostServices services;
    HostSession session(*module, services);
    for (const Case& c : cases) {
        Document document;
        document.allocate(c.width, c.height, 1, plugInModeGrayScale, 8);
        document.filterRect = c.filterRect;
        session.begin(document);
        const FilterRecord& r = session.record();
        EXPECT_EQ(r.imageSize.v, c.imageSize.v) << c.width << "x" << c.height;
        EXPECT_EQ(r.imageSize.h, c.imageSize.h) << c.width << "x" << c.height;
        EXPECT_EQ(r.wholeSize.v, c.imageSize.v);
        EXPECT_EQ(r.wholeSize.h, c.imageSize.h);
        EXPECT_EQ(r.filterRect.top, c.narrowRect.top) << c.width << "x" << c.height;
        EXPECT_EQ(r.filterRect.left, c.narrowRect.left);
        EXPECT_EQ(r.filterRect.bottom, c.narrowRect.bottom);
        EXPECT_EQ(r.filterRect.right, c.narrowRect.right);
        EXPECT_EQ(session.bigDocument().filterRect32.right, c.filterRect.right);
    }
}

TEST(SessionRecord, TileSidesFitThe16BitTileFields) {
    const std::pair<int64_t, int16> cases[] = {
        {-5, 1}, {0, 1}, {1, 1}, {1024, 1024}, {32767, 32767}, {32768, 32767}, {2000000, 32767}};
    for (const auto& [side, expected] : cases) EXPECT_EQ(recordTileSide(side), expected) << side;
}

}  // namespace
