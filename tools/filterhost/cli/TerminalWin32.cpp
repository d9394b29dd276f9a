// SPDX-License-Identifier: MIT
// The console's keys on Windows: line input and echo off, key events read
// from the input buffer without waiting. Ctrl-C stays a console event, which
// StopSignals handles.
#include <windows.h>

#include <atomic>

#include "cli/StopSignals.h"
#include "cli/Terminal.h"

namespace filterhost {
namespace {

DWORD gPreviousMode = 0;
std::atomic<bool> gConsoleChanged{false};

HANDLE consoleInput() {
    return GetStdHandle(STD_INPUT_HANDLE);
}

}  // namespace

Terminal::Terminal() {
    HANDLE input = consoleInput();
    if (input != nullptr && input != INVALID_HANDLE_VALUE &&
        GetConsoleMode(input, &gPreviousMode)) {
        const DWORD raw =
            gPreviousMode & ~static_cast<DWORD>(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT);
        keys_ = SetConsoleMode(input, raw) != 0;
        gConsoleChanged.store(keys_);
    }
}

Terminal::~Terminal() {
    finish();
    restoreNow();
}

void Terminal::restoreNow() noexcept {
    if (gConsoleChanged.exchange(false)) SetConsoleMode(consoleInput(), gPreviousMode);
}

bool Terminal::stopRequested() {
    if (keys_) {
        HANDLE input = consoleInput();
        DWORD waiting = 0;
        while (GetNumberOfConsoleInputEvents(input, &waiting) && waiting > 0) {
            INPUT_RECORD record{};
            DWORD read = 0;
            if (!ReadConsoleInputW(input, &record, 1, &read) || read == 0) break;
            if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown &&
                record.Event.KeyEvent.wVirtualKeyCode == VK_ESCAPE)
                StopSignals::request();
        }
    }
    return StopSignals::requested();
}

bool Terminal::errorsGoToTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

}  // namespace filterhost
