// SPDX-License-Identifier: MIT
// A record of the OpenCL calls made by the code under test. The test program
// defines the OpenCL functions the backend uses; each one counts the call,
// fails it when told to, and otherwise forwards it to the real ICD loader.
// Objects are tracked per handle, with their references, so that a test can
// tell whether everything made was released.
#pragma once

#include <cstddef>
#include <string>

#include "engine/opencl/ClApi.h"

namespace nelvo::testing::cl {

enum class Kind { context, queue, program, kernel, image, mapping };

// References held by the code under test, made or retained and not yet
// released, of one kind or of all kinds.
int live(Kind kind);
int liveTotal();
// Releases of a handle that held no reference of ours.
int strayReleases();

// Calls of one function, or of all of them, since the last reset().
int calls(const std::string& function);
int totalCalls();

// From now on the `nth` call (counted from 1) of `function` fails with
// `error` and does not reach the runtime.
void failCall(const std::string& function, int nth, cl_int error = CL_OUT_OF_RESOURCES);
// The platform vendor string reported instead of the runtime's.
void fakeVendor(const std::string& vendor);
// The kernel work-group size (CL_KERNEL_WORK_GROUP_SIZE) reported instead
// of the runtime's.
void fakeKernelWorkGroupSize(std::size_t size);

// From now on image mappings report rows `extraBytes` further apart than the
// runtime's: the code under test sees a copy with padded rows, written back to
// the runtime's mapping when it is unmapped.
void padMappedRows(std::size_t extraBytes);

// Clears call counts, failures and fakes; references stay counted.
void reset();

}  // namespace nelvo::testing::cl
