// SPDX-License-Identifier: MIT
// `filterhost run` and `filterhost list`: the host program's commands, kept
// in the library so that tests can drive them without a process.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "HostError.h"
#include "scripting/ActionFile.h"
#include "session/ScriptingServices.h"

namespace filterhost {

class PluginModule;

struct RunOptions {
    std::filesystem::path input;
    std::filesystem::path output;
    std::filesystem::path plugin;
    std::vector<std::string> assignments;  // KEY=VALUE
    std::optional<std::filesystem::path> mask;
    std::optional<std::pair<int32_t, int32_t>> tile;  // width, height
    std::optional<std::filesystem::path> play;
    std::optional<std::filesystem::path> record;
    bool dialog = false;
    bool showProgress = true;
    // Bytes of the host's copies of the filter rectangle (input, output, mask) and
    // the module's buffer space up to which the whole rectangle is one tile.
    uint64_t wholeTileBudget = uint64_t{3} << 30;
    // The height of a silent run's bands of whole rows; unset, about three
    // million pixels' worth and at least 512 rows.
    std::optional<int32_t> bandRows;
    // Asked between phases and by the filter's abort polls besides the
    // terminal's keys and the stop signals; true stops the run.
    std::function<bool()> stopRequested;
    // Called as the run reaches "read" (the input is read), "filter" (the
    // filter is about to run) and "write" (the outputs are written but not yet
    // in place); for tests that stop a run at a known phase.
    std::function<void(const char*)> phaseReached;
};

// Exit status of the program: 0 done, 1 failed, 130 cancelled (128 + the
// signal that stopped it). Every output is checked before any work and
// written in full before any replaces a file, so that all appear or none.
// Messages go to `err` as single lines naming the file and the cause.
int runFilter(const RunOptions& options, std::ostream& out, std::ostream& err);

// The module and the action it plays, made once for any number of images.
using AskedKeys = std::map<uint32_t, ScriptingServices::AskedKey>;

struct PreparedFilter {
    std::unique_ptr<PluginModule> module;
    Action action;
    // Where the action's keys came from: the --play file and --set, which wins.
    Descriptor played;
    Descriptor assigned;
    // The keys the filter reads, with their kinds.
    AskedKeys askedKeys;
};

// Loads `options.plugin` and builds the action from --play and --set; 0 and 1
// given for a key the filter reads as a boolean become booleans. Throws
// HostError.
PreparedFilter prepareFilter(const RunOptions& options);

// Settings the filter does not take: the same for every image, so a batch
// stops at the first rather than failing each file alike.
class SettingsError : public HostError {
  public:
    using HostError::HostError;
};

// Throws SettingsError for a key of the action that the filter does not take,
// or a value of another kind: a batch checks what it was given before the
// first file, even when every file is then skipped.
void checkGivenKeys(const RunOptions& options, const PreparedFilter& filter);

// What the caller sees of one image's run besides its own stop requests.
struct ImageHooks {
    std::function<bool()> stopped;
    std::function<void(int32_t, int32_t)> progress;  // the filter's progress
    std::function<void()> filtered;                  // the filter has returned
    std::function<void(const std::string&)> status;  // a phase without progress begins
};

struct ImageOutcome {
    bool written = false;  // false: stopped, nothing written
    uint64_t changed = 0;  // pixels that differ from the input
    uint64_t pixels = 0;
    // The settings the filter used and where they came from, when it recorded them.
    std::optional<std::string> settings;
};

// One image through the whole pipeline: read, check, filter, write the output
// (and the recorded action) all or nothing. The outputs must have been
// checked (they are again once the image is known). Throws HostError (or
// SettingsError) for a failure; a stop returns an outcome with nothing written.
ImageOutcome filterImage(const RunOptions& options, const PreparedFilter& filter,
                         const ImageHooks& hooks, std::ostream& err);

// The exit status of a stopped command.
int cancelStatus();

int listFilters(const std::filesystem::path& plugin, std::ostream& out);

// The module beside the program, as the build places it.
std::filesystem::path defaultPluginPath();

// "WxH" with both at least 1, or nothing.
std::optional<std::pair<int32_t, int32_t>> parseTileSize(const std::string& text);

}  // namespace filterhost
