// SPDX-License-Identifier: MIT
// A real console's Ctrl-C stops a long run cleanly: filterhost.exe filters a
// large picture on a console of its own (no display is needed: without one the
// console has no window); once it holds the picture, this program attaches to
// that console and sends Ctrl-C to it, as a user at the keyboard would. The
// run must end with 128 + SIGINT and leave its output folder empty: no output
// and no temporary file.
//   console_stop FILTERHOST.exe WORK_FOLDER
#include <windows.h>

#include <psapi.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "PIGeneral.h"
#include "imageio/ImageFiles.h"
#include "util/ProgramArguments.h"

namespace fs = std::filesystem;

namespace {

// Large enough that the filter works for several seconds, so that the event
// comes while it runs; the filter asks for a stop as it goes.
constexpr int32_t kSide = 6000;
// The event is sent once the child holds the picture in memory: by then its
// handler is installed (the first thing the run command does) and it filters.
constexpr SIZE_T kPictureBytes = SIZE_T{kSide} * kSide;
constexpr ULONGLONG kTimeout = 120'000;  // ms

void writeLargePicture(const fs::path& path) {
    filterhost::ImageFile image;
    image.document.allocate(kSide, kSide, 1, plugInModeGrayScale, 8);
    for (int32_t y = 0; y < kSide; ++y)
        for (int32_t x = 0; x < kSide; ++x)
            image.document
                .pixels[static_cast<std::size_t>(y) * kSide + static_cast<std::size_t>(x)] =
                static_cast<uint8_t>((x * 7 + y * 3) % 200 + ((x % 97 == 0) ? 55 : 0));
    filterhost::writeImage(path, image);
}

// The child's committed memory: it passes the picture's size once the picture
// is read, long after the handler is installed.
SIZE_T committedBytes(HANDLE process) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    return K32GetProcessMemoryInfo(process, &counters, sizeof counters) ? counters.PagefileUsage
                                                                        : 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments = nelvo::util::programArguments(argc, argv);
    if (arguments.size() != 2) {
        std::fprintf(stderr, "usage: console_stop FILTERHOST.exe WORK_FOLDER\n");
        return 2;
    }
    const auto utf8Path = [](const std::string& text) {
        return fs::path(std::u8string(text.begin(), text.end()));
    };
    const fs::path filterhost = utf8Path(arguments[0]);
    const fs::path work = utf8Path(arguments[1]);
    const fs::path input = work / "large.tif";
    const fs::path outputs = work / "outputs";
    fs::create_directories(outputs);
    writeLargePicture(input);

    std::wstring command = L"\"" + filterhost.wstring() + L"\" run \"" + input.wstring() +
                           L"\" -o \"" + (outputs / "out.tif").wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    if (!CreateProcessW(filterhost.c_str(), command.data(), nullptr, nullptr, FALSE,
                        CREATE_NEW_CONSOLE, nullptr, nullptr, &startup, &child)) {
        std::fprintf(stderr, "console_stop: cannot start filterhost (%lu)\n", GetLastError());
        return 1;
    }
    int failures = 0;
    bool sent = false;
    const ULONGLONG started = GetTickCount64();
    while (WaitForSingleObject(child.hProcess, 50) == WAIT_TIMEOUT) {
        if (GetTickCount64() - started > kTimeout) {
            std::fprintf(stderr, "console_stop: filterhost did not end; ended it\n");
            TerminateProcess(child.hProcess, 1);
            ++failures;
            break;
        }
        if (!sent && committedBytes(child.hProcess) >= kPictureBytes) {
            // Onto the child's console, as a user at it; this program ignores the event.
            FreeConsole();
            const BOOL attached = AttachConsole(child.dwProcessId);
            const DWORD attachError = GetLastError();
            SetConsoleCtrlHandler(nullptr, TRUE);
            if (!attached || !GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) {
                std::fprintf(stderr, "console_stop: no Ctrl-C sent (attach %s, error %lu)\n",
                             attached ? "done" : "failed", attached ? GetLastError() : attachError);
                TerminateProcess(child.hProcess, 1);
                ++failures;
            }
            sent = true;
        }
    }
    DWORD status = 0;
    GetExitCodeProcess(child.hProcess, &status);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    if (!sent) {
        std::fprintf(stderr, "console_stop: the run ended before it could be stopped\n");
        ++failures;
    }
    if (status != 128 + SIGINT) {
        std::fprintf(stderr, "console_stop: exit status %lu, expected %d\n", status, 128 + SIGINT);
        ++failures;
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(outputs)) {
        std::fprintf(stderr, "console_stop: left behind: %s\n", entry.path().string().c_str());
        ++failures;
    }
    std::printf("console_stop: %s\n", failures == 0 ? "stopped cleanly" : "failed");
    return failures == 0 ? 0 : 1;
}
