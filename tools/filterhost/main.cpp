// SPDX-License-Identifier: MIT
// filterhost: runs filter modules on image files from the command line.
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "EnableExpression.h"
#include "HostError.h"
#include "HostServices.h"
#include "HostSession.h"
#include "ImageFiles.h"
#include "PluginModule.h"

namespace fs = std::filesystem;
using namespace filterhost;

namespace {

constexpr const char kUsage[] =
    "usage: filterhost list [--plugin FILE.8bf]\n"
    "       filterhost run INPUT [--plugin FILE.8bf]\n";

fs::path executableFolder() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::current_path() : self.parent_path();
}

fs::path defaultPlugin() { return executableFolder() / "Nelvo.8bf"; }

std::string modeList(const PluginInfo& info) {
    std::string text;
    for (int mode = 0; mode < 18; ++mode) {
        if (!info.supportsMode(mode)) continue;
        if (!text.empty()) text += ", ";
        text += modeName(mode);
    }
    return text.empty() ? "none" : text;
}

int listCommand(const fs::path& pluginPath) {
    const auto module = PluginModule::load(pluginPath);
    const PluginInfo& info = module->info();
    std::cout << "Filter menu:\n  " << info.category << " > " << info.name << "\n";
    std::cout << "    module: " << module->path().string() << "\n";
    std::cout << "    modes: " << modeList(info) << "\n";
    std::cout << "    enable: " << info.enableExpression << "\n";
    return 0;
}

int runCommand(const fs::path& input, const fs::path& pluginPath) {
    const auto module = PluginModule::load(pluginPath);
    Document document = readImage(input);
    const EnableExpression enable(module->info().enableExpression);
    if (!enable.admits({document.imageMode, document.depth})) {
        throw HostError(input.string() + ": " + std::string(modeName(document.imageMode)) + " at " +
                        std::to_string(document.depth) + " bits is not supported by " +
                        module->info().name);
    }
    HostServices services;
    HostSession session(*module, services);
    std::cout << "Filter menu: " << module->info().category << " > " << module->info().name << "\n";
    session.begin(document);
    const int16_t prepared = session.call(filterSelectorPrepare);
    std::cout << "prepare: result " << prepared << ", maxSpace " << session.record().maxSpace << "\n";
    if (prepared != 0) return 1;
    const int16_t started = session.call(filterSelectorStart);
    std::cout << "start: result " << started << "\n";
    for (const std::string& problem : services.problems()) std::cerr << "host: " << problem << "\n";
    return started == 0 && services.problems().empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        std::cout << kUsage;
        return args.empty() ? 2 : 0;
    }
    try {
        fs::path plugin = defaultPlugin();
        std::vector<std::string> positional;
        for (std::size_t i = 1; i < args.size(); ++i) {
            if (args[i] == "--plugin" && i + 1 < args.size()) {
                plugin = args[++i];
            } else if (args[i] == "--help") {
                std::cout << kUsage;
                return 0;
            } else if (args[i].rfind("--", 0) == 0) {
                throw HostError("unknown option " + args[i]);
            } else {
                positional.push_back(args[i]);
            }
        }
        if (args[0] == "list" && positional.empty()) return listCommand(plugin);
        if (args[0] == "run" && positional.size() == 1) return runCommand(positional[0], plugin);
        std::cerr << kUsage;
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "filterhost: " << e.what() << "\n";
        return 1;
    }
}
