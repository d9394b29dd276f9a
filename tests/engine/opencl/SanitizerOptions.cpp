// SPDX-License-Identifier: MIT
// Sanitizer settings of the OpenCL test program, read by the sanitizer
// runtimes at start-up; without a sanitizer nothing calls them.
#define NELVO_SANITIZER_HOOK extern "C" __attribute__((visibility("default"), used))

// PoCL compiles programs with LLVM inside the process, and LLVM gives the
// compiling thread an alternate signal stack of its own in place of
// AddressSanitizer's. When such a thread ends, AddressSanitizer tries to unmap
// LLVM's stack as if it were its own and aborts. Without its alternate stack,
// AddressSanitizer only loses the report of a stack overflow.
NELVO_SANITIZER_HOOK const char* __asan_default_options() {
    return "use_sigaltstack=0";
}

// PoCL keeps its LLVM compiler state (target machines, contexts) for the life
// of the process once it has built a program, and never frees it. Only stacks
// through those two libraries are named. The OpenCL objects the backend makes
// are allocated there too, which is why the tests count them call by call
// (ClCalls.cpp) instead of relying on LeakSanitizer for them.
NELVO_SANITIZER_HOOK const char* __lsan_default_suppressions() {
    return "leak:libpocl.so\n"
           "leak:libLLVM\n";
}
