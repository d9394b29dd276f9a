// SPDX-License-Identifier: MIT
// The program as a careless or hostile user meets it: it never writes over
// its inputs or writes some outputs and not others, stops at every phase when
// asked and leaves nothing behind, refuses damaged or oversized JSON at once,
// refuses what the filter would ignore, and never spreads non-finite samples.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <tiffio.h>

#include <cmath>
#include <csignal>
#include <cstring>
#include <fstream>
#include <limits>
#include <set>
#include <sstream>

#include "PIFilter.h"
#include "filterhost/cli/DustyPicture.h"
#include "imageio/ImageFiles.h"
#include "support/TempDir.h"

using namespace filterhost;
namespace fs = std::filesystem;

namespace {

std::string contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::set<std::string> names(const fs::path& folder) {
    std::set<std::string> result;
    for (const auto& entry : fs::directory_iterator(folder))
        result.insert(entry.path().filename().string());
    return result;
}

struct Outcome {
    int status = -1;
    std::string out, err;
};

class TheProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        writeImage(folder / "in.png", dustyPicture(64, 48));
        ImageFile mask = dustyPicture(64, 48);
        mask.document.allocate(64, 48, 1, plugInModeGrayScale, 8);
        std::fill(mask.document.pixels.begin(), mask.document.pixels.end(), 255);
        writeImage(folder / "mask.png", mask);
        fs::create_directory(folder / "config");
    }

    // Runs the program in the test's folder; `environment` goes before the
    // command ("NAME=value ...", or a command that runs the rest).
    Outcome run(const std::string& arguments, const std::string& environment = "") {
        return shell(environment + " '" + FILTERHOST_PATH + "' " + arguments);
    }

    // A shell command in the test's folder, with the registry kept there.
    Outcome shell(const std::string& command) {
        const std::string line = "cd '" + folder.path().string() + "' && export XDG_CONFIG_HOME='" +
                                 (folder / "config").string() + "' && " + command + " > '" +
                                 (stash / "out").string() + "' 2> '" + (stash / "err").string() +
                                 "' < /dev/null";
        const int raw = std::system(line.c_str());
        Outcome outcome;
        outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 1000 + WTERMSIG(raw);
        outcome.out = contents(stash / "out");
        outcome.err = contents(stash / "err");
        return outcome;
    }

    TempDir folder;
    TempDir stash;  // the program's stdout and stderr, apart from its files
};

// Each case: the command, the status and message expected, and then the
// folder must hold exactly the files it held before, each unchanged.
struct Refusal {
    std::string arguments;
    int status;
    std::string message;
};

TEST_F(TheProgram, NeverWritesOverAnInputAndWritesAllOutputsOrNone) {
    fs::create_directory(folder / "sub");
    fs::create_symlink("in.png", folder / "link.json");
    writeImage(folder / "small.png", dustyPicture(16, 16));
    std::ofstream(folder / "old.png") << "an older picture";
    const Refusal cases[] = {
        {"run in.png -o out.png --record in.png", 1, "in.png: is the input"},
        {"run in.png -o out.png --record link.json", 1, "link.json: is the input"},
        {"run in.png -o out.png --record sub/../in.png", 1, "is the input"},
        {"run in.png -o out.png --record out.png", 1, "out.png: is the output"},
        {"run in.png -o out.png --mask mask.png --record mask.png", 1, "is the mask"},
        {"run in.png -o mask.png --mask mask.png", 1, "mask.png: is the mask"},
        {"run in.png -o out.png --record nodir/a.json", 1, "the folder nodir does not exist"},
        {"run in.png -o nodir/out.png", 1, "the folder nodir does not exist"},
        {"run in.png -o out.gif", 1, "cannot tell the format from the extension"},
        {"run in.png -o out.jpg --set detI=12 --record sub", 1, "sub: is a folder"},
        {"compare in.png mask.png -o in.png", 1, "in.png: is BEFORE"},
        {"compare in.png in.png -o ./in.png", 1, "is BEFORE"},
        {"compare in.png mask.png -o x.tif", 1, "compare writes PNG files"},
        {"compare in.png mask.png -o cmp.png --mask-out mask.png", 1, "is AFTER"},
        {"compare in.png small.png -o old.png", 1, "not the size of"},
    };
    for (const Refusal& c : cases) {
        const std::set<std::string> before = names(folder.path());
        const std::string input = contents(folder / "in.png");
        const std::string mask = contents(folder / "mask.png");
        const Outcome outcome = run(c.arguments);
        EXPECT_EQ(outcome.status, c.status) << c.arguments << "\n" << outcome.err;
        EXPECT_NE(outcome.err.find(c.message), std::string::npos) << c.arguments << "\n"
                                                                  << outcome.err;
        EXPECT_EQ(names(folder.path()), before) << c.arguments;
        EXPECT_EQ(contents(folder / "in.png"), input) << c.arguments;
        EXPECT_EQ(contents(folder / "mask.png"), mask) << c.arguments;
        EXPECT_EQ(contents(folder / "old.png"), "an older picture") << c.arguments;
    }
}

