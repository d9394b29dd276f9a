// SPDX-License-Identifier: MIT
// Sanitizer settings of test programs that show Qt windows, read by the sanitizer
// runtime at start-up; without a sanitizer nothing calls them.
//
// Qt's font database loads the fontconfig configuration once per process and never
// releases it; only stacks through that library are named.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

// The editing dialog's preview worker rates on the OpenCL device when there is one, and
// PoCL's LLVM then gives the worker an alternate signal stack of its own in place of
// AddressSanitizer's; when the worker ends, AddressSanitizer would try to unmap that
// stack as its own and abort. Without its alternate stack it only loses the report of
// a stack overflow.
extern "C" __attribute__((visibility("default"), used)) const char* __asan_default_options() {
    return "use_sigaltstack=0";
}
