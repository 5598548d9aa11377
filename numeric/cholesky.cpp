// Cholesky factorisation A = L L^t followed by the two triangular solves.
#include "numeric/cholesky.h"

#include <cmath>

bool CholeskySolve(RealMatrix a, int iFirst, int k) {
    const int iRhs = iFirst + k;
    // Column c of the block is column iFirst + c - 1 of a.
    auto at = [a, iFirst](int iRow, int iCol) -> double & { return a[iRow][iFirst + iCol - 1]; };
    for (int j = 1; j <= k; ++j) {
        double dPivot = at(j, j);
        for (int p = 1; p < j; ++p) {
            dPivot -= at(j, p) * at(j, p);
        }
        if (!(dPivot > 0.0) || !std::isfinite(dPivot)) {
            return false;
        }
        const double dRoot = std::sqrt(dPivot);
        at(j, j) = dRoot;
        for (int i = j + 1; i <= k; ++i) {
            double dSum = at(i, j);
            for (int p = 1; p < j; ++p) {
                dSum -= at(i, p) * at(j, p);
            }
            at(i, j) = dSum / dRoot;
        }
    }
    for (int i = 1; i <= k; ++i) {
        double dSum = a[i][iRhs];
        for (int p = 1; p < i; ++p) {
            dSum -= at(i, p) * a[p][iRhs];
        }
        a[i][iRhs] = dSum / at(i, i);
    }
    for (int i = k; i >= 1; --i) {
        double dSum = a[i][iRhs];
        for (int p = i + 1; p <= k; ++p) {
            dSum -= at(p, i) * a[p][iRhs];
        }
        a[i][iRhs] = dSum / at(i, i);
    }
    return true;
}
