// The iteration limit, the numerical settings, the step method, the loss and
// the difference scheme of the processing.
//
// A NaN is refused by every setting check: each test is written so that a value
// passes only when it lies inside the allowed range.
#include <cfloat>

#include "varo/object.h"

int VaroMaxNoIterationsSet(VaroHandle iHandle, int iMaxIterations) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    LogWrite(pObject, "== %s, Max.no.iterations=%d\n", __func__, iMaxIterations);
    if (iMaxIterations < 0 && iMaxIterations != -1) {
        ErrorReport(pObject, "%s: illegal maximal number of iterations (%d)", __func__,
                    iMaxIterations);
        return kRcOutOfRange;
    }
    pObject->maxIterations = iMaxIterations;
    return 0;
}

int VaroMaxNoIterationsGet(VaroHandle iHandle, int *piMaxIterations) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    *piMaxIterations = pObject->maxIterations;
    LogWrite(pObject, "== %s, Max.no.iterations=%d\n", __func__, *piMaxIterations);
    return 0;
}

int VaroGaussNewtonResNormThreshSet(VaroHandle iHandle, double dThresh) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    LogWrite(pObject, "== %s, Gauss-Newton chi-squre threshold %e\n", __func__, dThresh);
    if (!(dThresh >= 0.0)) {
        ErrorReport(pObject, "%s: illegal threshold (%e)", __func__, dThresh);
        return kRcOutOfRange;
    }
    pObject->gaussNewtonResNormThresh = dThresh;
    return 0;
}

int VaroGaussNewtonResNormThreshGet(VaroHandle iHandle, double *pdThresh) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    *pdThresh = pObject->gaussNewtonResNormThresh;
    LogWrite(pObject, "== %s, Gauss-Newton chi-squre threshold %e\n", __func__, *pdThresh);
    return 0;
}

int VaroResNormChangeTerminationSet(VaroHandle iHandle, double dValue) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    LogWrite(pObject, "== %s, residual norm change termination value %e\n", __func__, dValue);
    if (!(dValue > 0.0 && dValue <= 1.0)) {
        ErrorReport(pObject, "%s: illegal residual norm change termination value (%e)", __func__,
                    dValue);
        return kRcOutOfRange;
    }
    pObject->resNormChangeTermination = dValue;
    return 0;
}

int VaroResNormChangeTerminationGet(VaroHandle iHandle, double *pdValue) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    *pdValue = pObject->resNormChangeTermination;
    LogWrite(pObject, "== %s, residual norm change termination value %e\n", __func__, *pdValue);
    return 0;
}

int VaroStabVsSpeedSet(VaroHandle iHandle, double dValue) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    LogWrite(pObject, "== %s, stability vs. speed value %e\n", __func__, dValue);
    if (!(dValue <= 1.0)) {
        ErrorReport(pObject, "%s: illegal stability vs. speed value (%e)", __func__, dValue);
        return kRcOutOfRange;
    }
    if (dValue < pObject->resNormChangeTermination) {
        ErrorReport(pObject,
                    "%s: stability vs. speed value (%e) must be greater than\n"
                    "residual norm change termination value (%e)",
                    __func__, dValue, pObject->resNormChangeTermination);
        return kRcOutOfRange;
    }
    pObject->stabVsSpeed = dValue;
    return 0;
}

int VaroStabVsSpeedGet(VaroHandle iHandle, double *pdValue) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    *pdValue = pObject->stabVsSpeed;
    LogWrite(pObject, "== %s, stability vs. speed value %e\n", __func__, *pdValue);
    return 0;
}

int VaroParValChangeTerminationSet(VaroHandle iHandle, double dValue) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    LogWrite(pObject, "== %s, parameter change termination value %e\n", __func__, dValue);
    if (!(dValue > 0.0 && dValue <= 0.1)) {
        ErrorReport(pObject, "%s: illegal parameter change termination value (%e)", __func__,
                    dValue);
        return kRcOutOfRange;
    }
    pObject->parValChangeTermination = dValue;
    return 0;
}

int VaroParValChangeTerminationGet(VaroHandle iHandle, double *pdValue) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    *pdValue = pObject->parValChangeTermination;
    LogWrite(pObject, "== %s, parameter change termination value %e\n", __func__, *pdValue);
    return 0;
}

int VaroStepMethodSet(VaroHandle iHandle, int iMethod) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    LogWrite(pObject, "== %s, step method %d\n", __func__, iMethod);
    // A change within a run would mix the two methods' state.
    if (pObject->state == kStateProcessing) {
        ErrorReport(pObject, "%s: Step method cannot be set while processing", __func__);
        return kRcWhileProcessing;
    }
    if (iMethod != kStepMethodEigen && iMethod != kStepMethodDamped) {
        ErrorReport(pObject, "%s: illegal step method (%d)", __func__, iMethod);
        return kRcOutOfRange;
    }
    pObject->stepMethod = iMethod;
    return 0;
}

int VaroStepMethodGet(VaroHandle iHandle, int *piMethod) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    *piMethod = pObject->stepMethod;
    LogWrite(pObject, "== %s, step method %d\n", __func__, *piMethod);
    return 0;
}

int VaroLossSet(VaroHandle iHandle, int iLoss, double dScale) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    LogWrite(pObject, "== %s, loss %d, scale %e\n", __func__, iLoss, dScale);
    if (pObject->state == kStateProcessing) {
        ErrorReport(pObject, "%s: the loss cannot be set while processing", __func__);
        return kRcWhileProcessing;
    }
    if (iLoss < kLossLinear || iLoss > kLossArctan) {
        ErrorReport(pObject, "%s: illegal loss (%d)", __func__, iLoss);
        return kRcOutOfRange;
    }
    if (!(dScale > 0.0 && dScale <= DBL_MAX)) {
        ErrorReport(pObject, "%s: illegal loss scale (%e), it must be finite and positive",
                    __func__, dScale);
        return kRcOutOfRange;
    }
    pObject->lossKind = iLoss;
    pObject->lossScale = dScale;
    return 0;
}

int VaroLossGet(VaroHandle iHandle, int *piLoss, double *pdScale) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    *piLoss = pObject->lossKind;
    *pdScale = pObject->lossScale;
    LogWrite(pObject, "== %s, loss %d, scale %e\n", __func__, *piLoss, *pdScale);
    return 0;
}

int VaroDifferenceSchemeSet(VaroHandle iHandle, int iScheme) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    LogWrite(pObject, "== %s, difference scheme %d\n", __func__, iScheme);
    if (pObject->state == kStateProcessing) {
        ErrorReport(pObject, "%s: the difference scheme cannot be set while processing", __func__);
        return kRcWhileProcessing;
    }
    if (iScheme != kDifferenceCentral && iScheme != kDifferenceForward) {
        ErrorReport(pObject, "%s: illegal difference scheme (%d)", __func__, iScheme);
        return kRcOutOfRange;
    }
    pObject->differenceScheme = iScheme;
    return 0;
}

int VaroDifferenceSchemeGet(VaroHandle iHandle, int *piScheme) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    *piScheme = pObject->differenceScheme;
    LogWrite(pObject, "== %s, difference scheme %d\n", __func__, *piScheme);
    return 0;
}
