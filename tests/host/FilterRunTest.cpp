// SPDX-License-Identifier: MIT
// Silent filter runs through the real module and the host's tile server.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "engine/FilterBase.h"
#include "module/PluginModule.h"
#include "session/HostSession.h"
#include "support/TempDir.h"

using namespace filterhost;

namespace {

// Byte offset of pixel (y, x) in an 8-bit RGB document of `width` pixels a row.
std::size_t rgbAt(int y, int x, int width) {
    return (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
            static_cast<std::size_t>(x)) *
           3;
}

// A smooth picture with dark 3 × 3 specks on a regular grid, and the same
// picture clean.
struct DustyPicture {
    Document dusty, clean;
    std::vector<std::pair<int, int>> specks;  // centres
};

DustyPicture dustyRgb8(int32_t width, int32_t height, int spacing) {
    DustyPicture picture;
    picture.clean.allocate(width, height, 3, plugInModeRGBColor, 8);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* p = &picture.clean.pixels[rgbAt(y, x, width)];
            p[0] = static_cast<uint8_t>(150 + 20 * std::sin(x * 0.05));
            p[1] = static_cast<uint8_t>(140 + 15 * std::cos(y * 0.04));
            p[2] = static_cast<uint8_t>(120 + 10 * std::sin((x + y) * 0.03));
        }
    }
    picture.dusty = picture.clean;
    for (int cy = spacing / 2; cy + 1 < height; cy += spacing) {
        for (int cx = spacing / 2; cx + 1 < width; cx += spacing) {
            picture.specks.emplace_back(cy, cx);
            for (int y = cy - 1; y <= cy + 1; ++y)
                for (int x = cx - 1; x <= cx + 1; ++x)
                    for (int c = 0; c < 3; ++c)
                        picture.dusty.pixels[rgbAt(y, x, width) + static_cast<std::size_t>(c)] = 0;
        }
    }
    return picture;
}

class FilterRun : public ::testing::Test {
  protected:
    void SetUp() override {
        module = PluginModule::load(NELVO_MODULE_PATH);
        services.scripting().setRegistryPath(config / "registry.json");
    }
    void TearDown() override {
        for (const std::string& problem : services.problems()) ADD_FAILURE() << problem;
        EXPECT_EQ(services.bufferBytesOutstanding(), 0u);
    }

    // A silent replay with the given tile size for the host, adaptive recognition as
    // asked.
    int16_t run(HostSession& session, Document& document, int32_t tileSide, bool adaptive = false) {
        Descriptor descriptor;
        if (adaptive) descriptor.put(PIFourCC('a', 'd', 'a', 'P'), true);
        session.giveDescriptor(descriptor, plugInDialogSilent);
        session.beforeCall = [tileSide](FilterRecord& record) {
            record.outTileHeight = static_cast<int16>(tileSide);
            record.outTileWidth = static_cast<int16>(tileSide);
        };
        return session.run(document);
    }

    TempDir config;
    std::unique_ptr<PluginModule> module;
    HostServices services;
};

// What the preview shows is the whole rectangle filtered at once; small host tiles read
// context around themselves and write the same pixels, at every tile size, with or
// without a selection, and with adaptive recognition, whose texture reaches further.
TEST_F(FilterRun, SmallHostTilesGiveTheWholeRectanglesResult) {
    for (const bool adaptive : {false, true}) {
        for (const bool selection : {false, true}) {
            DustyPicture picture = dustyRgb8(150, 110, 13);
            if (selection) picture.dusty.filterRect = VRect{5, 9, 100, 140};
            Document whole = picture.dusty;
            HostSession wholeSession(*module, services);
            ASSERT_EQ(run(wholeSession, whole, 1000, adaptive), noErr);
            for (const int32_t side : {7, 16, 64}) {
                Document tiled = picture.dusty;
                HostSession session(*module, services);
                ASSERT_EQ(run(session, tiled, side, adaptive), noErr);
                EXPECT_EQ(tiled.pixels, whole.pixels)
                    << side << (selection ? " selection" : "") << (adaptive ? " adaptive" : "");
            }
            EXPECT_NE(whole.pixels, picture.dusty.pixels);
        }
    }
}

