// SPDX-License-Identifier: MIT
// The host program's run command: parameters from the command line and from
// recorded actions, selections, tiles, refusals, and nothing written on failure.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

#include "PIFilter.h"
#include "cli/CommandLine.h"
#include "cli/RunCommand.h"
#include "filterhost/cli/DustyPicture.h"
#include "imageio/ImageFiles.h"
#include "resources/pipl/PluginIdentity.h"
#include "support/EnvironmentVariable.h"
#include "support/TempDir.h"

using namespace filterhost;
namespace fs = std::filesystem;

namespace {

// Every file under `folder`, temporary ones included.
std::set<fs::path> filesIn(const fs::path& folder) {
    std::set<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) files.insert(entry.path());
    return files;
}

class RunCommand : public ::testing::Test {
  protected:
    void SetUp() override {
        input = folder / "in.png";
        writeImage(input, dustyPicture(64, 48));
    }
    RunOptions options(const std::string& output = "out.png") {
        RunOptions o;
        o.input = input;
        o.output = folder / output;
        o.plugin = NELVO_MODULE_PATH;
        o.showProgress = false;
        return o;
    }
    int run(const RunOptions& o) {
        out.str("");
        err.str("");
        return runFilter(o, out, err);
    }

    TempDir folder;
    EnvironmentVariable config{"XDG_CONFIG_HOME", (folder / "config").c_str()};
    fs::path input;
    std::ostringstream out, err;
};

TEST_F(RunCommand, SilentRunRepairsAndRecordsAReplayableAction) {
    RunOptions o = options();
    o.assignments = {"detI=12", "darK=1", "tilE=8"};
    o.record = folder / "action.json";
    ASSERT_EQ(run(o), 0) << err.str();
    const Document result = readImage(o.output).document;
    EXPECT_GT(result.pixels[(8 * 64 + 8) * 3], 100);  // the speck at (8, 8) is gone

    std::ifstream recorded(*o.record);
    const std::string text((std::istreambuf_iterator<char>(recorded)),
                           std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("\"detI\": 12"), std::string::npos) << text;
    EXPECT_NE(text.find("\"playInfo\": \"silent\""), std::string::npos) << text;

    RunOptions replay = options("replayed.png");
    replay.play = o.record;
    ASSERT_EQ(run(replay), 0) << err.str();
    EXPECT_EQ(readImage(replay.output).document.pixels, result.pixels);
}

TEST_F(RunCommand, BadParametersAreNamed) {
    struct Case {
        std::vector<std::string> assignments;
        std::string action;  // JSON, or empty for none
        std::string message;
    };
    const Case cases[] = {
        {{"detI=twelve"}, "", "key 'detI': \"twelve\" is not a 32-bit integer"},
        {{"darK=2"}, "", "key 'darK': a boolean takes 0 or 1"},
        {{"toolong=1"}, "", "key 'toolong': keys are four characters"},
        {{"detI"}, "", "expected KEY=VALUE"},
        {{}, "{\"descriptor\": {\"darK\": 3}}", "key 'darK': expected a boolean"},
        {{}, "{\"descriptor\": {\"zooM\": 100}}", "key 'zooM': expected a unit float"},
        {{}, "{\"playInfo\": \"loud\", \"descriptor\": {}}", "playInfo must be"},
        {{}, "{\"descriptor\": {\"detI\": 1", "action.json: "},
        {{}, "{\"descriptr\": {}}", "unknown field \"descriptr\""},
    };
    for (const Case& c : cases) {
        RunOptions o = options();
        o.assignments = c.assignments;
        if (!c.action.empty()) {
            std::ofstream(folder / "action.json") << c.action;
            o.play = folder / "action.json";
        }
        EXPECT_EQ(run(o), 1) << c.message;
        EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
        EXPECT_FALSE(fs::exists(o.output));
    }
}

