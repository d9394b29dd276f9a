// SPDX-License-Identifier: MIT
// nelvo-bench: how fast the engine is, stage by stage, on a 24-megapixel
// photo-like RGB picture in 8-bit, 16-bit and float, and how a whole
// filterhost run compares with libtiff reading and writing the same file.
//
//   nelvo-bench           every figure, one `name: value unit` line each
//   nelvo-bench --quick   a small picture checked against the reference
//                         implementation; exits 1 on any mismatch
//   nelvo-bench --adaptive  only adaptive recognition's detection time and
//                         the standard rating's, 8-bit
//
// Figures per stage and pixel type (stage = setSource, detect, markDefects,
// removeSpecks, exportDefects, copySource, dissolveDefects, or full: the
// filter run's stages in order, or recompute: markDefects to dissolveDefects):
//   <stage>-<type>-24mp            median milliseconds over the runs
//   <stage>-<type>-24mp-rate       megapixels per second
//   <stage>-<type>-24mp-vs-copy    time over that of one plain copy of the image
//   <stage>-<type>-24mp-memory     peak engine memory above the caller's images
//   <stage>-<type>-24mp-speedup    the literal reference's time on a crop,
//                                  scaled to 24 MP, over the engine's
#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "bench/MemoryMeter.h"
#include "bench/SyntheticPhoto.h"
#include "engine/Dissolve.h"
#include "engine/ThreadLimit.h"
#include "engine/reference/ReferenceEngine.h"

