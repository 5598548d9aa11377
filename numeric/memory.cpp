// Allocation wrappers through which all library memory passes. They add only
// a count of live blocks, which the processing driver compares before and
// after a fit to detect leaks. The count is kept per thread: a fit runs on its
// caller's thread, so its leak check sees only its own blocks while other
// threads fit meanwhile, and counting costs no shared cache line.
#include <cstdint>
#include <cstdlib>

#include "numeric/numeric.h"
#ifdef VARO_FAULT_INJECTION
#include "numeric/fault_injection.h"
#endif

namespace {

// Largest block the wrappers hand out, in bytes.
constexpr size_t kBlockSizeMax = 4294967295U;

thread_local long liveBlockCount = 0;

#ifdef VARO_FAULT_INJECTION
// Test builds only: allocations attempted since the last arming, and the one
// of them that is made to fail (0: none).
long allocationCount = 0;
long failingAllocation = 0;

bool AllocationFails() {
    return ++allocationCount == failingAllocation;
}
#else
constexpr bool AllocationFails() {
    return false;
}
#endif

} // namespace

#ifdef VARO_FAULT_INJECTION
void MemFailureArm(long iNth) {
    allocationCount = 0;
    failingAllocation = iNth;
}

long MemAllocationCountGet() {
    return allocationCount;
}
#endif

extern "C" void *MemAlloc(size_t size) {
    if (size > kBlockSizeMax || AllocationFails()) {
        return nullptr;
    }
    void *pBlock = std::calloc(size, 1);
    if (pBlock != nullptr) {
        ++liveBlockCount;
    }
    return pBlock;
}

extern "C" void *MemRealloc(void *pBlock, size_t size) {
    if (pBlock == nullptr) {
        return MemAlloc(size);
    }
    if (size > kBlockSizeMax || AllocationFails()) {
        return nullptr;
    }
    // A zero size would let realloc release the block while reporting null,
    // which every caller reads as "failed, old block still yours".
    return std::realloc(pBlock, size == 0 ? 1 : size);
}

extern "C" void *MemFree(void *pBlock) {
    if (pBlock != nullptr) {
        std::free(pBlock);
        --liveBlockCount;
    }
    return nullptr;
}

extern "C" void **MemAlloc2D(unsigned iCount, size_t size) {
    auto **ppTable = static_cast<void **>(MemAlloc(iCount * sizeof(void *)));
    if (ppTable == nullptr) {
        return nullptr;
    }
    for (unsigned k = 0; k < iCount; ++k) {
        ppTable[k] = MemAlloc(size);
        if (ppTable[k] == nullptr) {
            // Entries not yet allocated are still null and are skipped.
            MemFree2D(ppTable, iCount);
            return nullptr;
        }
    }
    return ppTable;
}

extern "C" void *MemFree2D(void **ppTable, unsigned iCount) {
    if (ppTable == nullptr) {
        return nullptr;
    }
    for (unsigned k = iCount; k-- > 0;) {
        if (ppTable[k] == nullptr) {
            continue;
        }
        ppTable[k] = MemFree(ppTable[k]);
        if (ppTable[k] != nullptr) {
            return ppTable[k];
        }
    }
    return MemFree(ppTable);
}

extern "C" int MemPtrBad(const void *pBlock, size_t size) {
    return pBlock == nullptr || size == 0 ? 1 : 0;
}

extern "C" long MemLiveBlockCount(void) {
    return liveBlockCount;
}
