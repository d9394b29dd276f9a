// SPDX-License-Identifier: MIT
// Times removeSpecks on planes built to make the labelling scan work hard,
// next to the literal scan of the reference implementation (plain parent
// walks, no balancing), which these planes drive towards quadratic time.
//
//   engine_labelling_bench [side ...]   (default sides: 500 1000 2000)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/CleanUp.h"
#include "engine/reference/PlaneUtils.h"
#include "engine/reference/Synthetic.h"

namespace {

using nelvo::testing::BytePlane;
using nelvo::testing::DefectShape;
using nelvo::testing::Rng;

double secondsOf(auto&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A comb of vertical teeth, every other column, joined by a bar along the
// bottom: each tooth's label is merged into the bar's.
BytePlane comb(int32_t side) {
    BytePlane plane(side, side);
    for (int32_t y = 0; y < side; ++y) {
        for (int32_t x = 0; x < side; ++x) plane.at(y, x) = (x % 2 == 0 || y == side - 1) ? 1 : 0;
    }
    return plane;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<int32_t> sides;
    for (int i = 1; i < argc; ++i) sides.push_back(static_cast<int32_t>(std::atoi(argv[i])));
    if (sides.empty()) sides = {500, 1000, 2000};

    std::printf("%-10s %6s %12s %12s %14s %12s\n", "plane", "side", "engine ms", "literal ms",
                "parent steps", "labels");
    for (const int32_t side : sides) {
        Rng rng(1);
        const std::pair<const char*, BytePlane> planes[] = {
            {"staircase", nelvo::testing::makeDefects(side, side, DefectShape::staircase, rng)},
            {"comb", comb(side)},
            {"full", nelvo::testing::makeDefects(side, side, DefectShape::full, rng)},
            {"dense", nelvo::testing::makeDefects(side, side, DefectShape::dense, rng)},
        };
        for (const auto& [name, plane] : planes) {
            nelvo::HeapPlaneAllocator allocator;
            nelvo::NelvoBuffer<uint8_t> defects({side, side}, allocator);
            nelvo::testing::copyInto(plane, defects);
            const double engine = secondsOf([&] {
                nelvo::removeSpecks(defects, {side, side}, 8, allocator);
            });
            auto literal = nelvo::testing::toReference(plane);
            nelvo::reference::LabellingStats stats;
            const double reference =
                secondsOf([&] { nelvo::reference::removeSpecks(literal, 8, &stats); });
            bool same = true;
            for (int32_t y = 0; y < side && same; ++y) {
                for (int32_t x = 0; x < side; ++x)
                    same = same && defects.at(y, x) == literal.at(y, x);
            }
            std::printf("%-10s %6d %12.1f %12.1f %14llu %12zu%s\n", name, side, engine * 1e3,
                        reference * 1e3, static_cast<unsigned long long>(stats.parentSteps),
                        stats.nodes, same ? "" : "  RESULTS DIFFER");
        }
    }
    return 0;
}