TEST_F(FilterRun, SelectionIsTiledFromItsCornerAndEveryPixelRated) {
    DustyPicture picture = dustyRgb8(120, 90, 11);
    Document& document = picture.dusty;
    document.filterRect = VRect{13, 7, 13 + 50, 7 + 70};
    HostSession session(*module, services);
    ASSERT_EQ(run(session, document, 16), noErr);

    const auto& requests = session.server().requests();
    ASSERT_EQ(requests.size(), 4u * 5u);  // ceil(50 / 16) rows × ceil(70 / 16) columns
    int64_t area = 0;
    for (std::size_t i = 0; i < requests.size(); ++i) {
        const VRect& out = requests[i].out;
        EXPECT_EQ(out.top, 13 + static_cast<int32_t>(i / 5) * 16) << i;
        EXPECT_EQ(out.left, 7 + static_cast<int32_t>(i % 5) * 16) << i;
        EXPECT_LE(out.bottom, 63);
        EXPECT_LE(out.right, 77);
        // Read with context around it, within the rectangle; only the tile is written.
        const VRect& in = requests[i].in;
        EXPECT_LE(in.top, out.top);
        EXPECT_LE(in.left, out.left);
        EXPECT_GE(in.bottom, out.bottom);
        EXPECT_GE(in.right, out.right);
        EXPECT_GE(in.top, 13);
        EXPECT_GE(in.left, 7);
        EXPECT_LE(in.bottom, 63);
        EXPECT_LE(in.right, 77);
        area += int64_t{out.bottom - out.top} * (out.right - out.left);
    }
    EXPECT_EQ(area, 50 * 70);
    // A thousand progress units a tile.
    EXPECT_EQ(session.server().progressReports().back(), std::make_pair(20000, 20000));

    // Specks inside the rectangle are repaired, also across tile seams; everything
    // outside the rectangle is untouched.
    for (auto [cy, cx] : picture.specks) {
        const uint8_t* p = &document.pixels[rgbAt(cy, cx, 120)];
        const bool inside = cy - 1 >= 13 && cy + 1 < 63 && cx - 1 >= 7 && cx + 1 < 77;
        if (inside) {
            EXPECT_GT(p[0], 60) << cy << "," << cx;
        }
        if (!inside && (cy + 1 < 13 || cy - 1 >= 63 || cx + 1 < 7 || cx - 1 >= 77)) {
            EXPECT_EQ(p[0], 0);
        }
    }
    for (int32_t y = 0; y < 90; ++y)
        for (int32_t x = 0; x < 120; ++x)
            if (y < 13 || y >= 63 || x < 7 || x >= 77) {
                ASSERT_EQ(std::memcmp(&document.pixels[rgbAt(y, x, 120)],
                                      &picture.dusty.pixels[rgbAt(y, x, 120)], 3),
                          0);
            }
}

TEST_F(FilterRun, SmallRectangleIsOneTileAndEmptyRectangleNone) {
    Document document = dustyRgb8(40, 30, 10).dusty;
    HostSession session(*module, services);
    ASSERT_EQ(run(session, document, 64), noErr);
    EXPECT_EQ(session.server().requests().size(), 1u);
    ASSERT_FALSE(session.server().progressReports().empty());
    EXPECT_EQ(session.server().progressReports().back(), std::make_pair(1000, 1000));

    const Document before = document;
    document.filterRect = VRect{5, 5, 5, 20};
    ASSERT_EQ(run(session, document, 64), noErr);
    EXPECT_TRUE(session.server().requests().empty());
    EXPECT_TRUE(session.server().progressReports().empty());
    EXPECT_EQ(document.pixels, before.pixels);
}