TEST_F(TheProgram, AnOutputFormatThatCannotHoldTheImageIsRefusedBeforeFiltering) {
    ImageFile image;
    image.document.allocate(8, 8, 1, plugInModeGray32, 32);
    writeImage(folder / "float.tif", image);
    // A stop as the filter starts would give 143: the refusal comes first.
    const Outcome outcome = run("run float.tif -o out.png", "FILTERHOST_TEST_SIGNALS=filter:TERM");
    EXPECT_EQ(outcome.status, 1) << outcome.err;
    EXPECT_NE(outcome.err.find("PNG cannot hold 32-bit float samples"), std::string::npos)
        << outcome.err;
    EXPECT_FALSE(fs::exists(folder / "out.png"));
}

TEST_F(TheProgram, AnOutputNameAsLongAsTheFolderTakesWorks) {
    const std::string name = std::string(250, 'n') + ".png";
    const Outcome outcome = run("run in.png -o " + name);
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_TRUE(fs::exists(folder / name));
    EXPECT_EQ(names(folder.path()).size(), 4u);  // config, in, mask, the output
}

TEST_F(TheProgram, StopsAtEveryPhaseWritingNothingAndLeavingNothing) {
    struct Case {
        const char* signals;
        int status;
    };
    const Case cases[] = {
        {"read:INT", 130},      {"filter:TERM", 143},     {"write:INT", 130},
        {"write:TERM", 143},    {"write:HUP", 129},       {"filter:INT,INT", 130},
        {"write:INT,INT", 130}, {"write:TERM,TERM", 143},
    };
    const std::set<std::string> before = names(folder.path());
    for (const Case& c : cases) {
        const Outcome outcome = run("run in.png -o out.png --record action.json",
                                    std::string("FILTERHOST_TEST_SIGNALS=") + c.signals);
        EXPECT_EQ(outcome.status, c.status) << c.signals << "\n" << outcome.err;
        EXPECT_NE(outcome.err.find("nothing written"), std::string::npos) << c.signals;
        // No output, no action, no temporary file.
        EXPECT_EQ(names(folder.path()), before) << c.signals;
    }
    // The same run without a stop writes both, and says how much changed.
    const Outcome done = run("run in.png -o out.png --record action.json");
    ASSERT_EQ(done.status, 0) << done.err;
    EXPECT_TRUE(fs::exists(folder / "out.png") && fs::exists(folder / "action.json"));
    EXPECT_NE(done.out.find("pixels changed"), std::string::npos) << done.out;
}

