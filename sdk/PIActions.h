/* SPDX-License-Identifier: MIT */
/* Scripting: the descriptor parameters of a filter call, the descriptor
   read/write callback tables they point to, action descriptors and the
   descriptor registry. */
#ifndef NELVO_SDK_PIACTIONS_H
#define NELVO_SDK_PIACTIONS_H

#include "PITypes.h"
#include "SPBasic.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct PIOpaqueActionDescriptor* PIActionDescriptor;
typedef struct PIOpaqueActionList* PIActionList;
typedef struct PIOpaqueActionReference* PIActionReference;
typedef struct ASZByteRun* ASZString;
/* A descriptor flattened into a host handle; the host owns its format. */
typedef Handle PIDescriptorHandle;
typedef struct PIOpaqueWriteDescriptor* PIWriteDescriptor;
typedef struct PIOpaqueReadDescriptor* PIReadDescriptor;

typedef uint32 DescriptorEventID;
typedef uint32 DescriptorClassID;
typedef uint32 DescriptorKeyID;
typedef uint32 DescriptorTypeID;
typedef uint32 DescriptorUnitID;
typedef uint32 DescriptorEnumID;
typedef uint32 DescriptorEnumTypeID;
typedef uint32 DescriptorFormID;
/* A list of keys ended by 0. */
typedef DescriptorKeyID DescriptorKeyIDArray[];

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

/* The older, stream-like descriptor callbacks. The module uses the action
   descriptor suite instead; the tables are declared for their layout. */
typedef struct PIDescriptorSimpleReference PIDescriptorSimpleReference;

typedef PIWriteDescriptor (*OpenWriteDescriptorProc)(void);
typedef OSErr (*CloseWriteDescriptorProc)(PIWriteDescriptor, PIDescriptorHandle*);
typedef OSErr (*PutIntegerProc)(PIWriteDescriptor, DescriptorKeyID, int32);
typedef OSErr (*PutFloatProc)(PIWriteDescriptor, DescriptorKeyID, const double*);
typedef OSErr (*PutUnitFloatProc)(PIWriteDescriptor, DescriptorKeyID, DescriptorUnitID,
                                  const double*);
typedef OSErr (*PutBooleanProc)(PIWriteDescriptor, DescriptorKeyID, Boolean);
typedef OSErr (*PutTextProc)(PIWriteDescriptor, DescriptorKeyID, Handle);
typedef OSErr (*PutAliasProc)(PIWriteDescriptor, DescriptorKeyID, Handle);
typedef OSErr (*PutEnumeratedProc)(PIWriteDescriptor, DescriptorKeyID key, DescriptorTypeID type,
                                   DescriptorEnumID value);
typedef OSErr (*PutClassProc)(PIWriteDescriptor, DescriptorKeyID, DescriptorTypeID);
typedef OSErr (*PutSimpleReferenceProc)(PIWriteDescriptor, DescriptorKeyID,
                                        const PIDescriptorSimpleReference*);
typedef OSErr (*PutObjectProc)(PIWriteDescriptor, DescriptorKeyID, DescriptorTypeID,
                               PIDescriptorHandle);
typedef OSErr (*PutCountProc)(PIWriteDescriptor, DescriptorKeyID, uint32 count);
typedef OSErr (*PutStringProc)(PIWriteDescriptor, DescriptorKeyID, const unsigned char*);
typedef OSErr (*PutScopedClassProc)(PIWriteDescriptor, DescriptorKeyID, DescriptorTypeID);
typedef OSErr (*PutScopedObjectProc)(PIWriteDescriptor, DescriptorKeyID, DescriptorTypeID,
                                     PIDescriptorHandle);

typedef PIReadDescriptor (*OpenReadDescriptorProc)(PIDescriptorHandle, DescriptorKeyID*);
typedef OSErr (*CloseReadDescriptorProc)(PIReadDescriptor);
typedef Boolean (*GetKeyProc)(PIReadDescriptor, DescriptorKeyID* key, DescriptorTypeID* type,
                              int32* flags);
