/* SPDX-License-Identifier: MIT */
/* Buffer suite, version 1: host memory for the duration of a call. */
#ifndef NELVO_SDK_PIBUFFERSUITE_H
#define NELVO_SDK_PIBUFFERSUITE_H

#include "PITypes.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kPSBufferSuite "Photoshop Buffer Suite for Plug-ins"
#define kPSBufferSuiteVersion1 1

typedef struct PSBufferSuite1 {
    /* Allocates at least `minimumSize` and at most *requestedSize bytes; on
       success stores the size given in *requestedSize. Returns NULL when the
       host cannot serve `minimumSize`. The memory is not cleared. */
    Ptr (*New)(uint32* requestedSize, uint32 minimumSize);
    /* Returns a buffer and sets *buffer to NULL. */
    void (*Dispose)(Ptr* buffer);
    uint32 (*GetSize)(Ptr buffer);
    /* Bytes the host could still give. */
    uint32 (*GetSpace)(void);
} PSBufferSuite1;

#ifdef __cplusplus
}
#endif

#endif
