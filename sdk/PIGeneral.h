/* SPDX-License-Identifier: MIT */
/* Records and callback tables shared by all module kinds: image modes, the
   monitor description, the pixel map that displayPixels draws, the direct
   callback tables a filter record points to, and the about record. */
#ifndef NELVO_SDK_PIGENERAL_H
#define NELVO_SDK_PIGENERAL_H

#include "PITypes.h"
#include "SPBasic.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Image modes of FilterRecord.imageMode and PSPixelMap.imageMode. */
enum {
    plugInModeBitmap = 0,
    plugInModeGrayScale = 1,
    plugInModeIndexedColor = 2,
    plugInModeRGBColor = 3,
    plugInModeCMYKColor = 4,
    plugInModeHSLColor = 5,
    plugInModeHSBColor = 6,
    plugInModeMultichannel = 7,
    plugInModeDuotone = 8,
    plugInModeLabColor = 9,
    plugInModeGray16 = 10,
    plugInModeRGB48 = 11,
    plugInModeLab48 = 12,
    plugInModeCMYK64 = 13,
    plugInModeDeepMultichannel = 14,
    plugInModeDuotone16 = 15,
    plugInModeRGB96 = 16,
    plugInModeGray32 = 17
};

/* The user's monitor set-up; gamma 0 means the whole record is invalid. */
typedef struct PlugInMonitor {
    Fixed gamma;
    Fixed redX;
    Fixed redY;
    Fixed greenX;
    Fixed greenY;
    Fixed blueX;
    Fixed blueY;
    Fixed whiteX;
    Fixed whiteY;
    Fixed ambient;
} PlugInMonitor;

/* A mask in a chain of masks of a PSPixelMap. */
typedef struct PSPixelMask {
    struct PSPixelMask* next;
    void* maskData;
    int32 rowBytes;
    int32 colBytes;
    int32 maskDescription; /* kSimplePSMask ... */
} PSPixelMask;

/* maskDescription values. */
enum {
    kSimplePSMask = 0,
    kBlackMatPSMask = 1,
    kGrayMatPSMask = 2,
    kWhiteMatPSMask = 3,
    kInvertPSMask = 4
};

typedef struct PSPixelOverlay {
    struct PSPixelOverlay* next;
    void* data;
    int32 rowBytes;
    int32 colBytes;
    unsigned8 r, g, b, opacity;
    int32 overlayAlgorithm;
} PSPixelOverlay;

/* Pixels that displayPixels draws. `version` says which of the later fields
   the caller filled: 0 up to baseAddr, 1 up to maskPhaseCol, 2 up to
   colorManagementOptions, 3 also depth. A host reads no field beyond the
   version it is given. */
typedef struct PSPixelMap {
    int32 version;
    VRect bounds;
    int32 imageMode;
    int32 rowBytes;
    int32 colBytes;
    int32 planeBytes;
    void* baseAddr; /* first plane of the top-left pixel */
    /* version 1 */
    PSPixelMask* mat;
    PSPixelMask* masks;
    int32 maskPhaseRow;
    int32 maskPhaseCol;
    /* version 2 */
    PSPixelOverlay* pixelOverlays;
    unsigned32 colorManagementOptions;
    /* version 3 */
    int16 depth;
} PSPixelMap;

/* Called by the plug-in during long work. True once the user asked to stop. */
typedef Boolean (*TestAbortProc)(void);
/* Shows that `done` of `total` steps are finished. */
typedef void (*ProgressProc)(int32 done, int32 total);
typedef void (*HostProc)(int16 selector, intptr_t* data);
typedef void (*ProcessEventProc)(void* event);
/* Draws `source`'s srcRect with its top-left at (dstRow, dstCol) of the
   platform drawing context. */
typedef OSErr (*DisplayPixelsProc)(const PSPixelMap* source, const VRect* srcRect, int32 dstRow,
                                   int32 dstCol, void* platformContext);

struct ColorServicesInfo;
typedef OSErr (*ColorServicesProc)(struct ColorServicesInfo* info);

typedef OSErr (*GetPropertyProc)(OSType signature, OSType key, int32 index,
                                 intptr_t* simpleProperty, Handle* complexProperty);
typedef OSErr (*SetPropertyProc)(OSType signature, OSType key, int32 index, intptr_t simpleProperty,
                                 Handle complexProperty);

/* Direct callback tables of the filter record: a version, the number of
   functions that follow, and the functions in this order. A host may give
   fewer functions than declared; a plug-in checks the count first. */
typedef Handle (*NewPIHandleProc)(int32 size);
typedef void (*DisposePIHandleProc)(Handle h);
typedef int32 (*GetPIHandleSizeProc)(Handle h);
typedef OSErr (*SetPIHandleSizeProc)(Handle h, int32 newSize);
typedef Ptr (*LockPIHandleProc)(Handle h, Boolean moveHigh);
typedef void (*UnlockPIHandleProc)(Handle h);
typedef void (*RecoverSpaceProc)(int32 size);

enum { kCurrentHandleProcsVersion = 1 };

typedef struct HandleProcs {
    int16 handleProcsVersion;
    int16 numHandleProcs;
    NewPIHandleProc newProc;
    DisposePIHandleProc disposeProc;
    GetPIHandleSizeProc getSizeProc;
    SetPIHandleSizeProc setSizeProc;
    LockPIHandleProc lockProc;
    UnlockPIHandleProc unlockProc;
    RecoverSpaceProc recoverSpaceProc;
    DisposePIHandleProc disposeRegularHandleProc;
} HandleProcs;

typedef struct PSBuffer* BufferID;
typedef OSErr (*AllocateBufferProc)(int32 size, BufferID* bufferID);
typedef Ptr (*LockBufferProc)(BufferID bufferID, Boolean moveHigh);
typedef void (*UnlockBufferProc)(BufferID bufferID);
typedef void (*FreeBufferProc)(BufferID bufferID);
typedef int32 (*BufferSpaceProc)(void);

enum { kCurrentBufferProcsVersion = 2 };

typedef struct BufferProcs {
    int16 bufferProcsVersion;
    int16 numBufferProcs;
    AllocateBufferProc allocateProc;
    LockBufferProc lockProc;
    UnlockBufferProc unlockProc;
    FreeBufferProc freeProc;
    BufferSpaceProc spaceProc;
} BufferProcs;

enum { kCurrentPropertyProcsVersion = 1 };

typedef struct PropertyProcs {
    int16 propertyProcsVersion;
    int16 numPropertyProcs;
    GetPropertyProc getPropertyProc;
    SetPropertyProc setPropertyProc;
} PropertyProcs;

/* Tables the module never calls; the record holds pointers to them. */
typedef struct ResourceProcs ResourceProcs;
typedef struct ImageServicesProcs ImageServicesProcs;
typedef struct ChannelPortProcs ChannelPortProcs;
typedef struct ReadImageDocumentDesc ReadImageDocumentDesc;

/* Handed to the about selector in place of the filter record. */
typedef struct AboutRecord {
    void* platformData; /* PlatformData on Windows */
    SPBasicSuite* sSPBasic;
    void* plugInRef;
    char reserved[244];
} AboutRecord;

#ifdef __cplusplus
}
#endif

#endif
