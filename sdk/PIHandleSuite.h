/* SPDX-License-Identifier: MIT */
/* Handle suite, version 2: host-owned relocatable blocks that outlive a call. */
#ifndef NELVO_SDK_PIHANDLESUITE_H
#define NELVO_SDK_PIHANDLESUITE_H

#include "PITypes.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kPSHandleSuite "Photoshop Handle Suite for Plug-ins"
#define kPSHandleSuiteVersion2 2

typedef struct PSHandleSuite2 {
    /* A new unlocked handle of `size` zero-filled bytes, or NULL when the host
       cannot serve it. */
    Handle (*New)(int32 size);
    /* Frees a handle; it must not be locked. */
    void (*Dispose)(Handle h);
    void (*DisposeRegularHandle)(Handle h);
    /* lock != 0 locks the handle and stores its address in *address; lock == 0
       unlocks it (address may then be NULL). *oldLock, when given, receives the
       previous state. Locks do not nest. */
    void (*SetLock)(Handle h, Boolean lock, Ptr* address, Boolean* oldLock);
    int32 (*GetSize)(Handle h);
    /* Resizes an unlocked handle, keeping its leading bytes; returns noErr,
       memFullErr, or errPlugInHostInsufficient for a locked handle. */
    OSErr (*SetSize)(Handle h, int32 newSize);
    void (*RecoverSpace)(int32 size);
} PSHandleSuite2;

#ifdef __cplusplus
}
#endif

#endif
