// Fit statistics at the fitted point: chi-square and the degrees of freedom
// after every converged run, and, when asked for, the parameter covariance
// C = s^2 (J^t J)^-1 with s^2 = chi-square / degrees of freedom.
//
// The covariance comes from the decomposition the step search uses, of the
// normal matrix of the scaled Jacobian J~ = J diag(scales), after one more
// diagonal scaling E = R^-1 J~^t J~ R^-1 that makes its diagonal all ones:
// with E = V S V^t, (J^t J)^-1 = D V S^-1 V^t D, D = diag(scales) R^-1. Working
// in scaled parameters keeps the digits of problems whose parameters differ by
// many orders of magnitude, and the singular value cut-off of the step search
// then judges the rank of the problem rather than the units of its parameters.
#include <cmath>

#include "varo/engine.h"

namespace {

// Sum of the residual counts of all models at the current point.
int ResidualCountGet(const VaroObject *pObject) {
    int iCount = 0;
    for (int m = 1; m <= pObject->modelCount; ++m) {
        iCount += VectorLengthGet(pObject->residuals[m]);
    }
    return iCount;
}

// Divides row and column k of the normal matrix by the root of its diagonal
// element, so that its diagonal is all ones, and keeps in vrStepDirection the
// factor that turns the eigenvectors of the result into changes of the
// unscaled free parameters: scale[k] / root[k]. Whatever the units of the
// parameters, the matrix decomposed is then the same, and its condition is
// close to the best that any scaling gives. False when a free parameter has a
// zero (or non-finite) column: no scaling makes that matrix regular.
bool NormalMatrixEquilibrate(VaroObject *pObject) {
    const int n = pObject->freeParamCount;
    const RealMatrix normal = pObject->normalMatrix;
    const RealVector vrFactors = pObject->vrStepDirection;
    for (int k = 1; k <= n; ++k) {
        const double dRoot = std::sqrt(normal[k][k]);
        if (!(dRoot > 0.0 && std::isfinite(dRoot))) {
            return false;
        }
        vrFactors[k] = dRoot;
    }
    for (int j = 1; j <= n; ++j) {
        for (int k = 1; k <= n; ++k) {
            normal[j][k] = normal[j][k] / vrFactors[j] / vrFactors[k];
        }
    }
    for (int k = 1; k <= n; ++k) {
        vrFactors[k] = pObject->paramScales[k] / vrFactors[k];
    }
    return true;
}

// C[j][k] = s^2 sum over i of V'[j][i] V'[k][i] / S[i], with V' the
// eigenvectors in units of the unscaled free parameters (rows scaled).
void CovarianceFill(VaroObject *pObject) {
    const int n = pObject->freeParamCount;
    const RealMatrix vScaled = pObject->normalMatrix;
    const RealVector vrSingular = pObject->singularValues;
    // Under a robust loss s^2 is twice the robust cost per degree of freedom;
    // the absolute covariance has none.
    const double dSquareSum = pObject->lossKind == kLossLinear
                                  ? pObject->chiSquare
                                  : pObject->residualNorms[0] * pObject->residualNorms[0];
    const double dVariance = pObject->covarianceCompute == kCovarianceAbsolute
                                 ? 1.0
                                 : dSquareSum / pObject->degreesOfFreedom;
    for (int j = 1; j <= n; ++j) {
        for (int k = 1; k <= j; ++k) {
            double dSum = 0.0;
            for (int i = 1; i <= n; ++i) {
                dSum += vScaled[j][i] * vScaled[k][i] / vrSingular[i];
            }
            pObject->covariance[j][k] = dVariance * dSum;
            pObject->covariance[k][j] = pObject->covariance[j][k];
        }
    }
    pObject->covarianceSize = n;
}

// Rank deficiency as the step search sees it: the smallest singular value at
// most the cut-off times the largest. Written so that a zero or NaN ratio
// counts as deficient.
bool RankDeficient(double dRatio) {
    return !(dRatio > kSingularCutoff);
}

// The Jacobian at the fitted point, the decomposition of its equilibrated
// normal matrix, and the covariance when no singular value is cut off. 0, or
// the failure of the Jacobian or of the decomposition.
int CovarianceCompute(VaroObject *pObject) {
    const int n = pObject->freeParamCount;
    LogWrite(pObject, "\n========= Covariance at the fitted point ===========\n");
    const int iResult = JacobianCompute(pObject);
    if (iResult != 0) {
        return iResult;
    }
    double dRatio = 0.0;
    if (NormalMatrixEquilibrate(pObject)) {
        if (RealMatrixSvd(pObject->normalMatrix, pObject->singularValues, nullptr, nullptr) != 0) {
            ErrorReport(pObject, "%d vector allocation error", n);
            return kRcNoMemory;
        }
        dRatio = pObject->singularValues[n] / pObject->singularValues[1];
    }
    pObject->statisticsSingularRatio = dRatio;
    LogWrite(pObject, "Covariance: Smin/Smax= %e\n", dRatio);
    if (RankDeficient(dRatio)) {
        pObject->statisticsStatus = kStatisticsRankDeficient;
        return 0;
    }
    if (RealMatrixRowsScale(pObject->normalMatrix, pObject->vrStepDirection) != 0) {
        return InternalBugReport(pObject);
    }
    CovarianceFill(pObject);
    pObject->statisticsStatus = kStatisticsComplete;
    return 0;
}

// The plain sum of squares of all residuals, whatever the loss.
double ChiSquareGet(const VaroObject *pObject) {
    if (pObject->lossKind == kLossLinear) {
        return pObject->residualNorms[0] * pObject->residualNorms[0];
    }
    double dSum = 0.0;
    for (int m = 1; m <= pObject->modelCount; ++m) {
        const double dNorm = RealVectorNorm(pObject->residuals[m], 1, -1);
        dSum += dNorm * dNorm;
    }
    return dSum;
}

} // namespace

void StatisticsClear(VaroObject *pObject) {
    pObject->statisticsStatus = kStatisticsProcessing;
    pObject->covarianceSize = 0;
}

int StatisticsCompute(VaroObject *pObject) {
    pObject->chiSquare = ChiSquareGet(pObject);
    pObject->degreesOfFreedom = ResidualCountGet(pObject) - pObject->freeParamCount;
    if (!pObject->covarianceCompute) {
        pObject->statisticsStatus = kStatisticsCovarianceOff;
        return 0;
    }
    if (pObject->degreesOfFreedom <= 0 && pObject->covarianceCompute != kCovarianceAbsolute) {
        pObject->statisticsStatus = kStatisticsNoDegreesOfFreedom;
        return 0;
    }
    return CovarianceCompute(pObject);
}

void StatisticsRunEnd(VaroObject *pObject, int iResult) {
    if (iResult != 0) {
        pObject->statisticsStatus = kStatisticsRunFailed;
        pObject->statisticsRunResult = iResult;
        pObject->covarianceSize = 0;
    }
}
