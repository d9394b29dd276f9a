// SPDX-License-Identifier: MIT
// The terminal during a command: a progress bar on stderr, and the user's
// request to stop (the Escape key when stdin is a terminal, besides the
// signals that StopSignals handles). The key handling has one twin per
// platform: termios on Linux, the console's input records on Windows.
#pragma once

#include <cstdint>
#include <string>

namespace filterhost {

class Terminal {
  public:
    Terminal();   // on a terminal, keys unechoed and one at a time
    ~Terminal();  // restores the terminal's modes
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    // True once Escape was pressed or a stop signal came.
    bool stopRequested();
    // Puts back the terminal's modes at once; async-signal-safe, for a
    // program that ends from a signal handler.
    static void restoreNow() noexcept;
    // Draws the bar when stderr is a terminal; otherwise does nothing.
    void progress(int32_t done, int32_t total);
    // One line "filterhost: `what`" when stderr is a terminal, for the phases that
    // draw no bar (reading a large file can take seconds); otherwise nothing.
    void status(const std::string& what);
    // Ends the bar's line, if one was drawn.
    void finish();
    // Wipes the bar's line, if one was drawn, so that other lines can be
    // printed before the bar is drawn again.
    void clearBar();

  private:
    // Whether stderr is a terminal (a console on Windows), where the bar is drawn.
    static bool errorsGoToTerminal();

    bool keys_ = false;
    bool barShown_ = false;
    int lastPercent_ = -1;
};

}  // namespace filterhost
