// SPDX-License-Identifier: MIT
// The OpenCL backend on PoCL's CPU device: ratings against the reference
// implementation and the engine's CPU path, launch blocks, progress and
// cancellation, the silent fall-back to the CPU, and every OpenCL object
// released, on success and after any failed call.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "engine/Detection.h"
#include "engine/Dissolve.h"
#include "engine/opencl/OpenClDetect.h"
#include "engine/reference/PlaneUtils.h"
#include "engine/reference/ReferenceEngine.h"
#include "engine/reference/Synthetic.h"
#include "tests/engine/TestAllocators.h"
#include "tests/engine/opencl/ClCalls.h"
#include "tests/support/EnvironmentVariable.h"

namespace nelvo::opencl {
namespace {

namespace cl = testing::cl;
using testing::BytePlane;
using testing::CountingAllocator;
using testing::Image;
using testing::Rng;

// PoCL lists no device when it cannot write its kernel cache. ctest and the
// test script name a folder; a run by hand gets one in the build tree.
const bool kPoclCacheReady = [] {
    ::setenv("POCL_CACHE_DIR", NELVO_TEST_POCL_CACHE_DIR, 0);
    std::error_code ignored;
    std::filesystem::create_directories(::getenv("POCL_CACHE_DIR"), ignored);
    return true;
}();

constexpr float kTolerance = 1e-5f;

EngineSettings settingsWith(int32_t tileSize, bool dark, bool bright) {
    EngineSettings s{};
    setDefaults(s);
    s.tileSize = tileSize;
    s.darkDefects = dark;
    s.brightDefects = bright;
    return s;
}

// A dusty grey picture: smooth shading with grain, dark and bright specks of
// one and three pixels and a scratch, so that many pixels take the window
// statistics and ratings spread over the thresholds.
template <typename T>
Image<T> dustyPicture(int32_t width, int32_t height, uint64_t seed) {
    Rng rng(seed);
    Image<T> image(width, height, 1);
    testing::fillSmooth(image);
    testing::addGrain(image, rng, 0.02f);
    const int count = 1 + width * height / 200;
    testing::addSpecks(image, rng, count, 1, 0.08f);
    testing::addSpecks(image, rng, count, 3, 0.93f);
    testing::addSpecks(image, rng, count / 2, 2, 0.3f);
    testing::addScratch(image, 0, width / 3, height - 1, width / 2, 0.1f);
    return image;
}

// An engine holding the picture's grey plane.
template <typename T>
struct Loaded {
    explicit Loaded(const Image<T>& image)
        : engine(kModelGrey, 1, allocator), region{0, 0, image.height(), image.width()} {
        engine.setSource(image.data(), image.rowBytes(), image.columnBytes(), region);
    }
    PlaneSize size() const { return {region.right, region.bottom}; }

    CountingAllocator allocator;
    Dissolve<T> engine;
    VRect region;
};

// Ratings of the device for the loaded region, with the device variable at
// "cpu". The call must be answered by the device.
template <typename T>
NelvoBuffer<float> rateOnDevice(Loaded<T>& loaded, const EngineSettings& settings,
                                const StageHooks& hooks = {}) {
    NelvoBuffer<float> contrast(loaded.size(), loaded.allocator);
    const EnvironmentVariable device(kDeviceVariable, "cpu");
    EXPECT_TRUE(detectOnGpu(*loaded.engine.grey(), contrast, loaded.region, settings, hooks));
    return contrast;
}

// Ratings within the tolerance of `expected`, and defect flags from them
// equal except where the rating is within the tolerance of the threshold.
void expectRatingsMatch(const NelvoBuffer<float>& actual, const reference::Plane<float>& expected,
                        const EngineSettings& settings, uint64_t seed) {
    const int32_t w = expected.width;
    const int32_t h = expected.height;
    ASSERT_EQ(actual.width(), w);
    ASSERT_EQ(actual.height(), h);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            ASSERT_NEAR(actual.at(y, x), expected.at(y, x), kTolerance)
                << "rating at " << y << "," << x;
        }
    }
    Rng rng(seed);
    const BytePlane map = testing::makeMarkingMap(w, h, rng);
    HeapPlaneAllocator allocator;
    NelvoBuffer<uint8_t> flags({w, h}, allocator);
    MarkInputs inputs;
    inputs.detectionIntensity = settings.detectionIntensity;
    inputs.markingMap = map.bytes.data();
    inputs.mapWidth = w;
    markDefectPlane(actual, flags, {w, h}, inputs, StageHooks{});
    const auto expectedFlags = reference::markDefects(
        expected, nullptr, 0, 0, settings.detectionIntensity, map.bytes.data(), w);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            if (flags.at(y, x) == expectedFlags.at(y, x)) continue;
            const float threshold =
                reference::markThreshold(settings.detectionIntensity, map.at(y, x));
            ASSERT_LE(std::fabs(expected.at(y, x) - threshold), kTolerance)
                << "flag at " << y << "," << x;
        }
    }
}

