// SPDX-License-Identifier: MIT
// Times one detect call through the OpenCL backend (device chosen as usual by
// NELVO_OPENCL_DEVICE; "cpu" runs PoCL), set-up and program builds included,
// against the CPU path, on a small host tile and on a 24-megapixel grey image.
//
// Usage: NELVO_OPENCL_DEVICE=cpu opencl_detect_bench [calls on the small tile]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "engine/Detection.h"
#include "engine/NelvoBuffer.h"
#include "engine/PlaneAllocator.h"
#include "engine/opencl/OpenClDetect.h"

namespace {

using nelvo::NelvoBuffer;
using Clock = std::chrono::steady_clock;

double secondsOf(const std::function<void()>& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A smooth grey picture with a sprinkle of dark and bright specks, so that a
// few percent of pixels take the window statistics, as in a dusty scan.
void fillPicture(NelvoBuffer<unsigned char>& grey) {
    uint32_t state = 12345;
    for (int32_t y = 0; y < grey.height(); ++y) {
        for (int32_t x = 0; x < grey.width(); ++x) {
            state = state * 1664525u + 1013904223u;
            int value = 110 + (x / 7 + y / 5) % 40 + static_cast<int>(state >> 29);
            if ((state >> 8) % 200 == 0) value = (state >> 16) % 2 == 0 ? 10 : 245;
            grey.at(y, x) = static_cast<unsigned char>(value);
        }
    }
}

// Milliseconds of `calls` detect calls through the backend: the first, and
// the median of the rest. With `rebuild` the kept programs are let go before
// each call, so that every call builds both programs as a fresh process would.
struct DeviceTimes {
    bool ran = true;
    double first = 0.0;
    double later = 0.0;
};

DeviceTimes timeDevice(const NelvoBuffer<unsigned char>& grey, NelvoBuffer<float>& contrast,
                       const nelvo::EngineSettings& settings, int calls, bool rebuild) {
    const nelvo::VRect region{0, 0, grey.height(), grey.width()};
    const nelvo::StageHooks hooks;
    std::vector<double> times;
    DeviceTimes result;
    for (int i = 0; i < calls && result.ran; ++i) {
        if (rebuild) nelvo::opencl::releaseKeptPrograms();
        times.push_back(secondsOf([&] {
                            result.ran =
                                nelvo::opencl::detectOnGpu(grey, contrast, region, settings, hooks);
                        }) *
                        1e3);
    }
    result.first = times[0];
    std::sort(times.begin() + 1, times.end());
    result.later = times.size() > 1 ? times[1 + (times.size() - 1) / 2] : times[0];
    return result;
}

void run(int32_t width, int32_t height, int calls) {
    nelvo::HeapPlaneAllocator allocator;
    const nelvo::PlaneSize size{width, height};
    NelvoBuffer<unsigned char> grey(size, allocator);
    NelvoBuffer<unsigned char> median(size, allocator);
    NelvoBuffer<float> cpuContrast(size, allocator);
    NelvoBuffer<float> deviceContrast(size, allocator);
    fillPicture(grey);
    nelvo::EngineSettings settings{};
    nelvo::setDefaults(settings);
    const nelvo::VRect region{0, 0, height, width};
    const nelvo::StageHooks hooks;

    const nelvo::DetectRegions regions{region, region};
    const double cpu = secondsOf([&] {
                           nelvo::detectOnCpu(grey, median, cpuContrast, regions, settings, hooks);
                       }) *
                       1e3;
    const DeviceTimes built = timeDevice(grey, deviceContrast, settings, calls, true);
    const DeviceTimes kept = timeDevice(grey, deviceContrast, settings, calls, false);
    const double megapixels = double(width) * height / 1e6;
    std::printf("%d x %d grey 8-bit, tile size %d (%.2f MP), %d calls each\n", width, height,
                settings.tileSize, megapixels, calls);
    std::printf("  cpu path                        %9.1f ms\n", cpu);
    if (!built.ran || !kept.ran) {
        std::printf("  the device declined (NELVO_OPENCL_DEVICE=cpu runs PoCL)\n");
        return;
    }
    std::printf("  device, programs built per call %9.1f ms first, %9.1f ms later\n", built.first,
                built.later);
    std::printf("  device, programs kept           %9.1f ms first, %9.1f ms later\n", kept.first,
                kept.later);
    // The plain per-pixel pass computes the window statistics in single
    // precision as the kernel does; the engine's own pass sums exactly.
    NelvoBuffer<float> plainContrast(size, allocator);
    nelvo::detectOnCpu(grey, median, plainContrast, regions, settings, hooks,
                       nelvo::DetectPath::plain);
    float worst = 0.0f;
    float worstPlain = 0.0f;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const float device = deviceContrast.at(y, x);
            worst = std::max(worst, std::abs(cpuContrast.at(y, x) - device));
            worstPlain = std::max(worstPlain, std::abs(plainContrast.at(y, x) - device));
        }
    }
    std::printf("  largest difference from the cpu path %.2g, from the plain cpu pass %.2g\n",
                static_cast<double>(worst), static_cast<double>(worstPlain));
}

}  // namespace

int main(int argc, char** argv) {
    const int calls = argc > 1 ? std::max(std::atoi(argv[1]), 2) : 5;
    run(256, 256, calls);
    run(6000, 4000, 2);
    return 0;
}