namespace nelvo::bench {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int32_t kWidth = 6000;
constexpr int32_t kHeight = 4000;
constexpr int kRuns = 5;
// The crop on which the reference runs, from the middle of the picture.
constexpr int32_t kCropWidth = 1000;
constexpr int32_t kCropHeight = 600;

std::size_t count(int64_t n) {
    return static_cast<std::size_t>(n);
}

double millisecondsOf(const std::function<void()>& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double medianOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

void print(const std::string& name, double value, const char* unit) {
    std::printf("%s: %.*f %s\n", name.c_str(), value < 10.0 ? 2 : 1, value, unit);
    std::fflush(stdout);
}

EngineSettings defaultSettings(int32_t tileSize) {
    EngineSettings settings{};
    setDefaults(settings);
    settings.tileSize = tileSize;
    return settings;
}

template <typename T>
constexpr int32_t depthOf() {
    if constexpr (std::is_same_v<T, uint8_t>) return 8;
    if constexpr (std::is_same_v<T, uint16_t>) return 16;
    return 32;
}

template <typename T>
const char* tagOf() {
    if constexpr (std::is_same_v<T, uint8_t>) return "rgb8";
    if constexpr (std::is_same_v<T, uint16_t>) return "rgb16";
    return "float";
}

const char* const kStages[] = {"setSource",     "detect",     "markDefects",    "removeSpecks",
                               "exportDefects", "copySource", "dissolveDefects"};

// One engine on one interleaved RGB image, run the way the filter run runs a
// single tile covering the whole picture.
template <typename T>
class Pipeline {
  public:
    Pipeline(const std::vector<T>& in, int32_t width, int32_t height, PlaneAllocator& allocator)
        : in_(in),
          width_(width),
          height_(height),
          out_(in.size()),
          map_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 128),
          overlay_(map_.size()),
          engine_(0, 3, allocator) {
        engine_.setTiled();
    }

    void run(const std::string& stage, const EngineSettings& settings) {
        const VRect rect{0, 0, height_, width_};
        const PlaneSize size{width_, height_};
        const int32_t rowBytes = width_ * 3 * static_cast<int32_t>(sizeof(T));
        const auto columnBytes = static_cast<int32_t>(3 * sizeof(T));
        if (stage == "setSource") {
            engine_.setSource(in_.data(), rowBytes, columnBytes, rect);
        } else if (stage == "detect") {
            engine_.detect(settings, rect, width_, rect, 0);
        } else if (stage == "markDefects") {
            engine_.markDefects(nullptr, 0, size, 0, settings.detectionIntensity, map_.data(),
                                width_);
        } else if (stage == "removeSpecks") {
            engine_.removeSpecks(size, settings.tileSize);
        } else if (stage == "exportDefects") {
            engine_.exportDefects(overlay_.data(), width_, size);
        } else if (stage == "copySource") {
            engine_.copySource(in_.data(), rowBytes, columnBytes, out_.data(), rowBytes,
                               columnBytes, size);
        } else if (stage == "dissolveDefects") {
            engine_.dissolveDefects(out_.data(), rowBytes, columnBytes, size);
        }
    }

    Dissolve<T>& engine() { return engine_; }
    const std::vector<T>& out() const { return out_; }
    const std::vector<uint8_t>& map() const { return map_; }

  private:
    const std::vector<T>& in_;
    int32_t width_, height_;
    std::vector<T> out_;
    std::vector<uint8_t> map_, overlay_;
    Dissolve<T> engine_;
};

// Times the reference's stages on the crop, in milliseconds.
template <typename T>
std::map<std::string, double> referenceTimes(const std::vector<T>& crop, int32_t width,
                                             int32_t height) {
    const EngineSettings settings = defaultSettings(8);
    const int32_t rowBytes = width * 3 * static_cast<int32_t>(sizeof(T));
    const auto columnBytes = static_cast<int32_t>(3 * sizeof(T));
    std::map<std::string, double> times;
    reference::Plane<T> grey;
    times["setSource"] = millisecondsOf([&] {
        grey = reference::greyPlane<T>(crop.data(), rowBytes, columnBytes, width, height, 3, 0);
    });
    reference::Plane<T> median(width, height);
    reference::Plane<float> contrast(width, height);
    const VRect rect{0, 0, height, width};
    times["detect"] = millisecondsOf(
        [&] { reference::detect(grey, median, contrast, settings, rect, width, rect, 0, true); });
    reference::Plane<uint8_t> defects;
    times["markDefects"] = millisecondsOf([&] {
        defects = reference::markDefects(contrast, nullptr, 0, 0, settings.detectionIntensity,
                                         nullptr, width);
    });
    times["removeSpecks"] =
        millisecondsOf([&] { reference::removeSpecks(defects, settings.tileSize); });
    std::vector<T> out = crop;
    times["dissolveDefects"] = millisecondsOf(
        [&] { reference::dissolveDefects<T>(defects, out.data(), rowBytes, columnBytes, 3); });
    times["full"] = times["setSource"] + times["detect"] + times["markDefects"] +
                    times["removeSpecks"] + times["dissolveDefects"];
    return times;
}

template <typename T>
std::vector<T> cropOf(const std::vector<T>& image, int32_t width, int32_t height) {
    std::vector<T> crop(count(int64_t{kCropWidth} * kCropHeight * 3));
    const int32_t top = (height - kCropHeight) / 2;
    const int32_t left = (width - kCropWidth) / 2;
    for (int32_t y = 0; y < kCropHeight; ++y) {
        const T* from = image.data() + count((int64_t{top} + y) * width + left) * 3;
        std::copy(from, from + kCropWidth * 3, crop.data() + count(int64_t{y} * kCropWidth * 3));
    }
    return crop;
}

double processCpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Adaptive recognition's detection time against the standard rating's, same
// run and settings (tile size 8): with the default defect types (dark only),
// and with dark and bright defects, where the mode rates two planes. The two
// detections take turns, so that a load on the machine falls on both alike;
// the ratio of their processor times (both threads) is printed too, which
// such a load changes less than the wall times.
template <typename T>
void benchAdaptive(Pipeline<T>& pipeline, const std::string& suffix) {
    constexpr int kTurns = 9;
    for (const bool both : {false, true}) {
        std::vector<double> wall[2];
        std::vector<double> cpu[2];
        pipeline.run("setSource", defaultSettings(8));
        for (int i = 0; i < kTurns; ++i) {
            for (const bool adaptive : {false, true}) {
                EngineSettings t = defaultSettings(8);
                t.adaptiveRecognition = adaptive;
                t.brightDefects = t.brightDefects || both;
                const double cpuStart = processCpuMilliseconds();
                wall[adaptive ? 1 : 0].push_back(
                    millisecondsOf([&] { pipeline.run("detect", t); }));
                cpu[adaptive ? 1 : 0].push_back(processCpuMilliseconds() - cpuStart);
            }
        }
        const std::string name =
            "detect-adaptive" + std::string(both ? "-dark-bright" : "") + suffix;
        const double standardMs = medianOf(wall[0]);
        const double adaptiveMs = medianOf(wall[1]);
        print("detect-standard" + std::string(both ? "-dark-bright" : "") + suffix, standardMs,
              "ms");
        print(name, adaptiveMs, "ms");
        print(name + "-vs-standard", adaptiveMs / standardMs, "ratio");
        print(name + "-vs-standard-cpu", medianOf(cpu[1]) / medianOf(cpu[0]), "ratio");
    }
}

template <typename T>
void benchType(const Photo& photo) {
    const std::string suffix = std::string("-") + tagOf<T>() + "-24mp";
    const std::vector<T> image = toPixels<T>(photo);
    const double megapixels = static_cast<double>(photo.width) * photo.height / 1e6;

    // The memory-traffic floor: one plain copy of the image.
    std::vector<T> copy(image.size());
    std::vector<double> copyRuns;
    for (int i = 0; i < kRuns; ++i) {
        copyRuns.push_back(millisecondsOf(
            [&] { std::memcpy(copy.data(), image.data(), image.size() * sizeof(T)); }));
    }
    const double copyMs = medianOf(copyRuns);
    copy = {};
    print("copy" + suffix, copyMs, "ms");

    MeteredPlaneAllocator allocator;
    Pipeline<T> pipeline(image, photo.width, photo.height, allocator);
    const int64_t baseline = heapBytes();
    const EngineSettings settings = defaultSettings(8);
    std::map<std::string, std::vector<double>> runs;
    std::map<std::string, double> memory;
    const auto timeStage = [&](const std::string& stage) {
        resetPeak();
        const double ms = millisecondsOf([&] { pipeline.run(stage, settings); });
        runs[stage].push_back(ms);
        memory[stage] = std::max(memory[stage], static_cast<double>(peakHeapBytes() - baseline));
        return ms;
    };
    for (int i = 0; i < kRuns; ++i) {
        double full = 0.0;
        for (const char* stage : {"setSource", "detect", "markDefects", "removeSpecks",
                                  "copySource", "dissolveDefects"}) {
            full += timeStage(stage);
        }
        runs["full"].push_back(full);
        double recompute = 0.0;
        for (const char* stage :
             {"markDefects", "removeSpecks", "exportDefects", "copySource", "dissolveDefects"}) {
            recompute += timeStage(stage);
        }
        runs["recompute"].push_back(recompute);
    }
    memory["full"] = memory["recompute"] = 0.0;
    for (const char* stage : kStages) {
        memory["full"] = std::max(memory["full"], memory[stage]);
    }
    memory["recompute"] = memory["full"];

    const std::vector<T> crop = cropOf(image, photo.width, photo.height);
    const std::map<std::string, double> reference = referenceTimes(crop, kCropWidth, kCropHeight);
    const double cropScale = megapixels / (kCropWidth * kCropHeight / 1e6);

    std::vector<std::string> names(std::begin(kStages), std::end(kStages));
    names.push_back("full");
    names.push_back("recompute");
    for (const std::string& stage : names) {
        const double ms = medianOf(runs[stage]);
        print(stage + suffix, ms, "ms");
        print(stage + suffix + "-rate", megapixels / (ms / 1e3), "MP/s");
        print(stage + suffix + "-vs-copy", ms / copyMs, "ratio");
        print(stage + suffix + "-memory", memory[stage] / 1e6, "MB");
        if (const auto found = reference.find(stage); found != reference.end()) {
            print(stage + suffix + "-speedup", found->second * cropScale / ms, "x");
        }
    }

    if constexpr (std::is_same_v<T, uint8_t>) {
        // Detection cost against the tile size: the window grows from 3 x 3
        // to 41 x 41.
        for (const int32_t tileSize : {1, 50}) {
            const EngineSettings t = defaultSettings(tileSize);
            pipeline.run("setSource", t);
            std::vector<double> detect;
            for (int i = 0; i < 3; ++i) {
                detect.push_back(millisecondsOf([&] { pipeline.run("detect", t); }));
            }
            print("detect-t" + std::to_string(tileSize) + suffix, medianOf(detect), "ms");
        }
        benchAdaptive(pipeline, suffix);
    }
}

// A 16-bit RGB TIFF of the picture, uncompressed, strips of 64 rows.
void writeTiff(const fs::path& path, const Photo& photo) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (tif == nullptr) throw std::runtime_error("cannot write " + path.string());
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(photo.width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(photo.height));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 64);
    std::vector<uint16_t> row(static_cast<std::size_t>(photo.width) * 3);
    for (int32_t y = 0; y < photo.height; ++y) {
        const float* from = photo.values.data() + static_cast<std::size_t>(y) * row.size();
        for (std::size_t i = 0; i < row.size(); ++i) {
            row[i] = static_cast<uint16_t>(from[i] * 65535.0f + 0.5f);
        }
        TIFFWriteScanline(tif, row.data(), static_cast<uint32_t>(y), 0);
    }
    TIFFClose(tif);
}

