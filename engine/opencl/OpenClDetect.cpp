// SPDX-License-Identifier: MIT
#include "engine/opencl/OpenClDetect.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string_view>
#include <utility>

#include "engine/Detection.h"
#include "engine/PixelTraits.h"
#include "engine/opencl/ClApi.h"
#include "engine/opencl/WorkSize.h"
#include "engine/opencl/kernels/ContrastKernel.h"
#include "engine/opencl/kernels/MedianKernel.h"

namespace nelvo::opencl {

namespace {

// Launches are cut into blocks of at most this many work items per dimension,
// each waited for, so that cancellation and progress stay responsive.
constexpr std::size_t kBlockItems = 512;

constexpr std::size_t kVendorBytes = 1024;

cl_device_type deviceType(DeviceChoice choice) {
    switch (choice) {
        case DeviceChoice::cpu:
            return CL_DEVICE_TYPE_CPU;
        case DeviceChoice::any:
            return CL_DEVICE_TYPE_ALL;
        default:
            return CL_DEVICE_TYPE_GPU;
    }
}

// The first platform's first device of the chosen type. Root devices are not
// reference counted, so nothing here needs releasing.
struct Device {
    cl_device_id id = nullptr;
    char vendor[kVendorBytes] = {};
};

bool findDevice(DeviceChoice choice, Device& device) {
    // PoCL lists its devices on the first lookup in the process; lookups
    // made by other threads meanwhile find no device. One at a time, every
    // caller sees the list complete.
    static std::mutex lookup;
    const std::lock_guard<std::mutex> lock(lookup);
    cl_platform_id platform = nullptr;
    cl_uint count = 0;
    if (clGetPlatformIDs(1, &platform, &count) != CL_SUCCESS || count == 0) {
        return false;
    }
    if (clGetDeviceIDs(platform, deviceType(choice), 1, &device.id, &count) != CL_SUCCESS ||
        count == 0 || device.id == nullptr) {
        return false;
    }
    if (clGetPlatformInfo(platform, CL_PLATFORM_VENDOR, sizeof device.vendor, device.vendor,
                          nullptr) != CL_SUCCESS) {
        return false;
    }
    device.vendor[kVendorBytes - 1] = '\0';
    return true;
}

OwnedProgram buildProgram(cl_context context, cl_device_id device, const char* source) {
    cl_int status = CL_SUCCESS;
    OwnedProgram program(clCreateProgramWithSource(context, 1, &source, nullptr, &status));
    if (status != CL_SUCCESS || !program) {
        return {};
    }
    if (clBuildProgram(program.get(), 1, &device, nullptr, nullptr, nullptr) != CL_SUCCESS) {
        return {};
    }
    return program;
}

OwnedContext retained(cl_context context) {
    return clRetainContext(context) == CL_SUCCESS ? OwnedContext(context) : OwnedContext{};
}

OwnedProgram retained(cl_program program) {
    return clRetainProgram(program) == CL_SUCCESS ? OwnedProgram(program) : OwnedProgram{};
}

enum class KernelProgram { median, contrast };

// The context and the built programs, kept from one call to the next for the
// device last used. Building both programs costs PoCL 40 to 80 ms a call even
// with its on-disk kernel cache warm: on a 256 x 256 host tile a call took
// about 80 ms with the builds and 35 to 45 ms without them (opencl_detect_bench;
// on a 24-megapixel image, 12 s either way). The ratings do not change. A call
// holds references of its own, so clear() may run at any time.
class ProgramCache {
  public:
    // A reference to the context for `device`, made if there is none yet;
    // whatever was kept for another device is let go.
    OwnedContext context(cl_device_id device) {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (device_ != device) {
            dropLocked();
            cl_int status = CL_SUCCESS;
            OwnedContext context(clCreateContext(nullptr, 1, &device, nullptr, nullptr, &status));
            if (status != CL_SUCCESS || !context) {
                return {};
            }
            context_ = std::move(context);
            device_ = device;
        }
        return retained(context_.get());
    }

    // A reference to one of the programs built for `context`, which must
    // have come from context(device); built on first use.
    OwnedProgram program(cl_device_id device, cl_context context, KernelProgram which) {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (device_ != device || context_.get() != context) {
            return {};
        }
        OwnedProgram& kept = programs_[which == KernelProgram::median ? 0 : 1];
        if (!kept) {
            kept = buildProgram(
                context, device,
                which == KernelProgram::median ? kernels::kMedianSource : kernels::kContrastSource);
            if (!kept) {
                return {};
            }
        }
        return retained(kept.get());
    }

    void clear() {
        const std::lock_guard<std::mutex> lock(mutex_);
        dropLocked();
    }

