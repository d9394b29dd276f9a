// SPDX-License-Identifier: MIT
// LeakSanitizer settings of test programs that show Qt windows, read by the sanitizer
// runtime at start-up; without a sanitizer nothing calls them.
//
// Qt's font database loads the fontconfig configuration once per process and never
// releases it; only stacks through that library are named.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
