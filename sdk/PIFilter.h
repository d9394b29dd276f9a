/* SPDX-License-Identifier: MIT */
/* The filter module interface: selectors, the big-document record and the
   filter record.

   Binary layout: every field below sits where the published interface puts
   it, including the fields this module never reads, up to the reserved tail.
   On Windows the records are packed to 4 bytes (pointers after an odd number
   of 32-bit words are not padded to 8), as the published interface packs
   them; MSVC and mingw-w64 give the same layout under `#pragma pack`. Other
   platforms use their natural alignment. The layout tests hold the offsets
   for both. */
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

/* FilterRecord.filterCase; 0 when the host does not say. */
enum {
    filterCaseUnsupported = -1,
    filterCaseFlatImageNoSelection = 1,
    filterCaseFlatImageWithSelection = 2,
    filterCaseFloatingSelection = 3,
    filterCaseEditableTransparencyNoSelection = 4,
    filterCaseEditableTransparencyWithSelection = 5,
    filterCaseProtectedTransparencyNoSelection = 6,
    filterCaseProtectedTransparencyWithSelection = 7
};

/* Padding values of inputPadding, outputPadding and maskPadding besides an
   explicit 0..255 value. */
enum {
    plugInWantsEdgeReplication = -1,
    plugInDoesNotWantPadding = -2,
    plugInWantsErrorOnBoundsException = -3
};

/* Makes the host supply inData, outData and maskData for the rectangles and
   planes the plug-in has just set, writing back the previous outData first.
   Returns noErr or a host error, which the plug-in passes back unchanged. */
typedef OSErr (*AdvanceStateProc)(void);

/* Background or foreground colour in the image's own colour space. */
typedef unsigned char FilterColor[4];

#if defined(_WIN32)
#pragma pack(push, 4)
#endif

/* Coordinates wider than 16 bits. A host that supplies this record reads the
   32-bit rectangles once PluginUsing32BitCoordinates is set, and the 16-bit
   ones of FilterRecord otherwise. */
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