  private:
    void dropLocked() {
        programs_[0].reset();
        programs_[1].reset();
        context_.reset();
        device_ = nullptr;
    }

    std::mutex mutex_;
    cl_device_id device_ = nullptr;
    OwnedContext context_;
    OwnedProgram programs_[2];
};

// Never destroyed: released at exit, the objects could outlive the OpenCL
// runtime's own teardown.
ProgramCache& programCache() {
    static auto* cache = new ProgramCache;
    return *cache;
}

OwnedKernel createKernel(cl_program program, const char* name) {
    cl_int status = CL_SUCCESS;
    OwnedKernel kernel(clCreateKernel(program, name, &status));
    return status == CL_SUCCESS ? std::move(kernel) : OwnedKernel{};
}

// A two-dimensional single-channel float image without host memory.
OwnedImage createImage(cl_context context, cl_mem_flags flags, std::size_t width,
                       std::size_t height) {
    const cl_image_format format{CL_R, CL_FLOAT};
    cl_image_desc desc{};
    desc.image_type = CL_MEM_OBJECT_IMAGE2D;
    desc.image_width = width;
    desc.image_height = height;
    cl_int status = CL_SUCCESS;
    OwnedImage image(clCreateImage(context, flags, &format, &desc, nullptr, &status));
    return status == CL_SUCCESS ? std::move(image) : OwnedImage{};
}

// A blocking mapping of a whole image; unmapped when left.
class ImageMapping {
  public:
    ImageMapping(cl_command_queue queue, cl_mem image, cl_map_flags flags, std::size_t width,
                 std::size_t height)
        : queue_(queue), image_(image) {
        const std::size_t origin[3] = {0, 0, 0};
        const std::size_t region[3] = {width, height, 1};
        cl_int status = CL_SUCCESS;
        void* data = clEnqueueMapImage(queue, image, CL_TRUE, flags, origin, region, &rowPitch_,
                                       nullptr, 0, nullptr, nullptr, &status);
        if (status == CL_SUCCESS) {
            data_ = static_cast<unsigned char*>(data);
        }
    }
    ~ImageMapping() { unmap(); }

    ImageMapping(const ImageMapping&) = delete;
    ImageMapping& operator=(const ImageMapping&) = delete;

    unsigned char* data() const { return data_; }
    std::size_t rowPitch() const { return rowPitch_; }

    // Answers whether the runtime accepted the unmapping.
    bool unmap() {
        if (data_ == nullptr) {
            return true;
        }
        const cl_int status = clEnqueueUnmapMemObject(queue_, image_, data_, 0, nullptr, nullptr);
        data_ = nullptr;
        return status == CL_SUCCESS;
    }

