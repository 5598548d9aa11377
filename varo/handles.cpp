// The process-wide handle table: creation, lookup and deletion of fit objects.
//
// Several threads may create, use and delete distinct objects at once. Creation
// and deletion hold one mutex, so that the 100-object limit holds for the whole
// process and a handle is drawn unique among the live objects. Lookup, made at
// the start of every public call and many times in every callback, takes no
// lock: it reads slots whose handle a creation publishes only after the object
// is in place.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "varo/object.h"

namespace {

constexpr int kHandleRange = 32768;

struct HandleSlot {
    std::atomic<VaroHandle> handle; // 0 marks a free slot
    std::atomic<VaroObject *> object;
};

HandleSlot HandleTable[kMaxObjects];

// Held by creation and deletion: the slot search, the handle draw and the
// publication of a slot happen as one step.
std::mutex handleTableMutex;

// The first slot whose handle equals iHandle (0 finds the first free slot), or -1.
int HandleSlotFind(VaroHandle iHandle) {
    for (int iSlot = 0; iSlot < kMaxObjects; ++iSlot) {
        if (HandleTable[iSlot].handle.load(std::memory_order_acquire) == iHandle) {
            return iSlot;
        }
    }
    return -1;
}

// A handle in 1..32768 that no slot holds yet. Called with the table's mutex
// held, which also keeps the library's own calls of rand from overlapping.
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
    if (iRc == 0) {
        iRc = VaroLossSet(iHandle, 0, 1.0);
    }
    return iRc;
}

} // namespace

VaroObject *ObjectFromHandle(VaroHandle iHandle) {
    if (iHandle == 0) {
        return nullptr;
    }
    const int iSlot = HandleSlotFind(iHandle);
    return iSlot == -1 ? nullptr : HandleTable[iSlot].object.load(std::memory_order_relaxed);
}

int VaroObjectCreate(VaroHandle *piHandle) {
    VaroHandle iHandle = 0;
    {
        const std::lock_guard<std::mutex> lock(handleTableMutex);
        const int iSlot = HandleSlotFind(0);
        if (iSlot == -1) {
            return kRcTableFull;
        }
        auto *pObject = static_cast<VaroObject *>(MemAlloc(sizeof(VaroObject)));
        if (pObject == nullptr) {
            return kRcNoMemory;
        }
        iHandle = HandleDraw();
        pObject->handle = iHandle;
        HandleSlot &slot = HandleTable[iSlot];
        slot.object.store(pObject, std::memory_order_relaxed);
        // Publishes the object: a lookup that finds the handle sees it whole.
        slot.handle.store(iHandle, std::memory_order_release);
    }
    *piHandle = iHandle;
    return ObjectDefaultsSet(iHandle) == 0 ? 0 : kRcInternal;
}

int VaroObjectDelete(VaroHandle iHandle) {
    const std::lock_guard<std::mutex> lock(handleTableMutex);
    // The raw lookup: handle 0 finds the first free slot, which holds no object.
    const int iSlot = HandleSlotFind(iHandle);
    if (iSlot == -1) {
        return kRcNoObject;
    }
    HandleSlot &slot = HandleTable[iSlot];
    VaroObject *pObject = slot.object.load(std::memory_order_relaxed);
    if (pObject != nullptr) {
        // Deleting from the object's own callback would pull the object from
        // under the running processing.
        if (pObject->state == kStateProcessing) {
            ErrorReport(pObject, "%s: the object cannot be deleted while processing", __func__);
            return kRcNotReleased;
        }
        if (pObject->logFile != nullptr) {
            std::fclose(pObject->logFile);
            pObject->logFile = nullptr;
        }
        if (!ObjectContainersRelease(pObject)) {
            return kRcNotReleased;
        }
    }
    pObject = static_cast<VaroObject *>(MemFree(pObject));
    slot.object.store(pObject, std::memory_order_relaxed);
    if (pObject != nullptr) {
        return kRcNotReleased;
    }
    slot.handle.store(0, std::memory_order_release);
    return 0;
}