TEST_F(FilterRun, AbortAfterTheFirstTileCancels) {
    Document document = dustyRgb8(64, 64, 10).dusty;
    HostSession session(*module, services);
    session.giveDescriptor(Descriptor{}, plugInDialogSilent);
    session.beforeCall = [](FilterRecord& record) {
        record.outTileHeight = record.outTileWidth = 16;
    };
    session.begin(document);
    session.hooks.abortRequested = [] { return true; };
    ASSERT_EQ(session.call(filterSelectorStart), userCanceledErr);
    EXPECT_EQ(session.server().requests().size(), 1u);
    EXPECT_EQ(session.server().abortPolls(), 1u);
}

// One whole-image tile of six megapixels takes tens of milliseconds at the
// least, many times the interval at which the run asks the host.
TEST_F(FilterRun, ProgressMovesAndAbortIsHeardInsideOneLargeTile) {
    const Document input = dustyRgb8(3000, 2000, 40).dusty;
    {
        Document document = input;
        HostSession session(*module, services);
        ASSERT_EQ(run(session, document, 4096), noErr);
        const auto& reports = session.server().progressReports();
        ASSERT_GE(reports.size(), 2u) << "the bar must move before the tile is done";
        for (std::size_t i = 0; i < reports.size(); ++i) {
            EXPECT_EQ(reports[i].second, 1000);
            if (i > 0) {
                EXPECT_GT(reports[i].first, reports[i - 1].first);
            }
        }
        EXPECT_EQ(reports.back().first, 1000);
    }
    {
        Document document = input;
        HostSession session(*module, services);
        session.giveDescriptor(Descriptor{}, plugInDialogSilent);
        session.beforeCall = [](FilterRecord& record) {
            record.outTileHeight = record.outTileWidth = 4096;
        };
        session.begin(document);
        session.hooks.abortRequested = [] { return true; };
        ASSERT_EQ(session.call(filterSelectorStart), userCanceledErr);
        // Asked once, inside the tile, and nothing after.
        EXPECT_EQ(session.server().abortPolls(), 1u);
        const auto& reports = session.server().progressReports();
        ASSERT_FALSE(reports.empty());
        EXPECT_LT(reports.back().first, 1000);
        // The stopped tile is dropped, not written back half done.
        EXPECT_EQ(document.pixels, input.pixels);
    }
}

TEST_F(FilterRun, HostTileSizeZeroIsBadParameters) {
    Document document = dustyRgb8(20, 20, 10).dusty;
    HostSession session(*module, services);
    EXPECT_EQ(run(session, document, 0), filterBadParameters);
}

// The module's output on one whole-image tile equals the engine run directly
// on the whole image with a neutral marking map, for each pixel type.
template <typename T>
void expectEqualToDirectEngine(HostSession& session, Document& document, int32_t depth,
                               bool repairs) {
    const Document input = document;
    nelvo::HeapPlaneAllocator allocator;
    auto engine = nelvo::createFilter(0, 3, depth, allocator);
    nelvo::EngineSettings settings{};
    nelvo::setDefaults(settings);
    const int32_t w = document.width, h = document.height;
    const auto rowBytes = static_cast<int32_t>(input.rowBytes());
    const auto columnBytes = static_cast<int32_t>(input.pixelBytes());
    const nelvo::VRect whole{0, 0, h, w};
    nelvo::FreshPagesBytes expected = input.pixels;
    const std::vector<uint8_t> map(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 128);
    engine->setSource(input.pixels.data(), rowBytes, columnBytes, whole);
    engine->detect(settings, whole, w, whole, 0);
    engine->markDefects(nullptr, 0, {w, h}, 0, settings.detectionIntensity, map.data(), w);
    engine->removeSpecks({w, h}, settings.tileSize);
    engine->copySource(input.pixels.data(), rowBytes, columnBytes, expected.data(), rowBytes,
                       columnBytes, {w, h});
    engine->dissolveDefects(expected.data(), rowBytes, columnBytes, {w, h});

    session.giveDescriptor(Descriptor{}, plugInDialogSilent);
    session.beforeCall = [](FilterRecord& record) {
        record.outTileHeight = record.outTileWidth = 4096;
    };
    ASSERT_EQ(session.run(document), noErr);
    EXPECT_EQ(document.pixels, expected) << depth;
    EXPECT_EQ(document.pixels != input.pixels, repairs) << depth;
}

