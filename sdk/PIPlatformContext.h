/* SPDX-License-Identifier: MIT */
/* The drawing surface a plug-in hands to displayPixels on this platform, in place of a
   window system's device context. */
#ifndef NELVO_SDK_PIPLATFORMCONTEXT_H
#define NELVO_SDK_PIPLATFORMCONTEXT_H

#include "PITypes.h"

#ifdef __cplusplus
extern "C" {
#endif

enum { kPlatformDrawContextVersion = 1 };

/* 32-bit pixels, top-down, bytes in the order blue, green, red, fourth byte; the host
   writes 255 into the fourth byte. displayPixels draws srcRect of the pixel map with its
   top-left corner at (dstRow, dstCol) of this surface and clips to width x height.
   Returns noErr, or paramErr for a missing or malformed map, rectangle or context. */
typedef struct PlatformDrawContext {
    int32 version; /* kPlatformDrawContextVersion */
    void* pixels;  /* top-left pixel */
    int32 rowBytes;
    int32 width;
    int32 height;
} PlatformDrawContext;

#ifdef __cplusplus
}
#endif

#endif