TEST_F(RunCommand, StoppedOrFailedRunsWriteNothing) {
    RunOptions stopped = options();
    stopped.tile = std::pair{16, 16};
    stopped.stopRequested = [] { return true; };
    EXPECT_EQ(run(stopped), 130);
    EXPECT_NE(err.str().find("cancelled; nothing written"), std::string::npos) << err.str();
    EXPECT_FALSE(fs::exists(stopped.output));

    {
        // Without a display the dialog cannot show: said in one line, nothing written.
        const EnvironmentVariable platform("QT_QPA_PLATFORM", nullptr);
        const EnvironmentVariable display("DISPLAY", nullptr);
        const EnvironmentVariable wayland("WAYLAND_DISPLAY", nullptr);
        RunOptions dialog = options();
        dialog.dialog = true;
        EXPECT_EQ(run(dialog), 1);
        EXPECT_NE(err.str().find("filterhost: --dialog needs a display"), std::string::npos)
            << err.str();
        EXPECT_FALSE(fs::exists(dialog.output));
    }

    RunOptions overwrite = options();
    overwrite.output = input;
    EXPECT_EQ(run(overwrite), 1);
    EXPECT_NE(err.str().find("is the input; it is never overwritten"), std::string::npos);
}

TEST_F(RunCommand, MaskLimitsTheFilterToTheSelection) {
    ImageFile mask = dustyPicture(64, 48);
    Document& m = mask.document;
    m.allocate(64, 48, 1, 1, 8);
    for (int32_t y = 0; y < 48; ++y)
        for (int32_t x = 0; x < 32; ++x) m.pixels[static_cast<std::size_t>(y * 64 + x)] = 255;
    writeImage(folder / "mask.png", mask);
    RunOptions o = options();
    o.mask = folder / "mask.png";
    ASSERT_EQ(run(o), 0) << err.str();
    const Document before = readImage(input).document;
    const Document after = readImage(o.output).document;
    EXPECT_GT(after.pixels[(8 * 64 + 8) * 3], 100);  // selected speck repaired
    for (int32_t y = 0; y < 48; ++y)
        for (int32_t x = 32; x < 64; ++x)
            ASSERT_EQ(after.pixels[static_cast<std::size_t>(y * 64 + x) * 3],
                      before.pixels[static_cast<std::size_t>(y * 64 + x) * 3]);
}

TEST_F(RunCommand, SmallHostTilesStillRepair) {
    RunOptions o = options();
    o.tile = std::pair{20, 12};
    ASSERT_EQ(run(o), 0) << err.str();
    EXPECT_GT(readImage(o.output).document.pixels[(24 * 64 + 24) * 3], 100);
}

// A silent run serves bands of whole rows and writes each back once the
// module has moved below it: the result is the whole picture's as one tile,
// with adaptive recognition's wider reach and with a selection too.
TEST_F(RunCommand, BandsGiveTheResultOfOneTile) {
    writeImage(input, dustyPicture(64, 200));
    ImageFile mask = dustyPicture(64, 200);
    mask.document.allocate(64, 200, 1, 1, 8);
    for (std::size_t i = 0; i < mask.document.pixels.size(); ++i)
        mask.document.pixels[i] = (i / 64) % 50 < 30 ? 255 : 0;
    writeImage(folder / "mask.png", mask);
    for (const bool masked : {false, true}) {
        RunOptions whole = options("whole.png");
        whole.assignments = {"darK=1", "briT=1", "adaP=1", "tilE=6"};
        whole.tile = std::pair{64, 200};
        if (masked) whole.mask = folder / "mask.png";
        RunOptions bands = whole;
        bands.output = folder / "bands.png";
        bands.tile.reset();
        bands.bandRows = 24;
        ASSERT_EQ(run(whole), 0) << err.str();
        ASSERT_EQ(run(bands), 0) << err.str();
        const Document a = readImage(whole.output).document;
        const Document b = readImage(bands.output).document;
        EXPECT_NE(a.pixels, readImage(input).document.pixels);
        EXPECT_EQ(a.pixels, b.pixels) << "masked " << masked;
    }
}

