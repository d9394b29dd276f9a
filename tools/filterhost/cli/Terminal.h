// SPDX-License-Identifier: MIT
// The terminal during a run: a progress bar on stderr, and the user's request
// to stop (Ctrl-C, or the Escape key when stdin is a terminal).
#pragma once

#include <cstdint>

namespace filterhost {

class Terminal {
  public:
    Terminal();   // installs the SIGINT handler and, on a terminal, key polling
    ~Terminal();  // restores both
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    // True once Ctrl-C or Escape was pressed.
    bool stopRequested();
    // Draws the bar when stderr is a terminal; otherwise does nothing.
    void progress(int32_t done, int32_t total);
    // Ends the bar's line, if one was drawn.
    void finish();

  private:
    bool keys_ = false;
    bool barShown_ = false;
    int lastPercent_ = -1;
};

}  // namespace filterhost
