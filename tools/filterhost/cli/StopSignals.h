// SPDX-License-Identifier: MIT
// The signals that stop the program (SIGINT, SIGTERM, SIGHUP). The
// first asks the work to stop: the filter's abort polls and every phase of a
// command ask requested(), and a stopped command writes nothing. A second ends
// the program at once, removing its temporary files and restoring the
// terminal. SIGXFSZ is ignored, so that a file-size limit shows as a failed
// write rather than killing the program midway. On Windows the console's
// Ctrl-C, Ctrl-Break and close events take the signals' place.
#pragma once

#include <string>

namespace filterhost {

class StopSignals {
  public:
    StopSignals();   // installs the handlers
    ~StopSignals();  // restores the previous ones
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // A stop was asked for, by a signal or by request().
    static bool requested();
    // Asks for a stop as the first signal does (the Escape key).
    static void request();
    // The exit status of a stopped program: 128 + the signal, 130 for a key.
    static int exitStatus();
    // For tests: delivers the stop named "INT", "TERM" or "HUP" as the system
    // would (on Windows the console events Ctrl-C, Ctrl-Break and close stand
    // for them); other names do nothing.
    static void raiseForTest(const std::string& name);
};

}  // namespace filterhost
