// SPDX-License-Identifier: MIT
// The start-up picture on Win32, shown while the editing dialog prepares itself. It runs
// on a thread of its own with its own message loop, so that it paints while the dialog's
// thread is busy; the dialog ends it when its initialisation is complete. An end that
// comes before the window exists is kept: the window then closes as it opens.
#pragma once

#include <windows.h>

#include <atomic>
#include <thread>

namespace nelvo {

class SplashWin32 {
  public:
    // Starts the splash's thread and window.
    SplashWin32();
    // Ends the splash if that was not done, and waits for its thread.
    ~SplashWin32();
    SplashWin32(const SplashWin32&) = delete;
    SplashWin32& operator=(const SplashWin32&) = delete;

    // Closes the splash (from any thread) and waits for its thread.
    void end();

  private:
    void run();

    std::atomic<HWND> window_{nullptr};
    std::atomic<bool> ended_{false};
    std::thread thread_;
};

}  // namespace nelvo
