// SPDX-License-Identifier: MIT
#include "cli/RunCommand.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <exception>
#include <memory>
#include <system_error>

#include "HostError.h"
#include "PIProperties.h"
#include "cli/DisplayCheck.h"
#include "cli/FilePaths.h"
#include "cli/KeyCheck.h"
#include "cli/KeyRanges.h"
#include "cli/PixelChanges.h"
#include "cli/ProgramFile.h"
#include "cli/SetAssignment.h"
#include "cli/SettingsReport.h"
#include "cli/StopSignals.h"
#include "cli/Terminal.h"
#include "imageio/ImageFiles.h"
#include "module/EnableExpression.h"
#include "module/PluginModule.h"
#include "module/TerminologyResource.h"
#include "scripting/ActionFile.h"
#include "session/HostServices.h"
#include "session/HostSession.h"
#include "session/LargeBuffers.h"
#include "util/SafeWrite.h"

namespace fs = std::filesystem;

namespace filterhost {
namespace {

constexpr int kExitFailed = 1;
constexpr int kExitCancelled = 130;
// Tiles a host with little memory hands out when the whole rectangle is too big.
constexpr int32_t kFallbackTileSide = 2048;
// A silent run hands out bands of whole rows, about this many pixels each, and
// at least kMinBandRows high so that the rows a module reads around a band
// stay a small part of it. The band's planes in the module and the few bands
// of output the host holds then cost far less than the picture itself.
constexpr int64_t kBandPixels = 3'000'000;
constexpr int64_t kMinBandRows = 512;

// The kinds of the keys the module's terminology names; other keys are typed
// by how their values are written.
KeyKinds moduleKeyKinds(const PluginModule& module) {
    KeyKinds kinds;
    if (module.info().terminology) {
        if (const auto bytes =
                module.resource(kTerminologyResource, module.info().terminology->resourceID)) {
            try {
                kinds = keyKinds(parseTerminology(*bytes));
            } catch (const std::exception& e) {
                throw HostError(module.path().string() + ": malformed " + e.what());
            }
        }
    }
    return kinds;
}

std::string modeList(const PluginInfo& info) {
    std::string text;
    for (int mode = 0; mode < 18; ++mode) {
        if (!info.supportsMode(mode)) continue;
        if (!text.empty()) text += ", ";
        text += modeName(mode);
    }
    return text.empty() ? "none" : text;
}

// The bounding box of the selected pixels, or an empty rectangle.
VRect selectionBounds(const Document& document) {
    VRect box{document.height, document.width, 0, 0};
    for (int32_t y = 0; y < document.height; ++y) {
        const uint8_t* row = document.mask.data() +
                             static_cast<std::size_t>(y) * static_cast<std::size_t>(document.width);
        for (int32_t x = 0; x < document.width; ++x) {
            if (row[x] == 0) continue;
            box.top = std::min(box.top, y);
            box.bottom = std::max(box.bottom, y + 1);
            box.left = std::min(box.left, x);
            box.right = std::max(box.right, x + 1);
        }
    }
    return box.bottom > box.top ? box : VRect{0, 0, 0, 0};
}

// What the host holds for one tile: its input and output copies and the
// selection mask, besides the buffer space the module asked for at prepare.
// The module's own working memory is its business, not the host's.
uint64_t tileCost(const Document& document, int64_t width, int64_t height) {
    const uint64_t perPixel = 2 * document.pixelBytes() + (document.mask.empty() ? 0 : 1);
    return static_cast<uint64_t>(width * height) * perPixel;
}

// The host's tile: the one asked for; for a silent run bands of whole rows;
// else the whole filter rectangle while the host's copies of it and the
// module's buffers fit the budget, or a fixed side. (The module reads around
// each tile, so that every tiling gives the result of the whole rectangle,
// which the editing dialog previews.)
std::pair<int32_t, int32_t> tileSize(const RunOptions& options, const Document& document,
                                     int32_t bufferSpace, bool silent) {
    if (options.tile) return *options.tile;
    const int64_t width = int64_t{document.filterRect.right} - document.filterRect.left;
    const int64_t height = int64_t{document.filterRect.bottom} - document.filterRect.top;
    if (silent && width >= 1 && width <= INT16_MAX) {
        const int64_t rows = options.bandRows
                                 ? std::max<int64_t>(*options.bandRows, 1)
                                 : std::max(kMinBandRows, (kBandPixels + width - 1) / width);
        if (rows < height) return {static_cast<int32_t>(width), static_cast<int32_t>(rows)};
    }
    const uint64_t moduleBuffers = static_cast<uint64_t>(std::max(bufferSpace, 0));
    if (tileCost(document, width, height) + moduleBuffers <= options.wholeTileBudget) {
        return {static_cast<int32_t>(std::max<int64_t>(width, 1)),
                static_cast<int32_t>(std::max<int64_t>(height, 1))};
    }
    return {kFallbackTileSide, kFallbackTileSide};
}

// `dialogAsked`: the call asked the module for its editing dialog, which a
// build without a window layer refuses with errPlugInHostInsufficient.
std::string describeResult(int16_t result, bool dialogAsked) {
    switch (result) {
        case memFullErr:
            return "out of memory (-108)";
        case filterBadParameters:
            return "bad parameters (-30100)";
        case errPlugInHostInsufficient:
            if (dialogAsked)
                return "the filter cannot show its editing dialog here (-30900); run it without "
                       "the dialog, from an action (--play) or with the last settings";
            return "the host lacks what the filter needs (-30900)";
        case -1:
            return "the filter failed (-1)";
        default:
            return "the filter failed (" + std::to_string(result) + ")";
    }
}

}  // namespace

fs::path defaultPluginPath() {
    const std::optional<fs::path> self = programFile();
    return (self ? self->parent_path() : fs::current_path()) / "Nelvo.8bf";
}

std::optional<std::pair<int32_t, int32_t>> parseTileSize(const std::string& text) {
    const auto x = text.find('x');
    if (x == std::string::npos) return std::nullopt;
    int32_t width = 0, height = 0;
    const char* begin = text.data();
    const char* end = begin + text.size();
    const auto [wEnd, wError] = std::from_chars(begin, begin + x, width);
    const auto [hEnd, hError] = std::from_chars(begin + x + 1, end, height);
    if (wError != std::errc() || hError != std::errc() || wEnd != begin + x || hEnd != end)
        return std::nullopt;
    if (width < 1 || height < 1) return std::nullopt;
    return std::pair{width, height};
}

namespace {

// How a terminology type is given on the command line.
std::string typeWords(uint32_t type) {
    switch (type) {
        case typeInteger:
            return "integer";
        case typeBoolean:
            return "true/false";
        case typeFloat:
            return "number";
        case typeIntegers:
            return "list of integers";
        default:
            break;
    }
    std::string quoted(1, '\'');
    quoted += keyText(type);
    quoted += '\'';
    return quoted;
}

// " 1..20", " from 1", " up to 9", or nothing for a key the module leaves open:
// values beyond an end are taken as that end.
std::string rangeWords(const KeyRange& range) {
    std::string words;
    if (range.low && range.high) {
        words.append(" ").append(std::to_string(*range.low));
        words.append("..").append(std::to_string(*range.high));
    } else if (range.low) {
        words.append(" from ").append(std::to_string(*range.low));
    } else if (range.high) {
        words.append(" up to ").append(std::to_string(*range.high));
    }
    return words;
}

// The keys the module's terminology names, for --set and action files: key, name, type,
// the range the module clamps an integer to, and the module's own description.
void listScriptingKeys(PluginModule& module, std::ostream& out) {
    const PluginInfo& info = module.info();
    if (!info.terminology) return;
    const auto bytes = module.resource(kTerminologyResource, info.terminology->resourceID);
    if (!bytes) return;
    TerminologyInfo terminology;
    try {
        terminology = parseTerminology(*bytes);
    } catch (const std::exception& e) {
        throw HostError(module.path().string() + ": malformed " + e.what());
    }
    std::vector<uint32_t> integerKeys;
    for (const TerminologySuite& suite : terminology.suites)
        for (const TerminologyEvent& event : suite.events)
            for (const TerminologyParameter& p : event.parameters)
                if (p.type == typeInteger) integerKeys.push_back(p.key);
    const std::map<uint32_t, KeyRange> ranges = probeKeyRanges(module, integerKeys);
    out << "    scripting keys (--set KEY=VALUE):\n";
    for (const TerminologySuite& suite : terminology.suites)
        for (const TerminologyEvent& event : suite.events)
            for (const TerminologyParameter& p : event.parameters) {
                out << "      " << keyText(p.key) << "  " << p.name << ", " << typeWords(p.type);
                if (const auto range = ranges.find(p.key); range != ranges.end())
                    out << rangeWords(range->second);
                if (!p.description.empty() && p.description != p.name)
                    out << " (" << p.description << ")";
                out << "\n";
            }
}

}  // namespace

int listFilters(const fs::path& plugin, std::ostream& out) {
    const auto module = PluginModule::load(plugin);
    const PluginInfo& info = module->info();
    out << "Filter menu:\n  " << info.category << " > " << info.name << "\n";
    out << "    module: " << module->path().string() << "\n";
    out << "    modes: " << modeList(info) << "\n";
    out << "    enable: " << info.enableExpression << "\n";
    listScriptingKeys(*module, out);
    return 0;
}

namespace {

// Every file the run will write, checked before any work.
void checkOutputs(const RunOptions& options) {
    checkWritable(options.output);
    checkFolderTakesFile(options.output);
    refuseOverwriting(options.output, options.input, "the input");
    if (options.mask) refuseOverwriting(options.output, *options.mask, "the mask");
    if (options.record) {
        checkFolderTakesFile(*options.record);
        refuseOverwriting(*options.record, options.input, "the input");
        refuseOverwriting(*options.record, options.output, "the output");
        if (options.mask) refuseOverwriting(*options.record, *options.mask, "the mask");
    }
}

}  // namespace

namespace {

// The keys the filter reads and the kind of each: it reads them all, from the
// descriptor given, before it first polls for a stop, so a silent run on one
// pixel stopped at that poll tells them.
AskedKeys askedKeys(PluginModule& module, const Descriptor& given) {
    Document probe;
    probe.allocate(1, 1, 3, plugInModeRGBColor, 8);
    HostServices services;
    HostSession session(module, services);
    session.giveDescriptor(given, plugInDialogSilent);
    session.hooks.abortRequested = [] { return true; };
    session.run(probe);
    return services.scripting().askedKeys();
}

// 0 and 1 are booleans too where the filter reads a boolean: the terminology
// does not name the kind of every key, and the command line guesses an integer.
void takeNumbersAsBooleans(Descriptor& descriptor, const AskedKeys& asked) {
    for (const auto& [key, kind] : asked) {
        if (kind.kind != ValueKind::Boolean) continue;
        const DescriptorValue* value = descriptor.find(key);
        const auto* number = value != nullptr ? std::get_if<int32_t>(value) : nullptr;
        if (number != nullptr && (*number == 0 || *number == 1)) descriptor.put(key, *number == 1);
    }
}

}  // namespace

PreparedFilter prepareFilter(const RunOptions& options) {
    PreparedFilter filter;
    filter.module = PluginModule::load(options.plugin);
    const KeyKinds kinds = moduleKeyKinds(*filter.module);
    if (options.play) filter.action = readAction(*options.play, kinds);
    filter.played = filter.action.descriptor;
    for (const std::string& assignment : options.assignments) {
        try {
            putFromText(filter.assigned, assignment, kinds);
        } catch (const std::exception& e) {
            throw HostError(std::string("--set: ") + e.what());
        }
    }
    for (const auto& [key, value] : filter.assigned.entries())
        filter.action.descriptor.put(key, value);
    filter.askedKeys = askedKeys(*filter.module, filter.action.descriptor);
    takeNumbersAsBooleans(filter.action.descriptor, filter.askedKeys);
    takeNumbersAsBooleans(filter.assigned, filter.askedKeys);
    if (options.dialog) filter.action.playInfo = plugInDialogDisplay;
    if (filter.action.playInfo == plugInDialogDisplay) {
        // Without a display the module could not show its window; say so plainly.
        if (const std::optional<std::string> missing = missingDisplay()) {
            const std::string needs = "needs a display (" + *missing + ")";
            if (options.dialog) throw HostError("--dialog " + needs);
            throw HostError((options.play ? "the action " + options.play->string() + " "
                                          : std::string("the action ")) +
                            "asks for the editing dialog (playInfo \"" +
                            playInfoName(filter.action.playInfo) + "\"), which " + needs);
        }
    }
    return filter;
}

void checkGivenKeys(const RunOptions& options, const PreparedFilter& filter) {
    if (const auto problem = givenKeyProblem(filter.action.descriptor, filter.askedKeys))
        throw SettingsError(
            (options.play ? options.play->string() + ": " : std::string("--set: ")) + *problem);
}

namespace {

// The module asked for rows the host had already written back (see
// TileServer::writeBackInOrder): its run is void and is made again.
struct WentBack {};

ImageOutcome filterImageOnce(const RunOptions& options, const PreparedFilter& filter,
                             const ImageHooks& hooks, std::ostream& err, bool inOrder) {
    const auto phase = [&options](const char* name) {
        if (options.phaseReached) options.phaseReached(name);
    };
    const auto stopped = [&hooks, &options] {
        return (hooks.stopped && hooks.stopped()) ||
               (options.stopRequested && options.stopRequested());
    };
    PluginModule& module = *filter.module;
    const Action& action = filter.action;
    ImageOutcome outcome;

    const auto status = [&hooks](const std::string& what) {
        if (hooks.status) hooks.status(what);
    };
    status("reading " + options.input.string());
    // A silent run in order reads a TIFF file's rows as the module comes to
    // them, and gives back the memory of the rows written out.
    const bool silent = action.playInfo != plugInDialogDisplay;
    ImageFile image;
    std::unique_ptr<ImageRowsReader> rowsReader;
    if (silent && inOrder) {
        rowsReader = readImageInRows(options.input, image);
    } else {
        image = readImage(options.input);
    }
    phase("read");
    if (stopped()) return outcome;
    Document& document = image.document;
    const EnableExpression enable(module.info().enableExpression);
    if (!enable.admits({document.imageMode, document.depth})) {
        throw HostError(options.input.string() + ": " + std::string(modeName(document.imageMode)) +
                        " at " + std::to_string(document.depth) +
                        " bits per channel is not supported by " + module.info().name);
    }
    checkWritable(options.output, &image);
    if (options.mask) {
        document.mask = readMask(*options.mask, document.width, document.height);
        document.filterRect = selectionBounds(document);
        if (document.filterRect.bottom <= document.filterRect.top)
            err << "filterhost: " << options.mask->string()
                << ": the mask selects nothing; the output equals the input\n";
    }
    // The tile server records which samples the filter changes, for counting
    // them without a copy of the image (16-bit files track them from reading).
    if (!document.changes.tracking())
        document.changes.track(document.pixels.size() / document.sampleBytes());

    HostServices services;
    HostSession session(module, services);
    session.giveDescriptor(action.descriptor, action.playInfo);
    // Before prepare bufferSpace is the host's 0; from start on it holds the
    // module's answer.
    session.beforeCall = [&options, &document, silent](FilterRecord& record) {
        // The record's tile fields are 16-bit: a wider image is served in
        // tiles of the widest side they hold.
        const auto tile = tileSize(options, document, record.bufferSpace, silent);
        record.outTileWidth = recordTileSide(tile.first);
        record.outTileHeight = recordTileSide(tile.second);
    };
    // The filter reads all its parameters before it first polls: a key it
    // never asked for by then is one it does not take, and the run stops.
    std::optional<std::string> keyProblem;
    session.hooks.abortRequested = [&] {
        if (!keyProblem)
            keyProblem = givenKeyProblem(action.descriptor, services.scripting().askedKeys());
        return keyProblem.has_value() || stopped();
    };
    if (hooks.progress) session.hooks.progress = hooks.progress;
    phase("filter");
    // The dialog's window shows once it has the whole picture and its first preview.
    if (options.dialog) status("opening the editing dialog");
    // A silent run needs no copy of the picture for the module's input: the
    // server writes a tile back once the module has moved on below it.
    session.begin(document);
    session.server().writeBackInOrder = silent && inOrder;
    // A TIFF output of a run in order is encoded band by band as the module
    // moves down, into the temporary file that the commit below renames; the
    // writer goes before the file it writes.
    std::optional<nelvo::util::SafeWrite> imageFile;
    std::unique_ptr<ImageRowsWriter> rowsWriter;
    std::exception_ptr fileFailure;
    // Runs file work inside one of the module's requests: what it throws is
    // kept for after the run, and the request fails, which stops the module.
    const auto withoutThrowing = [&fileFailure](auto&& work) {
        try {
            work();
            return true;
        } catch (...) {
            fileFailure = std::current_exception();
            return false;
        }
    };
    if (rowsReader) {
        session.server().rowsNeeded = [&](int32_t rows) {
            return withoutThrowing([&] { rowsReader->rowsNeeded(rows); });
        };
    }
    bool bandWritten = false;
    uint8_t* givenBack = document.pixels.data();
    if (silent && inOrder && writtenInRows(options.output)) {
        imageFile.emplace(options.output);
        rowsWriter = startWritingInRows(*imageFile, image);
        session.server().rowsFinal = [&](int32_t rows) {
            const bool written = withoutThrowing([&] {
                // Rows outside a selection are final without the module asking for them.
                if (rowsReader) rowsReader->rowsNeeded(rows);
                rowsWriter->rowsFinal(rows);
            });
            if (!written) return false;
            givenBack =
                givePagesBack(givenBack, document.pixels.data() +
                                             static_cast<std::size_t>(rowsWriter->rowsWritten()) *
                                                 document.rowBytes());
            if (!bandWritten) phase("band");
            bandWritten = true;
            return true;
        };
    }
    const int16_t result = session.run();
    // The tiles are in the document now; their buffers are not needed to write.
    session.server().releaseBuffers();
    if (session.server().wentBack()) throw WentBack{};
    if (fileFailure) std::rethrow_exception(fileFailure);
    if (hooks.filtered) hooks.filtered();
    for (const std::string& warning : services.scripting().warnings())
        err << "filterhost: " << warning << "\n";
    for (const std::string& problem : services.problems())
        err << "filterhost: " << module.path().string() << ": " << problem << "\n";
    if (!keyProblem)
        keyProblem = givenKeyProblem(action.descriptor, services.scripting().askedKeys());
    if (keyProblem)
        throw SettingsError(
            (options.play ? options.play->string() + ": " : std::string("--set: ")) + *keyProblem);
    if (result == userCanceledErr || stopped()) return outcome;
    if (result != noErr)
        throw HostError(options.input.string() + ": " +
                        describeResult(result, action.playInfo == plugInDialogDisplay));
    const std::optional<Descriptor> used = session.recordedDescriptor();
    if (used) {
        SettingsSources sources{services.scripting().entryRead(), filter.played, filter.assigned,
                                action.playInfo == plugInDialogDisplay};
        outcome.settings = describeSettings(*used, sources);
    }

    // The rows the module never asked for (below a selection) are read now.
    if (rowsReader) rowsReader->rowsNeeded(document.height);
    rowsReader.reset();
    // Both outputs are written in full before either replaces anything.
    if (rowsWriter) {
        rowsWriter->finish();
    } else {
        imageFile.emplace(options.output);
        writeImageTo(*imageFile, image);
    }
    std::optional<nelvo::util::SafeWrite> recordFile;
    if (options.record) {
        Action recorded;
        recorded.playInfo = options.dialog ? plugInDialogDisplay : plugInDialogSilent;
        recorded.descriptor = used.value_or(action.descriptor);
        recordFile.emplace(*options.record);
        recordFile->write(actionText(recorded));
    }
    phase("write");
    if (stopped()) return outcome;
    imageFile->commit();
    if (recordFile) recordFile->commit();
    outcome.written = true;
    // The count of changed pixels speaks for the filter alone.
    if (const auto note = lossyWriteNote(options.output, image))
        err << "filterhost: " << *note << "\n";
    outcome.pixels = static_cast<uint64_t>(document.width) * static_cast<uint64_t>(document.height);
    outcome.changed = document.changes.changedPixels(static_cast<std::size_t>(document.planes));
    return outcome;
}

}  // namespace

ImageOutcome filterImage(const RunOptions& options, const PreparedFilter& filter,
                         const ImageHooks& hooks, std::ostream& err) {
    try {
        return filterImageOnce(options, filter, hooks, err, true);
    } catch (const WentBack&) {
        // Rare: a module that does not walk its tiles from the top down. The
        // picture is read again and served from an untouched copy.
        return filterImageOnce(options, filter, hooks, err, false);
    }
}

int runFilter(const RunOptions& options, std::ostream& out, std::ostream& err) {
    StopSignals signals;
    Terminal terminal;
    const auto cancelled = [&err, &options] {
        err << "filterhost: " << options.input.string() << ": cancelled; nothing written\n";
        return cancelStatus();
    };
    try {
        checkOutputs(options);
        const PreparedFilter filter = prepareFilter(options);
        ImageHooks hooks;
        hooks.stopped = [&terminal] { return terminal.stopRequested(); };
        if (options.showProgress) {
            hooks.progress = [&terminal](int32_t done, int32_t total) {
                terminal.progress(done, total);
            };
        }
        hooks.filtered = [&terminal] { terminal.finish(); };
        if (options.showProgress)
            hooks.status = [&terminal](const std::string& what) { terminal.status(what); };
        const ImageOutcome outcome = filterImage(options, filter, hooks, err);
        if (!outcome.written) return cancelled();
        out << "filterhost: " << options.input.string() << " -> " << options.output.string()
            << "\n";
        out << "filterhost: " << describeChanges(outcome.changed, outcome.pixels) << "\n";
        if (outcome.settings) out << "filterhost: " << *outcome.settings << "\n";
        return 0;
    } catch (const std::exception& e) {
        err << "filterhost: " << e.what() << "\n";
        return kExitFailed;
    }
}

int cancelStatus() {
    return StopSignals::requested() ? StopSignals::exitStatus() : kExitCancelled;
}

}  // namespace filterhost
