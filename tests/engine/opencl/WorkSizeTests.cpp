// SPDX-License-Identifier: MIT
// Launch geometry on made-up device limits, the mapped row pitch and the
// device variable: no device needed.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "engine/opencl/OpenClDetect.h"
#include "engine/opencl/WorkSize.h"

namespace nelvo::opencl {
namespace {

struct FitCase {
    const char* name;
    std::size_t preferred, itemSize0, itemSize1, maxGroup;
    std::size_t global0, global1;
    std::size_t local0, local1;
};

// Worked by hand from the halving rules.
const FitCase kFits[] = {
    // (64, 64) = 4096, then (64, 32), (32, 32), (32, 16), (16, 16) = 256.
    {"square", 64, 1024, 1024, 256, 1000, 1000, 16, 16},
    // One halving of dimension 1 already fits: the sweep stops there.
    {"stopsMidSweep", 64, 1024, 1024, 2048, 1000, 1000, 64, 32},
    // The device's item sizes cap the start: (16, 4) = 64 fits as it is.
    {"itemSizes", 64, 16, 4, 256, 1000, 1000, 16, 4},
    // A launch narrower than P: 64 -> 32 -> 16 -> 8 -> 4 -> 2 -> 1 across a
    // one-pixel-wide region, then (1, 64) fits.
    {"onePixelWide", 64, 1024, 1024, 256, 1, 600, 1, 64},
    // A short launch: dimension 1 halves to 2 for a height of 3.
    {"short", 8, 1024, 1024, 256, 100, 3, 8, 2},
    // P = 1 leaves nothing to halve.
    {"singleItem", 1, 1024, 1024, 1, 513, 7, 1, 1},
};

TEST(FitWorkSize, HalvesToTheDeviceLimitAndPadsTheLaunch) {
    for (const FitCase& c : kFits) {
        SCOPED_TRACE(c.name);
        WorkLimits limits;
        limits.preferredMultiple = c.preferred;
        limits.maxItemSizes[0] = c.itemSize0;
        limits.maxItemSizes[1] = c.itemSize1;
        limits.maxItemSizes[2] = 1;
        limits.maxGroupSize = c.maxGroup;
        const std::size_t global[2] = {c.global0, c.global1};
        std::size_t padded[2] = {};
        std::size_t local[2] = {};
        ::testing::internal::CaptureStderr();
        ASSERT_TRUE(fitWorkSize(limits, global, padded, local));
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(local[0], c.local0);
        EXPECT_EQ(local[1], c.local1);
        for (int d = 0; d < 2; ++d) {
            EXPECT_EQ(padded[d] % local[d], 0u);
            EXPECT_GE(padded[d], global[d]);
            EXPECT_LT(padded[d] - global[d], local[d]);
        }
    }
    // The example with its padding: 1000 is not a multiple of 16.
    WorkLimits limits;
    limits.preferredMultiple = 64;
    limits.maxItemSizes[0] = limits.maxItemSizes[1] = limits.maxItemSizes[2] = 1024;
    limits.maxGroupSize = 256;
    const std::size_t global[2] = {1000, 1000};
    std::size_t padded[2] = {};
    std::size_t local[2] = {};
    ASSERT_TRUE(fitWorkSize(limits, global, padded, local));
    EXPECT_EQ(padded[0], 1008u);
    EXPECT_EQ(padded[1], 1008u);
}

TEST(FitWorkSize, SaysSoOnStderrWhenNoGroupFits) {
    struct Case {
        const char* name;
        std::size_t preferred, maxGroup;
    };
    // A kernel that allows no work item at all, and a device that states no
    // preferred multiple (a group of 0 items cannot be launched).
    for (const Case& c : {Case{"maxGroupZero", 64, 0}, Case{"noPreferredMultiple", 0, 256}}) {
        SCOPED_TRACE(c.name);
        WorkLimits limits;
        limits.preferredMultiple = c.preferred;
        limits.maxItemSizes[0] = limits.maxItemSizes[1] = limits.maxItemSizes[2] = 1024;
        limits.maxGroupSize = c.maxGroup;
        const std::size_t global[2] = {1000, 1000};
        std::size_t padded[2] = {7, 7};
        std::size_t local[2] = {7, 7};
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(fitWorkSize(limits, global, padded, local));
        EXPECT_EQ(::testing::internal::GetCapturedStderr(),
                  "Unable to determine a work size within the device limit.\n");
        EXPECT_EQ(local[0], 7u);
        EXPECT_EQ(padded[0], 7u);
    }
}

TEST(MappedRowPitch, IsThePitchTheMappingReportsWhenARowFits) {
    struct Case {
        std::size_t width;
        std::size_t mappedPitch;
        std::size_t expected;
    };
    const Case cases[] = {
        {100, 100 * 4, 100 * 4},
        {100, 128 * 4, 128 * 4},  // padded rows: step over the padding
        {1, 64, 64},
        {100, 99 * 4, 0},  // a pitch that cannot hold a row: decline
        {100, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " " + std::to_string(c.mappedPitch));
        EXPECT_EQ(mappedRowPitch(c.width, c.mappedPitch), c.expected);
    }
}

TEST(DeviceChoice, ComesFromTheVariableWithTheGraphicsDeviceAsDefault) {
    EXPECT_EQ(parseDeviceChoice(nullptr), DeviceChoice::gpu);
    EXPECT_EQ(parseDeviceChoice(""), DeviceChoice::gpu);
    EXPECT_EQ(parseDeviceChoice("gpu"), DeviceChoice::gpu);
    EXPECT_EQ(parseDeviceChoice("cpu"), DeviceChoice::cpu);
    EXPECT_EQ(parseDeviceChoice("any"), DeviceChoice::any);
    EXPECT_EQ(parseDeviceChoice("off"), DeviceChoice::off);
    EXPECT_EQ(parseDeviceChoice("OFF"), DeviceChoice::gpu);
    EXPECT_EQ(parseDeviceChoice("fpga"), DeviceChoice::gpu);
}

}  // namespace
}  // namespace nelvo::opencl
