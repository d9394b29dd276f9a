// SPDX-License-Identifier: MIT
// The GIMP 2.10 plug-in program: a host for the filter module on GIMP's open
// image. It registers one procedure, named after the module, in the menu place
// the module's property list gives, and runs the module on the drawable
// through our host library: interactively with the module's own dialog (Qt in
// this process; libgimpui and GTK are left out, their theme clashes with Qt's),
// non-interactively with the given parameters, or with the last confirmed
// settings, which the host's descriptor registry keeps between calls.
#include <libgimp/gimp.h>

#include <sys/resource.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
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

// With NELVO_GIMP_TIMES set, one line on stderr gives the time of each phase
// of a call and the process's peak memory: what moving pixels through GEGL
// costs on top of the filter itself.
class PhaseTimes {
  public:
    void lap(const char* phase) {
        const auto now = std::chrono::steady_clock::now();
        text_ += std::string(text_.empty() ? "" : ", ") + phase + " " +
                 std::to_string(std::chrono::duration<double>(now - last_).count()).substr(0, 5) +
                 " s";
        last_ = now;
    }
    void report() const {
        if (std::getenv("NELVO_GIMP_TIMES") == nullptr) return;
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        std::fprintf(stderr, "nelvo-gimp: %s; peak memory %ld MB\n", text_.c_str(),
                     usage.ru_maxrss / 1024);
    }

  private:
    std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
    std::string text_;
};

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
    const auto module = PluginModule::load(modulePath());
    const Call call = callFor(mode, *module, count, params);

    PhaseTimes times;
    gimp::DrawableDocument source = gimp::readDrawable(image, drawable, true);
    times.lap("read");
    Document& document = source.document;
    if (document.filterRect.bottom <= document.filterRect.top) return GIMP_PDB_SUCCESS;

    HostServices services;
    HostSession session(*module, services);
    session.giveDescriptor(call.descriptor, call.playInfo);
    // The whole filter rectangle as one tile, as filterhost does by default:
    // the result is what the dialog previews.
    const VRect area = document.filterRect;
    session.beforeCall = [area](FilterRecord& record) {
        record.outTileWidth = std::max(area.right - area.left, 1);
        record.outTileHeight = std::max(area.bottom - area.top, 1);
    };
    gimp_progress_init("Nelvo");
    session.hooks.progress = [](int32_t done, int32_t total) {
        if (total > 0) gimp_progress_update(static_cast<gdouble>(done) / total);
    };
    const int16_t result = session.run(document);
    times.lap("filter");
    if (result == userCanceledErr) return GIMP_PDB_CANCEL;
    if (result != noErr) {
        message =
            std::string("Nelvo: ") + describeResult(result) + " (" + std::to_string(result) + ")";
        return GIMP_PDB_EXECUTION_ERROR;
    }
    gimp_image_undo_group_start(image);
    gimp::writeDrawable(source);
    gimp_image_undo_group_end(image);
    times.lap("write");
    times.report();
    gimp_progress_update(1.0);
    if (mode == GIMP_RUN_INTERACTIVE) gimp_displays_flush();
    return GIMP_PDB_SUCCESS;
}

void run(const gchar*, gint count, const GimpParam* params, gint* returnCount,
         GimpParam** returnValues) {
    static GimpParam values[2];
    static std::string message;
    gegl_init(nullptr, nullptr);
    // The picture is copied out whole at once: GEGL's tile cache would hold a
    // second copy of it for nothing.
    g_object_set(gegl_config(), "tile-cache-size", static_cast<guint64>(16) << 20, nullptr);
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