// The reference ratings of the whole loaded region.
template <typename T>
reference::Plane<float> referenceRatings(const Loaded<T>& loaded, const EngineSettings& settings) {
    const auto grey = testing::toReference(*loaded.engine.grey());
    reference::Plane<T> median(grey.width, grey.height);
    reference::Plane<float> contrast(grey.width, grey.height);
    reference::detect(grey, median, contrast, settings, VRect{}, 0, loaded.region, 0, false);
    return contrast;
}

template <typename T>
void expectDeviceMatchesReference(int32_t width, int32_t height, const EngineSettings& settings,
                                  uint64_t seed) {
    const Image<T> image = dustyPicture<T>(width, height, seed);
    Loaded<T> loaded(image);
    const NelvoBuffer<float> contrast = rateOnDevice(loaded, settings);
    expectRatingsMatch(contrast, referenceRatings(loaded, settings), settings, seed);
}

// Whether the first platform has a graphics device (none on the machines
// these tests were written on).
bool hasGraphicsDevice() {
    cl_platform_id platform = nullptr;
    cl_uint count = 0;
    if (clGetPlatformIDs(1, &platform, &count) != CL_SUCCESS || count == 0) return false;
    cl_device_id device = nullptr;
    return clGetDeviceIDs(platform, CL_DEVICE_TYPE_GPU, 1, &device, &count) == CL_SUCCESS &&
           count > 0;
}

// Every test ends with no OpenCL object held once the kept programs are let
// go, and with no handle released that was not held.
class OpenClDetectTest : public ::testing::Test {
  protected:
    void SetUp() override { cl::reset(); }
    void TearDown() override {
        releaseKeptPrograms();
        EXPECT_EQ(cl::liveTotal(), 0)
            << "contexts " << cl::live(cl::Kind::context) << ", queues "
            << cl::live(cl::Kind::queue) << ", programs " << cl::live(cl::Kind::program)
            << ", kernels " << cl::live(cl::Kind::kernel) << ", images "
            << cl::live(cl::Kind::image) << ", mappings " << cl::live(cl::Kind::mapping);
        EXPECT_EQ(cl::strayReleases(), 0);
        cl::reset();
    }
};

template <typename T>
void everyDefectChoiceAndTileSize() {
    struct Choice {
        bool dark, bright;
    };
    const Choice choices[] = {{true, false}, {false, true}, {true, true}, {false, false}};
    uint64_t seed = 40;
    for (const int32_t tileSize : {1, 8, 30}) {
        for (const Choice& c : choices) {
            SCOPED_TRACE(::testing::Message() << "tile size " << tileSize << " dark " << c.dark
                                              << " bright " << c.bright);
            // 67 columns: not a multiple of 32, and narrower than two tile
            // sizes of 30, so that the samplers clamp on both sides.
            expectDeviceMatchesReference<T>(67, 45, settingsWith(tileSize, c.dark, c.bright),
                                            ++seed);
            if (::testing::Test::HasFatalFailure()) return;
        }
    }
}

TEST_F(OpenClDetectTest, RatesLikeTheCpuForEveryPixelTypeDefectChoiceAndTileSize) {
    everyDefectChoiceAndTileSize<uint8_t>();
    everyDefectChoiceAndTileSize<uint16_t>();
    everyDefectChoiceAndTileSize<float>();
}

