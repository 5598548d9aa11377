// Allocation failures on demand, for tests of the paths that handle them.
// Only builds that compile the allocation wrappers with VARO_FAULT_INJECTION
// (the test programs) have these functions; the library itself has none.
#ifndef VARO_NUMERIC_FAULT_INJECTION_H
#define VARO_NUMERIC_FAULT_INJECTION_H

// Restarts the count of allocations (MemAlloc and MemRealloc calls within the
// size limit) and makes the iNth of them from now on fail as if memory were
// short; 0 makes none fail.
void MemFailureArm(long iNth);
// Allocations attempted since the last MemFailureArm, the failed one included.
long MemAllocationCountGet();

#endif
