// SPDX-License-Identifier: MIT
// preview-bench: the preview control's two costs. showImage renders a whole 24-megapixel
// RGB image once per view change (through a host displayPixels, and through the
// control's own conversion); painting stretches and blends the ready surfaces into a
// 1000 x 700 viewport at each zoom. Prints the median of several runs of each.
#include <QApplication>
#include <QImage>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "PIPlatformContext.h"
#include "tools/screenshots/SampleRecord.h"
#include "ui/qt/NelvoImageCtrl.h"
#include "ui/qt/QtApplication.h"
#include "ui/shared/ScreenPixels.h"

using namespace nelvo;

namespace {

constexpr int kRuns = 7;

OSErr hostDisplay(const PSPixelMap* map, const VRect* rect, int32 row, int32 col, void* context) {
    return drawPixelMap(map, rect, row, col, static_cast<const PlatformDrawContext*>(context));
}

template <typename F>
double medianMs(F&& f, int runs = kRuns) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        f();
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main() {
    ensureApplication();
    SampleRecord sample(6000, 4000);
    const double megapixels = 24.0;

    std::printf("showImage, 6000 x 4000 RGB (target <= 150 ms)\n");
    for (bool viaHost : {true, false}) {
        sample.record.displayPixels = viaHost ? hostDisplay : nullptr;
        NelvoImageCtrl preview(&sample.record);
        preview.resize(1000, 700);
        preview.loadSource(preview.sourcePixels.data());
        const double ms = medianMs([&] { preview.showImage(preview.sourcePixels.data()); });
        std::printf("  %-28s %7.1f ms  %6.0f MP/s\n",
                    viaHost ? "through host displayPixels" : "own conversion", ms,
                    megapixels / ms * 1000);
    }
    {
        // The first showImage of a control also makes its surfaces (fresh memory).
        sample.record.displayPixels = hostDisplay;
        std::vector<std::unique_ptr<NelvoImageCtrl>> fresh;
        for (int i = 0; i < 3; ++i)
            fresh.push_back(std::make_unique<NelvoImageCtrl>(&sample.record));
        std::size_t next = 0;
        const double ms = medianMs(
            [&] {
                NelvoImageCtrl& c = *fresh[next++];
                c.showImage(c.sourcePixels.data());
            },
            3);
        std::printf("  %-28s %7.1f ms  (its surfaces made in fresh memory)\n",
                    "first, on a new control", ms);
    }

    std::printf("paint 1000 x 700 viewport (target <= 10 ms)\n");
    sample.record.displayPixels = hostDisplay;
    NelvoImageCtrl preview(&sample.record);
    preview.resize(1000, 700);
    preview.loadSource(preview.sourcePixels.data());
    preview.showImage(preview.sourcePixels.data());
    QImage target(1000, 700, QImage::Format_RGB32);
    const QRect whole(0, 0, 1000, 700);
    preview.fitToWindow();
    const double fit = preview.zoom;
    for (double zoom : {fit, 1.0 / 8, 1.0 / 4, 1.0 / 3, 1.0 / 2, 2.0 / 3, 1.0, 2.0, 8.0}) {
        preview.setZoom(zoom);
        const double render = medianMs([&] { preview.render(target, whole); }, 15);
        const double grab = medianMs([&] { (void)preview.grab(); }, 15);
        std::printf("  zoom %6.2f %%%s  render %6.2f ms   whole paint event %6.2f ms\n", zoom * 100,
                    zoom == fit ? " (fit)" : "      ", render, grab);
    }
    return 0;
}