TEST_F(OpenClDetectTest, RatesLikeTheCpuForRegionsAroundTheLaunchBlocks) {
    struct Shape {
        int32_t width, height;
    };
    // One pixel wide over two blocks of rows; widths on either side of 32
    // and of 512; three blocks across; a region larger than one block both
    // ways.
    const Shape shapes[] = {{1, 600}, {1, 1},   {31, 9},  {32, 9},   {33, 9},
                            {511, 5}, {512, 5}, {513, 5}, {1100, 3}, {530, 520}};
    const EngineSettings settings = settingsWith(8, true, true);
    uint64_t seed = 70;
    for (const Shape& s : shapes) {
        SCOPED_TRACE(::testing::Message() << s.width << " x " << s.height);
        expectDeviceMatchesReference<uint8_t>(s.width, s.height, settings, ++seed);
        if (HasFatalFailure()) return;
    }
    expectDeviceMatchesReference<float>(1, 600, settingsWith(2, true, false), ++seed);
    expectDeviceMatchesReference<uint16_t>(513, 33, settingsWith(20, false, true), ++seed);
}

// Through the engine: with the device variable at "cpu", detect takes the
// device's ratings (the median plane, which only the CPU path writes, stays
// as the allocator left it) and they agree with the engine's CPU path.
template <typename T>
void detectThroughTheEngine() {
    const Image<T> image = dustyPicture<T>(150, 90, 7);
    const EngineSettings settings = settingsWith(8, true, true);
    Loaded<T> cpu(image);
    Loaded<T> device(image);
    {
        const EnvironmentVariable off(kDeviceVariable, "off");
        cpu.engine.detect(settings, VRect{}, 0, cpu.region, 0);
    }
    {
        const EnvironmentVariable onCpu(kDeviceVariable, "cpu");
        cl::reset();
        device.engine.detect(settings, VRect{}, 0, device.region, 0);
        EXPECT_GT(cl::calls("clEnqueueNDRangeKernel"), 0);
    }
    const NelvoBuffer<T>& median = *device.engine.median();
    const T fresh = [] {
        T value;
        std::memset(&value, testing::kFreshByte, sizeof value);
        return value;
    }();
    for (int32_t y = 0; y < median.height(); ++y) {
        for (int32_t x = 0; x < median.width(); ++x) {
            ASSERT_TRUE(testing::sameBits(median.at(y, x), fresh)) << "median at " << y << "," << x;
        }
    }
    expectRatingsMatch(*device.engine.contrast(), testing::toReference(*cpu.engine.contrast()),
                       settings, 8);
}

TEST_F(OpenClDetectTest, DetectTakesTheDeviceRatingsWhenTheDeviceAnswers) {
    detectThroughTheEngine<uint8_t>();
    detectThroughTheEngine<uint16_t>();
    detectThroughTheEngine<float>();
}

TEST_F(OpenClDetectTest, WithoutAGraphicsDeviceTheDefaultFallsBackSilentlyToTheCpu) {
    if (hasGraphicsDevice()) GTEST_SKIP() << "this machine has a graphics device";
    cl::reset();
    const Image<uint8_t> image = dustyPicture<uint8_t>(120, 70, 3);
    const EngineSettings settings = settingsWith(8, true, true);
    Loaded<uint8_t> off(image);
    Loaded<uint8_t> unset(image);
    {
        const EnvironmentVariable variable(kDeviceVariable, "off");
        off.engine.detect(settings, VRect{}, 0, off.region, 0);
        off.engine.markDefects(nullptr, 0, off.size(), 0, 8, nullptr, 0);
    }
    {
        const EnvironmentVariable variable(kDeviceVariable, nullptr);
        ::testing::internal::CaptureStderr();
        ::testing::internal::CaptureStdout();
        NelvoBuffer<float> contrast(unset.size(), unset.allocator);
        EXPECT_FALSE(detectOnGpu(*unset.engine.grey(), contrast, unset.region, settings, {}));
        unset.engine.detect(settings, VRect{}, 0, unset.region, 0);
        unset.engine.markDefects(nullptr, 0, unset.size(), 0, 8, nullptr, 0);
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    }
    EXPECT_GT(cl::calls("clGetDeviceIDs"), 0);
    EXPECT_EQ(cl::calls("clCreateContext"), 0);
    for (int32_t y = 0; y < off.region.bottom; ++y) {
        for (int32_t x = 0; x < off.region.right; ++x) {
            ASSERT_EQ(unset.engine.median()->at(y, x), off.engine.median()->at(y, x));
            ASSERT_TRUE(testing::sameBits(unset.engine.contrast()->at(y, x),
                                          off.engine.contrast()->at(y, x)));
            ASSERT_EQ(unset.engine.defects()->at(y, x), off.engine.defects()->at(y, x));
        }
    }
}

