// SPDX-License-Identifier: MIT
// A host that loads the module, filters a small picture and frees the module,
// 20 times in one process, as a Windows editor may when a user applies the
// filter again and again. Every run must succeed, and the process must not
// gain threads from one round to the next (the module's pool is started once
// and kept, not started again by a reloaded copy).
//   module_loop MODULE.8bf WORK_FOLDER
#include <windows.h>

#include <tlhelp32.h>

#include <cstdio>
#include <exception>
#include <filesystem>

#include "module/PluginModule.h"
#include "session/HostServices.h"
#include "session/HostSession.h"

using namespace filterhost;

namespace {

constexpr int kRounds = 20;
constexpr int32_t kWidth = 40;
constexpr int32_t kHeight = 30;
constexpr uint8_t kBackground = 200;
constexpr uint8_t kSpeck = 20;

int threadsOfThisProcess() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    const DWORD self = GetCurrentProcessId();
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == self) ++count;
    CloseHandle(snapshot);
    return count;
}

// One round: a grey picture with a dark 2 x 2 speck in the middle, filtered
// with the module's defaults. True when the run succeeded without problems.
bool filterOnce(const std::filesystem::path& modulePath, const std::filesystem::path& work) {
    auto module = PluginModule::load(modulePath);
    HostServices services;
    services.scripting().setRegistryPath(work / "registry.json");
    HostSession session(*module, services);
    session.giveDescriptor(Descriptor{}, plugInDialogSilent);
    Document document;
    document.allocate(kWidth, kHeight, 1, plugInModeGrayScale, 8);
    std::fill(document.pixels.begin(), document.pixels.end(), kBackground);
    for (int32_t y = kHeight / 2; y < kHeight / 2 + 2; ++y)
        for (int32_t x = kWidth / 2; x < kWidth / 2 + 2; ++x)
            document.pixels[static_cast<std::size_t>(y * kWidth + x)] = kSpeck;
    const int16_t result = session.run(document);
    for (const std::string& problem : services.problems())
        std::fprintf(stderr, "module_loop: %s\n", problem.c_str());
    if (result != noErr) std::fprintf(stderr, "module_loop: the run answered %d\n", result);
    return result == noErr && services.problems().empty();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: module_loop MODULE.8bf WORK_FOLDER\n", stderr);
        return 2;
    }
    try {
        int afterFirst = 0;
        for (int round = 1; round <= kRounds; ++round) {
            if (!filterOnce(argv[1], argv[2])) {
                std::fprintf(stderr, "module_loop: round %d failed\n", round);
                return 1;
            }
            if (round == 1) afterFirst = threadsOfThisProcess();
        }
        const int afterLast = threadsOfThisProcess();
        std::printf("module_loop: %d rounds; threads after the first %d, after the last %d\n",
                    kRounds, afterFirst, afterLast);
        if (afterFirst < 0 || afterLast > afterFirst) {
            std::fputs("module_loop: the process gained threads\n", stderr);
            return 1;
        }
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "module_loop: %s\n", e.what());
        return 1;
    }
}
