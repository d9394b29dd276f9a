// SPDX-License-Identifier: MIT
#include "tests/engine/opencl/ClCalls.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace nelvo::testing::cl {

namespace {

struct Failure {
    std::string function;
    int nth;
    cl_int error;
};

// A copy of a runtime mapping with rows further apart than the runtime's.
struct PaddedMapping {
    void* real;
    std::size_t realPitch;
    std::size_t paddedPitch;
    std::size_t rows;
    bool written;
    std::vector<unsigned char> bytes;
};

struct Record {
    std::mutex mutex;
    std::map<std::string, int> calls;
    std::vector<Failure> failures;
    std::optional<std::string> vendor;
    std::optional<std::size_t> workGroupSize;
    std::size_t rowPadding = 0;
    std::map<const void*, PaddedMapping> paddedMappings;
    std::map<const void*, int> references[6];
    int strayReleases = 0;
};

Record& record() {
    static Record instance;
    return instance;
}

// Counts the call; answers the error to fail it with, if it is to fail.
std::optional<cl_int> enter(const char* function) {
    Record& r = record();
    const std::lock_guard<std::mutex> lock(r.mutex);
    const int nth = ++r.calls[function];
    for (const Failure& failure : r.failures) {
        if (failure.function == function && failure.nth == nth) return failure.error;
    }
    return std::nullopt;
}

void retainOne(Kind kind, const void* handle) {
    if (handle == nullptr) return;
    Record& r = record();
    const std::lock_guard<std::mutex> lock(r.mutex);
    ++r.references[static_cast<int>(kind)][handle];
}

void releaseOne(Kind kind, const void* handle) {
    Record& r = record();
    const std::lock_guard<std::mutex> lock(r.mutex);
    auto& held = r.references[static_cast<int>(kind)];
    const auto found = held.find(handle);
    if (found == held.end()) {
        ++r.strayReleases;
        return;
    }
    if (--found->second == 0) held.erase(found);
}

// The next definition of `name` after this program's: the ICD loader's.
template <typename F>
F realFunction(const char* name) {
    void* symbol = dlsym(RTLD_NEXT, name);
    if (symbol == nullptr) {
        static void* const loader = dlopen("libOpenCL.so.1", RTLD_NOW | RTLD_LOCAL);
        if (loader != nullptr) symbol = dlsym(loader, name);
    }
    if (symbol == nullptr) {
        std::fprintf(stderr, "ClCalls: no OpenCL function %s\n", name);
        std::abort();
    }
    return reinterpret_cast<F>(symbol);
}

template <typename Handle>
Handle failWith(cl_int error, cl_int* errorOut) {
    if (errorOut != nullptr) *errorOut = error;
    return nullptr;
}

}  // namespace

int live(Kind kind) {
    Record& r = record();
    const std::lock_guard<std::mutex> lock(r.mutex);
    int total = 0;
    for (const auto& [handle, count] : r.references[static_cast<int>(kind)]) total += count;
    return total;
}

int liveTotal() {
    int total = 0;
    for (Kind kind :
         {Kind::context, Kind::queue, Kind::program, Kind::kernel, Kind::image, Kind::mapping}) {
        total += live(kind);
    }
    return total;
}

int strayReleases() {
    Record& r = record();
    const std::lock_guard<std::mutex> lock(r.mutex);
    return r.strayReleases;
}

int calls(const std::string& function) {
    Record& r = record();
    const std::lock_guard<std::mutex> lock(r.mutex);
    const auto found = r.calls.find(function);
    return found == r.calls.end() ? 0 : found->second;
}

int totalCalls() {
    Record& r = record();
    const std::lock_guard<std::mutex> lock(r.mutex);
    int total = 0;
    for (const auto& [function, count] : r.calls) total += count;
    return total;
}

void failCall(const std::string& function, int nth, cl_int error) {
    Record& r = record();
    const std::lock_guard<std::mutex> lock(r.mutex);
    r.failures.push_back({function, nth, error});
}

void fakeVendor(const std::string& vendor) {
    Record& r = record();
    const std::lock_guard<std::mutex> lock(r.mutex);
    r.vendor = vendor;
}

