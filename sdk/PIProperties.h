/* SPDX-License-Identifier: MIT */
/* The plug-in property list (PiPL) and the scripting terminology (aete), in
   their Windows binary layouts, and the lookup through which a module hands
   its resources to the host. */
#ifndef NELVO_SDK_PIPROPERTIES_H
#define NELVO_SDK_PIPROPERTIES_H

#include "PIFilter.h"
#include "PITypes.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kPIPropertiesResource PIFourCC('P', 'i', 'P', 'L')
#define kTerminologyResource PIFourCC('a', 'e', 't', 'e')
#define kPhotoshopSignature PIFourCC('8', 'B', 'I', 'M')
#define kFilterModuleKind PIFourCC('8', 'B', 'F', 'M')

/* Property keys. */
#define PIKindProperty PIFourCC('k', 'i', 'n', 'd')
#define PINameProperty PIFourCC('n', 'a', 'm', 'e')
#define PICategoryProperty PIFourCC('c', 'a', 't', 'g')
#define PIVersionProperty PIFourCC('v', 'e', 'r', 's')
#define PIWin64X86CodeProperty PIFourCC('8', '6', '6', '4')
#define PISupportedModesProperty PIFourCC('m', 'o', 'd', 'e')
#define PIHasTerminologyProperty PIFourCC('h', 's', 't', 'm')
#define PIEnableInfoProperty PIFourCC('e', 'n', 'b', 'l')
#define PIFilterMaxSize32Property PIFourCC('m', 's', '3', '2')
#define PIFilterLayerSupportProperty PIFourCC('f', 'l', 'l', 'y')
#define PIFilterCaseInfoProperty PIFourCC('f', 'i', 'c', 'i')

/* Resource layout, all integers little-endian; a four-character code is
   stored as a little-endian uint32, so its characters appear reversed:
     int16  reserved (1)
     int32  version  (kCurrentPiPLVersion)
     int32  count
     count × { OSType vendorID; OSType propertyKey; int32 propertyID;
               int32 propertyLength; uint8 data[propertyLength];
               zero padding to a multiple of 4 }
   Data of the properties used here:
     kind, vendor '8BIM':  OSType
     name, catg:           Pascal string (length byte, characters)
     vers:                 int32 (major << 16 | minor)
     8664:                 NUL-terminated entry point name
     mode:                 bit field, bit 7 of byte 0 = mode 0, bit 6 = mode 1, ...
     hstm:                 int32 version, OSType class, OSType event,
                           int16 terminology resource ID, NUL-terminated scope string
     enbl:                 NUL-terminated expression
     ms32:                 int32 maximum height, int32 maximum width
     flly:                 bytes; byte 0 bit 7 = filters layers
     fici:                 7 × { uint8 inputHandling, outputHandling, flags1, flags2 } */
enum { kPIPLReservedWord = 1, kCurrentPiPLVersion = 0 };

/* Filter case info: one entry per filter case (PIFilter.h), in case order,
   the entry of case c at index c - filterCaseFlatImageNoSelection. */
enum { filterCaseCount = 7 };
enum { inWhiteMat = 4, outWhiteMat = 4 };
enum {
    PIFilterDontCopyToDestinationBit = 0,
    PIFilterWorksWithBlankDataBit = 1,
    PIFilterFiltersLayerMaskBit = 2,
    PIFilterWritesOutsideSelectionBit = 3
};

/* Terminology layout (aete), integers little-endian, four-character codes as
   little-endian uint32; "pstr" is a Pascal string followed by a zero byte when
   needed to reach an even offset:
     uint8 major version, uint8 minor version, int16 language, int16 script,
     int16 suite count, per suite:
       pstr name, pstr description, OSType id, int16 level, int16 version,
       int16 event count, per event:
         pstr name, pstr description, OSType class, OSType id,
         OSType reply type, pstr reply description, int16 reply flags,
         OSType direct parameter type, pstr direct parameter description,
         int16 direct parameter flags,
         int16 parameter count, per parameter:
           pstr name, OSType key, OSType type, pstr description, int16 flags
       int16 class count, int16 comparison operator count, int16 enumeration count */
enum { kAeteLanguageEnglish = 0, kAeteScriptRoman = 0 };

/* Exported by a module beside PluginMain under the name "PIResourceLookup":
   finds the resource of `type` and `id`; returns 1 and its bytes, or 0. */
typedef int (*PIResourceLookupProc)(ResType type, int16 id, const void** data, size_t* size);

#ifdef __cplusplus
}
#endif

#endif