// A TIFF output is encoded band by band while the filter runs: a stop once
// bands are in its temporary file, by a first signal (the run ends at its next
// poll) or a second (at once), still leaves nothing behind.
TEST_F(TheProgram, AStopAfterBandsWereEncodedLeavesNothing) {
    // Wide enough for bands of the fewest rows, tall enough for the first to
    // be final while the module works on the third.
    ImageFile wide;
    wide.document.allocate(6000, 1300, 1, plugInModeGrayScale, 8);
    for (std::size_t i = 0; i < wide.document.pixels.size(); ++i)
        wide.document.pixels[i] = static_cast<uint8_t>(i % 6000 % 16 == 7 ? 0 : 160 + i % 13);
    writeImage(folder / "wide.tif", wide);
    const std::set<std::string> before = names(folder.path());
    struct Case {
        const char* signals;
        int status;
    };
    for (const Case& c : {Case{"band:TERM", 143}, Case{"band:INT,INT", 130}}) {
        const Outcome outcome =
            run("run wide.tif -o out.tif", std::string("FILTERHOST_TEST_SIGNALS=") + c.signals);
        EXPECT_EQ(outcome.status, c.status) << c.signals << "\n" << outcome.err;
        EXPECT_NE(outcome.err.find("nothing written"), std::string::npos) << c.signals;
        EXPECT_EQ(names(folder.path()), before) << c.signals;
    }
}

TEST_F(TheProgram, TheTerminalIsRestoredOnEveryWayOut) {
    // On a terminal (script gives the program one) the run turns off echo and
    // line editing to see Escape at once; whichever way it ends, the terminal
    // must get them back.
    for (const char* signals :
         {"", "filter:TERM", "write:INT", "filter:TERM,TERM", "write:HUP,HUP"}) {
        const Outcome outcome = shell(std::string("FILTERHOST_TEST_SIGNALS=") + signals +
                                      " script -qec \"stty icanon echo; '" + FILTERHOST_PATH +
                                      "' run in.png -o out.png; stty -a\" /dev/null");
        EXPECT_NE(outcome.out.find(" icanon"), std::string::npos) << signals << outcome.out;
        EXPECT_EQ(outcome.out.find("-icanon"), std::string::npos) << signals << outcome.out;
        EXPECT_EQ(outcome.out.find("-echo "), std::string::npos) << signals << outcome.out;
        fs::remove(folder / "out.png");
    }
}

// On a terminal the run names the file it reads before the progress bar, so a large
// picture is not a silent wait; piped, stderr gets no such line.
TEST_F(TheProgram, OnATerminalTheRunSaysWhatItReads) {
    const Outcome shown = shell(std::string("script -qec \"'") + FILTERHOST_PATH +
                                "' run in.png -o out.png\" /dev/null");
    const std::size_t reading = shown.out.find("filterhost: reading in.png");
    EXPECT_NE(reading, std::string::npos) << shown.out;
    EXPECT_LT(reading, shown.out.find("(Esc or Ctrl-C stops)")) << shown.out;
    fs::remove(folder / "out.png");
    const Outcome piped = run("run in.png -o out.png");
    ASSERT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(piped.err.find("reading"), std::string::npos) << piped.err;
}

TEST_F(TheProgram, AFileSizeLimitIsACleanError) {
    // Noise does not compress: the output is far over the limit of 8 KiB.
    ImageFile noise = dustyPicture(128, 128);
    uint32_t state = 12345;
    for (uint8_t& sample : noise.document.pixels) {
        state = state * 1664525u + 1013904223u;
        sample = static_cast<uint8_t>(state >> 24);
    }
    writeImage(folder / "noise.png", noise);
    const Outcome outcome =
        run("run noise.png -o out.tif", "bash -c 'ulimit -f 8; exec \"$0\" \"$@\"'");
    EXPECT_EQ(outcome.status, 1) << outcome.err;
    EXPECT_NE(outcome.err.find("out.tif"), std::string::npos) << outcome.err;
    EXPECT_FALSE(fs::exists(folder / "out.tif"));
    EXPECT_EQ(names(folder.path()).size(), 4u);  // no temporary file either
}

