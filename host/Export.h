// SPDX-License-Identifier: MIT
// Marks the module's exported entry points; everything else stays hidden.
#pragma once

#ifdef _WIN32
#define NELVO_EXPORT __declspec(dllexport)
#else
#define NELVO_EXPORT __attribute__((visibility("default")))
#endif
