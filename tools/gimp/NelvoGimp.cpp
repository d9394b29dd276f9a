// SPDX-License-Identifier: MIT
// The GIMP 2.10 plug-in program: a host for the filter module on GIMP's open
// image. It registers one procedure, named after the module, in the menu place
// the module's property list gives, and runs the module on the drawable
// through our host library: interactively with the module's own dialog (Qt in
// this process; libgimpui and GTK are left out, their theme clashes with Qt's),
// non-interactively with the given parameters, or with the last confirmed
// settings, which the host's descriptor registry keeps between calls.
#include <libgimp/gimp.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "DrawableDocument.h"
#include "PIFilter.h"
#include "ProcedureParameters.h"
#include "module/PluginModule.h"
#include "session/HostServices.h"
#include "session/HostSession.h"

namespace fs = std::filesystem;
using namespace filterhost;

namespace {

// The run mode, image and drawable every filter procedure takes first.
constexpr int kFixedParameters = 3;

// The module lives beside this program.
fs::path modulePath() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return (error ? fs::current_path() : self.parent_path()) / "Nelvo.8bf";
}

std::string procedureName(const PluginInfo& info) {
    std::string name = "plug-in-";
    for (const char c : info.name)
        if (std::isalnum(static_cast<unsigned char>(c)) != 0)
            name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

// "Nelvo..." under "Filters > Brenwick".
std::string menuLabel(const PluginInfo& info) {
    return info.name.find("...") == std::string::npos ? info.name + "..." : info.name;
}

void query() {
    const auto module = PluginModule::load(modulePath());
    const PluginInfo& info = module->info();
    const auto parameters = gimp::procedureParameters(*module);
    std::vector<GimpParamDef> defs = {
        {GIMP_PDB_INT32, const_cast<gchar*>("run-mode"),
         const_cast<gchar*>("The run mode { RUN-INTERACTIVE (0), RUN-NONINTERACTIVE (1), "
                            "RUN-WITH-LAST-VALS (2) }")},
        {GIMP_PDB_IMAGE, const_cast<gchar*>("image"), const_cast<gchar*>("Input image")},
        {GIMP_PDB_DRAWABLE, const_cast<gchar*>("drawable"), const_cast<gchar*>("Input drawable")}};
    for (const auto& p : parameters) {
        const GimpPDBArgType type =
            p.kind == ValueKind::UnitFloat ? GIMP_PDB_FLOAT : GIMP_PDB_INT32;
        std::string description = p.description;
        if (p.kind == ValueKind::Boolean) description += " (TRUE or FALSE)";
        defs.push_back({type, g_strdup(p.name.c_str()), g_strdup(description.c_str())});
    }
    const std::string name = procedureName(info);
    const std::string label = menuLabel(info);
    gimp_install_procedure(name.c_str(), "Removes dust, hairs and scratches",
                           "Finds small defects darker or brighter than their surroundings and "
                           "dissolves them from their intact neighbours.",
                           "Nelvo", "Nelvo", "2026", label.c_str(), "RGB*, GRAY*", GIMP_PLUGIN,
                           static_cast<gint>(defs.size()), 0, defs.data(), nullptr);
    const std::string place = "<Image>/Filters/" + info.category;
    gimp_plugin_menu_register(name.c_str(), place.c_str());
}

// When this process began, on the steady clock (which counts from boot, as
// the kernel's start time does).
std::chrono::steady_clock::time_point processStart() {
    const auto now = std::chrono::steady_clock::now();
    std::FILE* stat = std::fopen("/proc/self/stat", "r");
    if (stat == nullptr) return now;
    char text[1024] = {};
    const std::size_t length = std::fread(text, 1, sizeof text - 1, stat);
    std::fclose(stat);
    text[length] = '\0';
    const char* field = std::strrchr(text, ')');
    unsigned long long ticks = 0;
    // Field 22, the start time in clock ticks; the text after ')' begins at field 3.
    if (field == nullptr ||
        std::sscanf(
            field + 2,
            "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %*u %*u %*d %*d %*d %*d %*d %*d %llu",
            &ticks) != 1)
        return now;
    timespec boot{};
    clock_gettime(CLOCK_BOOTTIME, &boot);
    const double sinceStart =
        static_cast<double>(boot.tv_sec) + static_cast<double>(boot.tv_nsec) * 1e-9 -
        static_cast<double>(ticks) / static_cast<double>(sysconf(_SC_CLK_TCK));
    return now - std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                     std::chrono::duration<double>(sinceStart));
}