// A stop halfway through a run in bands, when some bands are in the picture
// already (and in a TIFF output's temporary file), writes nothing and leaves
// nothing behind.
TEST_F(RunCommand, AStopBetweenBandsWritesNothing) {
    writeImage(input, dustyPicture(64, 200));
    for (const std::string output : {"counted.png", "counted.tif"}) {
        RunOptions counted = options(output);
        counted.bandRows = 24;
        int polls = 0;
        counted.stopRequested = [&polls] {
            ++polls;
            return false;
        };
        ASSERT_EQ(run(counted), 0) << err.str();
        fs::remove(counted.output);
        const std::set<fs::path> before = filesIn(folder.path());

        RunOptions stopped = counted;
        int left = polls / 2;
        uintmax_t writtenBeforeTheStop = 0;
        stopped.stopRequested = [&] {
            if (--left >= 0) return false;
            for (const fs::path& file : filesIn(folder.path()))
                if (!before.contains(file) && fs::is_regular_file(file))
                    writtenBeforeTheStop = std::max(writtenBeforeTheStop, fs::file_size(file));
            return true;
        };
        EXPECT_EQ(run(stopped), 130) << err.str();
        EXPECT_NE(err.str().find("nothing written"), std::string::npos) << err.str();
        EXPECT_EQ(filesIn(folder.path()), before) << output;
        // The TIFF output held strips beyond its 8-byte header when the stop came.
        if (output.ends_with(".tif")) {
            EXPECT_GT(writtenBeforeTheStop, 8u) << output;
        }
    }
}

