// SPDX-License-Identifier: MIT
// The interface records' binary layout as a host built against the published
// declarations sees it: the offset of each field for LP64 (64-bit Linux and
// macOS, natural alignment) and LLP64 (64-bit Windows, where the filter
// record and the big-document record are packed to 4 bytes), and each
// record's size. The numbers were worked out by hand from the published field
// order and types and the packing rules, not taken from our compiler; the
// tests compare our declarations with them.
#pragma once

#include "PIActions.h"
#include "PIBufferSuite.h"
#include "PIFilter.h"
#include "PIGeneral.h"
#include "PIHandleSuite.h"
#include "SPBasic.h"

// X(record, field, LP64 offset, LLP64 offset)
#define NELVO_FILTER_RECORD_FIELDS(X)                   \
    X(FilterRecord, serialNumber, 0, 0)                 \
    X(FilterRecord, abortProc, 8, 4)                    \
    X(FilterRecord, progressProc, 16, 12)               \
    X(FilterRecord, parameters, 24, 20)                 \
    X(FilterRecord, imageSize, 32, 28)                  \
    X(FilterRecord, planes, 36, 32)                     \
    X(FilterRecord, filterRect, 38, 34)                 \
    X(FilterRecord, background, 46, 42)                 \
    X(FilterRecord, foreground, 52, 48)                 \
    X(FilterRecord, maxSpace, 60, 56)                   \
    X(FilterRecord, bufferSpace, 64, 60)                \
    X(FilterRecord, inRect, 68, 64)                     \
    X(FilterRecord, inLoPlane, 76, 72)                  \
    X(FilterRecord, inHiPlane, 78, 74)                  \
    X(FilterRecord, outRect, 80, 76)                    \
    X(FilterRecord, outLoPlane, 88, 84)                 \
    X(FilterRecord, outHiPlane, 90, 86)                 \
    X(FilterRecord, inData, 96, 88)                     \
    X(FilterRecord, inRowBytes, 104, 96)                \
    X(FilterRecord, outData, 112, 100)                  \
    X(FilterRecord, outRowBytes, 120, 108)              \
    X(FilterRecord, isFloating, 124, 112)               \
    X(FilterRecord, haveMask, 125, 113)                 \
    X(FilterRecord, autoMask, 126, 114)                 \
    X(FilterRecord, maskRect, 128, 116)                 \
    X(FilterRecord, maskData, 136, 124)                 \
    X(FilterRecord, maskRowBytes, 144, 132)             \
    X(FilterRecord, backColor, 148, 136)                \
    X(FilterRecord, foreColor, 152, 140)                \
    X(FilterRecord, hostSig, 156, 144)                  \
    X(FilterRecord, hostProc, 160, 148)                 \
    X(FilterRecord, imageMode, 168, 156)                \
    X(FilterRecord, imageHRes, 172, 160)                \
    X(FilterRecord, imageVRes, 176, 164)                \
    X(FilterRecord, floatCoord, 180, 168)               \
    X(FilterRecord, wholeSize, 184, 172)                \
    X(FilterRecord, monitor, 188, 176)                  \
    X(FilterRecord, platformData, 232, 216)             \
    X(FilterRecord, bufferProcs, 240, 224)              \
    X(FilterRecord, resourceProcs, 248, 232)            \
    X(FilterRecord, processEvent, 256, 240)             \
    X(FilterRecord, displayPixels, 264, 248)            \
    X(FilterRecord, handleProcs, 272, 256)              \
    X(FilterRecord, supportsDummyChannels, 280, 264)    \
    X(FilterRecord, supportsAlternateLayouts, 281, 265) \
    X(FilterRecord, wantLayout, 282, 266)               \
    X(FilterRecord, filterCase, 284, 268)               \
    X(FilterRecord, dummyPlaneValue, 286, 270)          \
    X(FilterRecord, premiereHook, 288, 272)             \
    X(FilterRecord, advanceState, 296, 280)             \
    X(FilterRecord, supportsAbsolute, 304, 288)         \
    X(FilterRecord, wantsAbsolute, 305, 289)            \
    X(FilterRecord, getPropertyObsolete, 312, 292)      \
    X(FilterRecord, cannotUndo, 320, 300)               \
    X(FilterRecord, supportsPadding, 321, 301)          \
    X(FilterRecord, inputPadding, 322, 302)             \
    X(FilterRecord, outputPadding, 324, 304)            \
    X(FilterRecord, maskPadding, 326, 306)              \
    X(FilterRecord, samplingSupport, 328, 308)          \
    X(FilterRecord, reservedByte, 329, 309)             \
    X(FilterRecord, inputRate, 332, 312)                \
    X(FilterRecord, maskRate, 336, 316)                 \
    X(FilterRecord, colorServices, 344, 320)            \
    X(FilterRecord, inLayerPlanes, 352, 328)            \
    X(FilterRecord, inTransparencyMask, 354, 330)       \
    X(FilterRecord, inLayerMasks, 356, 332)             \
    X(FilterRecord, inInvertedLayerMasks, 358, 334)     \
    X(FilterRecord, inNonLayerPlanes, 360, 336)         \
    X(FilterRecord, outLayerPlanes, 362, 338)           \
    X(FilterRecord, outTransparencyMask, 364, 340)      \
    X(FilterRecord, outLayerMasks, 366, 342)            \
    X(FilterRecord, outInvertedLayerMasks, 368, 344)    \
    X(FilterRecord, outNonLayerPlanes, 370, 346)        \
    X(FilterRecord, absLayerPlanes, 372, 348)           \
    X(FilterRecord, absTransparencyMask, 374, 350)      \
    X(FilterRecord, absLayerMasks, 376, 352)            \
    X(FilterRecord, absInvertedLayerMasks, 378, 354)    \
    X(FilterRecord, absNonLayerPlanes, 380, 356)        \
    X(FilterRecord, inPreDummyPlanes, 382, 358)         \
    X(FilterRecord, inPostDummyPlanes, 384, 360)        \
    X(FilterRecord, outPreDummyPlanes, 386, 362)        \
    X(FilterRecord, outPostDummyPlanes, 388, 364)       \
    X(FilterRecord, inColumnBytes, 392, 368)            \
    X(FilterRecord, inPlaneBytes, 396, 372)             \
    X(FilterRecord, outColumnBytes, 400, 376)           \
    X(FilterRecord, outPlaneBytes, 404, 380)            \
    X(FilterRecord, imageServicesProcs, 408, 384)       \
    X(FilterRecord, propertyProcs, 416, 392)            \
    X(FilterRecord, inTileHeight, 424, 400)             \
    X(FilterRecord, inTileWidth, 426, 402)              \
    X(FilterRecord, inTileOrigin, 428, 404)             \
    X(FilterRecord, absTileHeight, 432, 408)            \
    X(FilterRecord, absTileWidth, 434, 410)             \
    X(FilterRecord, absTileOrigin, 436, 412)            \
    X(FilterRecord, outTileHeight, 440, 416)            \
    X(FilterRecord, outTileWidth, 442, 418)             \
    X(FilterRecord, outTileOrigin, 444, 420)            \
    X(FilterRecord, maskTileHeight, 448, 424)           \
    X(FilterRecord, maskTileWidth, 450, 426)            \
    X(FilterRecord, maskTileOrigin, 452, 428)           \
    X(FilterRecord, descriptorParameters, 456, 432)     \
    X(FilterRecord, errorString, 464, 440)              \
    X(FilterRecord, channelPortProcs, 472, 448)         \
    X(FilterRecord, documentInfo, 480, 456)             \
    X(FilterRecord, sSPBasic, 488, 464)                 \
    X(FilterRecord, plugInRef, 496, 472)                \
    X(FilterRecord, depth, 504, 480)                    \
    X(FilterRecord, iCCprofileData, 512, 484)           \
    X(FilterRecord, iCCprofileSize, 520, 492)           \
    X(FilterRecord, canUseICCProfiles, 524, 496)        \
    X(FilterRecord, hasImageScrap, 528, 500)            \
    X(FilterRecord, bigDocumentData, 536, 504)          \
    X(FilterRecord, input3DScene, 544, 512)             \
    X(FilterRecord, output3DScene, 552, 520)            \
    X(FilterRecord, createNewLayer, 560, 528)           \
    X(FilterRecord, iCCWorkingProfileData, 568, 532)    \
    X(FilterRecord, iCCWorkingProfileSize, 576, 540)    \
    X(FilterRecord, bufferSpace64, 584, 544)            \
    X(FilterRecord, maxSpace64, 592, 552)               \
    X(FilterRecord, reserved, 600, 560)

