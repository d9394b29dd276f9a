/* SPDX-License-Identifier: MIT */
/* Records shared by all module kinds. */
#ifndef NELVO_SDK_PIGENERAL_H
#define NELVO_SDK_PIGENERAL_H

#include "SPBasic.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Handed to the about selector. */
typedef struct AboutRecord {
    void* platformData;
    SPBasicSuite* sSPBasic;
    void* plugInRef;
} AboutRecord;

#ifdef __cplusplus
}
#endif

#endif