// libtiff alone: reads every strip of `from` into memory and writes them to
// `to` with the same layout.
void copyTiff(const fs::path& from, const fs::path& to) {
    TIFF* in = TIFFOpen(from.c_str(), "r");
    if (in == nullptr) throw std::runtime_error("cannot read " + from.string());
    uint32_t width = 0, height = 0, rowsPerStrip = 0;
    uint16_t samples = 0, bits = 0;
    TIFFGetField(in, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(in, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetField(in, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetField(in, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetField(in, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    const tmsize_t stripBytes = TIFFStripSize(in);
    const uint32_t strips = TIFFNumberOfStrips(in);
    std::vector<uint8_t> pixels(static_cast<std::size_t>(stripBytes) * strips);
    tmsize_t total = 0;
    for (uint32_t s = 0; s < strips; ++s) {
        total += TIFFReadEncodedStrip(in, s, pixels.data() + total, -1);
    }
    TIFFClose(in);
    TIFF* out = TIFFOpen(to.c_str(), "w");
    if (out == nullptr) throw std::runtime_error("cannot write " + to.string());
    TIFFSetField(out, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(out, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(out, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(out, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(out, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(out, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(out, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(out, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
    tmsize_t offset = 0;
    for (uint32_t s = 0; s < strips; ++s) {
        const tmsize_t bytes = std::min(stripBytes, total - offset);
        TIFFWriteEncodedStrip(out, s, pixels.data() + offset, bytes);
        offset += bytes;
    }
    TIFFClose(out);
}

// Runs a program with its output thrown away; returns its wall time in
// milliseconds and its peak resident memory in bytes. fork, not
// posix_spawn: a child that shares this process's memory until exec starts
// its peak from this process's, while a forked child starts from what this
// process holds at the time, which the caller keeps small.
struct ProgramRun {
    double milliseconds = 0.0;
    double peakBytes = 0.0;
    double cpuMilliseconds = 0.0;  // user + system
};

double millisecondsOf(const timeval& t) {
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
}

double cpuMillisecondsOf(const rusage& usage) {
    return millisecondsOf(usage.ru_utime) + millisecondsOf(usage.ru_stime);
}

ProgramRun runProgram(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("cannot start " + args[0]);
    if (pid == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error(args[0] + " failed");
    }
    return {ms, static_cast<double>(usage.ru_maxrss) * 1024.0, cpuMillisecondsOf(usage)};
}

double loadAverage() {
    double load[1] = {0.0};
    return getloadavg(load, 1) == 1 ? load[0] : -1.0;
}

// The processor time of the filter run's stages on a 16-bit picture, in this
// process: what the command line's run costs beyond reading and writing.
double engineCpuMilliseconds(const Photo& photo) {
    const std::vector<uint16_t> image = toPixels<uint16_t>(photo);
    HeapPlaneAllocator allocator;
    Pipeline<uint16_t> pipeline(image, photo.width, photo.height, allocator);
    const EngineSettings settings = defaultSettings(8);
    std::vector<double> runs;
    for (int i = 0; i < 3; ++i) {
        const double before = processCpuMilliseconds();
        for (const char* stage : {"setSource", "detect", "markDefects", "removeSpecks",
                                  "copySource", "dissolveDefects"}) {
            pipeline.run(stage, settings);
        }
        runs.push_back(processCpuMilliseconds() - before);
    }
    return medianOf(runs);
}

// A scratch folder for the command-line runs, removed with it.
class ScratchFolder {
  public:
    ScratchFolder() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern =
            (fs::path(tmp != nullptr ? tmp : "/tmp") / "nelvo-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temporary folder");
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

fs::path filterhostBeside() {
    const fs::path filterhost = fs::read_symlink("/proc/self/exe").parent_path() / "filterhost";
    if (!fs::exists(filterhost)) {
        std::fprintf(stderr, "nelvo-bench: %s not built; command-line figures skipped\n",
                     filterhost.c_str());
        return {};
    }
    return filterhost;
}

// Runs first, while this process holds little besides the TIFF it writes.
void benchCommandLine() {
    const fs::path filterhost = filterhostBeside();
    if (filterhost.empty()) return;
    const ScratchFolder scratch;
    const fs::path& dir = scratch.path();
    const fs::path input = dir / "scan.tif";
    writeTiff(input, makePhoto(kWidth, kHeight));
    malloc_trim(0);

    std::vector<double> library, libraryCpu, command, commandCpu, resident;
    for (int i = 0; i < 3; ++i) {
        const double cpuBefore = processCpuMilliseconds();
        library.push_back(millisecondsOf([&] { copyTiff(input, dir / "copy.tif"); }));
        libraryCpu.push_back(processCpuMilliseconds() - cpuBefore);
        const ProgramRun run =
            runProgram({filterhost.string(), "run", input.string(), "-o", (dir / "out.tif")});
        command.push_back(run.milliseconds);
        commandCpu.push_back(run.cpuMilliseconds);
        resident.push_back(run.peakBytes);
    }

    const double libtiffMs = medianOf(library);
    const double commandMs = medianOf(command);
    print("load-average", loadAverage(), "count");
    print("libtiff-rgb16-24mp", libtiffMs, "ms");
    print("cli-rgb16-24mp", commandMs, "ms");
    print("cli-rgb16-24mp-vs-libtiff", commandMs / libtiffMs, "ratio");
    // Processor time, which load on the machine disturbs far less than wall
    // time: the run against the engine's own work plus a plain TIFF copy.
    const double engineCpu = engineCpuMilliseconds(makePhoto(kWidth, kHeight));
    const double libraryCpuMs = medianOf(libraryCpu);
    const double commandCpuMs = medianOf(commandCpu);
    print("libtiff-cpu-rgb16-24mp", libraryCpuMs, "ms");
    print("engine-cpu-rgb16-24mp", engineCpu, "ms");
    print("cli-cpu-rgb16-24mp", commandCpuMs, "ms");
    print("cli-cpu-rgb16-24mp-vs-engine-plus-libtiff", commandCpuMs / (engineCpu + libraryCpuMs),
          "ratio");
    print("peak-memory-rgb16-24mp", *std::max_element(resident.begin(), resident.end()) / 1e6,
          "MB");
}

// A large-format scan: 200 megapixels of 16-bit RGB (1.2 GB of samples),
// run once; its peak resident memory is the figure that matters.
void benchLargeScan() {
    const fs::path filterhost = filterhostBeside();
    if (filterhost.empty()) return;
    constexpr int32_t kLargeWidth = 16330;
    constexpr int32_t kLargeHeight = 12250;
    const ScratchFolder scratch;
    const fs::path input = scratch.path() / "large.tif";
    writeTiff(input, makePhoto(kLargeWidth, kLargeHeight));
    malloc_trim(0);
    const ProgramRun run = runProgram(
        {filterhost.string(), "run", input.string(), "-o", (scratch.path() / "out.tif")});
    print("cli-rgb16-200mp", run.milliseconds, "ms");
    print("cli-cpu-rgb16-200mp", run.cpuMilliseconds, "ms");
    print("peak-memory-rgb16-200mp", run.peakBytes / 1e6, "MB");
}

// ---- --quick: a small picture against the reference ----

int gMismatches = 0;

void expect(bool ok, const std::string& what) {
    if (!ok) {
        ++gMismatches;
        std::printf("mismatch: %s\n", what.c_str());
    }
}

template <typename T>
bool sameBits(T a, T b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

// Contrast ratings come from exact window sums, the reference's from a
// single-precision Welford update whose rounding grows with the window and
// with the level of the values against their spread. On photo-like 8-bit
// windows of 17 x 17 and more the two part by up to about 3e-5 on a few
// pixels in ten thousand; everywhere else they agree within 1e-5.
// The float engine's deviation term has a floor of one 8-bit level squared
// (1/65025) instead of the integer types' 1, so it follows variance
// differences of about 1e-6, where the reference's Welford rounding shows:
// on 41 x 41 windows 0.26 % of its ratings part by more than 1e-5 (at most
// 3.4e-5), on 17 x 17 windows 0.007 %.
constexpr float kContrastTolerance = 1e-5f;
constexpr float kContrastEnvelope = 5e-5f;
template <typename T>
constexpr double kShareBeyondTolerance = std::is_same_v<T, float> ? 5e-3 : 1e-3;

template <typename T>
void checkAgainstReference(const Photo& photo, int32_t tileSize, int32_t intensity, int threads) {
    const ThreadLimit limit(threads);
    const std::string name = std::string("quick-") + tagOf<T>() + "-t" + std::to_string(tileSize) +
                             "-threads" + std::to_string(threads);
    const std::vector<T> image = toPixels<T>(photo);
    const int32_t w = photo.width;
    const int32_t h = photo.height;
    const int32_t rowBytes = w * 3 * static_cast<int32_t>(sizeof(T));
    const auto columnBytes = static_cast<int32_t>(3 * sizeof(T));
    EngineSettings settings = defaultSettings(tileSize);
    settings.detectionIntensity = intensity;
    const VRect rect{0, 0, h, w};
    HeapPlaneAllocator allocator;
    Pipeline<T> pipeline(image, w, h, allocator);
    Dissolve<T>& engine = pipeline.engine();
    pipeline.run("setSource", settings);
    pipeline.run("detect", settings);
    pipeline.run("markDefects", settings);
    const NelvoBuffer<uint8_t>& flags = *engine.defects();
    const std::vector<uint8_t> marked(flags.data(), flags.data() + int64_t{w} * h);
    pipeline.run("removeSpecks", settings);
    pipeline.run("copySource", settings);
    pipeline.run("dissolveDefects", settings);

    const auto grey = reference::greyPlane<T>(image.data(), rowBytes, columnBytes, w, h, 3, 0);
    reference::Plane<T> median(w, h);
    reference::Plane<float> contrast(w, h);
    reference::detect(grey, median, contrast, settings, rect, w, rect, 0, true);
    const auto defects =
        reference::markDefects(contrast, nullptr, 0, 0, settings.detectionIntensity, nullptr, w);
    int64_t greyDiffs = 0, medianDiffs = 0, beyondTolerance = 0, flagged = 0;
    float worst = 0.0f;
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            greyDiffs += sameBits(engine.grey()->at(y, x), grey.at(y, x)) ? 0 : 1;
            medianDiffs += sameBits(engine.median()->at(y, x), median.at(y, x)) ? 0 : 1;
            const float deviation = std::fabs(engine.contrast()->at(y, x) - contrast.at(y, x));
            worst = std::max(worst, deviation);
            beyondTolerance += deviation > kContrastTolerance ? 1 : 0;
        }
    }
    // A flag may differ only where the reference's rating lies within the
    // ratings' deviation of the threshold.
    const float threshold = reference::markThreshold(settings.detectionIntensity, 128);
    int64_t flagDiffs = 0;
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            const std::size_t i = count(int64_t{y} * w + x);
            flagged += marked[i];
            if (marked[i] != defects.at(y, x) &&
                std::fabs(contrast.at(y, x) - threshold) > std::max(worst, kContrastTolerance)) {
                ++flagDiffs;
            }
        }
    }
    expect(greyDiffs == 0, name + ": " + std::to_string(greyDiffs) + " grey values differ");
    expect(medianDiffs == 0, name + ": " + std::to_string(medianDiffs) + " medians differ");
    expect(worst <= kContrastEnvelope, name + ": a rating is off by " + std::to_string(worst));
    expect(static_cast<double>(beyondTolerance) <= kShareBeyondTolerance<T> * w * h,
           name + ": " + std::to_string(beyondTolerance) + " ratings off by more than 1e-5");
    expect(flagDiffs == 0, name + ": " + std::to_string(flagDiffs) + " defect flags differ");
    expect(flagged > 0, name + ": nothing flagged");

    // Clean-up and repair from the engine's own flags.
    reference::Plane<uint8_t> specks(w, h);
    specks.values = marked;
    reference::removeSpecks(specks, tileSize);
    const std::vector<uint8_t> cleaned(flags.data(), flags.data() + int64_t{w} * h);
    expect(cleaned == specks.values, name + ": speck removal differs");
    std::vector<T> repaired = image;
    reference::dissolveDefects<T>(specks, repaired.data(), rowBytes, columnBytes, 3);
    bool same = repaired.size() == pipeline.out().size();
    for (std::size_t i = 0; same && i < repaired.size(); ++i) {
        same = sameBits(repaired[i], pipeline.out()[i]);
    }
    expect(same, name + ": repaired pixels differ");
    std::printf("%s-flagged: %lld count\n", name.c_str(), static_cast<long long>(flagged));
    std::printf("%s-contrast-deviation: %.2g max\n", name.c_str(), static_cast<double>(worst));
    std::printf("%s-contrast-beyond-1e-5: %lld count\n", name.c_str(),
                static_cast<long long>(beyondTolerance));
}

int runQuick() {
    const Photo photo = makePhoto(480, 320);
    for (const int threads : {1, 2}) {
        checkAgainstReference<uint8_t>(photo, 8, 8, threads);
        checkAgainstReference<uint8_t>(photo, 1, 14, threads);
        checkAgainstReference<uint8_t>(photo, 30, 8, threads);
        checkAgainstReference<uint16_t>(photo, 8, 8, threads);
        checkAgainstReference<uint16_t>(photo, 3, 12, threads);
        checkAgainstReference<float>(photo, 8, 8, threads);
        checkAgainstReference<float>(photo, 20, 8, threads);
    }
    std::printf("quick-mismatches: %d count\n", gMismatches);
    return gMismatches == 0 ? 0 : 1;
}

// Only the adaptive recognition figures, 8-bit.
int runAdaptive() {
    const Photo photo = makePhoto(kWidth, kHeight);
    const std::vector<uint8_t> image = toPixels<uint8_t>(photo);
    MeteredPlaneAllocator allocator;
    Pipeline<uint8_t> pipeline(image, photo.width, photo.height, allocator);
    benchAdaptive(pipeline, "-rgb8-24mp");
    return 0;
}

int runFull() {
    std::printf("threads: %d count\n", engineThreadCount());
    benchCommandLine();
    benchLargeScan();
    const Photo photo = makePhoto(kWidth, kHeight);
    benchType<uint8_t>(photo);
    benchType<uint16_t>(photo);
    benchType<float>(photo);
    return 0;
}

}  // namespace
}  // namespace nelvo::bench

int main(int argc, char** argv) {
    try {
        if (argc > 1 && std::strcmp(argv[1], "--quick") == 0) {
            return nelvo::bench::runQuick();
        }
        if (argc > 1 && std::strcmp(argv[1], "--adaptive") == 0) {
            return nelvo::bench::runAdaptive();
        }
        if (argc > 1) {
            std::fprintf(stderr, "usage: nelvo-bench [--quick | --adaptive]\n");
            return 2;
        }
        return nelvo::bench::runFull();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "nelvo-bench: %s\n", e.what());
        return 1;
    }
}
