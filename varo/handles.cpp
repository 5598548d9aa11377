// The process-wide handle table: creation, lookup and deletion of fit objects.
#include <cstdio>
#include <cstdlib>

#include "varo/object.h"

namespace {

constexpr int kHandleRange = 32768;

struct HandleSlot {
    VaroHandle handle; // 0 marks a free slot
    VaroObject *object;
};

HandleSlot HandleTable[kMaxObjects];

// The first slot whose handle equals iHandle (0 finds the first free slot), or -1.
int HandleSlotFind(VaroHandle iHandle) {
    for (int iSlot = 0; iSlot < kMaxObjects; ++iSlot) {
        if (HandleTable[iSlot].handle == iHandle) {
            return iSlot;
        }
    }
    return -1;
}

// A handle in 1..32768 that no slot holds yet.
VaroHandle HandleDraw() {
    VaroHandle iHandle = 0;
    do {
        iHandle = std::rand() % kHandleRange + 1;
    } while (HandleSlotFind(iHandle) != -1);
    return iHandle;
}

// Applies the default settings through the public setters; 0 or the first
// setter's nonzero result.
int ObjectDefaultsSet(VaroHandle iHandle) {
    int iRc = VaroMaxNoIterationsSet(iHandle, -1);
    if (iRc == 0) {
        iRc = VaroGaussNewtonResNormThreshSet(iHandle, 0.01);
    }
    if (iRc == 0) {
        iRc = VaroResNormChangeTerminationSet(iHandle, 1e-4);
    }
    if (iRc == 0) {
        iRc = VaroParValChangeTerminationSet(iHandle, 1e-4);
    }
    if (iRc == 0) {
        // Last, since it is checked against the residual norm change value.
        iRc = VaroStabVsSpeedSet(iHandle, 0.01);
    }
    return iRc;
}

} // namespace

VaroObject *ObjectFromHandle(VaroHandle iHandle) {
    if (iHandle == 0) {
        return nullptr;
    }
    const int iSlot = HandleSlotFind(iHandle);
    return iSlot == -1 ? nullptr : HandleTable[iSlot].object;
}

int VaroObjectCreate(VaroHandle *piHandle) {
    const int iSlot = HandleSlotFind(0);
    if (iSlot == -1) {
        return kRcTableFull;
    }
    auto *pObject = static_cast<VaroObject *>(MemAlloc(sizeof(VaroObject)));
    if (pObject == nullptr) {
        return kRcNoMemory;
    }
    HandleTable[iSlot].object = pObject;
    const VaroHandle iHandle = HandleDraw();
    HandleTable[iSlot].handle = iHandle;
    pObject->handle = iHandle;
    *piHandle = iHandle;
    return ObjectDefaultsSet(iHandle) == 0 ? 0 : kRcInternal;
}

int VaroObjectDelete(VaroHandle iHandle) {
    // The raw lookup: handle 0 finds the first free slot, which holds no object.
    const int iSlot = HandleSlotFind(iHandle);
    if (iSlot == -1) {
        return kRcNoObject;
    }
    HandleSlot &slot = HandleTable[iSlot];
    if (slot.object != nullptr) {
        // Deleting from the object's own callback would pull the object from
        // under the running processing.
        if (slot.object->state == kStateProcessing) {
            ErrorReport(slot.object, "%s: the object cannot be deleted while processing", __func__);
            return kRcNotReleased;
        }
        if (slot.object->logFile != nullptr) {
            std::fclose(slot.object->logFile);
            slot.object->logFile = nullptr;
        }
        if (!ObjectContainersRelease(slot.object)) {
            return kRcNotReleased;
        }
    }
    slot.object = static_cast<VaroObject *>(MemFree(slot.object));
    if (slot.object != nullptr) {
        return kRcNotReleased;
    }
    slot.handle = 0;
    return 0;
}
