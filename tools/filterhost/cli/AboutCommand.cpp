// SPDX-License-Identifier: MIT
#include "cli/AboutCommand.h"

#include "module/PluginModule.h"
#include "session/HostServices.h"
#include "session/HostSession.h"

namespace filterhost {

int showAbout(const std::filesystem::path& plugin, std::ostream& err) {
    const auto module = PluginModule::load(plugin);
    HostServices services;
    HostSession session(*module, services);
    const int16_t result = session.about();
    if (result != noErr) {
        err << "filterhost: the about step ended with " << result << "\n";
        return 1;
    }
    return 0;
}

}  // namespace filterhost
