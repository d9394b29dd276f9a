// SPDX-License-Identifier: MIT
// The terminal's keys through termios: raw, unechoed, read without waiting.
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>

#include "cli/StopSignals.h"
#include "cli/Terminal.h"

namespace filterhost {
namespace {

termios gPreviousTerminal;
std::atomic<bool> gTerminalChanged{false};

constexpr char kEscape = 0x1B;

}  // namespace

Terminal::Terminal() {
    if (isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &gPreviousTerminal) == 0) {
        // Keys arrive one at a time and unechoed, so Escape can be seen at once.
        termios raw = gPreviousTerminal;
        raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
        raw.c_cc[VMIN] = 0;
        raw.c_cc[VTIME] = 0;
        keys_ = tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0;
        gTerminalChanged.store(keys_);
    }
}

Terminal::~Terminal() {
    finish();
    restoreNow();
}

void Terminal::restoreNow() noexcept {
    if (gTerminalChanged.exchange(false)) tcsetattr(STDIN_FILENO, TCSANOW, &gPreviousTerminal);
}

bool Terminal::stopRequested() {
    if (keys_) {
        pollfd input{STDIN_FILENO, POLLIN, 0};
        while (poll(&input, 1, 0) > 0 && (input.revents & POLLIN) != 0) {
            char key = 0;
            if (read(STDIN_FILENO, &key, 1) != 1) break;
            if (key == kEscape) StopSignals::request();
        }
    }
    return StopSignals::requested();
}

bool Terminal::errorsGoToTerminal() {
    return isatty(STDERR_FILENO) != 0;
}

}  // namespace filterhost