TEST_F(TheProgram, DamagedOrHostileJsonIsRefusedInOneShortLine) {
    const std::string deep = std::string(200000, '[') + std::string(200000, ']');
    std::ofstream(folder / "deep.json") << "{\"descriptor\": {\"detI\": " << deep << "}}";
    std::ofstream(folder / "long.json")
        << "{\"descriptor\": {\"detI\": \"" << std::string(500000, 'x') << "\"}}";
    std::ofstream(folder / "huge.json") << "{\"descriptor\": {}}" << std::string(2 << 20, ' ');
    std::ofstream(folder / "twice.json") << "{\"descriptor\": {\"detI\": 3, \"detI\": 4}}";
    ASSERT_EQ(::mkfifo((folder / "fifo.json").c_str(), 0600), 0);
    const Refusal cases[] = {
        {"run in.png -o out.png --play deep.json", 1, "nested deeper than 32 levels"},
        {"run in.png -o out.png --play long.json", 1, "(500000 characters)"},
        {"run in.png -o out.png --play huge.json", 1, "larger than 1024 KiB"},
        {"run in.png -o out.png --play twice.json", 1, "the key \"detI\" appears twice"},
        {"run in.png -o out.png --play fifo.json", 1, "not a regular file"},
    };
    for (const Refusal& c : cases) {
        const Outcome outcome = run(c.arguments);
        EXPECT_EQ(outcome.status, c.status) << c.arguments << "\n" << outcome.err.substr(0, 400);
        EXPECT_NE(outcome.err.find(c.message), std::string::npos) << c.arguments << "\n"
                                                                  << outcome.err.substr(0, 400);
        EXPECT_LT(outcome.err.size(), 400u) << c.arguments;
        EXPECT_FALSE(fs::exists(folder / "out.png")) << c.arguments;
    }
}

TEST_F(TheProgram, ARegistryThatIsAFifoOrDamagedIsSetAsideWithoutWaiting) {
    fs::create_directories(folder / "config" / "filterhost");
    ASSERT_EQ(::mkfifo((folder / "config" / "filterhost" / "registry.json").c_str(), 0600), 0);
    const Outcome outcome = run("run in.png -o out.png");
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_NE(outcome.err.find("not a regular file"), std::string::npos) << outcome.err;
}

TEST_F(TheProgram, KeysTheFilterDoesNotTakeAreRefusedNamingTheNearest) {
    std::ofstream(folder / "typo.json") << "{\"descriptor\": {\"xxxx\": 1}}";
    std::ofstream(folder / "dialog.json") << "{\"playInfo\": \"display\", \"descriptor\": {}}";
    const Refusal cases[] = {
        {"run in.png -o out.png --set deti=5", 1,
         "key 'deti': the filter has no such key (nearest: 'detI')"},
        {"run in.png -o out.png --play typo.json", 1,
         "typo.json: key 'xxxx': the filter has no such key"},
        {"run in.png -o out.png --set defC=1,2,3", 1,
         "key 'defC': the filter takes a list of 4 integers, not 3"},
        {"run in.png -o out.png --set winF=1,2,3,4,5", 1,
         "key 'winF': the filter takes a list of 4 integers, not 5"},
        {"run in.png -o out.png --set defC=7", 1,
         "key 'defC': the filter takes a list of 4 integers"},
    };
    for (const Refusal& c : cases) {
        const Outcome outcome = run(c.arguments);
        EXPECT_EQ(outcome.status, c.status) << c.arguments << "\n" << outcome.err;
        EXPECT_NE(outcome.err.find(c.message), std::string::npos) << c.arguments << "\n"
                                                                  << outcome.err;
        EXPECT_FALSE(fs::exists(folder / "out.png")) << c.arguments;
    }
    EXPECT_EQ(run("run in.png -o out.png --set defC=0,0,0,255").status, 0);

    // An action recorded with the dialog opens it again; without a display
    // that is said by the action's name and play information.
    fs::remove(folder / "out.png");
    const Outcome noDisplay = run("run in.png -o out.png --play dialog.json",
                                  "env -u QT_QPA_PLATFORM -u DISPLAY -u WAYLAND_DISPLAY");
    EXPECT_EQ(noDisplay.status, 1) << noDisplay.err;
    EXPECT_NE(noDisplay.err.find("the action dialog.json asks for the editing dialog (playInfo "
                                 "\"display\"), which needs a display"),
              std::string::npos)
        << noDisplay.err;
    EXPECT_FALSE(fs::exists(folder / "out.png"));
}