void fakeKernelWorkGroupSize(std::size_t size) {
    Record& r = record();
    const std::lock_guard<std::mutex> lock(r.mutex);
    r.workGroupSize = size;
}

void padMappedRows(std::size_t extraBytes) {
    Record& r = record();
    const std::lock_guard<std::mutex> lock(r.mutex);
    r.rowPadding = extraBytes;
}

void reset() {
    Record& r = record();
    const std::lock_guard<std::mutex> lock(r.mutex);
    r.rowPadding = 0;
    r.calls.clear();
    r.failures.clear();
    r.vendor.reset();
    r.workGroupSize.reset();
}

}  // namespace nelvo::testing::cl

using nelvo::testing::cl::enter;
using nelvo::testing::cl::failWith;
using nelvo::testing::cl::Kind;
using nelvo::testing::cl::PaddedMapping;
using nelvo::testing::cl::realFunction;
using nelvo::testing::cl::record;
using nelvo::testing::cl::Record;
using nelvo::testing::cl::releaseOne;
using nelvo::testing::cl::retainOne;

#define NELVO_REAL(name) static const auto real = realFunction<decltype(&name)>(#name)

extern "C" {

cl_int clGetPlatformIDs(cl_uint entries, cl_platform_id* platforms, cl_uint* count) {
    if (const auto error = enter("clGetPlatformIDs")) return *error;
    NELVO_REAL(clGetPlatformIDs);
    return real(entries, platforms, count);
}

cl_int clGetPlatformInfo(cl_platform_id platform, cl_platform_info name, size_t size, void* value,
                         size_t* sizeOut) {
    if (const auto error = enter("clGetPlatformInfo")) return *error;
    if (name == CL_PLATFORM_VENDOR) {
        std::optional<std::string> vendor;
        {
            const std::lock_guard<std::mutex> lock(record().mutex);
            vendor = record().vendor;
        }
        if (vendor) {
            if (sizeOut != nullptr) *sizeOut = vendor->size() + 1;
            if (value == nullptr) return CL_SUCCESS;
            if (size < vendor->size() + 1) return CL_INVALID_VALUE;
            std::memcpy(value, vendor->c_str(), vendor->size() + 1);
            return CL_SUCCESS;
        }
    }
    NELVO_REAL(clGetPlatformInfo);
    return real(platform, name, size, value, sizeOut);
}

cl_int clGetDeviceIDs(cl_platform_id platform, cl_device_type type, cl_uint entries,
                      cl_device_id* devices, cl_uint* count) {
    if (const auto error = enter("clGetDeviceIDs")) return *error;
    NELVO_REAL(clGetDeviceIDs);
    return real(platform, type, entries, devices, count);
}

cl_int clGetDeviceInfo(cl_device_id device, cl_device_info name, size_t size, void* value,
                       size_t* sizeOut) {
    if (const auto error = enter("clGetDeviceInfo")) return *error;
    NELVO_REAL(clGetDeviceInfo);
    return real(device, name, size, value, sizeOut);
}

cl_context clCreateContext(const cl_context_properties* properties, cl_uint count,
                           const cl_device_id* devices,
                           void(CL_CALLBACK* notify)(const char*, const void*, size_t, void*),
                           void* userData, cl_int* errorOut) {
    if (const auto error = enter("clCreateContext")) return failWith<cl_context>(*error, errorOut);
    NELVO_REAL(clCreateContext);
    cl_context context = real(properties, count, devices, notify, userData, errorOut);
    retainOne(Kind::context, context);
    return context;
}

cl_int clRetainContext(cl_context context) {
    if (const auto error = enter("clRetainContext")) return *error;
    NELVO_REAL(clRetainContext);
    const cl_int status = real(context);
    if (status == CL_SUCCESS) retainOne(Kind::context, context);
    return status;
}

cl_int clReleaseContext(cl_context context) {
    enter("clReleaseContext");
    NELVO_REAL(clReleaseContext);
    const cl_int status = real(context);
    if (status == CL_SUCCESS) releaseOne(Kind::context, context);
    return status;
}

cl_command_queue clCreateCommandQueue(cl_context context, cl_device_id device,
                                      cl_command_queue_properties properties, cl_int* errorOut) {
    if (const auto error = enter("clCreateCommandQueue")) {
        return failWith<cl_command_queue>(*error, errorOut);
    }
    NELVO_REAL(clCreateCommandQueue);
    cl_command_queue queue = real(context, device, properties, errorOut);
    retainOne(Kind::queue, queue);
    return queue;
}

cl_int clReleaseCommandQueue(cl_command_queue queue) {
    enter("clReleaseCommandQueue");
    NELVO_REAL(clReleaseCommandQueue);
    const cl_int status = real(queue);
    if (status == CL_SUCCESS) releaseOne(Kind::queue, queue);
    return status;
}

cl_program clCreateProgramWithSource(cl_context context, cl_uint count, const char** strings,
                                     const size_t* lengths, cl_int* errorOut) {
    if (const auto error = enter("clCreateProgramWithSource")) {
        return failWith<cl_program>(*error, errorOut);
    }
    NELVO_REAL(clCreateProgramWithSource);
    cl_program program = real(context, count, strings, lengths, errorOut);
    retainOne(Kind::program, program);
    return program;
}

cl_int clBuildProgram(cl_program program, cl_uint count, const cl_device_id* devices,
                      const char* options, void(CL_CALLBACK* notify)(cl_program, void*),
                      void* userData) {
    if (const auto error = enter("clBuildProgram")) return *error;
    NELVO_REAL(clBuildProgram);
    return real(program, count, devices, options, notify, userData);
}

cl_int clRetainProgram(cl_program program) {
    if (const auto error = enter("clRetainProgram")) return *error;
    NELVO_REAL(clRetainProgram);
    const cl_int status = real(program);
    if (status == CL_SUCCESS) retainOne(Kind::program, program);
    return status;
}

cl_int clReleaseProgram(cl_program program) {
    enter("clReleaseProgram");
    NELVO_REAL(clReleaseProgram);
    const cl_int status = real(program);
    if (status == CL_SUCCESS) releaseOne(Kind::program, program);
    return status;
}

cl_kernel clCreateKernel(cl_program program, const char* name, cl_int* errorOut) {
    if (const auto error = enter("clCreateKernel")) return failWith<cl_kernel>(*error, errorOut);
    NELVO_REAL(clCreateKernel);
    cl_kernel kernel = real(program, name, errorOut);
    retainOne(Kind::kernel, kernel);
    return kernel;
}

cl_int clReleaseKernel(cl_kernel kernel) {
    enter("clReleaseKernel");
    NELVO_REAL(clReleaseKernel);
    const cl_int status = real(kernel);
    if (status == CL_SUCCESS) releaseOne(Kind::kernel, kernel);
    return status;
}

cl_int clSetKernelArg(cl_kernel kernel, cl_uint index, size_t size, const void* value) {
    if (const auto error = enter("clSetKernelArg")) return *error;
    NELVO_REAL(clSetKernelArg);
    return real(kernel, index, size, value);
}

cl_int clGetKernelWorkGroupInfo(cl_kernel kernel, cl_device_id device,
                                cl_kernel_work_group_info name, size_t size, void* value,
                                size_t* sizeOut) {
    if (const auto error = enter("clGetKernelWorkGroupInfo")) return *error;
    if (name == CL_KERNEL_WORK_GROUP_SIZE) {
        std::optional<std::size_t> fake;
        {
            const std::lock_guard<std::mutex> lock(record().mutex);
            fake = record().workGroupSize;
        }
        if (fake) {
            if (value == nullptr || size < sizeof(std::size_t)) return CL_INVALID_VALUE;
            std::memcpy(value, &*fake, sizeof(std::size_t));
            if (sizeOut != nullptr) *sizeOut = sizeof(std::size_t);
            return CL_SUCCESS;
        }
    }
    NELVO_REAL(clGetKernelWorkGroupInfo);
    return real(kernel, device, name, size, value, sizeOut);
}

cl_mem clCreateImage(cl_context context, cl_mem_flags flags, const cl_image_format* format,
                     const cl_image_desc* desc, void* host, cl_int* errorOut) {
    if (const auto error = enter("clCreateImage")) return failWith<cl_mem>(*error, errorOut);
    NELVO_REAL(clCreateImage);
    cl_mem image = real(context, flags, format, desc, host, errorOut);
    retainOne(Kind::image, image);
    return image;
}

cl_int clReleaseMemObject(cl_mem object) {
    enter("clReleaseMemObject");
    NELVO_REAL(clReleaseMemObject);
    const cl_int status = real(object);
    if (status == CL_SUCCESS) releaseOne(Kind::image, object);
    return status;
}

void* clEnqueueMapImage(cl_command_queue queue, cl_mem image, cl_bool blocking, cl_map_flags flags,
                        const size_t* origin, const size_t* region, size_t* rowPitch,
                        size_t* slicePitch, cl_uint waitCount, const cl_event* waitList,
                        cl_event* event, cl_int* errorOut) {
    if (const auto error = enter("clEnqueueMapImage")) return failWith<void*>(*error, errorOut);
    NELVO_REAL(clEnqueueMapImage);
    void* data = real(queue, image, blocking, flags, origin, region, rowPitch, slicePitch,
                      waitCount, waitList, event, errorOut);
    Record& r = record();
    {
        const std::lock_guard<std::mutex> lock(r.mutex);
        if (data != nullptr && r.rowPadding != 0 && rowPitch != nullptr) {
            PaddedMapping padded{
                data, *rowPitch, *rowPitch + r.rowPadding, region[1], (flags & CL_MAP_WRITE) != 0,
                {}};
            // Garbage in the padding, so that a copy that ignores it shows.
            padded.bytes.assign(padded.rows * padded.paddedPitch, 0xA5);
            for (std::size_t row = 0; row < padded.rows; ++row) {
                std::memcpy(padded.bytes.data() + row * padded.paddedPitch,
                            static_cast<unsigned char*>(data) + row * padded.realPitch,
                            padded.realPitch);
            }
            *rowPitch = padded.paddedPitch;
            data = padded.bytes.data();
            r.paddedMappings.emplace(data, std::move(padded));
        }
    }
    retainOne(Kind::mapping, data);
    return data;
}

cl_int clEnqueueUnmapMemObject(cl_command_queue queue, cl_mem object, void* data, cl_uint waitCount,
                               const cl_event* waitList, cl_event* event) {
    if (const auto error = enter("clEnqueueUnmapMemObject")) return *error;
    NELVO_REAL(clEnqueueUnmapMemObject);
    void* runtimeData = data;
    Record& r = record();
    {
        const std::lock_guard<std::mutex> lock(r.mutex);
        const auto found = r.paddedMappings.find(data);
        if (found != r.paddedMappings.end()) {
            const PaddedMapping& padded = found->second;
            if (padded.written) {
                for (std::size_t row = 0; row < padded.rows; ++row) {
                    std::memcpy(static_cast<unsigned char*>(padded.real) + row * padded.realPitch,
                                padded.bytes.data() + row * padded.paddedPitch, padded.realPitch);
                }
            }
            runtimeData = padded.real;
            r.paddedMappings.erase(found);
        }
    }
    const cl_int status = real(queue, object, runtimeData, waitCount, waitList, event);
    if (status == CL_SUCCESS) releaseOne(Kind::mapping, data);
    return status;
}

cl_int clEnqueueNDRangeKernel(cl_command_queue queue, cl_kernel kernel, cl_uint dimensions,
                              const size_t* offset, const size_t* global, const size_t* local,
                              cl_uint waitCount, const cl_event* waitList, cl_event* event) {
    if (const auto error = enter("clEnqueueNDRangeKernel")) return *error;
    NELVO_REAL(clEnqueueNDRangeKernel);
    return real(queue, kernel, dimensions, offset, global, local, waitCount, waitList, event);
}

cl_int clFinish(cl_command_queue queue) {
    if (const auto error = enter("clFinish")) return *error;
    NELVO_REAL(clFinish);
    return real(queue);
}

}  // extern "C"
