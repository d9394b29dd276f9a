/* SPDX-License-Identifier: MIT */
/* Basic types, geometry records and error codes of the filter plug-in
   interface. Sizes and field orders are part of the binary contract with the
   host: every record here is laid out as the interface publishes it. */
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
typedef uint8_t unsigned8;
typedef uint32_t unsigned32;

typedef unsigned char Boolean;
typedef int16 OSErr;
typedef uint32 OSType; /* four-character code, 'abcd' = 0x61626364 */
typedef uint32 ResType;
typedef int32 Fixed; /* 16.16 fixed point: 1.0 is 0x10000 */
typedef char* Ptr;
typedef unsigned char Str255[256]; /* Pascal string: length byte, then characters */

/* A handle is an opaque host-owned block of memory; its address is only
   stable while it is locked (PSHandleSuite2.SetLock, HandleProcs.lockProc). */
typedef struct HandleRecord* Handle;

/* 16-bit point and rectangle of the records of old hosts; bottom and right
   are exclusive. Hosts that supply BigDocumentStruct keep them as well, cut
   to 16 bits, for plug-ins that read nothing else. */
typedef struct Point {
    int16 v;
    int16 h;
} Point;

typedef struct Rect {
    int16 top;
    int16 left;
    int16 bottom;
    int16 right;
} Rect;

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

/* A colour of 16-bit components (0..65535). */
typedef struct RGBColor {
    uint16 red;
    uint16 green;
    uint16 blue;
} RGBColor;
typedef RGBColor PSRGBColor;

/* What FilterRecord.platformData and AboutRecord.platformData point to on
   Windows: the window that owns the plug-in's dialogs. */
typedef struct PlatformData {
    intptr_t hwnd;
} PlatformData;

/* Error codes returned through the result of PluginMain and by callbacks. */
enum {
    noErr = 0,
    paramErr = -50,                     /* a callback was given a malformed argument */
    memFullErr = -108,                  /* out of memory */
    nilHandleErr = -109,                /* a handle that is NULL or freed */
    userCanceledErr = -128,             /* the user cancelled */
    errAEWrongDataType = -1703,         /* a descriptor value of another type */
    errMissingParameter = -1715,        /* a descriptor key that is not there */
    filterBadParameters = -30100,       /* bad parameters, e.g. a host tile of size 0 */
    filterBadMode = -30101,             /* the image mode is not supported */
    errPlugInHostInsufficient = -30900, /* host lacks what the plug-in needs */
    errPlugInPropertyUndefined = -30901,
    errReportString = -30904 /* the plug-in wrote FilterRecord.errorString */
};

/* Builds a four-character code from its characters: PIFourCC('d','e','t','I'). */
#define PIFourCC(a, b, c, d)                                            \
    ((OSType)(((uint32)(uint8)(a) << 24) | ((uint32)(uint8)(b) << 16) | \
              ((uint32)(uint8)(c) << 8) | (uint32)(uint8)(d)))

#ifdef __cplusplus
}
#endif

#endif
