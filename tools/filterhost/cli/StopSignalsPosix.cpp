// SPDX-License-Identifier: MIT
#include "cli/StopSignals.h"

#include <unistd.h>

#include <array>
#include <atomic>
#include <csignal>

#include "cli/Terminal.h"
#include "util/SafeWrite.h"

namespace filterhost {
namespace {

// SIGQUIT keeps its default (quit with a core dump): the OpenCL compiler's
// crash handler takes it over while a device is open anyway.
constexpr std::array kStopSignals = {SIGINT, SIGTERM, SIGHUP};
constexpr int kExitSignalBase = 128;

std::atomic<int> gStops{0};
std::atomic<int> gFirstSignal{0};
struct sigaction gPrevious[kStopSignals.size()];
struct sigaction gPreviousFileSize;

extern "C" void onStopSignal(int signal) {
    int expected = 0;
    gFirstSignal.compare_exchange_strong(expected, signal);
    if (gStops.fetch_add(1) == 0) return;
    // Only async-signal-safe calls from here on.
    nelvo::util::removeTemporaryFilesNow();
    Terminal::restoreNow();
    constexpr char kMessage[] = "\nfilterhost: stopped; nothing written\n";
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
    ::_exit(kExitSignalBase + signal);
}

}  // namespace

StopSignals::StopSignals() {
    gStops.store(0);
    gFirstSignal.store(0);
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < kStopSignals.size(); ++i)
        sigaction(kStopSignals[i], &action, &gPrevious[i]);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGXFSZ, &ignore, &gPreviousFileSize);
}

StopSignals::~StopSignals() {
    for (std::size_t i = 0; i < kStopSignals.size(); ++i)
        sigaction(kStopSignals[i], &gPrevious[i], nullptr);
    sigaction(SIGXFSZ, &gPreviousFileSize, nullptr);
}

bool StopSignals::requested() {
    return gStops.load() > 0;
}

void StopSignals::request() {
    gStops.fetch_add(1);
}

void StopSignals::raiseForTest(const std::string& name) {
    if (name == "INT") std::raise(SIGINT);
    if (name == "TERM") std::raise(SIGTERM);
    if (name == "HUP") std::raise(SIGHUP);
}

int StopSignals::exitStatus() {
    const int signal = gFirstSignal.load();
    return kExitSignalBase + (signal != 0 ? signal : SIGINT);
}

}  // namespace filterhost