  private:
    cl_command_queue queue_;
    cl_mem image_;
    unsigned char* data_ = nullptr;
    std::size_t rowPitch_ = 0;
};

// Maps `image` and calls visit(row, bytes) for each of its h rows of w floats.
template <typename Visit>
bool forMappedRows(cl_command_queue queue, cl_mem image, cl_map_flags flags, std::size_t w,
                   std::size_t h, Visit visit) {
    ImageMapping mapping(queue, image, flags, w, h);
    if (mapping.data() == nullptr) {
        return false;
    }
    const std::size_t pitch = mappedRowPitch(w, mapping.rowPitch());
    if (pitch == 0) {
        return false;
    }
    for (std::size_t i = 0; i < h; ++i) {
        visit(static_cast<int32_t>(i), mapping.data() + i * pitch);
    }
    return mapping.unmap();
}

// Fills the grey image from the grey plane, as floats in the pixel type's
// own range.
template <typename T>
bool writeGrey(cl_command_queue queue, cl_mem image, const NelvoBuffer<T>& grey, std::size_t w,
               std::size_t h) {
    return forMappedRows(queue, image, CL_MAP_WRITE, w, h, [&](int32_t y, unsigned char* bytes) {
        const T* in = grey.row(y);
        auto* out = reinterpret_cast<float*>(bytes);
        for (std::size_t x = 0; x < w; ++x) {
            out[x] = static_cast<float>(in[x]);
        }
    });
}

// Copies the result image into the contrast plane.
bool readRatings(cl_command_queue queue, cl_mem image, NelvoBuffer<float>& contrast, std::size_t w,
                 std::size_t h) {
    return forMappedRows(queue, image, CL_MAP_READ, w, h, [&](int32_t y, unsigned char* bytes) {
        std::memcpy(contrast.row(y), bytes, w * sizeof(float));
    });
}

template <typename V>
bool setArgument(cl_kernel kernel, cl_uint index, const V& value) {
    return clSetKernelArg(kernel, index, sizeof(V), &value) == CL_SUCCESS;
}

// The device's and the kernel's work-group limits, or nothing when the runtime
// cannot tell them.
bool queryWorkLimits(cl_kernel kernel, cl_device_id device, WorkLimits& limits) {
    return clGetDeviceInfo(device, CL_DEVICE_MAX_WORK_ITEM_SIZES, sizeof limits.maxItemSizes,
                           limits.maxItemSizes, nullptr) == CL_SUCCESS &&
           clGetKernelWorkGroupInfo(kernel, device, CL_KERNEL_WORK_GROUP_SIZE,
                                    sizeof limits.maxGroupSize, &limits.maxGroupSize,
                                    nullptr) == CL_SUCCESS &&
           clGetKernelWorkGroupInfo(kernel, device, CL_KERNEL_PREFERRED_WORK_GROUP_SIZE_MULTIPLE,
                                    sizeof limits.preferredMultiple, &limits.preferredMultiple,
                                    nullptr) == CL_SUCCESS;
}

enum class PassEnd { finished, failed, cancelled };

// Launches `kernel` over `extent` in blocks of `block` work items, waiting for
// each block; isCancelled after every launch, advance(block height) after
// every row of blocks. A null `local` lets the runtime choose the group size.
PassEnd runBlocks(cl_command_queue queue, cl_kernel kernel, const std::size_t extent[2],
                  const std::size_t block[2], const std::size_t* local, const StageHooks& hooks) {
    for (std::size_t y0 = 0; y0 < extent[1]; y0 += block[1]) {
        for (std::size_t x0 = 0; x0 < extent[0]; x0 += block[0]) {
            const std::size_t offset[2] = {x0, y0};
            const std::size_t size[2] = {std::min(block[0], extent[0] - x0),
                                         std::min(block[1], extent[1] - y0)};
            if (clEnqueueNDRangeKernel(queue, kernel, 2, offset, size, local, 0, nullptr,
                                       nullptr) != CL_SUCCESS ||
                clFinish(queue) != CL_SUCCESS) {
                return PassEnd::failed;
            }
            if (hooks.isCancelled()) {
                return PassEnd::cancelled;
            }
        }
        hooks.advance(static_cast<int32_t>(block[1]));
    }
    return PassEnd::finished;
}

}  // namespace

DeviceChoice parseDeviceChoice(const char* value) {
    if (value == nullptr) {
        return DeviceChoice::gpu;
    }
    const std::string_view text(value);
    if (text == "cpu") return DeviceChoice::cpu;
    if (text == "any") return DeviceChoice::any;
    if (text == "off") return DeviceChoice::off;
    return DeviceChoice::gpu;
}

void releaseKeptPrograms() {
    programCache().clear();
}

DeviceChoice deviceChoiceFromEnvironment() {
    return parseDeviceChoice(std::getenv(kDeviceVariable));
}

template <typename T>
bool detectOnGpu(const NelvoBuffer<T>& grey, NelvoBuffer<float>& contrast, const VRect& region,
                 const EngineSettings& settings, const StageHooks& hooks) {
    const int32_t width = std::clamp(region.width(), 0, std::min(grey.width(), contrast.width()));
    const int32_t height =
        std::clamp(region.height(), 0, std::min(grey.height(), contrast.height()));
    if (width == 0 || height == 0) {
        return true;
    }
    const auto w = static_cast<std::size_t>(width);
    const auto h = static_cast<std::size_t>(height);

    // Every object made below is held by an owner, so that whichever return
    // is taken releases everything made up to there.
    const DeviceChoice choice = deviceChoiceFromEnvironment();
    if (choice == DeviceChoice::off) {
        return false;
    }
    Device device;
    if (!findDevice(choice, device)) {
        return false;
    }
    ProgramCache& cache = programCache();
    OwnedContext context = cache.context(device.id);
    if (!context) {
        return false;
    }
    cl_int status = CL_SUCCESS;
    OwnedQueue queue(clCreateCommandQueue(context.get(), device.id, 0, &status));
    if (status != CL_SUCCESS || !queue) {
        return false;
    }

    OwnedProgram medianProgram = cache.program(device.id, context.get(), KernelProgram::median);
    if (!medianProgram) {
        return false;
    }
    OwnedKernel medianKernel = createKernel(medianProgram.get(), "median");
    if (!medianKernel) {
        return false;
    }

    // The median samples 3 x 3 values one tile size apart.
    const cl_int radius = effectiveTileSize(settings.tileSize);
    const cl_int radiusStep = radius;
    const std::size_t samplesPerSide = static_cast<std::size_t>(2 * radius / radiusStep + 1);
    const std::size_t sampleBytes = samplesPerSide * samplesPerSide * sizeof(cl_float);
    const cl_int contrastRadius = std::min(radius, kMaxContrastRadius);
    cl_uchar2 defects{};
    defects.s[0] = settings.darkDefects ? 1 : 0;
    defects.s[1] = settings.brightDefects ? 1 : 0;
    const cl_float threshold = PixelTraits<T>::differenceThreshold;
    const cl_float maxPixelValue = PixelTraits<T>::maxFloat;
    const cl_float deviationFloor = PixelTraits<T>::deviationFloor;

    OwnedImage greyImage = createImage(context.get(), CL_MEM_READ_ONLY, w, h);
    OwnedImage medianImage = createImage(context.get(), CL_MEM_READ_WRITE, w, h);
    if (!greyImage || !medianImage) {
        return false;
    }

    if (!writeGrey(queue.get(), greyImage.get(), grey, w, h)) {
        return false;
    }

    cl_int2 r{};
    r.s[0] = radius;
    r.s[1] = radiusStep;
    const cl_mem greyMem = greyImage.get();
    const cl_mem medianMem = medianImage.get();
    if (!setArgument(medianKernel.get(), 0, greyMem) ||
        !setArgument(medianKernel.get(), 1, medianMem) || !setArgument(medianKernel.get(), 2, r) ||
        clSetKernelArg(medianKernel.get(), 3, sampleBytes, nullptr) != CL_SUCCESS) {
        return false;
    }

    const std::size_t extent[2] = {w, h};
    const std::size_t medianBlock[2] = {kBlockItems, kBlockItems};
    const std::size_t singleItem[2] = {1, 1};
    switch (runBlocks(queue.get(), medianKernel.get(), extent, medianBlock, singleItem, hooks)) {
        case PassEnd::failed:
            return false;
        case PassEnd::cancelled:
            return true;
        case PassEnd::finished:
            break;
    }

    OwnedImage resultImage = createImage(context.get(), CL_MEM_WRITE_ONLY, w, h);
    if (!resultImage) {
        return false;
    }
    medianProgram.reset();

    OwnedProgram contrastProgram = cache.program(device.id, context.get(), KernelProgram::contrast);
    if (!contrastProgram) {
        return false;
    }
    OwnedKernel contrastKernel = createKernel(contrastProgram.get(), "contrast");
    if (!contrastKernel) {
        return false;
    }

    WorkLimits limits;
    if (!queryWorkLimits(contrastKernel.get(), device.id, limits)) {
        return false;
    }
    std::size_t covered[2] = {w, h};
    std::size_t contrastBlock[2] = {kBlockItems, kBlockItems};
    std::size_t local[2] = {};
    const bool fitted = fitWorkSize(limits, extent, covered, local);
    if (fitted) {
        for (int d = 0; d < 2; ++d) {
            contrastBlock[d] = (kBlockItems + local[d] - 1) / local[d] * local[d];
        }
    } else {
        covered[0] = w;
        covered[1] = h;
    }

    const cl_mem resultMem = resultImage.get();
    const cl_kernel k = contrastKernel.get();
    if (!setArgument(k, 0, greyMem) || !setArgument(k, 1, medianMem) ||
        !setArgument(k, 2, resultMem) || !setArgument(k, 3, defects) ||
        !setArgument(k, 4, threshold) || !setArgument(k, 5, contrastRadius) ||
        !setArgument(k, 6, maxPixelValue) || !setArgument(k, 7, deviationFloor)) {
        return false;
    }
    switch (runBlocks(queue.get(), k, covered, contrastBlock, fitted ? local : nullptr, hooks)) {
        case PassEnd::failed:
            return false;
        case PassEnd::cancelled:
            return true;
        case PassEnd::finished:
            break;
    }

    if (!readRatings(queue.get(), resultMem, contrast, w, h)) {
        return false;
    }
    return clFinish(queue.get()) == CL_SUCCESS;
}

template bool detectOnGpu<unsigned char>(const NelvoBuffer<unsigned char>&, NelvoBuffer<float>&,
                                         const VRect&, const EngineSettings&, const StageHooks&);
template bool detectOnGpu<unsigned short>(const NelvoBuffer<unsigned short>&, NelvoBuffer<float>&,
                                          const VRect&, const EngineSettings&, const StageHooks&);
template bool detectOnGpu<float>(const NelvoBuffer<float>&, NelvoBuffer<float>&, const VRect&,
                                 const EngineSettings&, const StageHooks&);

}  // namespace nelvo::opencl
