// Real matrices: a 1-based table of row vectors, the row count in cell 0.
#include "numeric/counts.h"
#include "numeric/numeric.h"

namespace {

size_t RealMatrixTableBytesGet(unsigned iRows) {
    return (static_cast<size_t>(iRows) + 1) * sizeof(RealVector);
}

bool RealMatrixShapeValid(unsigned iRows, unsigned iCols) {
    return iRows >= 1 && iRows <= kLengthMax && iCols >= 1 && iCols <= kLengthMax;
}

int IntMin(int a, int b) {
    return a < b ? a : b;
}

// Releases the rows beyond iRows and shrinks the table; null on failure, with
// the released rows already null in the old table.
RealMatrix RealMatrixRowsShrink(RealMatrix m, unsigned iRows) {
    for (unsigned i = RealMatrixRowsGet(m); i > iRows; --i) {
        m[i] = RealVectorFree(m[i]);
        if (m[i] != nullptr) {
            return nullptr;
        }
    }
    auto mResized = static_cast<RealMatrix>(MemRealloc(m, RealMatrixTableBytesGet(iRows)));
    if (mResized != nullptr) {
        RealMatrixRowsSet(mResized, iRows);
    }
    return mResized;
}

// Enlarges the table to iRows; the new rows are null. Null on failure.
RealMatrix RealMatrixRowsGrow(RealMatrix m, unsigned iRows) {
    const unsigned iOld = RealMatrixRowsGet(m);
    auto mResized = static_cast<RealMatrix>(MemRealloc(m, RealMatrixTableBytesGet(iRows)));
    if (mResized == nullptr) {
        return nullptr;
    }
    RealMatrixRowsSet(mResized, iRows);
    for (unsigned i = iOld + 1; i <= iRows; ++i) {
        mResized[i] = nullptr;
    }
    return mResized;
}

// y = A x or y = A-transposed x over the common sizes, through a temporary
// when x and y are the same vector.
int RealMatrixProductForm(RealMatrix a, RealVector x, RealVector y, bool bTransposed) {
    if (a == nullptr || x == nullptr || y == nullptr) {
        return 1;
    }
    const int iRows = static_cast<int>(RealMatrixRowsGet(a));
    const int iCols = RealMatrixColsGet(a);
    const int p = IntMin(bTransposed ? iCols : iRows, RealVectorLengthGet(y));
    const int q = IntMin(bTransposed ? iRows : iCols, RealVectorLengthGet(x));
    // The temporary is as long as y, so the copy back always matches.
    RealVector vrResult = y;
    if (x == y) {
        vrResult = RealVectorAlloc(static_cast<unsigned>(RealVectorLengthGet(y)));
        if (vrResult == nullptr) {
            return 2;
        }
    }
    for (int i = 1; i <= p; ++i) {
        double dSum = 0.0;
        for (int j = 1; j <= q; ++j) {
            dSum += (bTransposed ? a[j][i] : a[i][j]) * x[j];
        }
        vrResult[i] = dSum;
    }
    if (vrResult != y) {
        RealVectorCopy(vrResult, y);
        RealVectorFree(vrResult);
    }
    return 0;
}

// Sums over k = 1..m of a[k] b[l][k] for l = 0..kWidth-1, each accumulated
// from 0.0 in rising k: every sum keeps its own order and rounding, while the
// processor overlaps the independent chains.
template <int kWidth>
void RowDots(const double *a, const double *const *b, int m, double *adSum) {
    double adChain[kWidth] = {};
    for (int k = 1; k <= m; ++k) {
        for (int l = 0; l < kWidth; ++l) {
            adChain[l] += a[k] * b[l][k];
        }
    }
    for (int l = 0; l < kWidth; ++l) {
        adSum[l] = adChain[l];
    }
}

// Adds the dot products of a with rows b[iFirst..iFirst+kWidth-1] to the
// elements target(iFirst..) in one pass.
template <int kWidth, typename Target>
void RowDotsChunkAdd(const double *a, const double *const *b, int iFirst, int m, Target &target) {
    double adSum[kWidth];
    RowDots<kWidth>(a, b + iFirst, m, adSum);
    for (int w = 0; w < kWidth; ++w) {
        target(iFirst + w, adSum[w]);
    }
}

// The last chunk, of iCount rows (below kWidth + 1), in one pass as well.
template <int kWidth, typename Target>
void RowDotsTailAdd(const double *a, const double *const *b, int iFirst, int iCount, int m,
                    Target &target) {
    if constexpr (kWidth > 0) {
        if (iCount == kWidth) {
            RowDotsChunkAdd<kWidth>(a, b, iFirst, m, target);
        } else {
            RowDotsTailAdd<kWidth - 1>(a, b, iFirst, iCount, m, target);
        }
    }
}

// Adds the dot products of a with the n rows b[0..n-1] to the elements
// target(0..n-1). Each pass over the elements serves up to eight rows: a pass
// costs about as much for one row as for eight, since a single sum waits on
// its previous addition at every element.
template <typename Target>
void RowDotsAdd(const double *a, const double *const *b, int n, int m, Target target) {
    constexpr int kWidth = 8;
    int l = 0;
    for (; l + kWidth <= n; l += kWidth) {
        RowDotsChunkAdd<kWidth>(a, b, l, m, target);
    }
    RowDotsTailAdd<kWidth - 1>(a, b, l, n - l, m, target);
}

} // namespace