typedef OSErr (*GetIntegerProc)(PIReadDescriptor, int32*);
typedef OSErr (*GetFloatProc)(PIReadDescriptor, double*);
typedef OSErr (*GetUnitFloatProc)(PIReadDescriptor, DescriptorUnitID*, double*);
typedef OSErr (*GetBooleanProc)(PIReadDescriptor, Boolean*);
typedef OSErr (*GetTextProc)(PIReadDescriptor, Handle*);
typedef OSErr (*GetAliasProc)(PIReadDescriptor, Handle*);
typedef OSErr (*GetEnumeratedProc)(PIReadDescriptor, DescriptorEnumID*);
typedef OSErr (*GetClassProc)(PIReadDescriptor, DescriptorTypeID*);
typedef OSErr (*GetSimpleReferenceProc)(PIReadDescriptor, PIDescriptorSimpleReference*);
typedef OSErr (*GetObjectProc)(PIReadDescriptor, DescriptorTypeID*, PIDescriptorHandle*);
typedef OSErr (*GetCountProc)(PIReadDescriptor, uint32*);
typedef OSErr (*GetStringProc)(PIReadDescriptor, Str255*);
typedef OSErr (*GetPinnedIntegerProc)(PIReadDescriptor, int32 min, int32 max, int32*);
typedef OSErr (*GetPinnedFloatProc)(PIReadDescriptor, const double* min, const double* max,
                                    double*);
typedef OSErr (*GetPinnedUnitFloatProc)(PIReadDescriptor, const double* min, const double* max,
                                        DescriptorUnitID*, double*);

enum { kCurrentWriteDescriptorProcsVersion = 0, kCurrentReadDescriptorProcsVersion = 0 };

typedef struct WriteDescriptorProcs {
    int16 writeDescriptorProcsVersion;
    int16 numWriteDescriptorProcs;
    OpenWriteDescriptorProc openWriteDescriptorProc;
    CloseWriteDescriptorProc closeWriteDescriptorProc;
    PutIntegerProc putIntegerProc;
    PutFloatProc putFloatProc;
    PutUnitFloatProc putUnitFloatProc;
    PutBooleanProc putBooleanProc;
    PutTextProc putTextProc;
    PutAliasProc putAliasProc;
    PutEnumeratedProc putEnumeratedProc;
    PutClassProc putClassProc;
    PutSimpleReferenceProc putSimpleReferenceProc;
    PutObjectProc putObjectProc;
    PutCountProc putCountProc;
    PutStringProc putStringProc;
    PutScopedClassProc putScopedClassProc;
    PutScopedObjectProc putScopedObjectProc;
} WriteDescriptorProcs;

typedef struct ReadDescriptorProcs {
    int16 readDescriptorProcsVersion;
    int16 numReadDescriptorProcs;
    OpenReadDescriptorProc openReadDescriptorProc;
    CloseReadDescriptorProc closeReadDescriptorProc;
    GetKeyProc getKeyProc;
    GetIntegerProc getIntegerProc;
    GetFloatProc getFloatProc;
    GetUnitFloatProc getUnitFloatProc;
    GetBooleanProc getBooleanProc;
    GetTextProc getTextProc;
    GetAliasProc getAliasProc;
    GetEnumeratedProc getEnumeratedProc;
    GetClassProc getClassProc;
    GetSimpleReferenceProc getSimpleReferenceProc;
    GetObjectProc getObjectProc;
    GetCountProc getCountProc;
    GetStringProc getStringProc;
    GetPinnedIntegerProc getPinnedIntegerProc;
    GetPinnedFloatProc getPinnedFloatProc;
    GetPinnedUnitFloatProc getPinnedUnitFloatProc;
} ReadDescriptorProcs;

enum { kCurrentDescriptorParametersVersion = 0 };