// Adaptive recognition has no device kernels: with a device that answers it still
// rates on the CPU, calling nothing of OpenCL, exactly as with OpenCL off.
TEST_F(OpenClDetectTest, AdaptiveRecognitionRatesOnTheCpuWhateverTheDevice) {
    const Image<uint8_t> image = dustyPicture<uint8_t>(120, 70, 5);
    EngineSettings settings = settingsWith(3, true, true);
    settings.adaptiveRecognition = true;
    Loaded<uint8_t> device(image);
    Loaded<uint8_t> off(image);
    {
        const EnvironmentVariable variable(kDeviceVariable, "cpu");
        device.engine.detect(settings, VRect{}, 0, device.region, 0);
    }
    EXPECT_EQ(cl::totalCalls(), 0);
    {
        const EnvironmentVariable variable(kDeviceVariable, "off");
        off.engine.detect(settings, VRect{}, 0, off.region, 0);
    }
    for (int32_t y = 0; y < off.region.bottom; ++y) {
        for (int32_t x = 0; x < off.region.right; ++x) {
            ASSERT_TRUE(testing::sameBits(device.engine.contrast()->at(y, x),
                                          off.engine.contrast()->at(y, x)));
        }
    }
}

TEST_F(OpenClDetectTest, OffNeverCallsOpenClAndAnEmptyRegionIsDone) {
    HeapPlaneAllocator allocator;
    NelvoBuffer<uint8_t> grey({8, 8}, allocator);
    NelvoBuffer<float> contrast({8, 8}, allocator);
    const EngineSettings settings = settingsWith(8, true, true);
    {
        const EnvironmentVariable off(kDeviceVariable, "off");
        EXPECT_FALSE(detectOnGpu(grey, contrast, VRect{0, 0, 8, 8}, settings, {}));
    }
    {
        const EnvironmentVariable device(kDeviceVariable, "cpu");
        EXPECT_TRUE(detectOnGpu(grey, contrast, VRect{0, 0, 0, 8}, settings, {}));
        EXPECT_TRUE(detectOnGpu(grey, contrast, VRect{3, 5, 8, 5}, settings, {}));
    }
    EXPECT_EQ(cl::totalCalls(), 0);
}

// One call on a small region makes one median and one contrast launch:
// calls in order, with the counts at which each function meets them.
struct FailedCall {
    const char* function;
    int nth;
};
const FailedCall kFailedCalls[] = {
    {"clGetPlatformIDs", 1},
    {"clGetDeviceIDs", 1},
    {"clGetPlatformInfo", 1},
    {"clCreateContext", 1},
    {"clRetainContext", 1},
    {"clCreateCommandQueue", 1},
    {"clCreateProgramWithSource", 1},  // median
    {"clBuildProgram", 1},
    {"clRetainProgram", 1},
    {"clCreateKernel", 1},
    {"clCreateImage", 1},  // grey
    {"clCreateImage", 2},  // median
    {"clEnqueueMapImage", 1},
    {"clSetKernelArg", 3},  // median: radius and step
    {"clSetKernelArg", 4},  // median: the sample buffer
    {"clEnqueueNDRangeKernel", 1},
    {"clFinish", 1},
    {"clCreateImage", 3},              // result
    {"clCreateProgramWithSource", 2},  // contrast
    {"clBuildProgram", 2},
    {"clRetainProgram", 2},
    {"clCreateKernel", 2},
    {"clGetDeviceInfo", 1},
    {"clGetKernelWorkGroupInfo", 1},
    {"clSetKernelArg", 8},  // contrast: defects
    {"clEnqueueNDRangeKernel", 2},
    {"clFinish", 2},
    {"clEnqueueMapImage", 2},
    {"clFinish", 3},
};

