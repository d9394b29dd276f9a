/* SPDX-License-Identifier: MIT */
/* Scripting: action descriptors, the descriptor parameters of a filter call,
   and the descriptor registry. */
#ifndef NELVO_SDK_PIACTIONS_H
#define NELVO_SDK_PIACTIONS_H

#include "SPBasic.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct PIOpaqueActionDescriptor* PIActionDescriptor;
/* A descriptor flattened into a host handle; the host owns its format. */
typedef Handle PIDescriptorHandle;
typedef uint32 DescriptorKeyID;
typedef uint32 DescriptorTypeID;
typedef uint32 DescriptorUnitID;

/* Descriptor value types. */
#define typeInteger PIFourCC('l', 'o', 'n', 'g')
#define typeFloat PIFourCC('d', 'o', 'u', 'b')
#define typeUnitFloat PIFourCC('U', 'n', 't', 'F')
#define typeBoolean PIFourCC('b', 'o', 'o', 'l')
#define typeIntegers PIFourCC('l', 'n', 'g', 's') /* a list of integers */
#define typeNull PIFourCC('n', 'u', 'l', 'l')
#define typeImageReference PIFourCC('#', 'I', 'm', 'R')

/* Units of unit floats. */
#define unitPercent PIFourCC('#', 'P', 'r', 'c')
#define unitPixels PIFourCC('#', 'P', 'x', 'l')
#define unitNone PIFourCC('#', 'N', 'n', 'e')

/* playInfo: what the host asks of a replayed step. */
enum {
    plugInDialogDontDisplay = 0, /* run silently unless parameters are missing */
    plugInDialogDisplay = 1,     /* show the dialog */
    plugInDialogSilent = 2       /* never show the dialog */
};

/* recordInfo: what the plug-in tells the host after recording. */
enum { plugInDialogOptional = 0, plugInDialogRequired = 1, plugInDialogNone = 2 };

typedef struct PIDescriptorParameters {
    int16 descriptorParametersVersion;
    int16 playInfo;
    int16 recordInfo;
    /* In: the descriptor of a replayed step, or NULL. Out: the recorded
       descriptor; the plug-in disposes of the old handle when it replaces it. */
    PIDescriptorHandle descriptor;
    void* writeDescriptorProcs; /* old interface, not used */
    void* readDescriptorProcs;  /* old interface, not used */
} PIDescriptorParameters;

enum { kCurrentDescriptorParametersVersion = 0 };

#define kPSActionDescriptorSuite "df135115-c769-11d0-8079-00c04fd7ec47"
#define kPSActionDescriptorSuiteVersion 3

/* Every function returns kSPNoError or an error: a missing key, a value of
   another type, a count that does not match, or an out-of-memory condition. */
typedef struct PSActionDescriptorProcs {
    SPErr (*Make)(PIActionDescriptor* descriptor);
    SPErr (*Free)(PIActionDescriptor descriptor);
    SPErr (*GetType)(PIActionDescriptor descriptor, DescriptorKeyID key, DescriptorTypeID* type);
    /* The key at position `index`, in the order the keys were first put. */
    SPErr (*GetKey)(PIActionDescriptor descriptor, uint32 index, DescriptorKeyID* key);
    SPErr (*HasKey)(PIActionDescriptor descriptor, DescriptorKeyID key, Boolean* hasKey);
    SPErr (*GetCount)(PIActionDescriptor descriptor, uint32* count);
    /* Removes a key; erasing a key that is not there succeeds. */
    SPErr (*Erase)(PIActionDescriptor descriptor, DescriptorKeyID key);
    SPErr (*Clear)(PIActionDescriptor descriptor);
    /* A put replaces an existing value of the same key, keeping its position. */
    SPErr (*PutInteger)(PIActionDescriptor descriptor, DescriptorKeyID key, int32 value);
    SPErr (*PutUnitFloat)(PIActionDescriptor descriptor, DescriptorKeyID key, DescriptorUnitID unit,
                          double value);
    SPErr (*PutBoolean)(PIActionDescriptor descriptor, DescriptorKeyID key, Boolean value);
    SPErr (*GetInteger)(PIActionDescriptor descriptor, DescriptorKeyID key, int32* value);
    SPErr (*GetUnitFloat)(PIActionDescriptor descriptor, DescriptorKeyID key,
                          DescriptorUnitID* unit, double* value);
    SPErr (*GetBoolean)(PIActionDescriptor descriptor, DescriptorKeyID key, Boolean* value);
    SPErr (*PutIntegers)(PIActionDescriptor descriptor, DescriptorKeyID key, uint32 count,
                         const int32* values);
    /* Fails unless the stored list holds exactly `count` integers. */
    SPErr (*GetIntegers)(PIActionDescriptor descriptor, DescriptorKeyID key, uint32 count,
                         int32* values);
    /* Flattens the descriptor into a new handle owned by the caller. */
    SPErr (*AsHandle)(PIActionDescriptor descriptor, PIDescriptorHandle* value);
    /* Builds a new descriptor from a flattened one; a damaged handle is refused. */
    SPErr (*HandleToDescriptor)(PIDescriptorHandle value, PIActionDescriptor* descriptor);
} PSActionDescriptorProcs;

#define kPSDescriptorRegistrySuite "61e608b0-40fd-11d1-8da3-00c04fd5f7ee"
#define kPSDescriptorRegistrySuiteVersion 1

typedef struct PSDescriptorRegistryProcs {
    /* Stores a copy of `descriptor` under `key`; a persistent entry survives
       from one run of the host to the next. */
    SPErr (*Register)(const char* key, PIActionDescriptor descriptor, Boolean isPersistent);
    SPErr (*Erase)(const char* key);
    /* A new descriptor holding a copy of the entry (the caller frees it), or
     *descriptor = NULL when there is none. */
    SPErr (*Get)(const char* key, PIActionDescriptor* descriptor);
} PSDescriptorRegistryProcs;

#ifdef __cplusplus
}
#endif

#endif
