// SPDX-License-Identifier: MIT
#include "cli/Terminal.h"

#include <cstdio>
#include <string>

namespace filterhost {
namespace {

constexpr int kBarWidth = 40;

}  // namespace

void Terminal::progress(int32_t done, int32_t total) {
    if (!errorsGoToTerminal() || total <= 0) return;
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
    if (!errorsGoToTerminal()) return;
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