#define NELVO_OTHER_RECORD_FIELDS(X)                             \
    X(BigDocumentStruct, PluginUsing32BitCoordinates, 0, 0)      \
    X(BigDocumentStruct, imageSize32, 4, 4)                      \
    X(BigDocumentStruct, filterRect32, 12, 12)                   \
    X(BigDocumentStruct, inRect32, 28, 28)                       \
    X(BigDocumentStruct, outRect32, 44, 44)                      \
    X(BigDocumentStruct, maskRect32, 60, 60)                     \
    X(BigDocumentStruct, floatCoord32, 76, 76)                   \
    X(BigDocumentStruct, wholeSize32, 84, 84)                    \
    X(PSPixelMap, version, 0, 0)                                 \
    X(PSPixelMap, bounds, 4, 4)                                  \
    X(PSPixelMap, imageMode, 20, 20)                             \
    X(PSPixelMap, rowBytes, 24, 24)                              \
    X(PSPixelMap, colBytes, 28, 28)                              \
    X(PSPixelMap, planeBytes, 32, 32)                            \
    X(PSPixelMap, baseAddr, 40, 40)                              \
    X(PSPixelMap, mat, 48, 48)                                   \
    X(PSPixelMap, masks, 56, 56)                                 \
    X(PSPixelMap, maskPhaseRow, 64, 64)                          \
    X(PSPixelMap, maskPhaseCol, 68, 68)                          \
    X(PSPixelMap, pixelOverlays, 72, 72)                         \
    X(PSPixelMap, colorManagementOptions, 80, 80)                \
    X(PSPixelMap, depth, 84, 84)                                 \
    X(PSPixelMask, next, 0, 0)                                   \
    X(PSPixelMask, maskData, 8, 8)                               \
    X(PSPixelMask, rowBytes, 16, 16)                             \
    X(PSPixelMask, colBytes, 20, 20)                             \
    X(PSPixelMask, maskDescription, 24, 24)                      \
    X(PlatformData, hwnd, 0, 0)                                  \
    X(PlugInMonitor, gamma, 0, 0)                                \
    X(PlugInMonitor, ambient, 36, 36)                            \
    X(AboutRecord, platformData, 0, 0)                           \
    X(AboutRecord, sSPBasic, 8, 8)                               \
    X(AboutRecord, plugInRef, 16, 16)                            \
    X(AboutRecord, reserved, 24, 24)                             \
    X(PIDescriptorParameters, descriptorParametersVersion, 0, 0) \
    X(PIDescriptorParameters, playInfo, 2, 2)                    \
    X(PIDescriptorParameters, recordInfo, 4, 4)                  \
    X(PIDescriptorParameters, descriptor, 8, 8)                  \
    X(PIDescriptorParameters, writeDescriptorProcs, 16, 16)      \
    X(PIDescriptorParameters, readDescriptorProcs, 24, 24)       \
    X(HandleProcs, handleProcsVersion, 0, 0)                     \
    X(HandleProcs, numHandleProcs, 2, 2)                         \
    X(HandleProcs, newProc, 8, 8)                                \
    X(HandleProcs, disposeProc, 16, 16)                          \
    X(HandleProcs, getSizeProc, 24, 24)                          \
    X(HandleProcs, setSizeProc, 32, 32)                          \
    X(HandleProcs, lockProc, 40, 40)                             \
    X(HandleProcs, unlockProc, 48, 48)                           \
    X(HandleProcs, recoverSpaceProc, 56, 56)                     \
    X(HandleProcs, disposeRegularHandleProc, 64, 64)             \
    X(BufferProcs, allocateProc, 8, 8)                           \
    X(BufferProcs, lockProc, 16, 16)                             \
    X(BufferProcs, unlockProc, 24, 24)                           \
    X(BufferProcs, freeProc, 32, 32)                             \
    X(BufferProcs, spaceProc, 40, 40)                            \
    X(PropertyProcs, getPropertyProc, 8, 8)                      \
    X(PropertyProcs, setPropertyProc, 16, 16)                    \
    X(ReadDescriptorProcs, openReadDescriptorProc, 8, 8)         \
    X(ReadDescriptorProcs, getPinnedUnitFloatProc, 144, 144)     \
    X(WriteDescriptorProcs, openWriteDescriptorProc, 8, 8)       \
    X(WriteDescriptorProcs, putScopedObjectProc, 128, 128)       \
    X(SPBasicSuite, AcquireSuite, 0, 0)                          \
    X(SPBasicSuite, ReleaseSuite, 8, 8)                          \
    X(SPBasicSuite, IsEqual, 16, 16)                             \
    X(SPBasicSuite, AllocateBlock, 24, 24)                       \
    X(SPBasicSuite, FreeBlock, 32, 32)                           \
    X(SPBasicSuite, ReallocateBlock, 40, 40)                     \
    X(SPBasicSuite, Undefined, 48, 48)                           \
    X(PSHandleSuite2, New, 0, 0)                                 \
    X(PSHandleSuite2, Dispose, 8, 8)                             \
    X(PSHandleSuite2, DisposeRegularHandle, 16, 16)              \
    X(PSHandleSuite2, SetLock, 24, 24)                           \
    X(PSHandleSuite2, GetSize, 32, 32)                           \
    X(PSHandleSuite2, SetSize, 40, 40)                           \
    X(PSHandleSuite2, RecoverSpace, 48, 48)                      \
    X(PSBufferSuite1, New, 0, 0)                                 \
    X(PSBufferSuite1, Dispose, 8, 8)                             \
    X(PSBufferSuite1, GetSize, 16, 16)                           \
    X(PSBufferSuite1, GetSpace, 24, 24)                          \
    X(PSActionDescriptorProcs, Make, 0, 0)                       \
    X(PSActionDescriptorProcs, Free, 8, 8)                       \
    X(PSActionDescriptorProcs, IsEqual, 48, 48)                  \
    X(PSActionDescriptorProcs, Erase, 56, 56)                    \
    X(PSActionDescriptorProcs, PutInteger, 72, 72)               \
    X(PSActionDescriptorProcs, PutUnitFloat, 88, 88)             \
    X(PSActionDescriptorProcs, PutBoolean, 104, 104)             \
    X(PSActionDescriptorProcs, GetInteger, 176, 176)             \
    X(PSActionDescriptorProcs, GetUnitFloat, 192, 192)           \
    X(PSActionDescriptorProcs, GetBoolean, 216, 216)             \
    X(PSActionDescriptorProcs, HasKeys, 288, 288)                \
    X(PSActionDescriptorProcs, PutIntegers, 296, 296)            \
    X(PSActionDescriptorProcs, GetIntegers, 304, 304)            \
    X(PSActionDescriptorProcs, AsHandle, 312, 312)               \
    X(PSActionDescriptorProcs, HandleToDescriptor, 320, 320)     \
    X(PSActionDescriptorProcs, GetData, 360, 360)                \
    X(PSDescriptorRegistryProcs, Register, 0, 0)                 \
    X(PSDescriptorRegistryProcs, Erase, 8, 8)                    \
    X(PSDescriptorRegistryProcs, Get, 16, 16)

