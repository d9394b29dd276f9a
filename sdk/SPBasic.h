/* SPDX-License-Identifier: MIT */
/* The basic suite: the host's directory of suites. */
#ifndef NELVO_SDK_SPBASIC_H
#define NELVO_SDK_SPBASIC_H

#include "PITypes.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef int32 SPErr;
typedef Boolean SPBoolean;

enum { kSPNoError = 0 };

/* 'Parm': a suite was asked for while the host's basic suite is unknown. */
#define kSPBadParameterError ((SPErr)0x5061726D)
/* 'S!Fd': the host has no suite of that name and version. */
#define kSPSuiteNotFoundError ((SPErr)0x53214664)

typedef struct SPBasicSuite {
    /* Finds the suite `name` in `version`. On success stores its function table
       in *suite and returns kSPNoError; every successful acquisition must be
       balanced by one ReleaseSuite with the same name and version. */
    SPErr (*AcquireSuite)(const char* name, int32 version, const void** suite);
    /* Releases one acquisition. Releasing a suite not acquired is an error. */
    SPErr (*ReleaseSuite)(const char* name, int32 version);
    SPBoolean (*IsEqual)(const char* token1, const char* token2);
    SPErr (*AllocateBlock)(size_t size, void** block);
    SPErr (*FreeBlock)(void* block);
    SPErr (*ReallocateBlock)(void* block, size_t newSize, void** newblock);
    SPErr (*Undefined)(void);
} SPBasicSuite;

#ifdef __cplusplus
}
#endif

#endif
