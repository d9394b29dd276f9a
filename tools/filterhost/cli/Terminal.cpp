// SPDX-License-Identifier: MIT
#include "cli/Terminal.h"

#include "cli/StopSignals.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <string>

namespace filterhost {
namespace {

termios gPreviousTerminal;
std::atomic<bool> gTerminalChanged{false};

constexpr char kEscape = 0x1B;
constexpr int kBarWidth = 40;

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

void Terminal::progress(int32_t done, int32_t total) {
    if (!isatty(STDERR_FILENO) || total <= 0) return;
    const int percent = static_cast<int>(int64_t{done} * 100 / total);
    if (percent == lastPercent_) return;
    lastPercent_ = percent;
    const int filled = percent * kBarWidth / 100;
    const std::string bar = std::string(static_cast<std::size_t>(filled), '#') +
                            std::string(static_cast<std::size_t>(kBarWidth - filled), ' ');
    std::fprintf(stderr, "\r[%s] %3d%%  (Esc or Ctrl-C stops)", bar.c_str(), percent);
    std::fflush(stderr);
    barShown_ = true;
}

void Terminal::status(const std::string& what) {
    if (!isatty(STDERR_FILENO)) return;
    clearBar();
    std::fprintf(stderr, "filterhost: %s\n", what.c_str());
    std::fflush(stderr);
}

void Terminal::finish() {
    if (!barShown_) return;
    std::fputc('\n', stderr);
    barShown_ = false;
    lastPercent_ = -1;
}

void Terminal::clearBar() {
    if (!barShown_) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    barShown_ = false;
    lastPercent_ = -1;
}

}  // namespace filterhost
