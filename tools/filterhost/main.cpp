// SPDX-License-Identifier: MIT
// filterhost: runs filter modules on image files from the command line.
#include <iostream>
#include <string>
#include <vector>

#include "AboutCommand.h"
#include "CompareImages.h"
#include "HostError.h"
#include "RunCommand.h"

using namespace filterhost;

namespace {

constexpr const char kUsage[] =
    "usage: filterhost run INPUT -o OUTPUT [options]   filter an image file\n"
    "       filterhost list [--plugin FILE.8bf]         show the Filter menu\n"
    "       filterhost compare BEFORE AFTER -o FILE.png  side-by-side picture\n"
    "       filterhost about [--plugin FILE.8bf]        show the module's about box\n"
    "       filterhost COMMAND --help\n";

constexpr const char kRunUsage[] =
    "usage: filterhost run INPUT -o OUTPUT [--plugin FILE.8bf] [--set KEY=VALUE]...\n"
    "                      [--mask FILE] [--tile WxH] [--play FILE] [--record FILE] [--dialog]\n"
    "\n"
    "  -o OUTPUT         where to write the result (.tif, .tiff, .png, .jpg, .jpeg);\n"
    "                    written only when the run succeeds, never over INPUT\n"
    "  --plugin FILE     the filter module (default: Nelvo.8bf beside this program)\n"
    "  --set KEY=VALUE   a parameter by its four-character key, e.g. detI=12, tilE=8,\n"
    "                    darK=1, briT=0, defC=255,0,0,255, zooM=100; booleans take 0/1\n"
    "  --mask FILE       a grey image of the same size; 0 means not selected\n"
    "  --tile WxH        imitate a host that hands out tiles of this size\n"
    "  --play FILE       replay a recorded action (JSON)\n"
    "  --record FILE     record the run's parameters as an action (JSON)\n"
    "  --dialog          ask for the editing dialog\n"
    "Without --dialog the filter runs silently, with the last confirmed settings\n"
    "unless --play or --set say otherwise. Esc or Ctrl-C stops a run; nothing is written.\n";

constexpr const char kListUsage[] = "usage: filterhost list [--plugin FILE.8bf]\n";
constexpr const char kCompareUsage[] = "usage: filterhost compare BEFORE AFTER -o FILE.png\n";

std::string next(const std::vector<std::string>& args, std::size_t& i) {
    if (i + 1 >= args.size()) throw HostError(args[i] + " needs a value");
    return args[++i];
}

int runMain(const std::vector<std::string>& args) {
    RunOptions options;
    options.plugin = defaultPluginPath();
    std::vector<std::string> positional;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            std::cout << kRunUsage;
            return 0;
        } else if (a == "-o") {
            options.output = next(args, i);
        } else if (a == "--plugin") {
            options.plugin = next(args, i);
        } else if (a == "--set") {
            options.assignments.push_back(next(args, i));
        } else if (a == "--mask") {
            options.mask = next(args, i);
        } else if (a == "--tile") {
            const std::string text = next(args, i);
            options.tile = parseTileSize(text);
            if (!options.tile)
                throw HostError("--tile " + text + ": expected WxH with both at least 1");
        } else if (a == "--play") {
            options.play = next(args, i);
        } else if (a == "--record") {
            options.record = next(args, i);
        } else if (a == "--dialog") {
            options.dialog = true;
        } else if (a.size() > 1 && a[0] == '-') {
            throw HostError("run: unknown option " + a);
        } else {
            positional.push_back(a);
        }
    }
    if (positional.size() != 1 || options.output.empty()) {
        std::cerr << kRunUsage;
        return 2;
    }
    options.input = positional[0];
    return runFilter(options, std::cout, std::cerr);
}

int listMain(const std::vector<std::string>& args) {
    std::filesystem::path plugin = defaultPluginPath();
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--help" || args[i] == "-h") {
            std::cout << kListUsage;
            return 0;
        }
        if (args[i] != "--plugin") throw HostError("list: unknown argument " + args[i]);
        plugin = next(args, i);
    }
    return listFilters(plugin, std::cout);
}

int compareMain(const std::vector<std::string>& args) {
    std::vector<std::string> positional;
    std::string output;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--help" || args[i] == "-h") {
            std::cout << kCompareUsage;
            return 0;
        }
        if (args[i] == "-o")
            output = next(args, i);
        else
            positional.push_back(args[i]);
    }
    if (positional.size() != 2 || output.empty()) {
        std::cerr << kCompareUsage;
        return 2;
    }
    writeSideBySide(positional[0], positional[1], output);
    std::cout << "filterhost: " << output << "\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::cerr << kUsage;
        return 2;
    }
    if (args[0] == "--help" || args[0] == "-h") {
        std::cout << kUsage;
        return 0;
    }
    try {
        if (args[0] == "run") return runMain(args);
        if (args[0] == "list") return listMain(args);
        if (args[0] == "compare") return compareMain(args);
        if (args[0] == "about")
            return showAbout(args.size() == 3 && args[1] == "--plugin"
                                 ? std::filesystem::path(args[2])
                                 : defaultPluginPath(),
                             std::cerr);
        std::cerr << "filterhost: unknown command " << args[0] << "\n" << kUsage;
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "filterhost: " << e.what() << "\n";
        return 1;
    }
}
