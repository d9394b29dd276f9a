// SPDX-License-Identifier: MIT
// The console's Ctrl-C, Ctrl-Break and close events on Windows, in place of
// the POSIX signals. The handler runs on a thread the system starts for it:
// the first event asks the work to stop; a second removes the temporary files,
// puts back the console's modes and ends the program at once.
#include <windows.h>

#include <atomic>
#include <csignal>

#include "cli/StopSignals.h"
#include "cli/Terminal.h"
#include "util/SafeWrite.h"

namespace filterhost {
namespace {

constexpr int kExitSignalBase = 128;

std::atomic<int> gStops{0};
std::atomic<int> gFirstSignal{0};

// Ctrl-C is SIGINT; Ctrl-Break and closing the console count as SIGTERM, the
// request to end that comes from outside.
int signalOf(DWORD event) {
    return event == CTRL_C_EVENT ? SIGINT : SIGTERM;
}

BOOL WINAPI onConsoleEvent(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    int expected = 0;
    gFirstSignal.compare_exchange_strong(expected, signalOf(event));
    if (gStops.fetch_add(1) == 0) return TRUE;
    nelvo::util::removeTemporaryFilesNow();
    Terminal::restoreNow();
    constexpr char kMessage[] = "\nfilterhost: stopped; nothing written\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), kMessage, sizeof kMessage - 1, &written, nullptr);
    ExitProcess(static_cast<UINT>(kExitSignalBase + gFirstSignal.load()));
}

}  // namespace

StopSignals::StopSignals() {
    gStops.store(0);
    gFirstSignal.store(0);
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

StopSignals::~StopSignals() {
    SetConsoleCtrlHandler(onConsoleEvent, FALSE);
}

bool StopSignals::requested() {
    return gStops.load() > 0;
}

void StopSignals::request() {
    gStops.fetch_add(1);
}

void StopSignals::raiseForTest(const std::string& name) {
    if (name == "INT") onConsoleEvent(CTRL_C_EVENT);
    if (name == "TERM") onConsoleEvent(CTRL_BREAK_EVENT);
    if (name == "HUP") onConsoleEvent(CTRL_CLOSE_EVENT);
}

int StopSignals::exitStatus() {
    const int signal = gFirstSignal.load();
    return kExitSignalBase + (signal != 0 ? signal : SIGINT);
}

}  // namespace filterhost
