// SPDX-License-Identifier: MIT
// The OpenCL functions the engine calls, for Windows, where no import library
// is linked: each finds its entry in OpenCL.dll (the system's ICD loader) when
// first called. A machine without OpenCL.dll gets CL_PLATFORM_NOT_FOUND_KHR
// from clGetPlatformIDs and the engine rates on the CPU; nothing is raised, so
// a missing DLL can never end the host's process, as a delay-load stub would.
// OpenCL.dll is loaded once and kept: objects the engine keeps for later runs
// are released through it when the module ends.
#include <windows.h>

#include <mutex>

#include "engine/opencl/ClApi.h"

namespace {

constexpr cl_int kNoOpenCl = -1001;  // CL_PLATFORM_NOT_FOUND_KHR

HMODULE openClLibrary() {
    static HMODULE library = nullptr;
    static std::once_flag once;
    std::call_once(once, [] {
        // Only from the system folder: a file of that name beside the host or
        // in the current folder is not taken. No error box when it is missing.
        const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
        library = LoadLibraryExW(L"OpenCL.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        SetErrorMode(previous);
    });
    return library;
}

// The entry `name` of OpenCL.dll, or nullptr when there is no such DLL or entry.
template <typename Function>
Function openClEntry(const char* name) {
    HMODULE library = openClLibrary();
    if (library == nullptr) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

}  // namespace

extern "C" {

CL_API_ENTRY cl_int CL_API_CALL clGetPlatformIDs(cl_uint num_entries, cl_platform_id* platforms,
                                                 cl_uint* num_platforms)
    CL_API_SUFFIX__VERSION_1_0 {
    const auto entry = openClEntry<decltype(&clGetPlatformIDs)>("clGetPlatformIDs");
    return entry != nullptr ? entry(num_entries, platforms, num_platforms) : kNoOpenCl;
}

CL_API_ENTRY cl_int CL_API_CALL
clGetPlatformInfo(cl_platform_id platform, cl_platform_info param_name, size_t param_value_size,
                  void* param_value, size_t* param_value_size_ret) CL_API_SUFFIX__VERSION_1_0 {
    const auto entry = openClEntry<decltype(&clGetPlatformInfo)>("clGetPlatformInfo");
    return entry != nullptr
               ? entry(platform, param_name, param_value_size, param_value, param_value_size_ret)
               : kNoOpenCl;
}

CL_API_ENTRY cl_int CL_API_CALL clGetDeviceIDs(cl_platform_id platform, cl_device_type device_type,
                                               cl_uint num_entries, cl_device_id* devices,
                                               cl_uint* num_devices) CL_API_SUFFIX__VERSION_1_0 {
    const auto entry = openClEntry<decltype(&clGetDeviceIDs)>("clGetDeviceIDs");
    return entry != nullptr ? entry(platform, device_type, num_entries, devices, num_devices)
                            : kNoOpenCl;
}

CL_API_ENTRY cl_int CL_API_CALL
clGetDeviceInfo(cl_device_id device, cl_device_info param_name, size_t param_value_size,
                void* param_value, size_t* param_value_size_ret) CL_API_SUFFIX__VERSION_1_0 {
    const auto entry = openClEntry<decltype(&clGetDeviceInfo)>("clGetDeviceInfo");
    return entry != nullptr
               ? entry(device, param_name, param_value_size, param_value, param_value_size_ret)
               : kNoOpenCl;
}

CL_API_ENTRY cl_context CL_API_CALL clCreateContext(
    const cl_context_properties* properties, cl_uint num_devices, const cl_device_id* devices,
    void(CL_CALLBACK* pfn_notify)(const char* errinfo, const void* private_info, size_t cb,
                                  void* user_data),
    void* user_data, cl_int* errcode_ret) CL_API_SUFFIX__VERSION_1_0 {
    const auto entry = openClEntry<decltype(&clCreateContext)>("clCreateContext");
    if (entry != nullptr)
        return entry(properties, num_devices, devices, pfn_notify, user_data, errcode_ret);
    if (errcode_ret != nullptr) *errcode_ret = kNoOpenCl;
    return nullptr;
}

CL_API_ENTRY cl_int CL_API_CALL clRetainContext(cl_context context) CL_API_SUFFIX__VERSION_1_0 {
    const auto entry = openClEntry<decltype(&clRetainContext)>("clRetainContext");
    return entry != nullptr ? entry(context) : kNoOpenCl;
}

CL_API_ENTRY cl_int CL_API_CALL clReleaseContext(cl_context context) CL_API_SUFFIX__VERSION_1_0 {
    const auto entry = openClEntry<decltype(&clReleaseContext)>("clReleaseContext");
    return entry != nullptr ? entry(context) : kNoOpenCl;
}

CL_API_ENTRY cl_command_queue CL_API_CALL clCreateCommandQueue(
    cl_context context, cl_device_id device, cl_command_queue_properties properties,
    cl_int* errcode_ret) CL_API_SUFFIX__VERSION_1_2_DEPRECATED {
    const auto entry = openClEntry<decltype(&clCreateCommandQueue)>("clCreateCommandQueue");
    if (entry != nullptr) return entry(context, device, properties, errcode_ret);
    if (errcode_ret != nullptr) *errcode_ret = kNoOpenCl;
    return nullptr;
}

CL_API_ENTRY cl_int CL_API_CALL clReleaseCommandQueue(cl_command_queue command_queue)
    CL_API_SUFFIX__VERSION_1_0 {
    const auto entry = openClEntry<decltype(&clReleaseCommandQueue)>("clReleaseCommandQueue");
    return entry != nullptr ? entry(command_queue) : kNoOpenCl;
}

CL_API_ENTRY cl_mem CL_API_CALL clCreateImage(cl_context context, cl_mem_flags flags,
                                              const cl_image_format* image_format,
                                              const cl_image_desc* image_desc, void* host_ptr,
                                              cl_int* errcode_ret) CL_API_SUFFIX__VERSION_1_2 {
    const auto entry = openClEntry<decltype(&clCreateImage)>("clCreateImage");
    if (entry != nullptr)
        return entry(context, flags, image_format, image_desc, host_ptr, errcode_ret);
    if (errcode_ret != nullptr) *errcode_ret = kNoOpenCl;
    return nullptr;
}

CL_API_ENTRY cl_int CL_API_CALL clReleaseMemObject(cl_mem memobj) CL_API_SUFFIX__VERSION_1_0 {
    const auto entry = openClEntry<decltype(&clReleaseMemObject)>("clReleaseMemObject");
    return entry != nullptr ? entry(memobj) : kNoOpenCl;
}

CL_API_ENTRY cl_program CL_API_CALL
clCreateProgramWithSource(cl_context context, cl_uint count, const char** strings,
                          const size_t* lengths, cl_int* errcode_ret) CL_API_SUFFIX__VERSION_1_0 {
    const auto entry =
        openClEntry<decltype(&clCreateProgramWithSource)>("clCreateProgramWithSource");
    if (entry != nullptr) return entry(context, count, strings, lengths, errcode_ret);
    if (errcode_ret != nullptr) *errcode_ret = kNoOpenCl;
    return nullptr;
}

CL_API_ENTRY cl_int CL_API_CALL clRetainProgram(cl_program program) CL_API_SUFFIX__VERSION_1_0 {
    const auto entry = openClEntry<decltype(&clRetainProgram)>("clRetainProgram");
    return entry != nullptr ? entry(program) : kNoOpenCl;
}

CL_API_ENTRY cl_int CL_API_CALL clReleaseProgram(cl_program program) CL_API_SUFFIX__VERSION_1_0 {
    const auto entry = openClEntry<decltype(&clReleaseProgram)>("clReleaseProgram");
    return entry != nullptr ? entry(program) : kNoOpenCl;
}

CL_API_ENTRY cl_int CL_API_CALL clBuildProgram(cl_program program, cl_uint num_devices,
                                               const cl_device_id* device_list, const char* options,
                                               void(CL_CALLBACK* pfn_notify)(cl_program program,
                                                                             void* user_data),
                                               void* user_data) CL_API_SUFFIX__VERSION_1_0 {
    const auto entry = openClEntry<decltype(&clBuildProgram)>("clBuildProgram");
    return entry != nullptr
               ? entry(program, num_devices, device_list, options, pfn_notify, user_data)
               : kNoOpenCl;
}

CL_API_ENTRY cl_kernel CL_API_CALL clCreateKernel(cl_program program, const char* kernel_name,
                                                  cl_int* errcode_ret) CL_API_SUFFIX__VERSION_1_0 {
    const auto entry = openClEntry<decltype(&clCreateKernel)>("clCreateKernel");
    if (entry != nullptr) return entry(program, kernel_name, errcode_ret);
    if (errcode_ret != nullptr) *errcode_ret = kNoOpenCl;
    return nullptr;
}

CL_API_ENTRY cl_int CL_API_CALL clReleaseKernel(cl_kernel kernel) CL_API_SUFFIX__VERSION_1_0 {
    const auto entry = openClEntry<decltype(&clReleaseKernel)>("clReleaseKernel");
    return entry != nullptr ? entry(kernel) : kNoOpenCl;
}

CL_API_ENTRY cl_int CL_API_CALL clSetKernelArg(cl_kernel kernel, cl_uint arg_index, size_t arg_size,
                                               const void* arg_value) CL_API_SUFFIX__VERSION_1_0 {
    const auto entry = openClEntry<decltype(&clSetKernelArg)>("clSetKernelArg");
    return entry != nullptr ? entry(kernel, arg_index, arg_size, arg_value) : kNoOpenCl;
}

CL_API_ENTRY cl_int CL_API_CALL clGetKernelWorkGroupInfo(
    cl_kernel kernel, cl_device_id device, cl_kernel_work_group_info param_name,
    size_t param_value_size, void* param_value,
    size_t* param_value_size_ret) CL_API_SUFFIX__VERSION_1_0 {
    const auto entry = openClEntry<decltype(&clGetKernelWorkGroupInfo)>("clGetKernelWorkGroupInfo");
    return entry != nullptr ? entry(kernel, device, param_name, param_value_size, param_value,
                                    param_value_size_ret)
                            : kNoOpenCl;
}

CL_API_ENTRY cl_int CL_API_CALL clEnqueueNDRangeKernel(
    cl_command_queue command_queue, cl_kernel kernel, cl_uint work_dim,
    const size_t* global_work_offset, const size_t* global_work_size, const size_t* local_work_size,
    cl_uint num_events_in_wait_list, const cl_event* event_wait_list,
    cl_event* event) CL_API_SUFFIX__VERSION_1_0 {
    const auto entry = openClEntry<decltype(&clEnqueueNDRangeKernel)>("clEnqueueNDRangeKernel");
    return entry != nullptr
               ? entry(command_queue, kernel, work_dim, global_work_offset, global_work_size,
                       local_work_size, num_events_in_wait_list, event_wait_list, event)
               : kNoOpenCl;
}

CL_API_ENTRY void* CL_API_CALL clEnqueueMapImage(cl_command_queue command_queue, cl_mem image,
                                                 cl_bool blocking_map, cl_map_flags map_flags,
                                                 const size_t* origin, const size_t* region,
                                                 size_t* image_row_pitch, size_t* image_slice_pitch,
                                                 cl_uint num_events_in_wait_list,
                                                 const cl_event* event_wait_list, cl_event* event,
                                                 cl_int* errcode_ret) CL_API_SUFFIX__VERSION_1_0 {
    const auto entry = openClEntry<decltype(&clEnqueueMapImage)>("clEnqueueMapImage");
    if (entry != nullptr)
        return entry(command_queue, image, blocking_map, map_flags, origin, region, image_row_pitch,
                     image_slice_pitch, num_events_in_wait_list, event_wait_list, event,
                     errcode_ret);
    if (errcode_ret != nullptr) *errcode_ret = kNoOpenCl;
    return nullptr;
}

CL_API_ENTRY cl_int CL_API_CALL
clEnqueueUnmapMemObject(cl_command_queue command_queue, cl_mem memobj, void* mapped_ptr,
                        cl_uint num_events_in_wait_list, const cl_event* event_wait_list,
                        cl_event* event) CL_API_SUFFIX__VERSION_1_0 {
    const auto entry = openClEntry<decltype(&clEnqueueUnmapMemObject)>("clEnqueueUnmapMemObject");
    return entry != nullptr ? entry(command_queue, memobj, mapped_ptr, num_events_in_wait_list,
                                    event_wait_list, event)
                            : kNoOpenCl;
}

CL_API_ENTRY cl_int CL_API_CALL clFinish(cl_command_queue command_queue)
    CL_API_SUFFIX__VERSION_1_0 {
    const auto entry = openClEntry<decltype(&clFinish)>("clFinish");
    return entry != nullptr ? entry(command_queue) : kNoOpenCl;
}

}  // extern "C"
