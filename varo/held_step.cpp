// Steps with some free parameters held: the minimiser of a quadratic model of
// the sum of squares over the other parameters, while each held parameter
// changes by a given amount (0 for one held on the limit it lies on). With P
// the model's inverse Hessian and y0 its free minimiser, the step is
// y0 + P E mu, E the columns of the held parameters, and mu solves
// E^t P E mu = target - E^t y0 (a Lagrange multiplier per held parameter).
#include "varo/held_step.h"

#include "numeric/cholesky.h"

namespace {

// Row k of P = W diag(inverse) W^t, into adRow.
void InverseRowSet(const HeldStepProblem &problem, int k, double *adRow) {
    const RealVector vrRowK = problem.w[k];
    for (int l = 1; l <= problem.n; ++l) {
        const RealVector vrRowL = problem.w[l];
        double dSum = 0.0;
        for (int i = 1; i <= problem.n; ++i) {
            dSum += vrRowL[i] * problem.adInverse[i] * vrRowK[i];
        }
        adRow[l] = dSum;
    }
}

} // namespace

RealMatrix HeldStepScratch::Get(VaroObject *pObject, int n) {
    if (m_matrix == nullptr) {
        m_matrix = RealMatrixAlloc(n, 2 * n + 1);
        if (m_matrix == nullptr) {
            ErrorReport(pObject, "work %dx%d matrix allocation", n, 2 * n + 1);
        }
    }
    return m_matrix;
}

int HeldStepSolve(VaroObject *pObject, const HeldStepProblem &problem, HeldStepScratch &scratch,
                  double *adStep) {
    const int n = problem.n;
    RealMatrix a = scratch.Get(pObject, n);
    if (a == nullptr) {
        return kRcNoMemory;
    }
    int aiHeld[kMaxFreeParams + 1];
    int k = 0;
    for (int j = 1; j <= n; ++j) {
        if (problem.abHeld[j]) {
            aiHeld[++k] = j;
        }
    }
    // Columns 1..k: the columns of P of the held parameters; after them the
    // k x k system E^t P E with its right-hand side.
    double adRow[kMaxFreeParams + 1];
    for (int c = 1; c <= k; ++c) {
        InverseRowSet(problem, aiHeld[c], adRow);
        for (int l = 1; l <= n; ++l) {
            a[l][c] = adRow[l];
        }
    }
    const int iFirst = n + 1;
    for (int r = 1; r <= k; ++r) {
        const int j = aiHeld[r];
        for (int c = 1; c <= k; ++c) {
            a[r][iFirst + c - 1] = a[j][c];
        }
        a[r][iFirst + k] = problem.adTarget[j] - problem.adFreeStep[j];
    }
    if (!CholeskySolve(a, iFirst, k)) {
        return kHeldStepSingular;
    }
    for (int l = 1; l <= n; ++l) {
        double dStep = problem.adFreeStep[l];
        for (int c = 1; c <= k; ++c) {
            dStep += a[c][iFirst + k] * a[l][c];
        }
        adStep[l] = dStep;
    }
    return 0;
}
