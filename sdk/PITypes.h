/* SPDX-License-Identifier: MIT */
/* Basic types and error codes of the filter plug-in interface. */
#ifndef NELVO_SDK_PITYPES_H
#define NELVO_SDK_PITYPES_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int8_t int8;
typedef uint8_t uint8;
typedef int16_t int16;
typedef uint16_t uint16;
typedef int32_t int32;
typedef uint32_t uint32;
typedef int64_t int64;
typedef uint64_t uint64;

typedef unsigned char Boolean;
typedef int16 OSErr;
typedef uint32 OSType; /* four-character code, 'abcd' = 0x61626364 */
typedef uint32 ResType;
typedef int32 Fixed; /* 16.16 fixed point: 1.0 is 0x10000 */
typedef char* Ptr;

/* A handle is an opaque host-owned block of memory; its address is only
   stable while it is locked (PSHandleSuite2.SetLock). */
typedef struct HandleRecord* Handle;

/* 32-bit rectangle; bottom and right are exclusive. */
typedef struct VRect {
    int32 top;
    int32 left;
    int32 bottom;
    int32 right;
} VRect;

typedef struct VPoint {
    int32 v;
    int32 h;
} VPoint;

/* Error codes returned through the result of PluginMain. */
enum {
    noErr = 0,
    paramErr = -50,                     /* a callback was given a malformed argument */
    memFullErr = -108,                  /* out of memory */
    userCanceledErr = -128,             /* the user cancelled */
    filterBadParameters = -30100,       /* bad parameters, e.g. a host tile of size 0 */
    errPlugInHostInsufficient = -30900, /* host lacks what the plug-in needs */
    /* Not of the published set: this build of the module cannot show its
       editing dialog, so a step that asks for it ends with this code. */
    errPlugInDialogUnavailable = -30210
};

/* Builds a four-character code from its characters: PIFourCC('d','e','t','I'). */
#define PIFourCC(a, b, c, d)                                            \
    ((OSType)(((uint32)(uint8)(a) << 24) | ((uint32)(uint8)(b) << 16) | \
              ((uint32)(uint8)(c) << 8) | (uint32)(uint8)(d)))

#ifdef __cplusplus
}
#endif

#endif
