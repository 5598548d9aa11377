// The covariance setting and the queries of the fit statistics: chi-square,
// degrees of freedom, standard errors and covariances of the parameters.
#include <cmath>

#include "varo/config.h"
#include "varo/engine.h"

// 0 when chi-square and the degrees of freedom exist; otherwise reports why
// not and returns 15.
int FitStatisticsCheck(VaroObject *pObject, const char *pszName) {
    switch (pObject->statisticsStatus) {
    case kStatisticsNever:
        ErrorReport(pObject, "%s: no statistics, the object has not been processed", pszName);
        return kRcNoStatistics;
    case kStatisticsProcessing:
        ErrorReport(pObject, "%s: no statistics while the object is processing", pszName);
        return kRcNoStatistics;
    case kStatisticsRunFailed:
        ErrorReport(pObject, "%s: no statistics, the last processing returned %d", pszName,
                    pObject->statisticsRunResult);
        return kRcNoStatistics;
    default:
        return 0;
    }
}

namespace {

// 0 when the covariance of the last run exists; otherwise reports why not and
// returns 15.
int CovarianceCheck(VaroObject *pObject, const char *pszName) {
    const int iResult = FitStatisticsCheck(pObject, pszName);
    if (iResult != 0) {
        return iResult;
    }
    switch (pObject->statisticsStatus) {
    case kStatisticsCovarianceOff:
        ErrorReport(pObject, "%s: no covariance, it was off when the object was processed",
                    pszName);
        return kRcNoStatistics;
    case kStatisticsNoDegreesOfFreedom:
        ErrorReport(pObject, "%s: no covariance, the degrees of freedom (%d) are not positive",
                    pszName, pObject->degreesOfFreedom);
        return kRcNoStatistics;
    case kStatisticsRankDeficient:
        ErrorReport(pObject,
                    "%s: no covariance, the Jacobian at the fitted point is rank-deficient "
                    "(Smin/Smax= %e of the normal matrix)",
                    pszName, pObject->statisticsSingularRatio);
        return kRcNoStatistics;
    default:
        return 0;
    }
}

// The free parameter of the last run that a parameter stood for; 0 for a
// parameter that was fixed, -1 (after reporting) for an index the covariance
// does not hold.
int CovarianceIndexGet(VaroObject *pObject, const char *pszName, const ParamRecord *pParam) {
    const int k = pParam->freeIndex;
    if (k < 0 || k > pObject->covarianceSize) {
        ErrorReport(pObject, "%s: internal bug, free parameter %d outside the covariance", pszName,
                    k);
        return -1;
    }
    return k;
}

} // namespace

int VaroCovarianceSet(VaroHandle iHandle, int iCompute) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    LogWrite(pObject, "== %s, Covariance=%d\n", __func__, iCompute);
    if (iCompute < kCovarianceOff || iCompute > kCovarianceAbsolute) {
        ErrorReport(pObject, "%s: illegal covariance setting (%d)", __func__, iCompute);
        return kRcOutOfRange;
    }
    pObject->covarianceCompute = iCompute;
    return 0;
}

int VaroCovarianceGet(VaroHandle iHandle, int *piCompute) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    *piCompute = pObject->covarianceCompute;
    LogWrite(pObject, "== %s, Covariance=%d\n", __func__, *piCompute);
    return 0;
}

int VaroChiSquareGet(VaroHandle iHandle, double *pdChiSquare) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    const int iResult = FitStatisticsCheck(pObject, __func__);
    if (iResult != 0) {
        return iResult;
    }
    *pdChiSquare = pObject->chiSquare;
    LogWrite(pObject, "== %s, Chi-square=%e\n", __func__, *pdChiSquare);
    return 0;
}

int VaroDegreesOfFreedomGet(VaroHandle iHandle, int *piDegreesOfFreedom) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    const int iResult = FitStatisticsCheck(pObject, __func__);
    if (iResult != 0) {
        return iResult;
    }
    *piDegreesOfFreedom = pObject->degreesOfFreedom;
    LogWrite(pObject, "== %s, Degrees of freedom=%d\n", __func__, *piDegreesOfFreedom);
    return 0;
}

int VaroParamStdErrorGet(VaroHandle iHandle, int iModel, int iParam, double *pdStdError) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    const ParamRecord *pParam = ParamRecordFind(pObject, __func__, iModel, iParam);
    if (pParam == nullptr) {
        return kRcOutOfRange;
    }
    const int iResult = CovarianceCheck(pObject, __func__);
    if (iResult != 0) {
        return iResult;
    }
    const int k = CovarianceIndexGet(pObject, __func__, pParam);
    if (k < 0) {
        return kRcInternal;
    }
    *pdStdError = k == 0 ? 0.0 : std::sqrt(pObject->covariance[k][k]);
    LogWrite(pObject, "== %s, Model %d, Param. %d, Std.error=%e\n", __func__, iModel, iParam,
             *pdStdError);
    return 0;
}

int VaroParamCovarianceGet(VaroHandle iHandle, int iModel1, int iParam1, int iModel2, int iParam2,
                           double *pdCovariance) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    const ParamRecord *pFirst = ParamRecordFind(pObject, __func__, iModel1, iParam1);
    if (pFirst == nullptr) {
        return kRcOutOfRange;
    }
    const ParamRecord *pSecond = ParamRecordFind(pObject, __func__, iModel2, iParam2);
    if (pSecond == nullptr) {
        return kRcOutOfRange;
    }
    const int iResult = CovarianceCheck(pObject, __func__);
    if (iResult != 0) {
        return iResult;
    }
    const int k1 = CovarianceIndexGet(pObject, __func__, pFirst);
    const int k2 = k1 < 0 ? -1 : CovarianceIndexGet(pObject, __func__, pSecond);
    if (k2 < 0) {
        return kRcInternal;
    }
    *pdCovariance = k1 == 0 || k2 == 0 ? 0.0 : pObject->covariance[k1][k2];
    LogWrite(pObject, "== %s, Model %d, Param. %d, Model %d, Param. %d, Covariance=%e\n", __func__,
             iModel1, iParam1, iModel2, iParam2, *pdCovariance);
    return 0;
}
