// Real and integer vectors: 1-based, with the length in cell 0.
#include <cmath>

#include "numeric/counts.h"
#include "numeric/numeric.h"

namespace {

// Both vector kinds are counted blocks: cell 0 holds the element count n, cells
// 1..n the elements of type T.
template <typename T>
size_t CountedBlockBytesGet(unsigned n) {
    return (static_cast<size_t>(n) + 1) * sizeof(T);
}

template <typename T>
T *CountedBlockAlloc(unsigned n) {
    auto pBlock = static_cast<T *>(MemAlloc(CountedBlockBytesGet<T>(n)));
    if (pBlock != nullptr) {
        pBlock[0] = static_cast<T>(n);
    }
    return pBlock;
}

// Reallocates a counted block of iOld elements (negative when its count cell
// is unusable) to n elements.
template <typename T>
T *CountedBlockResize(T *pBlock, int iOld, unsigned n) {
    auto pResized = static_cast<T *>(MemRealloc(pBlock, CountedBlockBytesGet<T>(n)));
    if (pResized == nullptr) {
        // The holder replaces its pointer by the null result: release the block.
        MemFree(pBlock);
        return nullptr;
    }
    pResized[0] = static_cast<T>(n);
    // Added elements start at zero rather than with whatever the heap held.
    for (unsigned i = iOld < 0 ? 1U : static_cast<unsigned>(iOld) + 1; i <= n; ++i) {
        pResized[i] = T{};
    }
    return pResized;
}

// Resolves a [first, last] range (last -1: to the end) against the vector.
// False for a null vector or a range that is empty or leaves the vector.
bool RealVectorRangeResolve(RealVector v, int iFirst, int *piLast) {
    if (v == nullptr || iFirst < 1) {
        return false;
    }
    const int n = RealVectorLengthGet(v);
    if (*piLast == -1) {
        *piLast = n;
    }
    return *piLast >= iFirst && *piLast <= n;
}

} // namespace

extern "C" RealVector RealVectorAlloc(unsigned n) {
    if (n > kLengthMax) {
        return nullptr;
    }
    return CountedBlockAlloc<double>(n);
}

extern "C" RealVector RealVectorResize(RealVector v, unsigned n) {
    // The holder replaces its pointer by the null result, as after a failed
    // reallocation, so the block is released here.
    if (n > kLengthMax) {
        return RealVectorFree(v);
    }
    if (v == nullptr) {
        return RealVectorAlloc(n);
    }
    const int iOld = RealVectorLengthGet(v);
    if (iOld == static_cast<int>(n)) {
        return v;
    }
    return CountedBlockResize(v, iOld, n);
}

extern "C" RealVector RealVectorFree(RealVector v) {
    return static_cast<RealVector>(MemFree(v));
}

extern "C" int RealVectorCheck(RealVector v) {
    const int n = RealVectorLengthGet(v);
    if (n < 1 || static_cast<unsigned>(n) > kLengthMax) {
        return 1;
    }
    return MemPtrBad(v, CountedBlockBytesGet<double>(static_cast<unsigned>(n)));
}

extern "C" RealVector RealVectorFromArray(RealVector v, const double *adValues, int iCount) {
    if (adValues == nullptr && iCount > 0) {
        return RealVectorFree(v);
    }
    v = RealVectorResize(v, static_cast<unsigned>(iCount));
    if (v == nullptr) {
        return nullptr;
    }
    for (int i = 0; i < iCount; ++i) {
        v[i + 1] = adValues[i];
    }
    return v;
}

extern "C" int RealVectorMaxAbsIndex(RealVector v, int iFirst, int iLast, double *pdMaxAbs) {
    if (!RealVectorRangeResolve(v, iFirst, &iLast)) {
        return -1;
    }
    double dMaxAbs = 0.0;
    int iIndex = 0;
    for (int i = iFirst; i <= iLast; ++i) {
        if (std::fabs(v[i]) > dMaxAbs) {
            dMaxAbs = std::fabs(v[i]);
            iIndex = i;
        }
    }
    if (pdMaxAbs != nullptr) {
        *pdMaxAbs = dMaxAbs;
    }
    return iIndex;
}