TEST_F(TheProgram, AMultiPageTiffIsRefusedRatherThanLosingPages) {
    TIFF* tif = TIFFOpen((folder / "pages.tif").c_str(), "w");
    ASSERT_NE(tif, nullptr);
    std::vector<uint8_t> row(16, 100);
    for (int page = 0; page < 2; ++page) {
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 16u);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 4u);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
        for (uint32_t y = 0; y < 4; ++y) TIFFWriteScanline(tif, row.data(), y, 0);
        TIFFWriteDirectory(tif);
    }
    TIFFClose(tif);
    const Outcome outcome = run("run pages.tif -o out.tif");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(outcome.err.find("holds 2 pages"), std::string::npos) << outcome.err;
    EXPECT_FALSE(fs::exists(folder / "out.tif"));
}

TEST_F(TheProgram, SaysWhatChangedAndWhenTheMaskSelectsNothing) {
    ImageFile none = dustyPicture(64, 48);
    none.document.allocate(64, 48, 1, plugInModeGrayScale, 8);
    writeImage(folder / "none.png", none);
    const Outcome empty = run("run in.png -o out.png --mask none.png");
    ASSERT_EQ(empty.status, 0) << empty.err;
    EXPECT_NE(empty.err.find("none.png: the mask selects nothing; the output equals the input"),
              std::string::npos)
        << empty.err;
    EXPECT_NE(empty.out.find("0 of 3072 pixels changed (0.00 %)"), std::string::npos) << empty.out;

    const Outcome cleaned = run("run in.png -o out.png --set detI=12 --set tilE=8");
    ASSERT_EQ(cleaned.status, 0) << cleaned.err;
    const Outcome compared = run("compare in.png out.png -o side.png --mask-out changed.png");
    ASSERT_EQ(compared.status, 0) << compared.err;
    // The run and compare agree on what changed, and the mask marks it.
    const auto line = [](const std::string& text, const std::string& word) {
        const auto at = text.find(word);
        const auto start = text.rfind('\n', at) + 1;
        return text.substr(start, text.find('\n', at) - start);
    };
    const std::string changed = line(cleaned.out, "pixels changed");
    EXPECT_EQ(line(compared.out, "pixels changed"), changed);
    EXPECT_NE(compared.out.find("PSNR: "), std::string::npos) << compared.out;
    const Document mask = readImage(folder / "changed.png").document;
    const auto marked =
        static_cast<std::size_t>(std::count(mask.pixels.begin(), mask.pixels.end(), uint8_t{255}));
    EXPECT_NE(changed.find(std::to_string(marked) + " of 3072"), std::string::npos) << changed;
    EXPECT_GT(marked, 0u);
    EXPECT_NE(run("compare in.png in.png -o same.png").out.find("PSNR: infinite"),
              std::string::npos);
}