// S(record, LP64 size, LLP64 size)
#define NELVO_RECORD_SIZES(S)            \
    S(FilterRecord, 648, 608)            \
    S(BigDocumentStruct, 92, 92)         \
    S(PSPixelMap, 88, 88)                \
    S(PSPixelMask, 32, 32)               \
    S(PlatformData, 8, 8)                \
    S(PlugInMonitor, 40, 40)             \
    S(AboutRecord, 272, 272)             \
    S(PIDescriptorParameters, 32, 32)    \
    S(HandleProcs, 72, 72)               \
    S(BufferProcs, 48, 48)               \
    S(PropertyProcs, 24, 24)             \
    S(ReadDescriptorProcs, 152, 152)     \
    S(WriteDescriptorProcs, 136, 136)    \
    S(SPBasicSuite, 56, 56)              \
    S(PSHandleSuite2, 56, 56)            \
    S(PSBufferSuite1, 32, 32)            \
    S(PSActionDescriptorProcs, 368, 368) \
    S(PSDescriptorRegistryProcs, 24, 24) \
    S(Point, 4, 4)                       \
    S(Rect, 8, 8)                        \
    S(VPoint, 8, 8)                      \
    S(VRect, 16, 16)                     \
    S(PSRGBColor, 6, 6)                  \
    S(FilterColor, 4, 4)

