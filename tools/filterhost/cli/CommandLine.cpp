// SPDX-License-Identifier: MIT
#include "cli/CommandLine.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdlib>

#include "cli/AboutCommand.h"
#include "cli/BatchCommand.h"
#include "cli/CompareImages.h"
#include "cli/RunCommand.h"
#include "cli/StopSignals.h"
#include "util/TextConversion.h"

namespace filterhost {
namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

constexpr const char kRunFooter[] =
    "Without --dialog the filter runs silently, with the last confirmed settings\n"
    "unless --play or --set say otherwise. Esc, Ctrl-C or SIGTERM stops a run at any\n"
    "phase and nothing is written; a second Ctrl-C ends the program at once.\n"
    "Every output is checked before the work and all appear or none.\n"
    "`filterhost list` shows the module's keys for --set with their types and ranges;\n"
    "a value beyond a range is taken as its end, and the run's last line says so.";

// For tests: FILTERHOST_TEST_SIGNALS="PHASE:NAME,NAME..." makes a run send
// itself these signals (INT, TERM, HUP) as it reaches PHASE (read,
// filter, band: the first band of a TIFF output encoded, write), so that a
// stop can be tested at a known point.
std::function<void(const char*)> testSignalHook() {
    const char* spec = std::getenv("FILTERHOST_TEST_SIGNALS");
    if (spec == nullptr) return {};
    const std::string text = spec;
    const auto colon = text.find(':');
    if (colon == std::string::npos) return {};
    const std::string when = text.substr(0, colon);
    std::vector<std::string> signals;
    std::size_t start = colon + 1;
    while (start <= text.size()) {
        const auto comma = std::min(text.find(',', start), text.size());
        signals.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
    return [when, signals](const char* phase) {
        if (when != phase) return;
        for (const std::string& signal : signals) StopSignals::raiseForTest(signal);
    };
}

// An option that names a file: the argument is UTF-8, whatever the platform's
// file names are (UTF-16 on Windows).
CLI::Option* addPathOption(CLI::App* command, const std::string& name,
                           std::filesystem::path& target, const std::string& description) {
    return command->add_option_function<std::string>(
        name, [&target](const std::string& text) { target = nelvo::pathFromUtf8(text); },
        description);
}

// The program's commands and what they run once parsed.
// --tile of run and batch: WxH, both at least 1.
CLI::Validator tileSizeValidator() {
    return CLI::Validator(
        [](const std::string& text) {
            return parseTileSize(text) ? std::string()
                                       : text + ": expected WxH with both at least 1";
        },
        "");
}

class Commands {
  public:
    Commands() : app_("filterhost: runs filter modules on image files", "filterhost") {
        app_.require_subcommand(1);
        app_.fallthrough(false);
        // Options are "-x" and "--name" everywhere: CLI11 would take "/x" as an
        // option on Windows, and an absolute path such as /tmp/a.tif with it.
        // Set before the commands are added, which inherit it.
        app_.allow_windows_style_options(false);
        addRun();
        addBatch();
        addList();
        addCompare();
        addAbout();
    }

    int main(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
        if (args.empty()) {
            err << app_.help();
            return kExitUsage;
        }
        if (args[0].empty() || (args[0][0] != '-' && !isCommand(args[0]))) {
            err << "filterhost: unknown command " << args[0] << "\n" << app_.help();
            return kExitUsage;
        }
        // CLI11 takes the arguments last first.
        std::vector<std::string> reversed(args.rbegin(), args.rend());
        try {
            app_.parse(reversed);
        } catch (const CLI::CallForHelp&) {
            const CLI::App* asked =
                app_.get_subcommands().empty() ? &app_ : app_.get_subcommands()[0];
            out << asked->help(asked == &app_ ? "" : "filterhost");
            return 0;
        } catch (const CLI::ParseError& e) {
            return parseFailure(e, err);
        }
        return chosen_(out, err);
    }

  private:
    bool isCommand(const std::string& name) {
        return !app_.get_subcommands([&name](CLI::App* c) { return c->check_name(name); }).empty();
    }

    void addRun() {
        CLI::App* run = app_.add_subcommand("run", "filter an image file");
        run->footer(kRunFooter);
        addPathOption(run, "INPUT", runOptions_.input, "the image to filter")
            ->type_name("FILE")
            ->required();
        addPathOption(run, "-o", runOptions_.output,
                      "where to write the result (.tif, .tiff, .png, .jpg, .jpeg);\n"
                      "written only when the run succeeds, never over INPUT")
            ->type_name("OUTPUT")
            ->required();
        addPathOption(run, "--plugin", runOptions_.plugin,
                      "the filter module (default: Nelvo.8bf beside this program)")
            ->type_name("FILE.8bf");
        run->add_option("--set", runOptions_.assignments,
                        "a parameter by its four-character key, KEY=VALUE; the module's\n"
                        "terminology types it, else its form: 0/1 or true/false, an\n"
                        "integer, a list 1,2,3,4, a number")
            ->type_name("KEY=VALUE")
            ->allow_extra_args(false);
        run->add_option("--mask", mask_, "a grey image of the same size; 0 means not selected")
            ->type_name("FILE");
        run->add_option("--tile", tile_, "imitate a host that hands out tiles of this size")
            ->type_name("WxH")
            ->check(tileSizeValidator());
        run->add_option("--play", play_, "replay a recorded action (JSON)")->type_name("FILE");
        run->add_option("--record", record_, "record the run's parameters as an action (JSON)")
            ->type_name("FILE");
        run->add_flag("--dialog", runOptions_.dialog, "ask for the editing dialog");
        runOptions_.plugin = defaultPluginPath();
        run->callback([this] {
            if (!mask_.empty()) runOptions_.mask = nelvo::pathFromUtf8(mask_);
            if (!tile_.empty()) runOptions_.tile = parseTileSize(tile_);
            if (!play_.empty()) runOptions_.play = nelvo::pathFromUtf8(play_);
            if (!record_.empty()) runOptions_.record = nelvo::pathFromUtf8(record_);
            runOptions_.phaseReached = testSignalHook();
            chosen_ = [this](std::ostream& out, std::ostream& err) {
                return runFilter(runOptions_, out, err);
            };
        });
    }

    void addBatch() {
        CLI::App* batch = app_.add_subcommand("batch", "filter every image in a folder");
        batch->footer(
            "Every .tif, .tiff, .png, .jpg and .jpeg file of INPUT_DIR is filtered in turn\n"
            "with the module loaded once and written under the same name (and subfolder)\n"
            "in OUTPUT_DIR. A file whose output was made from the same content with the\n"
            "same module and settings is skipped unless --force; a file or subfolder that\n"
            "fails is reported and the batch goes on. Exit status 1 when any failed. A\n"
            "stop, or Close in the dialog of a replayed action, ends the batch (status\n"
            "130): the files already finished stay, nothing of the one under way is written.");
        addPathOption(batch, "INPUT_DIR", batch_.inputFolder, "the folder of images")
            ->type_name("FOLDER")
            ->required();
        addPathOption(batch, "-o", batch_.outputFolder,
                      "the folder for the results (made if missing)")
            ->type_name("OUTPUT_DIR")
            ->required();
        addPathOption(batch, "--plugin", batch_.run.plugin,
                      "the filter module (default: Nelvo.8bf beside this program)")
            ->type_name("FILE.8bf");
        batch->add_option("--set", batch_.run.assignments, "a parameter, KEY=VALUE, as for run")
            ->type_name("KEY=VALUE")
            ->allow_extra_args(false);
        batch->add_option("--tile", batchTile_, "imitate a host that hands out tiles of this size")
            ->type_name("WxH")
            ->check(tileSizeValidator());
        batch->add_option("--play", batchPlay_, "replay a recorded action (JSON)")
            ->type_name("FILE");
        batch->add_flag("--recursive,-r", batch_.recursive, "also the images in subfolders");
        batch->add_flag("--force", batch_.force, "also the files whose output is up to date");
        batch_.run.plugin = defaultPluginPath();
        batch->callback([this] {
            if (!batchTile_.empty()) batch_.run.tile = parseTileSize(batchTile_);
            if (!batchPlay_.empty()) batch_.run.play = nelvo::pathFromUtf8(batchPlay_);
            batch_.run.phaseReached = testSignalHook();
            chosen_ = [this](std::ostream& out, std::ostream& err) {
                return runBatch(batch_, out, err);
            };
        });
    }

    void addList() {
        CLI::App* list = app_.add_subcommand("list", "show the Filter menu");
        listPlugin_ = defaultPluginPath();
        addPathOption(list, "--plugin", listPlugin_, "the filter module")->type_name("FILE.8bf");
        list->callback([this] {
            chosen_ = [this](std::ostream& out, std::ostream&) {
                return listFilters(listPlugin_, out);
            };
        });
    }

    void addCompare() {
        CLI::App* compare = app_.add_subcommand(
            "compare", "side-by-side picture of two images, changed pixels and PSNR");
        compare->footer(
            "Prints the pixels that differ (count and share) and the PSNR of AFTER\n"
            "against BEFORE (samples on a 0..1 scale, peak 1), one line each.");
        addPathOption(compare, "BEFORE", compare_.before, "the first image")
            ->type_name("FILE")
            ->required();
        addPathOption(compare, "AFTER", compare_.after, "the second image")
            ->type_name("FILE")
            ->required();
        addPathOption(compare, "-o", compare_.output, "the side-by-side picture to write")
            ->type_name("FILE.png")
            ->required();
        compare
            ->add_option("--mask-out", maskOut_,
                         "also write the changed pixels: 255 where AFTER differs, else 0")
            ->type_name("FILE.png");
        compare->callback([this] {
            if (!maskOut_.empty()) compare_.maskOut = nelvo::pathFromUtf8(maskOut_);
            chosen_ = [this](std::ostream& out, std::ostream& err) {
                StopSignals signals;
                try {
                    compareImages(compare_, out);
                } catch (const std::exception& e) {
                    err << "filterhost: " << e.what() << "\n";
                    return StopSignals::requested() ? StopSignals::exitStatus() : kExitFailed;
                }
                return 0;
            };
        });
    }

    void addAbout() {
        CLI::App* about = app_.add_subcommand("about", "show the module's about box");
        aboutPlugin_ = defaultPluginPath();
        addPathOption(about, "--plugin", aboutPlugin_, "the filter module")->type_name("FILE.8bf");
        about->callback([this] {
            chosen_ = [this](std::ostream&, std::ostream& err) {
                return showAbout(aboutPlugin_, err);
            };
        });
    }

    // A missing command or argument shows the usage (status 2); anything else
    // is one line naming the problem (status 1).
    int parseFailure(const CLI::ParseError& e, std::ostream& err) const {
        const CLI::App* sub = app_.get_subcommands().empty() ? nullptr : app_.get_subcommands()[0];
        const std::string where = sub != nullptr ? sub->get_name() + ": " : std::string();
        if (dynamic_cast<const CLI::RequiredError*>(&e) != nullptr || sub == nullptr) {
            err << "filterhost: " << where << e.what() << "\n"
                << (sub != nullptr ? sub->help("filterhost") : app_.help());
            return kExitUsage;
        }
        err << "filterhost: " << where << e.what() << "\n";
        return kExitFailed;
    }

    CLI::App app_;
    std::function<int(std::ostream&, std::ostream&)> chosen_;
    RunOptions runOptions_;
    std::string mask_, tile_, play_, record_;
    BatchOptions batch_;
    std::string batchTile_, batchPlay_;
    std::filesystem::path listPlugin_, aboutPlugin_;
    CompareOptions compare_;
    std::string maskOut_;
};

}  // namespace

int runCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Commands commands;
    return commands.main(args, out, err);
}

}  // namespace filterhost