TEST_F(FilterRun, WholeImageTileEqualsTheEngineForEveryDepth) {
    const DustyPicture picture = dustyRgb8(70, 50, 13);
    HostSession session(*module, services);
    Document rgb8 = picture.dusty;
    expectEqualToDirectEngine<uint8_t>(session, rgb8, 8, true);

    Document rgb16;
    rgb16.allocate(70, 50, 3, plugInModeRGB48, 16);
    Document rgb32;
    rgb32.allocate(70, 50, 3, plugInModeRGB96, 32);
    for (std::size_t i = 0; i < picture.dusty.pixels.size(); ++i) {
        const auto v16 = static_cast<uint16_t>(picture.dusty.pixels[i] * 32768 / 255);
        std::memcpy(&rgb16.pixels[i * 2], &v16, 2);
        const float v32 = picture.dusty.pixels[i] / 255.0f;
        std::memcpy(&rgb32.pixels[i * 4], &v32, 4);
    }
    expectEqualToDirectEngine<uint16_t>(session, rgb16, 16, true);
    expectEqualToDirectEngine<float>(session, rgb32, 32, true);
}

TEST_F(FilterRun, DustIsRemovedAndCleanPixelsKept) {
    DustyPicture picture = dustyRgb8(96, 80, 16);
    HostSession session(*module, services);
    ASSERT_EQ(run(session, picture.dusty, 4096), noErr);
    std::size_t changedClean = 0;
    for (std::size_t i = 0; i < picture.clean.pixels.size(); i += 3) {
        const std::size_t pixel = i / 3;
        const int y = static_cast<int>(pixel / 96), x = static_cast<int>(pixel % 96);
        bool inSpeck = false;
        for (auto [cy, cx] : picture.specks)
            inSpeck |= std::abs(y - cy) <= 1 && std::abs(x - cx) <= 1;
        if (inSpeck) {
            for (int c = 0; c < 3; ++c)
                EXPECT_NEAR(picture.dusty.pixels[i + static_cast<std::size_t>(c)],
                            picture.clean.pixels[i + static_cast<std::size_t>(c)], 12)
                    << y << "," << x;
        } else if (std::memcmp(&picture.dusty.pixels[i], &picture.clean.pixels[i], 3) != 0) {
            ++changedClean;
        }
    }
    EXPECT_EQ(changedClean, 0u);
}

TEST_F(FilterRun, EveryBufferAllocationCanFailCleanly) {
    const Document input = dustyRgb8(48, 40, 12).dusty;
    int failing = 1;
    for (;; ++failing) {
        HostServices host;
        host.scripting().setRegistryPath(config / "registry.json");
        host.limits().failBufferAllocation = failing;
        HostSession session(*module, host);
        Document document = input;
        session.giveDescriptor(Descriptor{}, plugInDialogSilent);
        session.beforeCall = [](FilterRecord& record) {
            record.outTileHeight = record.outTileWidth = 32;
        };
        const int16_t result = session.run(document);
        for (const std::string& problem : host.problems())
            ADD_FAILURE() << failing << ": " << problem;
        EXPECT_EQ(host.bufferBytesOutstanding(), 0u);
        if (host.bufferAllocations() < failing) {
            EXPECT_EQ(result, noErr);
            break;
        }
        EXPECT_EQ(result, memFullErr) << "allocation " << failing;
        ASSERT_LT(failing, 100);
    }
    EXPECT_GT(failing, 4) << "each tile allocates its planes";
}

}  // namespace