TEST_F(OpenClDetectTest, AnyFailedCallFallsBackSilentlyAndReleasesEverything) {
    const Image<uint8_t> image = dustyPicture<uint8_t>(40, 30, 11);
    Loaded<uint8_t> loaded(image);
    const EngineSettings settings = settingsWith(8, true, true);
    const reference::Plane<float> expected = referenceRatings(loaded, settings);
    const EnvironmentVariable device(kDeviceVariable, "cpu");
    for (const FailedCall& f : kFailedCalls) {
        SCOPED_TRACE(::testing::Message() << f.function << " #" << f.nth);
        releaseKeptPrograms();
        cl::reset();
        cl::failCall(f.function, f.nth);
        NelvoBuffer<float> contrast(loaded.size(), loaded.allocator);
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(detectOnGpu(*loaded.engine.grey(), contrast, loaded.region, settings, {}));
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
        EXPECT_GE(cl::calls(f.function), f.nth) << "the failure was never met";
        // Nothing of the failed call is held beyond the kept context and
        // programs, and the next call, with no failure, is answered.
        EXPECT_EQ(cl::live(cl::Kind::queue) + cl::live(cl::Kind::kernel) +
                      cl::live(cl::Kind::image) + cl::live(cl::Kind::mapping),
                  0);
        EXPECT_LE(cl::live(cl::Kind::context), 1);
        EXPECT_LE(cl::live(cl::Kind::program), 2);
        cl::reset();
        ASSERT_TRUE(detectOnGpu(*loaded.engine.grey(), contrast, loaded.region, settings, {}));
        expectRatingsMatch(contrast, expected, settings, 12);
        releaseKeptPrograms();
        EXPECT_EQ(cl::liveTotal(), 0);
        if (HasFatalFailure()) return;
    }
}

TEST_F(OpenClDetectTest, KeepsItsContextAndProgramsBetweenCallsAndOnlyThose) {
    const Image<uint16_t> image = dustyPicture<uint16_t>(50, 40, 5);
    Loaded<uint16_t> loaded(image);
    const EngineSettings settings = settingsWith(8, true, true);
    const reference::Plane<float> expected = referenceRatings(loaded, settings);
    releaseKeptPrograms();
    for (const char* choice : {"cpu", "cpu", "any"}) {
        SCOPED_TRACE(choice);
        const EnvironmentVariable device(kDeviceVariable, choice);
        NelvoBuffer<float> contrast(loaded.size(), loaded.allocator);
        ASSERT_TRUE(detectOnGpu(*loaded.engine.grey(), contrast, loaded.region, settings, {}));
        expectRatingsMatch(contrast, expected, settings, 6);
        EXPECT_EQ(cl::live(cl::Kind::context), 1);
        EXPECT_EQ(cl::live(cl::Kind::program), 2);
        EXPECT_EQ(cl::liveTotal(), 3);
    }
    // PoCL's first device of any type is its CPU device: built once.
    EXPECT_EQ(cl::calls("clBuildProgram"), 2);
    EXPECT_EQ(cl::calls("clCreateContext"), 1);
    releaseKeptPrograms();
    EXPECT_EQ(cl::liveTotal(), 0);
}

