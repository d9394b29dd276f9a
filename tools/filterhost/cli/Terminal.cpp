// SPDX-License-Identifier: MIT
#include "cli/Terminal.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <string>

namespace filterhost {
namespace {

std::atomic<bool> gInterrupted{false};
struct sigaction gPreviousAction;
termios gPreviousTerminal;

extern "C" void onInterrupt(int) {
    gInterrupted.store(true);
}

constexpr char kEscape = 0x1B;
constexpr int kBarWidth = 40;

}  // namespace

Terminal::Terminal() {
    gInterrupted.store(false);
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &gPreviousAction);
    if (isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &gPreviousTerminal) == 0) {
        // Keys arrive one at a time and unechoed, so Escape can be seen at once.
        termios raw = gPreviousTerminal;
        raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
        raw.c_cc[VMIN] = 0;
        raw.c_cc[VTIME] = 0;
        keys_ = tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0;
    }
}

Terminal::~Terminal() {
    finish();
    if (keys_) tcsetattr(STDIN_FILENO, TCSANOW, &gPreviousTerminal);
    sigaction(SIGINT, &gPreviousAction, nullptr);
}

bool Terminal::stopRequested() {
    if (keys_) {
        pollfd input{STDIN_FILENO, POLLIN, 0};
        while (poll(&input, 1, 0) > 0 && (input.revents & POLLIN) != 0) {
            char key = 0;
            if (read(STDIN_FILENO, &key, 1) != 1) break;
            if (key == kEscape) gInterrupted.store(true);
        }
    }
    return gInterrupted.load();
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

void Terminal::finish() {
    if (!barShown_) return;
    std::fputc('\n', stderr);
    barShown_ = false;
}

}  // namespace filterhost