extern "C" RealMatrix RealMatrixAlloc(unsigned iRows, unsigned iCols) {
    if (!RealMatrixShapeValid(iRows, iCols)) {
        return nullptr;
    }
    auto m = static_cast<RealMatrix>(MemAlloc(RealMatrixTableBytesGet(iRows)));
    if (m == nullptr) {
        return nullptr;
    }
    RealMatrixRowsSet(m, iRows);
    for (unsigned i = 1; i <= iRows; ++i) {
        m[i] = RealVectorAlloc(iCols);
        if (m[i] == nullptr) {
            RealMatrixFree(m);
            return nullptr;
        }
    }
    return m;
}

extern "C" RealMatrix RealMatrixResize(RealMatrix m, unsigned iRows, unsigned iCols) {
    // Released like a matrix whose resize failed: the holder keeps null.
    if (!RealMatrixShapeValid(iRows, iCols)) {
        RealMatrixFree(m);
        return nullptr;
    }
    if (m == nullptr) {
        return RealMatrixAlloc(iRows, iCols);
    }
    const unsigned iOld = RealMatrixRowsGet(m);
    if (iOld != iRows) {
        RealMatrix mResized =
            iOld > iRows ? RealMatrixRowsShrink(m, iRows) : RealMatrixRowsGrow(m, iRows);
        if (mResized == nullptr) {
            RealMatrixFree(m);
            return nullptr;
        }
        m = mResized;
    }
    for (unsigned j = 1; j <= iRows; ++j) {
        m[j] = RealVectorResize(m[j], iCols);
        if (m[j] == nullptr) {
            RealMatrixFree(m);
            return nullptr;
        }
    }
    return m;
}

extern "C" int RealMatrixFree(RealMatrix m) {
    if (m == nullptr) {
        return 0;
    }
    const unsigned iRows = RealMatrixRowsGet(m);
    if (iRows == 0) {
        return 1;
    }
    int iResult = 0;
    for (unsigned i = iRows; i >= 1; --i) {
        if (m[i] != nullptr && RealVectorFree(m[i]) != nullptr) {
            iResult = 1;
        }
    }
    if (MemFree(m) != nullptr) {
        iResult = 1;
    }
    return iResult;
}

extern "C" int RealMatrixCheck(RealMatrix m) {
    if (m == nullptr) {
        return 1;
    }
    const unsigned iRows = RealMatrixRowsGet(m);
    if (iRows < 1 || iRows > kLengthMax) {
        return 2;
    }
    if (MemPtrBad(m, RealMatrixTableBytesGet(iRows)) != 0) {
        return 3;
    }
    for (unsigned i = 1; i <= iRows; ++i) {
        const int iCode = RealVectorCheck(m[i]);
        if (iCode != 0) {
            return 10 + iCode;
        }
    }
    return 0;
}

extern "C" int RealMatrixTimesVector(RealMatrix a, RealVector x, RealVector y) {
    return RealMatrixProductForm(a, x, y, false);
}

extern "C" int RealMatrixTransposeTimesVector(RealMatrix a, RealVector x, RealVector y) {
    return RealMatrixProductForm(a, x, y, true);
}