namespace {

// The dusty picture at `depth` bits (16-bit samples 0..32768, float 0..1),
// to be stored as `layout` says.
ImageFile dustyTiff(int32_t width, int32_t height, int32_t depth, const TiffLayout& layout) {
    const ImageFile eight = dustyPicture(width, height);
    ImageFile image;
    const int16_t mode = depth == 8    ? plugInModeRGBColor
                         : depth == 16 ? plugInModeRGB48
                                       : plugInModeRGB96;
    image.document.allocate(width, height, 3, mode, depth);
    const auto& from = eight.document.pixels;
    for (std::size_t i = 0; i < from.size(); ++i) {
        uint8_t* to = image.document.pixels.data() + i * image.document.sampleBytes();
        if (depth == 8) {
            *to = from[i];
        } else if (depth == 16) {
            const auto value = static_cast<uint16_t>(from[i] * 128 + i % 97);
            std::memcpy(to, &value, sizeof value);
        } else {
            const float value =
                static_cast<float>(from[i]) / 255.0f + static_cast<float>(i % 7) * 1e-4f;
            std::memcpy(to, &value, sizeof value);
        }
    }
    auto details = std::make_shared<ImageFileDetails>();
    details->width = width;
    details->height = height;
    details->tiff = layout;
    details->resolution = Resolution{300, 300, ResolutionUnit::Inch};
    details->iccProfile.assign(200, uint8_t{7});
    image.details = std::move(details);
    return image;
}

std::string bytesOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

// A TIFF output of a run in bands is encoded as the bands become final; the
// file is the same, byte for byte, as the one written after a run in one tile:
// strips ending inside a band or past it, tiles, planes (written at the end),
// predictors, 16-bit samples the filter left alone and float samples.
TEST_F(RunCommand, ATiffWrittenBandByBandIsTheFileWrittenWhole) {
    struct Case {
        const char* name;
        int32_t depth;
        TiffLayout layout;
        bool selection = false;  // rows 60 to 139: the rows below are never asked for
    };
    const auto layout = [](uint16_t compression, uint16_t predictor, uint16_t planar,
                           uint32_t tile) {
        TiffLayout l;
        l.compression = compression;
        l.predictor = predictor;
        l.planar = planar;
        l.tileWidth = l.tileLength = tile;
        return l;
    };
    const Case cases[] = {
        {"8-bit deflate strips", 8, layout(COMPRESSION_ADOBE_DEFLATE, PREDICTOR_HORIZONTAL, 1, 0)},
        {"8-bit uncompressed", 8, layout(COMPRESSION_NONE, PREDICTOR_NONE, 1, 0)},
        {"16-bit LZW strips", 16, layout(COMPRESSION_LZW, PREDICTOR_HORIZONTAL, 1, 0)},
        {"16-bit selection", 16, layout(COMPRESSION_LZW, PREDICTOR_HORIZONTAL, 1, 0), true},
        {"16-bit tiles", 16, layout(COMPRESSION_ADOBE_DEFLATE, PREDICTOR_NONE, 1, 16)},
        {"16-bit planes", 16, layout(COMPRESSION_LZW, PREDICTOR_NONE, 2, 0)},
        {"float strips", 32, layout(COMPRESSION_ADOBE_DEFLATE, PREDICTOR_FLOATINGPOINT, 1, 0)},
    };
    for (const Case& c : cases) {
        input = folder / "in.tif";
        writeImage(input, dustyTiff(96, 200, c.depth, c.layout));
        RunOptions whole = options("whole.tif");
        whole.assignments = {"darK=1", "briT=1", "tilE=6"};
        whole.tile = std::pair{96, 200};
        if (c.selection) {
            ImageFile mask;
            mask.document.allocate(96, 200, 1, plugInModeGrayScale, 8);
            for (std::size_t i = 0; i < mask.document.pixels.size(); ++i)
                mask.document.pixels[i] = i / 96 >= 60 && i / 96 < 140 ? 255 : 0;
            writeImage(folder / "mask.png", mask);
            whole.mask = folder / "mask.png";
        }
        RunOptions bands = whole;
        bands.output = folder / "bands.tif";
        bands.tile.reset();
        bands.bandRows = 24;
        ASSERT_EQ(run(whole), 0) << c.name << err.str();
        ASSERT_EQ(run(bands), 0) << c.name << err.str();
        EXPECT_NE(readImage(whole.output).document.pixels, readImage(input).document.pixels)
            << c.name;
        EXPECT_EQ(bytesOf(bands.output), bytesOf(whole.output)) << c.name;
        if (c.selection) {
            // The rows below the selection, read only to be written, are the input's.
            const auto written = readImage(bands.output).document.pixels;
            const auto read = readImage(input).document.pixels;
            const auto from = static_cast<std::ptrdiff_t>(140 * 96 * 3 * 2);
            EXPECT_TRUE(std::equal(written.begin() + from, written.end(), read.begin() + from));
        }
    }
}

TEST_F(RunCommand, CommandLineExitStatusAndOptionsAfterTheInput) {
    const std::string in = input.string();
    const std::string result = (folder / "cli.png").string();
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* message;
    };
    const Case cases[] = {
        {{}, 2, "Usage: filterhost"},
        {{"frobnicate"}, 2, "unknown command frobnicate"},
        {{"run", in}, 2, "-o"},
        {{"run", "-o", result}, 2, "INPUT"},
        {{"run", in, "-o", result, "--bogus"}, 1, "--bogus"},
        {{"run", in, "-o", result, "--tile", "0x5"}, 1, "expected WxH"},
        {{"run", in, "-o", result, "--plugin", NELVO_MODULE_PATH, "--set", "detI"},
         1,
         "expected KEY=VALUE"},
        {{"run", in, "-o"}, 1, "-o"},
        {{"compare", in}, 2, "AFTER"},
        {{"run", "--help"}, 0, ""},
    };
    for (const Case& c : cases) {
        std::ostringstream cout, cerr;
        EXPECT_EQ(runCommandLine(c.args, cout, cerr), c.status) << cerr.str();
        EXPECT_NE(cerr.str().find(c.message), std::string::npos) << cerr.str();
    }
    EXPECT_FALSE(fs::exists(result));

    // Every --set takes one value: the input after one is still the input.
    std::ostringstream cout, cerr;
    ASSERT_EQ(runCommandLine({"run", "--plugin", NELVO_MODULE_PATH, "--set", "detI=12", in, "-o",
                              result, "--set", "tilE=4"},
                             cout, cerr),
              0)
        << cerr.str();
    EXPECT_TRUE(fs::exists(result));
}