TEST_F(TheProgram, NonFiniteSamplesStayWhereTheyWereAndSpreadNowhere) {
    ImageFile image;
    Document& d = image.document;
    d.allocate(48, 48, 1, plugInModeGray32, 32);
    std::vector<float> values(48 * 48);
    for (int32_t y = 0; y < 48; ++y)
        for (int32_t x = 0; x < 48; ++x) {
            const bool speck = (y % 16 >= 7 && y % 16 <= 9) && (x % 16 >= 7 && x % 16 <= 9);
            values[static_cast<std::size_t>(y * 48 + x)] =
                speck ? 0.0f : 0.6f + 0.05f * std::sin(static_cast<float>(x) * 0.2f);
        }
    // Beside specks: +Inf, NaN and an absurd value.
    values[8 * 48 + 11] = std::numeric_limits<float>::infinity();
    values[24 * 48 + 27] = std::numeric_limits<float>::quiet_NaN();
    values[40 * 48 + 5] = 1e30f;
    std::memcpy(d.pixels.data(), values.data(), d.pixels.size());
    writeImage(folder / "float.tif", image);
    const Outcome outcome = run("run float.tif -o out.tif --set detI=12 --set tilE=8");
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    const Document after = readImage(folder / "out.tif").document;
    std::vector<float> result(48 * 48);
    std::memcpy(result.data(), after.pixels.data(), after.pixels.size());
    int repaired = 0;
    for (std::size_t i = 0; i < result.size(); ++i) {
        if (!std::isfinite(result[i])) {
            EXPECT_FALSE(std::isfinite(values[i])) << i;
        }
        // An absurd value stays where it was and reaches no neighbour.
        if (std::fabs(values[i]) < 2.0f) {
            EXPECT_LT(std::fabs(result[i]), 2.0f) << i;
        }
        if (values[i] == 0.0f && result[i] > 0.3f) ++repaired;
    }
    EXPECT_GT(repaired, 0);  // the filter did run
}

// A folder of small images through `batch`: one damaged file is reported and
// skipped, the others are written under their names (subfolders with -r),
// finished outputs are skipped until --force, and a stop writes nothing of
// the file under way.
TEST_F(TheProgram, BatchFiltersAFolderSkippingTheDamagedAndTheUpToDate) {
    fs::create_directories(folder / "scans" / "deeper");
    writeImage(folder / "scans" / "a.png", dustyPicture(40, 32));
    writeImage(folder / "scans" / "b.tif", dustyPicture(32, 48));
    writeImage(folder / "scans" / "deeper" / "c.png", dustyPicture(24, 24));
    std::ofstream(folder / "scans" / "broken.tif") << "II*\0 not really a TIFF";
    std::ofstream(folder / "scans" / "notes.txt") << "not an image";
    const std::string a = contents(folder / "scans" / "a.png");

    Outcome outcome = run("batch scans -o cleaned");
    EXPECT_EQ(outcome.status, 1) << outcome.err;
    EXPECT_NE(outcome.err.find("[3/3] scans/broken.tif"), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.out.find("2 done, 0 skipped, 1 failed; "), std::string::npos) << outcome.out;
    EXPECT_EQ(names(folder / "cleaned"),
              (std::set<std::string>{".filterhost-batch", "a.png", "b.tif"}));
    EXPECT_EQ(contents(folder / "scans" / "a.png"), a);
    // The batch's output equals what run writes for the same file.
    EXPECT_EQ(run("run scans/b.tif -o single.tif").status, 0);
    EXPECT_EQ(contents(folder / "cleaned" / "b.tif"), contents(folder / "single.tif"));

    fs::remove(folder / "scans" / "broken.tif");
    outcome = run("batch scans -o cleaned --recursive");
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_NE(outcome.out.find("1 done, 2 skipped, 0 failed"), std::string::npos) << outcome.out;
    EXPECT_TRUE(fs::exists(folder / "cleaned" / "deeper" / "c.png"));
    outcome = run("batch scans -o cleaned -r --force --set detI=12");
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_NE(outcome.out.find("3 done, 0 skipped"), std::string::npos) << outcome.out;
    // Each file says which settings it was filtered with.
    for (const char* file : {"[1/3] used", "[2/3] used", "[3/3] used"}) {
        const std::string line = std::string(file) + " darK=true briT=false detI=12 tilE=8";
        const auto at = outcome.out.find(line);
        ASSERT_NE(at, std::string::npos) << line << "\n" << outcome.out;
        EXPECT_NE(outcome.out.find("from --set: detI;", at), std::string::npos) << outcome.out;
    }

    const Refusal refusals[] = {
        {"batch scans -o scans", 1, "is the input folder"},
        {"batch scans -o ./scans/../scans", 1, "is the input folder"},
        {"batch nowhere -o out", 1, "nowhere: is not a folder"},
        {"batch scans/deeper/.. -o in.png", 1, "in.png: is not a folder"},
        {"batch scans -o fresh --set deti=5", 1, "nearest: 'detI'"},
    };
    for (const Refusal& c : refusals) {
        outcome = run(c.arguments);
        EXPECT_EQ(outcome.status, c.status) << c.arguments << "\n" << outcome.err;
        EXPECT_NE(outcome.err.find(c.message), std::string::npos) << c.arguments << "\n"
                                                                  << outcome.err;
    }
    EXPECT_FALSE(fs::exists(folder / "fresh" / "b.tif"));

    outcome = run("batch scans -o stopped", "FILTERHOST_TEST_SIGNALS=write:TERM");
    EXPECT_EQ(outcome.status, 128 + SIGTERM) << outcome.err;
    EXPECT_TRUE(names(folder / "stopped").empty());
}

