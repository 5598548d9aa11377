// Reading and writing the count cells of the containers. Shared by the
// container operations and the decomposition; not part of the public API.
#ifndef VARO_NUMERIC_COUNTS_H
#define VARO_NUMERIC_COUNTS_H

#include <cstdint>

#include "numeric/numeric.h"

// Longest vector and largest matrix dimension accepted by the allocators.
constexpr unsigned kLengthMax = 999999999U;

// Length of a vector: cell 0 truncated to int. A count cell outside the int
// range (only in a corrupted vector) reads as -1, so every check calls it bad.
inline int RealVectorLengthGet(RealVector v) {
    if (v == nullptr) {
        return -1;
    }
    const double dCount = v[0];
    if (!(dCount > -2147483649.0 && dCount < 2147483648.0)) {
        return -1;
    }
    return static_cast<int>(dCount);
}

// The row count lives in cell 0 of the row table as an integer, not a pointer.
inline unsigned RealMatrixRowsGet(RealMatrix m) {
    return static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(m[0]));
}

inline void RealMatrixRowsSet(RealMatrix m, unsigned iRows) {
    m[0] = reinterpret_cast<RealVector>(static_cast<std::uintptr_t>(iRows));
}

// Column count: the length of row 1; 0 for a matrix without a usable row 1.
inline int RealMatrixColsGet(RealMatrix m) {
    if (m == nullptr || RealMatrixRowsGet(m) < 1 || m[1] == nullptr) {
        return 0;
    }
    return RealVectorLengthGet(m[1]);
}

#endif