// The program's line after a run: the values the filter used, clamped by the
// filter itself, and where each came from.
TEST_F(RunCommand, TheRunSaysWhichSettingsItUsed) {
    std::ofstream(folder / "action.json")
        << R"({"playInfo": "silent", "descriptor": {"detI": 12, "tilE": 300}})";
    fs::create_directories(folder / "config/filterhost");
    std::ofstream(folder / "config/filterhost/registry.json")
        << R"({"version": 1, "entries": {")" << nelvo::kPluginUUID
        << R"(": {"tilE": 30, "detI": 3}}})";
    const std::string noMarks = ", no hand marks (they are made in the dialog)";
    struct Case {
        std::string options;
        bool registry;
        std::string line;
    };
    const Case cases[] = {
        {"", false,
         "used darK=true briT=false detI=8 tilE=8 adaP=false" + noMarks +
             "; defaults: darK, briT, detI, tilE, adaP"},
        {"--set detI=50 --set tilE=0 --set brsS=500", false,
         "used darK=true briT=false detI=20 tilE=1 adaP=false" + noMarks +
             "; from --set: detI (50 \u2192 20, the filter's limit), tilE (0 \u2192 1, the "
             "filter's limit), brsS (500 \u2192 100, the filter's limit); defaults: darK, briT, "
             "adaP"},
        {"--play " + (folder / "action.json").string() + " --set darK=0 --set briT=false", false,
         "used darK=false briT=false detI=12 tilE=100 adaP=false (neither kind chosen: dark "
         "and bright defects are both found)" +
             noMarks +
             "; from --set: darK, briT; from --play: detI, tilE (300 \u2192 100, the filter's "
             "limit); defaults: adaP"},
        {"--set detI=5", true,
         "used darK=true briT=false detI=5 tilE=30 adaP=false" + noMarks +
             "; from --set: detI; last confirmed in the dialog: tilE; defaults: darK, briT, adaP"},
    };
    for (const Case& c : cases) {
        if (!c.registry) fs::rename(folder / "config/filterhost/registry.json", folder / "kept");
        const std::string command = std::string(FILTERHOST_PATH) + " run --plugin " +
                                    NELVO_MODULE_PATH + " " + input.string() + " -o " +
                                    (folder / "out.png").string() + " " + c.options;
        FILE* program = popen(command.c_str(), "r");
        ASSERT_NE(program, nullptr);
        std::string printed;
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, program) != nullptr) printed += buffer;
        EXPECT_EQ(pclose(program), 0) << c.options;
        if (!c.registry) fs::rename(folder / "kept", folder / "config/filterhost/registry.json");
        EXPECT_NE(printed.find("filterhost: " + c.line + "\n"), std::string::npos)
            << c.options << "\n"
            << printed;
    }
}

TEST(TileSizeOption, Parsing) {
    EXPECT_EQ(parseTileSize("512x256"), (std::pair{512, 256}));
    for (const char* bad : {"", "x", "0x5", "5x0", "-1x4", "4x", "12", "3x4x5", "ax4"})
        EXPECT_FALSE(parseTileSize(bad).has_value()) << bad;
}

TEST(Program, HelpAndListAnswer) {
    for (const char* command : {" --help", " run --help", " list --help", " compare --help"}) {
        EXPECT_EQ(std::system((std::string(FILTERHOST_PATH) + command + " > /dev/null").c_str()), 0)
            << command;
    }
    EXPECT_NE(std::system((std::string(FILTERHOST_PATH) + " frobnicate 2> /dev/null").c_str()), 0);
    std::ostringstream listing;
    ASSERT_EQ(listFilters(NELVO_MODULE_PATH, listing), 0);
    EXPECT_NE(listing.str().find("Brenwick > Nelvo..."), std::string::npos);
    // The scripting keys, named and typed by the module's terminology, with the ranges
    // the module clamps integers to (the dialog's tile size slider stops at 50).
    for (const char* line :
         {"      detI  defect detection, integer 1..20 (defect detection amount)\n",
          "      tilE  tile size, integer 1..100 (defect tile size)\n",
          "      brsI  brush intensity, integer -10..10 (defect brush intensity)\n",
          "      darK  dark defects, true/false\n",
          "      zooM  zoom, number (preview zoom factor)\n"})
        EXPECT_NE(listing.str().find(line), std::string::npos) << line << listing.str();
    std::ostringstream help, unused;
    ASSERT_EQ(runCommandLine({"run", "--help"}, help, unused), 0);
    EXPECT_NE(help.str().find("`filterhost list` shows the module's keys"), std::string::npos);
}

}  // namespace