// "Up to date" means made from the same content with the same settings: other
// --set values, another action or a replaced input (even an older one) make the
// file again, and what was given is checked even when every file is skipped.
TEST_F(TheProgram, BatchRedoesOutputsMadeFromOtherContentOrSettings) {
    fs::create_directories(folder / "scans");
    writeImage(folder / "scans" / "a.png", dustyPicture(40, 32));
    writeImage(folder / "scans" / "b.png", dustyPicture(48, 40));
    std::ofstream(folder / "strong.json")
        << "{\"playInfo\": \"silent\", \"descriptor\": {\"detI\": 16}}";
    struct Step {
        std::string arguments;
        std::string done;
    };
    const Step steps[] = {
        {"--set detI=8", "2 done, 0 skipped"},       {"--set detI=8", "0 done, 2 skipped"},
        {"--set detI=12", "2 done, 0 skipped"},      {"--play strong.json", "2 done, 0 skipped"},
        {"--play strong.json", "0 done, 2 skipped"},
    };
    for (const Step& step : steps) {
        const Outcome outcome = run("batch scans -o cleaned " + step.arguments);
        EXPECT_EQ(outcome.status, 0) << step.arguments << "\n" << outcome.err;
        EXPECT_NE(outcome.out.find(step.done), std::string::npos) << step.arguments << "\n"
                                                                  << outcome.out;
    }
    // Another picture in a's place, dated long before its output.
    writeImage(folder / "scans" / "a.png", dustyPicture(40, 33));
    fs::last_write_time(folder / "scans" / "a.png", fs::file_time_type{});
    Outcome outcome = run("batch scans -o cleaned --play strong.json");
    EXPECT_NE(outcome.out.find("1 done, 1 skipped"), std::string::npos) << outcome.out;
    EXPECT_EQ(readImage(folder / "cleaned" / "a.png").document.height, 33);

    outcome = run("batch scans -o cleaned --play strong.json --set deti=5");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(outcome.err.find("key 'deti': the filter has no such key (nearest: 'detI')"),
              std::string::npos)
        << outcome.err;
}

