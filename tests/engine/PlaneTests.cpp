// SPDX-License-Identifier: MIT
// Plane memory, the engine factory and interleaved addressing.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <new>
#include <typeinfo>

#include "engine/Dissolve.h"
#include "engine/NelvoBuffer.h"
#include "engine/reference/Synthetic.h"
#include "tests/engine/TestAllocators.h"

namespace nelvo {
namespace {

using testing::AllocatorRefusal;
using testing::CountingAllocator;
using testing::FailingAllocator;
using testing::Image;
using testing::RefusingAllocator;

TEST(NelvoBufferTest, SizesAreComputedIn64BitsAndRefusalsThrowBadAlloc) {
    // 50000 x 50000 bytes wraps an int32 product; the allocator must see the
    // true size. Extents whose byte count cannot be addressed are refused
    // without asking it.
    {
        RefusingAllocator allocator;
        EXPECT_THROW(NelvoBuffer<uint8_t>({50000, 50000}, allocator), std::bad_alloc);
        ASSERT_EQ(allocator.requests.size(), 1u);
        EXPECT_EQ(allocator.requests[0], 2'500'000'000u);
    }
    {
        RefusingAllocator allocator;
        EXPECT_THROW(NelvoBuffer<float>({46341, 46341}, allocator), std::bad_alloc);
        ASSERT_EQ(allocator.requests.size(), 1u);
        EXPECT_EQ(allocator.requests[0], 46341ull * 46341ull * 4ull);
    }
    {
        constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
        RefusingAllocator allocator;
        EXPECT_THROW(NelvoBuffer<float>({kMax, kMax}, allocator), std::bad_alloc);
        EXPECT_TRUE(allocator.requests.empty());
    }
}

TEST(NelvoBufferTest, AllocatorExceptionsPassThroughUnchanged) {
    FailingAllocator allocator;
    allocator.failAt = 1;
    allocator.throwInstead = true;
    EXPECT_THROW(NelvoBuffer<uint16_t>({3, 3}, allocator), AllocatorRefusal);
}

TEST(NelvoBufferTest, PlaneGeometryAndRelease) {
    CountingAllocator allocator;
    {
        NelvoBuffer<uint16_t> plane({7, 5}, allocator);
        EXPECT_EQ(plane.rowBytes(), 14);
        EXPECT_EQ(plane.elementBytes(), 2);
        EXPECT_EQ(&plane.at(2, 3), plane.data() + 2 * 7 + 3);
        NelvoBuffer<uint16_t> moved(std::move(plane));
        EXPECT_EQ(plane.data(), nullptr);
        EXPECT_EQ(allocator.live, 1);
        NelvoBuffer<uint16_t> empty({0, 9}, allocator);  // no block for no elements
        EXPECT_EQ(allocator.live, 1);
    }
    EXPECT_EQ(allocator.live, 0);
}

TEST(SetSourceTest, OneByOneRegionMakesFourOneElementPlanes) {
    CountingAllocator allocator;
    {
        Dissolve<float> engine(0, 3, allocator);
        const float pixel[3] = {0.2f, 0.2f, 0.2f};
        engine.setSource(pixel, 12, 12, VRect{4, 9, 5, 10});
        EXPECT_EQ(allocator.live, 4);
        EXPECT_EQ(allocator.requests, (std::vector<std::size_t>{4, 4, 4, 1}));
        EXPECT_EQ(engine.grey()->width(), 1);
        EXPECT_EQ(engine.defects()->height(), 1);

        // A region of the same extent keeps the planes.
        engine.setSource(pixel, 12, 12, VRect{0, 0, 1, 1});
        EXPECT_EQ(allocator.requests.size(), 4u);
    }
    EXPECT_EQ(allocator.live, 0);
}

TEST(SetSourceTest, FailedAllocationLeavesEveryPlaneAsItWas) {
    Image<uint8_t> small(4, 4, 1);
    small.fill(77);
    Image<uint8_t> large(8, 8, 1);
    large.fill(10);
    for (const bool throwInstead : {false, true}) {
        for (int failing = 1; failing <= 4; ++failing) {
            SCOPED_TRACE(::testing::Message() << "allocation " << failing << " fails"
                                              << (throwInstead ? " by throwing" : ""));
            FailingAllocator allocator;
            Dissolve<uint8_t> engine(4, 1, allocator);
            engine.setSource(small.data(), small.rowBytes(), small.columnBytes(), {0, 0, 4, 4});
            allocator.failAt = allocator.calls + failing;
            allocator.throwInstead = throwInstead;
            const auto call = [&] {
                engine.setSource(large.data(), large.rowBytes(), large.columnBytes(), {0, 0, 8, 8});
            };
            if (throwInstead) {
                EXPECT_THROW(call(), AllocatorRefusal);
            } else {
                EXPECT_THROW(call(), std::bad_alloc);
            }
            EXPECT_EQ(allocator.live, 4);
            ASSERT_EQ(engine.grey()->width(), 4);
            EXPECT_EQ(engine.contrast()->width(), 4);
            EXPECT_EQ(engine.median()->width(), 4);
            EXPECT_EQ(engine.defects()->width(), 4);
            EXPECT_EQ(engine.grey()->at(3, 3), 77);
        }
    }
}

TEST(CreateFilterTest, DepthChoosesThePixelType) {
    CountingAllocator allocator;
    struct Case {
        int32_t depth;
        const std::type_info& type;
    };
    const Case cases[] = {{8, typeid(Dissolve<uint8_t>)},   {1, typeid(Dissolve<uint8_t>)},
                          {24, typeid(Dissolve<uint8_t>)},  {0, typeid(Dissolve<uint8_t>)},
                          {16, typeid(Dissolve<uint16_t>)}, {32, typeid(Dissolve<float>)}};
    for (const Case& c : cases) {
        const auto engine = createFilter(2, 4, c.depth, allocator);
        const FilterBase& base = *engine;
        EXPECT_EQ(typeid(base), c.type) << "depth " << c.depth;
    }
    const auto engine = createFilter(3, 5, 8, allocator);
    const auto& typed = dynamic_cast<const Dissolve<uint8_t>&>(*engine);
    EXPECT_EQ(typed.colourModel(), 3);
    EXPECT_EQ(typed.channels(), 5);
    EXPECT_FALSE(typed.tiled());
    EXPECT_THROW(createFilter(0, 0, 8, allocator), std::invalid_argument);
}

TEST(InterleavedTest, PixelsAreFoundThroughRowAndColumnBytes) {
    // 3 x 2 RGB pixels: 2 bytes of padding after each pixel, 3 after each
    // row. The pads hold 250, which must never reach a grey value.
    CountingAllocator allocator;
    Image<uint8_t> image(3, 2, 3, 2, 3);
    image.fill(250);
    for (int32_t y = 0; y < 2; ++y) {
        for (int32_t x = 0; x < 3; ++x) {
            uint8_t* p = image.pixel(y, x);
            p[0] = static_cast<uint8_t>(10 * y + x);
            p[1] = static_cast<uint8_t>(10 * y + x + 3);
            p[2] = static_cast<uint8_t>(10 * y + x + 6);
        }
    }
    ASSERT_EQ(image.columnBytes(), 5);
    ASSERT_EQ(image.rowBytes(), 18);
    Dissolve<uint8_t> engine(0, 3, allocator);
    engine.setSource(image.data(), image.rowBytes(), image.columnBytes(), {0, 0, 2, 3});
    for (int32_t y = 0; y < 2; ++y) {
        for (int32_t x = 0; x < 3; ++x) {
            EXPECT_EQ(engine.grey()->at(y, x), 10 * y + x + 3) << y << "," << x;
        }
    }

    // A 16-bit column step that is not a whole number of elements is cut to
    // the element below: 7 bytes step 3 values.
    const uint16_t values[] = {100, 0, 0, 400, 0, 0, 700};
    Dissolve<uint16_t> grey16(4, 1, allocator);
    grey16.setSource(values, 14, 7, {0, 0, 1, 3});
    EXPECT_EQ(grey16.grey()->at(0, 1), 400);
    EXPECT_EQ(grey16.grey()->at(0, 2), 700);
}

}  // namespace
}  // namespace nelvo