// W(record, field, bytes): the width of fields whose type matters to a
// reader (a 16-bit field read as 32 bits takes its neighbour along).
#define NELVO_FIELD_WIDTHS(W)              \
    W(FilterRecord, planes, 2)             \
    W(FilterRecord, imageMode, 2)          \
    W(FilterRecord, inLoPlane, 2)          \
    W(FilterRecord, outHiPlane, 2)         \
    W(FilterRecord, maxSpace, 4)           \
    W(FilterRecord, bufferSpace, 4)        \
    W(FilterRecord, inRowBytes, 4)         \
    W(FilterRecord, inColumnBytes, 4)      \
    W(FilterRecord, outColumnBytes, 4)     \
    W(FilterRecord, maskRowBytes, 4)       \
    W(FilterRecord, haveMask, 1)           \
    W(FilterRecord, wantsAbsolute, 1)      \
    W(FilterRecord, inputPadding, 2)       \
    W(FilterRecord, outputPadding, 2)      \
    W(FilterRecord, maskPadding, 2)        \
    W(FilterRecord, inputRate, 4)          \
    W(FilterRecord, maskRate, 4)           \
    W(FilterRecord, outTileHeight, 2)      \
    W(FilterRecord, outTileWidth, 2)       \
    W(FilterRecord, depth, 4)              \
    W(FilterRecord, bufferSpace64, 8)      \
    W(FilterRecord, maxSpace64, 8)         \
    W(FilterRecord, reserved, 46)          \
    W(PIDescriptorParameters, playInfo, 2) \
    W(PIDescriptorParameters, recordInfo, 2)

#if defined(_WIN64)
#define NELVO_EXPECTED(lp64, llp64) (llp64)
#elif defined(__LP64__)
#define NELVO_EXPECTED(lp64, llp64) (lp64)
#else
#error "the layout tables cover 64-bit targets only"
#endif
