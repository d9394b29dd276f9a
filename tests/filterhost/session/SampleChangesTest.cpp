// SPDX-License-Identifier: MIT
// The record of changed samples: copying marks only samples whose bytes differ,
// on either side of the blocks compared at once, and a pixel counts once
// however many of its samples changed, also where they span two words.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "session/SampleChanges.h"

using filterhost::SampleChanges;

namespace {

TEST(SampleChanges, MarksExactlyTheSamplesThatDiffer) {
    // 16-bit samples; a change in either byte of a sample counts.
    const std::size_t samples = 200;
    std::vector<uint8_t> before(samples * 2, 9);
    std::vector<uint8_t> after = before;
    const std::size_t changedAt[] = {0, 63, 64, 65, 127, 128, 199};
    for (std::size_t i : changedAt) after[i * 2 + (i % 2)] = 10;

    SampleChanges changes;
    changes.track(samples + 10);
    // Recorded from sample 10 on, as a tile server records one row of many.
    std::vector<uint8_t> written = before;
    changes.copy(written.data(), after.data(), 10, samples, 2);
    EXPECT_EQ(written, after);
    std::size_t marked = 0;
    for (std::size_t i = 0; i < samples + 10; ++i) marked += changes.changed(i) ? 1u : 0u;
    EXPECT_EQ(marked, std::size(changedAt));
    for (std::size_t i : changedAt) EXPECT_TRUE(changes.changed(i + 10)) << i;
    EXPECT_FALSE(changes.changed(10 + 1));
}

TEST(SampleChanges, CountsEachChangedPixelOnce) {
    struct Case {
        std::size_t planes;
        std::vector<std::size_t> marked;  // sample indices
        uint64_t pixels;
    };
    const Case cases[] = {
        {3, {}, 0},
        {3, {0, 1, 2}, 1},     // every sample of one pixel
        {3, {63, 64}, 1},      // pixel 21 spans words 0 and 1
        {3, {62, 63, 65}, 2},  // pixels 20, 21
        {1, {0, 64, 4095}, 3},
        {4, {7, 8, 255, 4092}, 4},
    };
    for (const Case& c : cases) {
        SampleChanges changes;
        changes.track(4096);
        for (std::size_t i : c.marked) changes.mark(i);
        EXPECT_EQ(changes.changedPixels(c.planes), c.pixels) << c.planes << " planes";
    }
}

}  // namespace