// With NELVO_GIMP_TIMES set, one line on stderr with the seconds each phase
// of a run took (the first from the start of this process), for
// bench/gimp-bench.sh.
class PhaseTimes {
  public:
    void mark(const char* phase) {
        const auto now = std::chrono::steady_clock::now();
        line_ += std::string(line_.empty() ? "" : ", ") + phase + " " +
                 std::to_string(std::chrono::duration<double>(now - last_).count()) + " s";
        last_ = now;
    }
    void report() const {
        if (std::getenv("NELVO_GIMP_TIMES") != nullptr)
            g_printerr("nelvo-gimp: %s\n", line_.c_str());
    }

  private:
    std::chrono::steady_clock::time_point last_ = processStart();
    std::string line_;
};

std::optional<std::pair<int32_t, int32_t>> tileFromEnvironment() {
    const char* text = std::getenv("NELVO_GIMP_TILE");
    if (text == nullptr || *text == '\0') return std::nullopt;
    int width = 0, height = 0;
    char end = 0;
    if (std::sscanf(text, "%dx%d%c", &width, &height, &end) != 2 || width < 1 || height < 1)
        throw std::runtime_error(std::string("NELVO_GIMP_TILE: expected WxH, got '") + text + "'");
    return std::pair{width, height};
}

const char* describeResult(int16_t result) {
    switch (result) {
        case memFullErr:
            return "out of memory";
        case filterBadParameters:
            return "bad parameters";
        default:
            return "the filter failed";
    }
}

// What a call with these parameters hands the module, and whether it shows the
// dialog; throws std::runtime_error for parameters that do not fit.
struct Call {
    Descriptor descriptor;
    int16_t playInfo = plugInDialogSilent;
};

Call callFor(GimpRunMode mode, const PluginModule& module, gint count, const GimpParam* params) {
    Call call;
    if (mode == GIMP_RUN_INTERACTIVE) {
        call.playInfo = plugInDialogDisplay;
        return call;
    }
    if (mode == GIMP_RUN_WITH_LAST_VALS) return call;  // the module's last confirmed settings
    const auto parameters = gimp::procedureParameters(module);
    if (count != kFixedParameters + static_cast<gint>(parameters.size()))
        throw std::runtime_error("expected " + std::to_string(parameters.size()) +
                                 " filter parameters after run mode, image and drawable");
    std::vector<gimp::ParameterValue> values;
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        const GimpParam& given = params[kFixedParameters + static_cast<gint>(i)];
        values.push_back({given.data.d_int32, given.data.d_float});
    }
    call.descriptor = gimp::descriptorFor(parameters, values);
    return call;
}