extern "C" double RealVectorNorm(RealVector v, int iFirst, int iLast) {
    if (!RealVectorRangeResolve(v, iFirst, &iLast)) {
        return -1.0;
    }
    double dSum = 0.0;
    for (int i = iFirst; i <= iLast; ++i) {
        dSum += v[i] * v[i];
    }
    return std::sqrt(dSum);
}

extern "C" int RealVectorScale(RealVector v, double dFactor) {
    if (v == nullptr) {
        return 1;
    }
    const int n = RealVectorLengthGet(v);
    for (int i = 1; i <= n; ++i) {
        v[i] *= dFactor;
    }
    return 0;
}

extern "C" int RealVectorCopy(RealVector vrSource, RealVector vrDestination) {
    if (vrSource == nullptr || vrDestination == nullptr) {
        return 1;
    }
    const int n = RealVectorLengthGet(vrSource);
    if (n != RealVectorLengthGet(vrDestination)) {
        return 1;
    }
    for (int i = 1; i <= n; ++i) {
        vrDestination[i] = vrSource[i];
    }
    return 0;
}

extern "C" RealVector RealVectorClone(RealVector vrDestination, RealVector vrSource) {
    // The holder replaces its pointer by the result: a null one releases it.
    if (vrSource == nullptr) {
        return RealVectorFree(vrDestination);
    }
    vrDestination =
        RealVectorResize(vrDestination, static_cast<unsigned>(RealVectorLengthGet(vrSource)));
    if (vrDestination == nullptr) {
        return nullptr;
    }
    RealVectorCopy(vrSource, vrDestination);
    return vrDestination;
}

extern "C" int RealVectorCombine(RealVector a, unsigned iOperation, RealVector b,
                                 RealVector vrOut) {
    if (a == nullptr || b == nullptr || vrOut == nullptr) {
        return 1;
    }
    const int lengthA = RealVectorLengthGet(a);
    const int lengthB = RealVectorLengthGet(b);
    const int n = lengthA < lengthB ? lengthA : lengthB;
    if (n <= 0 || RealVectorLengthGet(vrOut) < n) {
        return 1;
    }
    if (iOperation < 1 || iOperation > 4) {
        return 2;
    }
    for (int i = 1; i <= n; ++i) {
        switch (iOperation) {
        case 1:
            vrOut[i] = a[i] + b[i];
            break;
        case 2:
            vrOut[i] = a[i] - b[i];
            break;
        case 3:
            vrOut[i] = a[i] * b[i];
            break;
        default:
            // A divisor that is zero, negative or NaN stops the division.
            if (!(b[i] > 0.0)) {
                return 3;
            }
            vrOut[i] = a[i] / b[i];
            break;
        }
    }
    return 0;
}

extern "C" int RealVectorFill(RealVector v, double dValue) {
    const int n = RealVectorLengthGet(v);
    if (n < 1) {
        return 1;
    }
    for (int i = 1; i <= n; ++i) {
        v[i] = dValue;
    }
    return 0;
}

extern "C" IntVector IntVectorAlloc(int n) {
    // A negative count would not even fit the block that should hold it.
    if (n < 0) {
        return nullptr;
    }
    return CountedBlockAlloc<int>(static_cast<unsigned>(n));
}

extern "C" IntVector IntVectorResize(IntVector v, int n) {
    // Released like a block whose reallocation failed: the holder keeps null.
    if (n < 0) {
        return IntVectorFree(v);
    }
    if (v == nullptr) {
        return IntVectorAlloc(n);
    }
    const int iOld = v[0];
    if (iOld == n) {
        return v;
    }
    return CountedBlockResize(v, iOld, static_cast<unsigned>(n));
}

extern "C" IntVector IntVectorFree(IntVector v) {
    return static_cast<IntVector>(MemFree(v));
}