typedef struct FilterRecord {
    int32 serialNumber; /* 0 on current hosts */
    TestAbortProc abortProc;
    ProgressProc progressProc;
    /* The plug-in's parameter block. The host keeps it from call to call of
       one session and hands it back; the plug-in creates it when NULL. */
    Handle parameters;

    Point imageSize; /* 16-bit copies; see BigDocumentStruct */
    int16 planes;    /* channels of the image */
    Rect filterRect;
    PSRGBColor background;
    PSRGBColor foreground;
    int32 maxSpace;    /* in: memory the host can offer; prepare may lower it */
    int32 bufferSpace; /* prepare: memory the plug-in will allocate itself */

    Rect inRect;
    int16 inLoPlane, inHiPlane; /* requested input planes, inclusive */
    Rect outRect;
    int16 outLoPlane, outHiPlane; /* requested output planes, inclusive */

    void* inData; /* top-left pixel of the input rectangle */
    int32 inRowBytes;
    void* outData; /* top-left pixel of the output rectangle */
    int32 outRowBytes;

    Boolean isFloating;
    Boolean haveMask; /* the host has a selection mask */
    Boolean autoMask;
    Rect maskRect;
    void* maskData; /* one byte per pixel of the mask rectangle, 0 = not selected; or NULL */
    int32 maskRowBytes;

    FilterColor backColor;
    FilterColor foreColor;
    OSType hostSig;
    HostProc hostProc;

    int16 imageMode; /* plugInMode... */
    Fixed imageHRes;
    Fixed imageVRes;
    Point floatCoord;
    Point wholeSize;
    PlugInMonitor monitor;

    void* platformData; /* PlatformData on Windows */
    BufferProcs* bufferProcs;
    ResourceProcs* resourceProcs;
    ProcessEventProc processEvent;
    DisplayPixelsProc displayPixels;
    HandleProcs* handleProcs;

    /* interface 3.0 */
    Boolean supportsDummyChannels;
    Boolean supportsAlternateLayouts;
    int16 wantLayout;
    int16 filterCase;
    int16 dummyPlaneValue;
    void* premiereHook;
    AdvanceStateProc advanceState; /* NULL on hosts older than 3.0 */
    Boolean supportsAbsolute;
    Boolean wantsAbsolute; /* planes are numbered absolutely */
    GetPropertyProc getPropertyObsolete;
    Boolean cannotUndo;
    Boolean supportsPadding;
    int16 inputPadding; /* value for pixels requested outside the image, or plugInWants... */
    int16 outputPadding;
    int16 maskPadding;
    char samplingSupport;
    char reservedByte;
    Fixed inputRate;
    Fixed maskRate;
    ColorServicesProc colorServices;

    int16 inLayerPlanes;
    int16 inTransparencyMask;
    int16 inLayerMasks;
    int16 inInvertedLayerMasks;
    int16 inNonLayerPlanes;
    int16 outLayerPlanes;
    int16 outTransparencyMask;
    int16 outLayerMasks;
    int16 outInvertedLayerMasks;
    int16 outNonLayerPlanes;
    int16 absLayerPlanes;
    int16 absTransparencyMask;
    int16 absLayerMasks;
    int16 absInvertedLayerMasks;
    int16 absNonLayerPlanes;
    int16 inPreDummyPlanes;
    int16 inPostDummyPlanes;
    int16 outPreDummyPlanes;
    int16 outPostDummyPlanes;

    int32 inColumnBytes; /* step from pixel to pixel; 0 when the host did not set it */
    int32 inPlaneBytes;
    int32 outColumnBytes;
    int32 outPlaneBytes;

    /* interface 3.0.4 */
    ImageServicesProcs* imageServicesProcs;
    PropertyProcs* propertyProcs;
    /* Suggested tile sizes: the host serves rectangles of at most this extent
       efficiently; 0 when not set. */
    int16 inTileHeight;
    int16 inTileWidth;
    Point inTileOrigin;
    int16 absTileHeight;
    int16 absTileWidth;
    Point absTileOrigin;
    int16 outTileHeight;
    int16 outTileWidth;
    Point outTileOrigin;
    int16 maskTileHeight;
    int16 maskTileWidth;
    Point maskTileOrigin;

    /* interface 4.0 */
    PIDescriptorParameters* descriptorParameters; /* NULL when the host does not script */
    Str255* errorString;
    ChannelPortProcs* channelPortProcs;
    ReadImageDocumentDesc* documentInfo;

    /* interface 5.0 */
    SPBasicSuite* sSPBasic; /* NULL on hosts without suites */
    void* plugInRef;
    int32 depth; /* bits per channel: 1, 8, 16 or 32 */

    /* interface 6.0 */
    Handle iCCprofileData;
    int32 iCCprofileSize;
    int32 canUseICCProfiles;

    /* interface 7.0 */
    int32 hasImageScrap;

    /* interface 8.0 */
    BigDocumentStruct* bigDocumentData; /* NULL on hosts limited to 16-bit coordinates */

    /* interface 10.0 */
    PIDescriptorParameters* input3DScene;
    PIDescriptorParameters* output3DScene;
    Boolean createNewLayer;

    /* interface 13.0 */
    Handle iCCWorkingProfileData;
    int32 iCCWorkingProfileSize;

    /* interface 18.0 */
    int64 bufferSpace64;
    int64 maxSpace64;

    char reserved[46]; /* zero */
} FilterRecord;

#if defined(_WIN32)
#pragma pack(pop)
#endif

typedef FilterRecord* FilterRecordPtr;

/* The module's one exported function. `record` is an AboutRecord for
   filterSelectorAbout and a FilterRecord otherwise; `data` is a word the host
   keeps for the plug-in between calls; *result receives noErr or an error. */
typedef void (*PluginMainProc)(int16 selector, void* record, intptr_t* data, int16* result);

#ifdef __cplusplus
}
#endif

#endif