typedef struct PIDescriptorParameters {
    int16 descriptorParametersVersion;
    int16 playInfo;
    int16 recordInfo;
    /* In: the descriptor of a replayed step, or NULL. Out: the recorded
       descriptor; the plug-in disposes of the old handle when it replaces it. */
    PIDescriptorHandle descriptor;
    WriteDescriptorProcs* writeDescriptorProcs;
    ReadDescriptorProcs* readDescriptorProcs;
} PIDescriptorParameters;

#define kPSActionDescriptorSuite "df135115-c769-11d0-8079-00c04fd7ec47"
/* Version 2 is the table below and what every scripting host serves; later
   versions keep it as their first functions. */
#define kPSActionDescriptorSuiteVersion2 2
#define kPSActionDescriptorSuiteVersion kPSActionDescriptorSuiteVersion2

/* Every function returns noErr or an error: paramErr for a bad descriptor or
   argument, errMissingParameter for a missing key, errAEWrongDataType for a
   value of another type or a count that does not match, memFullErr. */
typedef struct PSActionDescriptorProcs {
    OSErr (*Make)(PIActionDescriptor* descriptor);
    OSErr (*Free)(PIActionDescriptor descriptor);
    OSErr (*GetType)(PIActionDescriptor descriptor, DescriptorKeyID key, DescriptorTypeID* type);
    /* The key at position `index`, in the order the keys were first put. */
    OSErr (*GetKey)(PIActionDescriptor descriptor, uint32 index, DescriptorKeyID* key);
    OSErr (*HasKey)(PIActionDescriptor descriptor, DescriptorKeyID key, Boolean* hasKey);
    OSErr (*GetCount)(PIActionDescriptor descriptor, uint32* count);
    OSErr (*IsEqual)(PIActionDescriptor descriptor, PIActionDescriptor other, Boolean* isEqual);
    /* Removes a key; erasing a key that is not there succeeds. */
    OSErr (*Erase)(PIActionDescriptor descriptor, DescriptorKeyID key);
    OSErr (*Clear)(PIActionDescriptor descriptor);
    /* A put replaces an existing value of the same key, keeping its position. */
    OSErr (*PutInteger)(PIActionDescriptor descriptor, DescriptorKeyID key, int32 value);
    OSErr (*PutFloat)(PIActionDescriptor descriptor, DescriptorKeyID key, double value);
    OSErr (*PutUnitFloat)(PIActionDescriptor descriptor, DescriptorKeyID key, DescriptorUnitID unit,
                          double value);
    OSErr (*PutString)(PIActionDescriptor descriptor, DescriptorKeyID key, char* cstrValue);
    OSErr (*PutBoolean)(PIActionDescriptor descriptor, DescriptorKeyID key, Boolean value);
    OSErr (*PutList)(PIActionDescriptor descriptor, DescriptorKeyID key, PIActionList value);
    OSErr (*PutObject)(PIActionDescriptor descriptor, DescriptorKeyID key, DescriptorClassID type,
                       PIActionDescriptor value);
    OSErr (*PutGlobalObject)(PIActionDescriptor descriptor, DescriptorKeyID key,
                             DescriptorClassID type, PIActionDescriptor value);
    OSErr (*PutEnumerated)(PIActionDescriptor descriptor, DescriptorKeyID key,
                           DescriptorEnumTypeID type, DescriptorEnumID value);
    OSErr (*PutReference)(PIActionDescriptor descriptor, DescriptorKeyID key,
                          PIActionReference value);
    OSErr (*PutClass)(PIActionDescriptor descriptor, DescriptorKeyID key, DescriptorClassID value);
    OSErr (*PutGlobalClass)(PIActionDescriptor descriptor, DescriptorKeyID key,
                            DescriptorClassID value);
    OSErr (*PutAlias)(PIActionDescriptor descriptor, DescriptorKeyID key, Handle value);
    OSErr (*GetInteger)(PIActionDescriptor descriptor, DescriptorKeyID key, int32* value);
    OSErr (*GetFloat)(PIActionDescriptor descriptor, DescriptorKeyID key, double* value);
    OSErr (*GetUnitFloat)(PIActionDescriptor descriptor, DescriptorKeyID key,
                          DescriptorUnitID* unit, double* value);
    OSErr (*GetStringLength)(PIActionDescriptor descriptor, DescriptorKeyID key,
                             uint32* stringLength);
    OSErr (*GetString)(PIActionDescriptor descriptor, DescriptorKeyID key, char* cstrValue,
                       uint32 maxLength);
    OSErr (*GetBoolean)(PIActionDescriptor descriptor, DescriptorKeyID key, Boolean* value);
    OSErr (*GetList)(PIActionDescriptor descriptor, DescriptorKeyID key, PIActionList* value);
    OSErr (*GetObject)(PIActionDescriptor descriptor, DescriptorKeyID key, DescriptorClassID* type,
                       PIActionDescriptor* value);
    OSErr (*GetGlobalObject)(PIActionDescriptor descriptor, DescriptorKeyID key,
                             DescriptorClassID* type, PIActionDescriptor* value);
    OSErr (*GetEnumerated)(PIActionDescriptor descriptor, DescriptorKeyID key,
                           DescriptorEnumTypeID* type, DescriptorEnumID* value);
    OSErr (*GetReference)(PIActionDescriptor descriptor, DescriptorKeyID key,
                          PIActionReference* value);
    OSErr (*GetClass)(PIActionDescriptor descriptor, DescriptorKeyID key, DescriptorClassID* value);
    OSErr (*GetGlobalClass)(PIActionDescriptor descriptor, DescriptorKeyID key,
                            DescriptorClassID* value);
    OSErr (*GetAlias)(PIActionDescriptor descriptor, DescriptorKeyID key, Handle* value);
    OSErr (*HasKeys)(PIActionDescriptor descriptor, DescriptorKeyID* requiredKeys,
                     Boolean* hasKeys);
    OSErr (*PutIntegers)(PIActionDescriptor descriptor, DescriptorKeyID key, uint32 count,
                         int32* values);
    /* Fails unless the stored list holds exactly `count` integers. */
    OSErr (*GetIntegers)(PIActionDescriptor descriptor, DescriptorKeyID key, uint32 count,
                         int32* values);
    /* Flattens the descriptor into a new handle owned by the caller. */
    OSErr (*AsHandle)(PIActionDescriptor descriptor, PIDescriptorHandle* value);
    /* Builds a new descriptor from a flattened one; a damaged handle is refused. */
    OSErr (*HandleToDescriptor)(PIDescriptorHandle value, PIActionDescriptor* descriptor);
    OSErr (*PutZString)(PIActionDescriptor descriptor, DescriptorKeyID key, ASZString zstring);
    OSErr (*GetZString)(PIActionDescriptor descriptor, DescriptorKeyID key, ASZString* zstring);
    OSErr (*PutData)(PIActionDescriptor descriptor, DescriptorKeyID key, int32 length, void* value);
    OSErr (*GetDataLength)(PIActionDescriptor descriptor, DescriptorKeyID key, int32* value);
    OSErr (*GetData)(PIActionDescriptor descriptor, DescriptorKeyID key, void* value);
} PSActionDescriptorProcs;

#define kPSDescriptorRegistrySuite "61e608b0-40fd-11d1-8da3-00c04fd5f7ee"
#define kPSDescriptorRegistrySuiteVersion 1

typedef struct PSDescriptorRegistryProcs {
    /* Stores a copy of `descriptor` under `key`; a persistent entry survives
       from one run of the host to the next. */
    OSErr (*Register)(const char* key, PIActionDescriptor descriptor, Boolean isPersistent);
    OSErr (*Erase)(const char* key);
    /* A new descriptor holding a copy of the entry (the caller frees it), or
     *descriptor = NULL when there is none. */
    OSErr (*Get)(const char* key, PIActionDescriptor* descriptor);
} PSDescriptorRegistryProcs;

#ifdef __cplusplus
}
#endif

#endif
