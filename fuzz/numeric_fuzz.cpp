// The numeric kit driven by arbitrary sequences of container operations on a
// few slots: lengths may be invalid, values anything. Invariants: every
// container keeps the length its operations promise, a null result always
// leaves the slot empty, the decomposition of a finite matrix reconstructs it,
// and when the slots are released no block is left.
#include <algorithm>
#include <cmath>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "numeric/numeric.h"

namespace {

constexpr int kSlots = 4;
constexpr int kDimMax = 9;
constexpr int kOpsMax = 64;

struct Slots {
    RealVector vectors[kSlots] = {};
    RealMatrix matrices[kSlots] = {};
    IntVector ints[kSlots] = {};
};

int Length(RealVector v) {
    return v == nullptr ? -1 : static_cast<int>(v[0]);
}

int Rows(RealMatrix m) {
    return m == nullptr ? -1 : static_cast<int>(reinterpret_cast<uintptr_t>(m[0]));
}

int Cols(RealMatrix m) {
    return m == nullptr ? -1 : Length(m[1]);
}

// A length from the fuzz input: mostly small, sometimes one the containers
// must refuse.
unsigned LengthPick(FuzzInput &input) {
    static const unsigned kInvalid[] = {0U, 1000000000U, 4294967295U, 600000000U};
    const int iPick = input.Choice(kDimMax + 1 + 4);
    return iPick <= kDimMax ? static_cast<unsigned>(iPick) : kInvalid[iPick - kDimMax - 1];
}

void VectorFill(FuzzInput &input, RealVector v) {
    for (int i = 1; i <= Length(v); ++i) {
        v[i] = input.Double();
    }
}

bool AllFinite(RealMatrix a, int iRows, int iCols) {
    for (int i = 1; i <= iRows; ++i) {
        for (int j = 1; j <= iCols; ++j) {
            if (!std::isfinite(a[i][j]) || std::fabs(a[i][j]) > 1e100 ||
                (a[i][j] != 0.0 && std::fabs(a[i][j]) < 1e-100)) {
                return false;
            }
        }
    }
    return true;
}

// Decomposes a copy of a and checks U diag(w) V^t = a for a finite matrix.
void SvdCheck(RealMatrix a, bool bWithV) {
    const int m = Rows(a);
    const int n = Cols(a);
    if (m < n || n < 1) {
        RealVector w = RealVectorAlloc(n < 1 ? 1 : static_cast<unsigned>(n));
        FUZZ_CHECK(RealMatrixSvd(a, w, nullptr, nullptr) == 1);
        RealVectorFree(w);
        return;
    }
    RealMatrix u = RealMatrixAlloc(static_cast<unsigned>(m), static_cast<unsigned>(n));
    RealVector w = RealVectorAlloc(static_cast<unsigned>(n));
    RealMatrix v =
        bWithV ? RealMatrixAlloc(static_cast<unsigned>(n), static_cast<unsigned>(n)) : nullptr;
    FUZZ_CHECK(u != nullptr && w != nullptr && (v != nullptr || !bWithV));
    double dNorm = 0.0;
    for (int i = 1; i <= m; ++i) {
        for (int j = 1; j <= n; ++j) {
            u[i][j] = a[i][j];
            dNorm += a[i][j] * a[i][j];
        }
    }
    dNorm = std::sqrt(dNorm);
    const bool bFinite = AllFinite(a, m, n);
    const int iResult = RealMatrixSvd(u, w, v, nullptr);
    FUZZ_CHECK(iResult == 0);
    FUZZ_CHECK(Length(w) == n && Rows(u) == m && Cols(u) == n);
    if (bFinite) {
        for (int j = 2; j <= n; ++j) {
            FUZZ_CHECK(w[j - 1] >= w[j] || w[j] < 0.0);
        }
    }
    if (bFinite && bWithV) {
        const double dTolerance = 1e-12 * (m + n) * (dNorm + 1e-300);
        for (int i = 1; i <= m; ++i) {
            for (int j = 1; j <= n; ++j) {
                double dSum = 0.0;
                for (int k = 1; k <= n; ++k) {
                    dSum += u[i][k] * w[k] * v[j][k];
                }
                FUZZ_CHECK(std::fabs(dSum - a[i][j]) <= dTolerance);
            }
        }
    }
    RealMatrixFree(u);
    RealMatrixFree(v);
    RealVectorFree(w);
}

void VectorOp(FuzzInput &input, Slots &s) {
    RealVector &v = s.vectors[input.Choice(kSlots)];
    RealVector &other = s.vectors[input.Choice(kSlots)];
    switch (input.Choice(10)) {
    case 0: {
        RealVectorFree(v);
        const unsigned n = LengthPick(input);
        v = RealVectorAlloc(n);
        FUZZ_CHECK(v == nullptr ? n > 999999999U || n >= 536870911U : Length(v) == int(n));
        break;
    }
    case 1: {
        const int iOld = Length(v);
        const unsigned n = LengthPick(input);
        v = RealVectorResize(v, n);
        FUZZ_CHECK(v == nullptr || Length(v) == int(n));
        FUZZ_CHECK(v != nullptr || n > 999999999U || n >= 536870911U || iOld == -1);
        break;
    }
    case 2: {
        std::vector<double> adValues(static_cast<size_t>(input.Choice(kDimMax + 1)));
        for (double &dValue : adValues) {
            dValue = input.Double();
        }
        const int iCount = input.Choice(4) == 0 ? -1 - input.Choice(3) : int(adValues.size());
        v = RealVectorFromArray(v, adValues.data(), iCount);
        FUZZ_CHECK(v == nullptr ? iCount < 0 : Length(v) == iCount);
        break;
    }
    case 3:
        if (&v != &other) {
            v = RealVectorClone(v, other);
            FUZZ_CHECK(v == nullptr || Length(v) == Length(other));
        }
        break;
    case 4:
        if (v != nullptr && other != nullptr) {
            RealVectorCopy(v, other);
        }
        break;
    case 5:
        VectorFill(input, v);
        break;
    case 6:
        if (v != nullptr && other != nullptr) {
            RealVectorCombine(v, static_cast<unsigned>(input.Choice(6)), other,
                              s.vectors[input.Choice(kSlots)] == nullptr ? v : other);
        }
        break;
    case 7: {
        double dMax = 0.0;
        const int iFirst = input.Int(-1, kDimMax);
        const int iLast = input.Int(-1, kDimMax);
        const int iIndex = RealVectorMaxAbsIndex(v, iFirst, iLast, &dMax);
        FUZZ_CHECK(iIndex >= -1 && iIndex <= std::max(Length(v), 0));
        RealVectorNorm(v, iFirst, iLast);
        break;
    }
    case 8:
        RealVectorScale(v, input.Double());
        RealVectorFill(v, input.Double());
        break;
    default:
        RealVectorCheck(v);
        RealVectorPrint(v);
        break;
    }
}

void MatrixOp(FuzzInput &input, Slots &s) {
    RealMatrix &a = s.matrices[input.Choice(kSlots)];
    RealMatrix &b = s.matrices[input.Choice(kSlots)];
    RealVector x = s.vectors[input.Choice(kSlots)];
    RealVector y = s.vectors[input.Choice(kSlots)];
    switch (input.Choice(9)) {
    case 0: {
        RealMatrixFree(a);
        const unsigned iRows = LengthPick(input);
        const unsigned iCols = LengthPick(input);
        a = RealMatrixAlloc(iRows, iCols);
        FUZZ_CHECK(a == nullptr || (Rows(a) == int(iRows) && Cols(a) == int(iCols)));
        break;
    }
    case 1: {
        const unsigned iRows = LengthPick(input);
        const unsigned iCols = LengthPick(input);
        a = RealMatrixResize(a, iRows, iCols);
        FUZZ_CHECK(a == nullptr || (Rows(a) == int(iRows) && Cols(a) == int(iCols)));
        if (a != nullptr) {
            for (int i = 1; i <= Rows(a); ++i) {
                FUZZ_CHECK(Length(a[i]) == int(iCols));
            }
        }
        break;
    }
    case 2:
        if (a != nullptr) {
            for (int i = 1; i <= Rows(a); ++i) {
                VectorFill(input, a[i]);
            }
        }
        break;
    case 3:
        // The products expect a matrix with rows at least as long as row 1.
        if (a != nullptr && x != nullptr && y != nullptr) {
            RealMatrixTimesVector(a, x, input.Choice(2) ? x : y);
            RealMatrixTransposeTimesVector(a, x, input.Choice(2) ? x : y);
        }
        break;
    case 4:
        if (a != nullptr && b != nullptr) {
            RealMatrixGramAdd(a, b);
            RealMatrixRowsGramAdd(a, b);
        }
        break;
    case 5:
        if (b != nullptr && x != nullptr && y != nullptr) {
            RealMatrixTransposeTimesVectorAdd(x, b, y);
            RealMatrixTimesVectorAdd(x, b, y);
        }
        break;
    case 6:
        if (a != nullptr) {
            RealMatrixColumnSet(a, input.Int(-1, kDimMax), x);
            RealMatrixRowsScale(a, x);
            RealMatrixFill(a, input.Double());
        }
        break;
    case 7:
        if (a != nullptr) {
            SvdCheck(a, input.Choice(2) == 0);
        }
        break;
    default:
        RealMatrixCheck(a);
        RealMatrixPrint(a);
        break;
    }
}

void IntOp(FuzzInput &input, Slots &s) {
    IntVector &v = s.ints[input.Choice(kSlots)];
    const int n = input.Int(-2, kDimMax);
    if (input.Choice(2) == 0) {
        IntVectorFree(v);
        v = IntVectorAlloc(n);
    } else {
        v = IntVectorResize(v, n);
    }
    FUZZ_CHECK(v == nullptr ? n < 0 || n > 1000000 : v[0] == n);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t size) {
    FuzzInput input(pData, size);
    const long base = MemLiveBlockCount();
    Slots s;
    for (int iOp = 0; iOp < kOpsMax && !input.Empty(); ++iOp) {
        switch (input.Choice(5)) {
        case 0:
        case 1:
            VectorOp(input, s);
            break;
        case 2:
        case 3:
            MatrixOp(input, s);
            break;
        default:
            IntOp(input, s);
            break;
        }
    }
    for (int k = 0; k < kSlots; ++k) {
        s.vectors[k] = RealVectorFree(s.vectors[k]);
        FUZZ_CHECK(RealMatrixFree(s.matrices[k]) == 0);
        s.ints[k] = IntVectorFree(s.ints[k]);
    }
    FUZZ_CHECK(MemLiveBlockCount() == base);
    return 0;
}
