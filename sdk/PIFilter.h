/* SPDX-License-Identifier: MIT */
/* The filter module interface: selectors, the filter record and its callbacks. */
#ifndef NELVO_SDK_PIFILTER_H
#define NELVO_SDK_PIFILTER_H

#include "PIActions.h"
#include "PIGeneral.h"
#include "SPBasic.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Selectors, in the order a host calls them for one filter operation:
   parameters (optional), prepare, start, continue (repeated), finish. About
   may come at any time and carries an AboutRecord instead of a FilterRecord. */
enum {
    filterSelectorAbout = 0,
    filterSelectorParameters = 1,
    filterSelectorPrepare = 2,
    filterSelectorStart = 3,
    filterSelectorContinue = 4,
    filterSelectorFinish = 5
};

/* Image modes of FilterRecord.imageMode. */
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

/* Called by the plug-in during long work. True once the user asked to stop. */
typedef Boolean (*TestAbortProc)(void);
/* Shows that `done` of `total` steps are finished. */
typedef void (*ProgressProc)(int32 done, int32 total);
/* Makes the host supply inData, outData and maskData for the rectangles and
   planes the plug-in has just set, writing back the previous outData first.
   Returns noErr or a host error, which the plug-in passes back unchanged. */
typedef OSErr (*AdvanceStateProc)(void);

/* Coordinates wider than 16 bits. A host that supplies this record reads the
   32-bit rectangles once PluginUsing32BitCoordinates is set. */
typedef struct BigDocumentStruct {
    int32 PluginUsing32BitCoordinates;
    VPoint imageSize32;
    VRect filterRect32; /* the area to filter, in image coordinates */
    VRect inRect32;     /* requested input area */
    VRect outRect32;    /* requested output area */
    VRect maskRect32;   /* requested selection-mask area */
    VPoint floatCoord32;
    VPoint wholeSize32;
} BigDocumentStruct;

/* 8-bit interleaved pixels that displayPixels draws. */
typedef struct PSPixelMap {
    int32 version;
    VRect bounds;
    int32 imageMode;
    int32 rowBytes;
    int32 colBytes;
    int32 planeBytes;
    void* baseAddr;
} PSPixelMap;

/* Draws `source`'s srcRect with its top-left at (dstRow, dstCol) of the
   platform drawing context. */
typedef OSErr (*DisplayPixelsProc)(const PSPixelMap* source, const VRect* srcRect, int32 dstRow,
                                   int32 dstCol, void* platformContext);

typedef struct FilterRecord {
    int32 serialNumber;
    TestAbortProc abortProc;
    ProgressProc progressProc;
    /* The plug-in's parameter block. The host keeps it from call to call of
       one session and hands it back; the plug-in creates it when NULL. */
    Handle parameters;

    int16 planes;      /* channels of the image */
    int32 maxSpace;    /* in: memory the host can offer; prepare may lower it */
    int32 bufferSpace; /* prepare: memory the plug-in will allocate itself */

    int16 inLoPlane, inHiPlane;   /* requested input planes, inclusive */
    int16 outLoPlane, outHiPlane; /* requested output planes, inclusive */
    void* inData;                 /* top-left pixel of inRect32 */
    int32 inRowBytes;
    int32 inColumnBytes;
    void* outData; /* top-left pixel of outRect32 */
    int32 outRowBytes;
    int32 outColumnBytes;

    Boolean haveMask; /* the host has a selection mask */
    void* maskData;   /* one byte per pixel of maskRect32, 0 = not selected; or NULL */
    int32 maskRowBytes;

    int16 imageMode; /* plugInMode... */
    int32 depth;     /* bits per channel: 1, 8, 16 or 32 */

    Fixed inputRate;
    Fixed maskRate;
    int16 inputPadding; /* value for pixels requested outside the image; < 0: none */
    int16 outputPadding;
    int16 maskPadding;
    Boolean wantsAbsolute; /* rectangles are in image coordinates, not relative to filterRect */

    /* Suggested tile size: the host serves rectangles of at most this extent
       efficiently. */
    int32 outTileHeight;
    int32 outTileWidth;

    AdvanceStateProc advanceState;
    DisplayPixelsProc displayPixels;
    PIDescriptorParameters* descriptorParameters; /* NULL when the host does not script */
    SPBasicSuite* sSPBasic;
    BigDocumentStruct* bigDocumentData; /* NULL on hosts limited to 16-bit coordinates */
    void* platformData;
} FilterRecord;

typedef FilterRecord* FilterRecordPtr;

/* The module's one exported function. `record` is an AboutRecord for
   filterSelectorAbout and a FilterRecord otherwise; `data` is a word the host
   keeps for the plug-in between calls; *result receives noErr or an error. */
typedef void (*PluginMainProc)(int16 selector, void* record, intptr_t* data, int16* result);

#ifdef __cplusplus
}
#endif

#endif
