// SPDX-License-Identifier: MIT
// The OpenCL 1.2 API, and owning handles that release an object whichever way
// the code that made it is left.
#pragma once

#ifndef CL_TARGET_OPENCL_VERSION
#define CL_TARGET_OPENCL_VERSION 120
#endif
#include <CL/cl.h>

#include <utility>

namespace nelvo::opencl {

// Sole owner of one OpenCL object: releases it once, when reset, reassigned or
// destroyed.
template <typename Handle, cl_int(CL_API_CALL* Release)(Handle)>
class Owned {
  public:
    Owned() = default;
    explicit Owned(Handle handle) : handle_(handle) {}
    ~Owned() { reset(); }

    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    Owned(Owned&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

    void reset() noexcept {
        if (handle_ != nullptr) {
            Release(handle_);
            handle_ = nullptr;
        }
    }

  private:
    Handle handle_ = nullptr;
};

using OwnedContext = Owned<cl_context, clReleaseContext>;
using OwnedQueue = Owned<cl_command_queue, clReleaseCommandQueue>;
using OwnedProgram = Owned<cl_program, clReleaseProgram>;
using OwnedKernel = Owned<cl_kernel, clReleaseKernel>;
using OwnedImage = Owned<cl_mem, clReleaseMemObject>;

}  // namespace nelvo::opencl