GimpPDBStatusType runFilter(GimpRunMode mode, gint count, const GimpParam* params,
                            std::string& message) {
    const gint32 image = params[1].data.d_image;
    const gint32 drawable = params[2].data.d_drawable;
    PhaseTimes times;
    times.mark("start");
    const auto module = PluginModule::load(modulePath());
    const Call call = callFor(mode, *module, count, params);
    times.mark("module");
    gimp::DrawableDocument source = gimp::readDrawable(image, drawable, true);
    // What GEGL and libgimp held while the pixels passed is free now; give it
    // back before the filter's planes make this process's peak.
    malloc_trim(0);
    times.mark("read");
    Document& document = source.document;
    if (document.filterRect.bottom <= document.filterRect.top) return GIMP_PDB_SUCCESS;

    HostServices services;
    HostSession session(*module, services);
    session.giveDescriptor(call.descriptor, call.playInfo);
    // The whole filter rectangle as one tile, as filterhost does by default:
    // the result is what the dialog previews. NELVO_GIMP_TILE=WxH imitates an
    // editor that hands out smaller tiles, as filterhost's --tile does.
    const VRect area = document.filterRect;
    const auto tile = tileFromEnvironment();
    session.beforeCall = [area, tile](FilterRecord& record) {
        record.outTileWidth = recordTileSide(tile ? tile->first : area.right - area.left);
        record.outTileHeight = recordTileSide(tile ? tile->second : area.bottom - area.top);
    };
    gimp_progress_init("Nelvo");
    session.hooks.progress = [](int32_t done, int32_t total) {
        if (total > 0) gimp_progress_update(static_cast<gdouble>(done) / total);
    };
    const int16_t result = session.run(document);
    times.mark("filter");
    if (result == userCanceledErr) return GIMP_PDB_CANCEL;
    if (result != noErr) {
        message =
            std::string("Nelvo: ") + describeResult(result) + " (" + std::to_string(result) + ")";
        return GIMP_PDB_EXECUTION_ERROR;
    }
    gimp_image_undo_group_start(image);
    gimp::writeDrawable(source);
    gimp_image_undo_group_end(image);
    times.mark("write");
    times.report();
    gimp_progress_update(1.0);
    if (mode == GIMP_RUN_INTERACTIVE) gimp_displays_flush();
    return GIMP_PDB_SUCCESS;
}

// GEGL for its buffers alone. Left to itself, its start costs more than a
// second here: babl rebuilds every conversion listed in its shared cache
// (other programs' too, with tables of hundreds of megabytes), and GEGL loads
// its whole library of operations. This process converts a handful of formats,
// found again in milliseconds, and runs no operation. GEGL's tile cache stays
// small: pixels pass through it once, a strip at a time, and a large cache
// only fills memory that has to be fetched and cleared first.
void startGegl() {
    g_setenv("BABL_INHIBIT_CACHE", "1", FALSE);
    g_setenv("GEGL_PATH", (modulePath().parent_path() / "no-gegl-operations").c_str(), TRUE);
    gegl_init(nullptr, nullptr);
    g_object_set(gegl_config(), "tile-cache-size", static_cast<guint64>(16) << 20, nullptr);
}

void run(const gchar*, gint count, const GimpParam* params, gint* returnCount,
         GimpParam** returnValues) {
    static GimpParam values[2];
    static std::string message;
    startGegl();
    GimpPDBStatusType status = GIMP_PDB_CALLING_ERROR;
    message.clear();
    if (count >= kFixedParameters) {
        const auto mode = static_cast<GimpRunMode>(params[0].data.d_int32);
        try {
            status = runFilter(mode, count, params, message);
        } catch (const std::exception& e) {
            message = std::string("Nelvo: ") + e.what();
            status = GIMP_PDB_EXECUTION_ERROR;
        }
    }
    *returnCount = 1;
    *returnValues = values;
    values[0].type = GIMP_PDB_STATUS;
    values[0].data.d_status = status;
    if (!message.empty()) {
        // One clear line in GIMP's error console, and the error for a script.
        gimp_message(message.c_str());
        *returnCount = 2;
        values[1].type = GIMP_PDB_STRING;
        values[1].data.d_string = const_cast<gchar*>(message.c_str());
    }
}

void queryGuarded() {
    try {
        query();
    } catch (const std::exception& e) {
        g_printerr("Nelvo: %s\n", e.what());
    }
}

}  // namespace

const GimpPlugInInfo PLUG_IN_INFO = {nullptr, nullptr, queryGuarded, run};

MAIN()
