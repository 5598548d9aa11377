// Singular value decomposition A = U diag(w) V-transposed of an m x n matrix,
// m >= n, in place (Golub-Reinsch): Householder reduction to bidiagonal form,
// accumulation of the transformations, implicitly shifted QR sweeps, and a
// final sort into descending order.
#include <cmath>

#include "numeric/counts.h"
#include "numeric/numeric.h"

namespace {

// Sweeps allowed per singular value before it is taken as it stands.
constexpr int kSweepsMax = 30;

struct SvdWork {
    RealMatrix a;
    RealVector w;
    RealMatrix v; // may be null: V is not wanted
    RealVector rv1;
    SvdProgress pProgress;
    int m;
    int n;
    double dNorm; // running maximum of |w[i]| + |rv1[i]|
};

// |dMagnitude| with the sign of dSign (+ for zero).
double SvdSign(double dMagnitude, double dSign) {
    return dSign >= 0.0 ? std::fabs(dMagnitude) : -std::fabs(dMagnitude);
}

// sqrt(p^2 + q^2) without destructive overflow or underflow.
double SvdHypotenuse(double p, double q) {
    const double dAbsP = std::fabs(p);
    const double dAbsQ = std::fabs(q);
    if (dAbsP > dAbsQ) {
        const double dRatio = dAbsQ / dAbsP;
        return dAbsP * std::sqrt(1.0 + dRatio * dRatio);
    }
    if (dAbsQ != 0.0) {
        const double dRatio = dAbsP / dAbsQ;
        return dAbsQ * std::sqrt(1.0 + dRatio * dRatio);
    }
    return 0.0;
}

bool SvdNegligible(const SvdWork &work, double dValue) {
    return std::fabs(dValue) + work.dNorm == work.dNorm;
}

// Reports progress step p of 4n; true when the progress function asks to stop.
bool SvdStopRequested(const SvdWork &work, int p) {
    if (work.pProgress == nullptr) {
        return false;
    }
    const double dPercent = static_cast<double>(p) * 100.0 / (4.0 * work.n);
    return work.pProgress(static_cast<float>(dPercent)) != 0;
}

// Plane rotation of columns iFirst and iSecond in rows 1..iRows.
void SvdColumnsRotate(RealMatrix mat, int iRows, int iFirst, int iSecond, double c, double s) {
    for (int j = 1; j <= iRows; ++j) {
        const double y = mat[j][iFirst];
        const double z = mat[j][iSecond];
        mat[j][iFirst] = y * c + z * s;
        mat[j][iSecond] = z * c - y * s;
    }
}

// Householder reflection zeroing column i below the diagonal; returns w[i].
double SvdColumnReduce(SvdWork &work, int i) {
    RealMatrix a = work.a;
    const int m = work.m;
    double scale = 0.0;
    for (int k = i; k <= m; ++k) {
        scale += std::fabs(a[k][i]);
    }
    if (scale == 0.0) {
        return 0.0;
    }
    double s = 0.0;
    for (int k = i; k <= m; ++k) {
        a[k][i] /= scale;
        s += a[k][i] * a[k][i];
    }
    double f = a[i][i];
    const double g = -SvdSign(std::sqrt(s), f);
    const double h = f * g - s;
    a[i][i] = f - g;
    for (int j = i + 1; j <= work.n; ++j) {
        s = 0.0;
        for (int k = i; k <= m; ++k) {
            s += a[k][i] * a[k][j];
        }
        f = s / h;
        for (int k = i; k <= m; ++k) {
            a[k][j] += f * a[k][i];
        }
    }
    for (int k = i; k <= m; ++k) {
        a[k][i] *= scale;
    }
    return scale * g;
}

// Householder reflection zeroing row i right of the superdiagonal; returns
// the next superdiagonal element rv1[i + 1].
double SvdRowReduce(SvdWork &work, int i) {
    RealMatrix a = work.a;
    RealVector rv1 = work.rv1;
    const int l = i + 1;
    const int n = work.n;
    double scale = 0.0;
    for (int k = l; k <= n; ++k) {
        scale += std::fabs(a[i][k]);
    }
    if (scale == 0.0) {
        return 0.0;
    }
    double s = 0.0;
    for (int k = l; k <= n; ++k) {
        a[i][k] /= scale;
        s += a[i][k] * a[i][k];
    }
    const double f = a[i][l];
    const double g = -SvdSign(std::sqrt(s), f);
    const double h = f * g - s;
    a[i][l] = f - g;
    for (int k = l; k <= n; ++k) {
        rv1[k] = a[i][k] / h;
    }
    for (int j = l; j <= work.m; ++j) {
        s = 0.0;
        for (int k = l; k <= n; ++k) {
            s += a[j][k] * a[i][k];
        }
        for (int k = l; k <= n; ++k) {
            a[j][k] += s * rv1[k];
        }
    }
    for (int k = l; k <= n; ++k) {
        a[i][k] *= scale;
    }
    return scale * g;
}

int SvdBidiagonalReduce(SvdWork &work) {
    double dSuperdiagonal = 0.0;
    for (int i = 1; i <= work.n; ++i) {
        if (SvdStopRequested(work, i - 1)) {
            return -1;
        }
        work.rv1[i] = dSuperdiagonal;
        work.w[i] = SvdColumnReduce(work, i);
        dSuperdiagonal = i != work.n ? SvdRowReduce(work, i) : 0.0;
        const double dSum = std::fabs(work.w[i]) + std::fabs(work.rv1[i]);
        if (dSum > work.dNorm) {
            work.dNorm = dSum;
        }
    }
    return 0;
}

// Builds V from the right-hand transformations stored in the rows of a.
int SvdRightAccumulate(SvdWork &work) {
    RealMatrix a = work.a;
    RealMatrix v = work.v;
    const int n = work.n;
    double g = 0.0;
    int l = n + 1;
    for (int i = n; i >= 1; --i) {
        if (SvdStopRequested(work, 2 * n - i)) {
            return -1;
        }
        if (i < n) {
            if (g != 0.0) {
                for (int j = l; j <= n; ++j) {
                    v[j][i] = (a[i][j] / a[i][l]) / g;
                }
                for (int j = l; j <= n; ++j) {
                    double s = 0.0;
                    for (int k = l; k <= n; ++k) {
                        s += a[i][k] * v[k][j];
                    }
                    for (int k = l; k <= n; ++k) {
                        v[k][j] += s * v[k][i];
                    }
                }
            }
            for (int j = l; j <= n; ++j) {
                v[i][j] = 0.0;
                v[j][i] = 0.0;
            }
        }
        v[i][i] = 1.0;
        g = work.rv1[i];
        l = i;
    }
    return 0;
}

// Turns a into U from the left-hand transformations stored in its columns.
int SvdLeftAccumulate(SvdWork &work) {
    RealMatrix a = work.a;
    const int m = work.m;
    const int n = work.n;
    for (int i = n; i >= 1; --i) {
        if (SvdStopRequested(work, 3 * n - i)) {
            return -1;
        }
        const int l = i + 1;
        double g = work.w[i];
        for (int j = l; j <= n; ++j) {
            a[i][j] = 0.0;
        }
        if (g != 0.0) {
            g = 1.0 / g;
            for (int j = l; j <= n; ++j) {
                double s = 0.0;
                for (int k = l; k <= m; ++k) {
                    s += a[k][i] * a[k][j];
                }
                const double f = (s / a[i][i]) * g;
                for (int k = i; k <= m; ++k) {
                    a[k][j] += f * a[k][i];
                }
            }
            for (int j = i; j <= m; ++j) {
                a[j][i] *= g;
            }
        } else {
            for (int j = i; j <= m; ++j) {
                a[j][i] = 0.0;
            }
        }
        a[i][i] += 1.0;
    }
    return 0;
}

// Finds the start l of the unreduced block ending at k. *pbCancel is set when
// w[l - 1] is negligible, so rv1[l] must be cancelled first. rv1[1] is always
// 0, so the block starts at 1 at the latest and w[0] is never read.
int SvdSplitFind(const SvdWork &work, int k, bool *pbCancel) {
    *pbCancel = false;
    for (int l = k; l >= 2; --l) {
        if (SvdNegligible(work, work.rv1[l])) {
            return l;
        }
        if (SvdNegligible(work, work.w[l - 1])) {
            *pbCancel = true;
            return l;
        }
    }
    return 1;
}

// Zeroes rv1[l..k] by rotations against the negligible w[l - 1].
void SvdCancel(SvdWork &work, int l, int k) {
    RealVector w = work.w;
    RealVector rv1 = work.rv1;
    const int nm = l - 1;
    double c = 0.0;
    double s = 1.0;
    for (int i = l; i <= k; ++i) {
        const double f = s * rv1[i];
        rv1[i] = c * rv1[i];
        if (SvdNegligible(work, f)) {
            break;
        }
        const double g = w[i];
        double h = SvdHypotenuse(f, g);
        w[i] = h;
        h = 1.0 / h;
        c = g * h;
        s = -f * h;
        SvdColumnsRotate(work.a, work.m, nm, i, c, s);
    }
}

// One implicitly shifted QR sweep over the block l..k.
void SvdSweep(SvdWork &work, int l, int k) {
    RealVector w = work.w;
    RealVector rv1 = work.rv1;
    const int nm = k - 1;
    double x = w[l];
    double z = w[k];
    double y = w[nm];
    double g = rv1[nm];
    double h = rv1[k];
    double f = ((y - z) * (y + z) + (g - h) * (g + h)) / ((2.0 * h) * y);
    g = SvdHypotenuse(f, 1.0);
    f = ((x - z) * (x + z) + h * (y / (f + SvdSign(g, f)) - h)) / x;
    double c = 1.0;
    double s = 1.0;
    for (int j = l; j <= nm; ++j) {
        const int i = j + 1;
        g = rv1[i];
        y = w[i];
        h = s * g;
        g = c * g;
        z = SvdHypotenuse(f, h);
        rv1[j] = z;
        c = f / z;
        s = h / z;
        f = x * c + g * s;
        g = g * c - x * s;
        h = y * s;
        y = y * c;
        if (work.v != nullptr) {
            SvdColumnsRotate(work.v, work.n, j, i, c, s);
        }
        z = SvdHypotenuse(f, h);
        w[j] = z;
        if (z != 0.0) {
            z = 1.0 / z;
            c = f * z;
            s = h * z;
        }
        f = c * g + s * y;
        x = c * y - s * g;
        SvdColumnsRotate(work.a, work.m, j, i, c, s);
    }
    rv1[l] = 0.0;
    rv1[k] = f;
    w[k] = x;
}

// Drives w[k] to convergence; after the last sweep it is kept as it stands.
void SvdValueConverge(SvdWork &work, int k) {
    for (int iSweep = 1; iSweep <= kSweepsMax; ++iSweep) {
        bool bCancel = false;
        const int l = SvdSplitFind(work, k, &bCancel);
        if (bCancel) {
            SvdCancel(work, l, k);
        }
        if (l == k) {
            // Converged: make the singular value non-negative.
            if (work.w[k] < 0.0) {
                work.w[k] = -work.w[k];
                for (int j = 1; work.v != nullptr && j <= work.n; ++j) {
                    work.v[j][k] = -work.v[j][k];
                }
            }
            return;
        }
        SvdSweep(work, l, k);
    }
}

int SvdDiagonalize(SvdWork &work) {
    const int n = work.n;
    for (int k = n; k >= 1; --k) {
        if (SvdStopRequested(work, 4 * n - k)) {
            return -1;
        }
        SvdValueConverge(work, k);
    }
    return 0;
}

void SvdColumnsSwap(RealMatrix mat, int iRows, int i) {
    for (int j = 1; j <= iRows; ++j) {
        const double dValue = mat[j][i];
        mat[j][i] = mat[j][i + 1];
        mat[j][i + 1] = dValue;
    }
}

// Bubble sort into descending order; equal values (and NaN) keep their place.
void SvdSortDescending(RealVector w, RealMatrix a, RealMatrix v) {
    const int n = RealVectorLengthGet(w);
    const int m = static_cast<int>(RealMatrixRowsGet(a));
    bool bExchanged = true;
    while (bExchanged) {
        bExchanged = false;
        for (int i = 1; i < n; ++i) {
            if (w[i] < w[i + 1]) {
                const double dValue = w[i];
                w[i] = w[i + 1];
                w[i + 1] = dValue;
                SvdColumnsSwap(a, m, i);
                if (v != nullptr) {
                    SvdColumnsSwap(v, n, i);
                }
                bExchanged = true;
            }
        }
    }
}

int SvdRun(SvdWork &work) {
    if (SvdBidiagonalReduce(work) != 0) {
        return -1;
    }
    if (work.v != nullptr && SvdRightAccumulate(work) != 0) {
        return -1;
    }
    if (SvdLeftAccumulate(work) != 0 || SvdDiagonalize(work) != 0) {
        return -1;
    }
    if (SvdStopRequested(work, 4 * work.n)) {
        return -1;
    }
    SvdSortDescending(work.w, work.a, work.v);
    return 0;
}

bool SvdArgumentsValid(RealMatrix a, RealVector w, RealMatrix v) {
    if (a == nullptr || w == nullptr) {
        return false;
    }
    const int n = RealMatrixColsGet(a);
    if (n < 1 || static_cast<int>(RealMatrixRowsGet(a)) < n) {
        return false;
    }
    if (RealVectorLengthGet(w) != n) {
        return false;
    }
    return v == nullptr ||
           (static_cast<int>(RealMatrixRowsGet(v)) >= n && RealMatrixColsGet(v) >= n);
}

} // namespace

extern "C" int RealMatrixSvd(RealMatrix a, RealVector w, RealMatrix v, SvdProgress pProgress) {
    if (!SvdArgumentsValid(a, w, v)) {
        return 1;
    }
    const int n = RealMatrixColsGet(a);
    SvdWork work{.a = a,
                 .w = w,
                 .v = v,
                 .rv1 = RealVectorAlloc(static_cast<unsigned>(n)),
                 .pProgress = pProgress,
                 .m = static_cast<int>(RealMatrixRowsGet(a)),
                 .n = n,
                 .dNorm = 0.0};
    if (work.rv1 == nullptr) {
        return 3;
    }
    int iResult = SvdRun(work);
    if (RealVectorFree(work.rv1) != nullptr && iResult == 0) {
        iResult = 3;
    }
    return iResult;
}