// A subfolder that cannot be read is reported, counted as failed and passed
// over; the rest of the tree is filtered. Root reads every folder, so as root
// the program runs as nobody, from copies it can reach.
TEST_F(TheProgram, BatchPassesOverAFolderItCannotRead) {
    fs::create_directories(folder / "scans" / "locked");
    fs::create_directories(folder / "scans" / "open");
    writeImage(folder / "scans" / "a.png", dustyPicture(40, 32));
    writeImage(folder / "scans" / "locked" / "b.png", dustyPicture(40, 32));
    writeImage(folder / "scans" / "open" / "c.png", dustyPicture(40, 32));
    std::string program = std::string("'") + FILTERHOST_PATH + "'";
    std::string as;
    if (geteuid() == 0) {
        const fs::path from = fs::path(FILTERHOST_PATH).parent_path();
        fs::copy_file(FILTERHOST_PATH, folder / "filterhost");
        fs::copy_file(from / "Nelvo.8bf", folder / "Nelvo.8bf");
        program = "./filterhost";
        as = "setpriv --reuid=nobody --regid=nogroup --clear-groups ";
        for (const auto& entry : fs::recursive_directory_iterator(folder.path()))
            fs::permissions(entry.path(), fs::perms::all, fs::perm_options::add);
        fs::permissions(folder.path(), fs::perms::all, fs::perm_options::add);
    }
    fs::permissions(folder / "scans" / "locked", fs::perms::none);
    const Outcome outcome = shell(as + program + " batch scans -o cleaned -r");
    fs::permissions(folder / "scans" / "locked", fs::perms::owner_all);
    EXPECT_EQ(outcome.status, 1) << outcome.err;
    EXPECT_NE(outcome.err.find("scans/locked: cannot be read (Permission denied)"),
              std::string::npos)
        << outcome.err;
    EXPECT_NE(outcome.out.find("2 done, 0 skipped, 1 failed"), std::string::npos) << outcome.out;
    EXPECT_TRUE(fs::exists(folder / "cleaned" / "a.png"));
    EXPECT_TRUE(fs::exists(folder / "cleaned" / "open" / "c.png"));
}

// A JPEG-compressed TIFF is not JPEG-compressed again: a run that changes no
// pixel gives back exactly the decoded input, and says how it was written; a
// JPEG output says that re-encoding changes pixels.
TEST_F(TheProgram, LossyWritesAreNeverPassedOffAsLossless) {
    const Document picture = dustyPicture(64, 48).document;
    TIFF* tif = TIFFOpen((folder / "jpeg.tif").c_str(), "w");
    ASSERT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 64u);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 48u);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_JPEG);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 16u);
    for (uint32_t y = 0; y < 48; ++y)
        TIFFWriteScanline(tif, const_cast<uint8_t*>(picture.pixels.data()) + y * 64 * 3, y, 0);
    TIFFClose(tif);

    // An empty selection: the filter changes nothing.
    ImageFile blank = dustyPicture(64, 48);
    blank.document.allocate(64, 48, 1, plugInModeGrayScale, 8);
    writeImage(folder / "blank.png", blank);
    Outcome outcome = run("run jpeg.tif -o out.tif --mask blank.png");
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_NE(outcome.out.find(" 0 of 3072 pixels changed"), std::string::npos) << outcome.out;
    EXPECT_NE(outcome.err.find("out.tif: written with LZW compression, not the input's lossy JPEG "
                               "compression"),
              std::string::npos)
        << outcome.err;
    EXPECT_EQ(readImage(folder / "out.tif").document.pixels,
              readImage(folder / "jpeg.tif").document.pixels);

    outcome = run("run jpeg.tif -o out.jpg");
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_NE(outcome.err.find("out.jpg: JPEG re-encoding changes pixels beyond the filter's"),
              std::string::npos)
        << outcome.err;
}

// Every boolean key takes 0 and 1 as well as true and false; other numbers are
// refused.
TEST_F(TheProgram, EveryBooleanKeyTakesBothForms) {
    for (const char* key : {"darK", "briT", "adaP", "ignS", "preC"}) {
        for (const char* value : {"0", "1", "true", "false"}) {
            const std::string set = std::string(key) + "=" + value;
            const Outcome outcome = run("run in.png -o out.png --set " + set);
            EXPECT_EQ(outcome.status, 0) << set << "\n" << outcome.err;
        }
    }
    const Outcome outcome = run("run in.png -o out.png --set adaP=2");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(outcome.err.find("key 'adaP': the filter takes a boolean"), std::string::npos)
        << outcome.err;
}

}  // namespace