extern "C" int RealMatrixColumnSet(RealMatrix a, int iCol, RealVector v) {
    if (a == nullptr || v == nullptr) {
        return 1;
    }
    const int iRows = static_cast<int>(RealMatrixRowsGet(a));
    if (RealVectorLengthGet(v) != iRows || iCol < 1 || iCol > RealMatrixColsGet(a)) {
        return 1;
    }
    for (int i = 1; i <= iRows; ++i) {
        a[i][iCol] = v[i];
    }
    return 0;
}

extern "C" int RealMatrixGramAdd(RealMatrix p, RealMatrix q) {
    if (p == nullptr || q == nullptr) {
        return 1;
    }
    const int m = static_cast<int>(RealMatrixRowsGet(q));
    const int n = RealMatrixColsGet(q);
    if (static_cast<int>(RealMatrixRowsGet(p)) != n || RealMatrixColsGet(p) != n) {
        return 1;
    }
    for (int i = 1; i <= n; ++i) {
        for (int j = i; j <= n; ++j) {
            double dSum = 0.0;
            for (int k = 1; k <= m; ++k) {
                dSum += q[k][i] * q[k][j];
            }
            p[i][j] += dSum;
            if (j != i) {
                p[j][i] += dSum;
            }
        }
    }
    return 0;
}

extern "C" int RealMatrixTransposeTimesVectorAdd(RealVector y, RealMatrix q, RealVector r) {
    if (y == nullptr || q == nullptr || r == nullptr) {
        return 1;
    }
    const int m = static_cast<int>(RealMatrixRowsGet(q));
    const int n = RealMatrixColsGet(q);
    if (RealVectorLengthGet(y) != n || RealVectorLengthGet(r) != m) {
        return 1;
    }
    for (int i = 1; i <= n; ++i) {
        double dSum = 0.0;
        for (int j = 1; j <= m; ++j) {
            dSum += q[j][i] * r[j];
        }
        y[i] += dSum;
    }
    return 0;
}

extern "C" int RealMatrixRowsGramAdd(RealMatrix p, RealMatrix q) {
    if (p == nullptr || q == nullptr) {
        return 1;
    }
    const int n = static_cast<int>(RealMatrixRowsGet(q));
    const int m = RealMatrixColsGet(q);
    if (static_cast<int>(RealMatrixRowsGet(p)) != n || RealMatrixColsGet(p) != n) {
        return 1;
    }
    for (int i = 1; i <= n; ++i) {
        // Row i with rows i..n; each sum goes to (i, j) and its mirror.
        RowDotsAdd(q[i], q + i, n - i + 1, m, [p, i](int l, double dSum) {
            p[i][i + l] += dSum;
            if (l != 0) {
                p[i + l][i] += dSum;
            }
        });
    }
    return 0;
}

extern "C" int RealMatrixTimesVectorAdd(RealVector y, RealMatrix q, RealVector r) {
    if (y == nullptr || q == nullptr || r == nullptr) {
        return 1;
    }
    const int n = static_cast<int>(RealMatrixRowsGet(q));
    const int m = RealMatrixColsGet(q);
    if (RealVectorLengthGet(y) != n || RealVectorLengthGet(r) != m) {
        return 1;
    }
    RowDotsAdd(r, q + 1, n, m, [y](int l, double dSum) { y[1 + l] += dSum; });
    return 0;
}

extern "C" int RealMatrixFill(RealMatrix a, double dValue) {
    if (a == nullptr) {
        return 1;
    }
    const unsigned iRows = RealMatrixRowsGet(a);
    if (iRows < 1 || RealMatrixColsGet(a) < 1) {
        return 1;
    }
    for (unsigned i = 1; i <= iRows; ++i) {
        RealVectorFill(a[i], dValue);
    }
    return 0;
}

extern "C" int RealMatrixRowsScale(RealMatrix a, RealVector v) {
    if (a == nullptr || v == nullptr) {
        return 1;
    }
    const int iRows = static_cast<int>(RealMatrixRowsGet(a));
    if (RealVectorLengthGet(v) != iRows) {
        return 1;
    }
    for (int i = 1; i <= iRows; ++i) {
        if (RealVectorScale(a[i], v[i]) != 0) {
            return 1;
        }
    }
    return 0;
}