TEST_F(OpenClDetectTest, ReportsProgressPerRowOfBlocksAndStopsAfterACancelledLaunch) {
    const Image<uint8_t> image = dustyPicture<uint8_t>(530, 520, 21);
    Loaded<uint8_t> loaded(image);
    const EngineSettings settings = settingsWith(8, true, true);

    std::vector<int32_t> advances;
    int polls = 0;
    StageHooks hooks;
    hooks.set([&] { return ++polls < 0; }, {}, [&](int32_t steps) { advances.push_back(steps); });
    cl::reset();
    (void)rateOnDevice(loaded, settings, hooks);
    // The median pass: 2 x 2 blocks of 512, advance(512) per row of blocks.
    // The contrast pass: blocks whose height is a whole number of groups.
    ASSERT_GE(advances.size(), 3u);
    EXPECT_EQ(advances[0], 512);
    EXPECT_EQ(advances[1], 512);
    const int32_t blockHeight = advances[2];
    EXPECT_GE(blockHeight, 512);
    for (std::size_t i = 2; i < advances.size(); ++i) EXPECT_EQ(advances[i], blockHeight);
    EXPECT_GE(static_cast<int32_t>(advances.size() - 2) * blockHeight, 520);
    EXPECT_EQ(polls, cl::calls("clEnqueueNDRangeKernel"));
    EXPECT_EQ(cl::calls("clFinish"), polls + 1);

    // Cancelled after the first median launch, and after the first contrast
    // launch: answered true at once, no further launch.
    for (const int cancelAt : {1, 5}) {
        SCOPED_TRACE(cancelAt);
        releaseKeptPrograms();
        cl::reset();
        polls = 0;
        advances.clear();
        hooks.set([&] { return ++polls >= cancelAt; }, {},
                  [&](int32_t steps) { advances.push_back(steps); });
        (void)rateOnDevice(loaded, settings, hooks);
        EXPECT_EQ(polls, cancelAt);
        EXPECT_EQ(cl::calls("clEnqueueNDRangeKernel"), cancelAt);
        EXPECT_EQ(cl::calls("clBuildProgram"), cancelAt == 1 ? 1 : 2);
        EXPECT_EQ(advances.size(), cancelAt == 1 ? 0u : 2u);
        EXPECT_EQ(cl::calls("clEnqueueMapImage"), 1);
    }
}

TEST_F(OpenClDetectTest, WithoutAFittingGroupSizeTheRuntimeChoosesOneAndSaysSo) {
    const Image<float> image = dustyPicture<float>(70, 50, 31);
    Loaded<float> loaded(image);
    const EngineSettings settings = settingsWith(8, true, false);
    cl::fakeKernelWorkGroupSize(0);
    ::testing::internal::CaptureStderr();
    const NelvoBuffer<float> contrast = rateOnDevice(loaded, settings);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Unable to determine a work size within the device limit.\n");
    expectRatingsMatch(contrast, referenceRatings(loaded, settings), settings, 32);
}

TEST_F(OpenClDetectTest, CopiesByThePitchTheMappingReports) {
    // A runtime that maps rows further apart than the image is wide, and one
    // whose vendor string once chose a rounded pitch of its own.
    const Image<uint8_t> image = dustyPicture<uint8_t>(100, 40, 41);
    Loaded<uint8_t> loaded(image);
    const EngineSettings settings = settingsWith(4, true, true);
    for (const std::size_t padding : {std::size_t{0}, std::size_t{4}, std::size_t{28 * 4}}) {
        SCOPED_TRACE(padding);
        cl::reset();
        cl::fakeVendor("Intel(R) Corporation");
        cl::padMappedRows(padding);
        const NelvoBuffer<float> contrast = rateOnDevice(loaded, settings);
        expectRatingsMatch(contrast, referenceRatings(loaded, settings), settings, 42);
        EXPECT_EQ(cl::live(cl::Kind::mapping), 0);
    }
}

TEST_F(OpenClDetectTest, CallsFromSeveralThreadsShareTheKeptPrograms) {
    const Image<uint8_t> image = dustyPicture<uint8_t>(90, 60, 51);
    const EngineSettings settings = settingsWith(8, true, true);
    Loaded<uint8_t> loaded(image);
    const reference::Plane<float> expected = referenceRatings(loaded, settings);
    releaseKeptPrograms();
    cl::reset();
    const EnvironmentVariable device(kDeviceVariable, "cpu");
    std::atomic<int> answered{0};
    std::vector<std::vector<float>> results(4);
    std::vector<std::thread> threads;
    for (auto& result : results) {
        threads.emplace_back([&] {
            HeapPlaneAllocator allocator;
            NelvoBuffer<float> contrast(loaded.size(), allocator);
            for (int i = 0; i < 2; ++i) {
                if (detectOnGpu(*loaded.engine.grey(), contrast, loaded.region, settings, {})) {
                    ++answered;
                }
            }
            result.assign(contrast.data(),
                          contrast.data() + loaded.size().width * loaded.size().height);
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(answered.load(), 8);
    EXPECT_EQ(cl::calls("clBuildProgram"), 2);
    for (const auto& result : results) {
        for (std::size_t i = 0; i < result.size(); ++i) {
            ASSERT_NEAR(result[i], expected.values[i], kTolerance) << "pixel " << i;
        }
    }
}

}  // namespace
}  // namespace nelvo::opencl
