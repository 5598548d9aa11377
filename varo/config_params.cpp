// Configuration of single parameters: links, initial values and limits, and
// the current value that callbacks read during processing.
#include "varo/config.h"
#include "varo/object.h"

namespace {

// The value a parameter has now: the trial value of its free parameter while
// processing runs, otherwise (and for a fixed parameter) its own value.
double ParamCurrentValueGet(const VaroObject *pObject, const ParamRecord *pParam) {
    const bool bTrialValue = pObject->state == kStateProcessing &&
                             pParam->limitKind != kLimitFixed && pParam->freeIndex >= 1 &&
                             pParam->freeIndex <= kMaxFreeParams;
    return bTrialValue ? pObject->freeParams[pParam->freeIndex].value : pParam->value;
}

bool ParamValueOutOfLimits(const ParamRecord *pParam, double dValue) {
    return pParam->limitKind != kLimitNone &&
           (dValue < pParam->lowerLimit || dValue > pParam->upperLimit);
}

// The limit kind of an interval: a range, a fixed value, or none when the two
// limits cannot be ordered (a NaN).
int LimitKindGet(double dLower, double dUpper) {
    if (dLower < dUpper) {
        return kLimitRange;
    }
    return dLower == dUpper ? kLimitFixed : kLimitNone;
}

} // namespace

int VaroParamLinkSet(VaroHandle iHandle, int iModel, int iParam, int iLink) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    LogWrite(pObject, "== %s, Model %d, Param. %d, Link=%d\n", __func__, iModel, iParam, iLink);
    ParamRecord *pParam = ParamRecordFind(pObject, __func__, iModel, iParam);
    if (pParam == nullptr) {
        return kRcOutOfRange;
    }
    pParam->link = iLink;
    return 0;
}

int VaroParamLinkGet(VaroHandle iHandle, int iModel, int iParam, int *piLink) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    const ParamRecord *pParam = ParamRecordFind(pObject, __func__, iModel, iParam);
    if (pParam == nullptr) {
        return kRcOutOfRange;
    }
    *piLink = pParam->link;
    LogWrite(pObject, "== %s, Model %d, Param. %d, Link=%d\n", __func__, iModel, iParam, *piLink);
    return 0;
}

int VaroParamIniValueSet(VaroHandle iHandle, int iModel, int iParam, double dValue) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    LogWrite(pObject, "== %s, Model %d, Param. %d, Init.value=%e\n", __func__, iModel, iParam,
             dValue);
    if (pObject->state == kStateProcessing) {
        ErrorReport(pObject, "%s: Initial value cannot be set while processing", __func__);
        return kRcWhileProcessing;
    }
    ParamRecord *pParam = ParamRecordFind(pObject, __func__, iModel, iParam);
    if (pParam == nullptr) {
        return kRcOutOfRange;
    }
    pParam->value = dValue;
    return 0;
}

int VaroParamCurValueGet(VaroHandle iHandle, int iModel, int iParam, double *pdValue) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    const ParamRecord *pParam = ParamRecordFind(pObject, __func__, iModel, iParam);
    if (pParam == nullptr) {
        return kRcOutOfRange;
    }
    // The value is delivered even when it then turns out to lie outside the limits.
    *pdValue = ParamCurrentValueGet(pObject, pParam);
    LogWrite(pObject, "== %s, Model %d, Param. %d, Cur.value=%e\n", __func__, iModel, iParam,
             *pdValue);
    if (ParamValueOutOfLimits(pParam, *pdValue)) {
        ErrorReport(pObject, "%s: parameter value (%e) is out of limits", __func__, *pdValue);
        return kRcInternal;
    }
    return 0;
}

int VaroParamLimitsSet(VaroHandle iHandle, int iModel, int iParam, double dLower, double dUpper) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    LogWrite(pObject, "== %s, Model %d, Param. %d, Limits=[%e,%e]\n", __func__, iModel, iParam,
             dLower, dUpper);
    ParamRecord *pParam = ParamRecordFind(pObject, __func__, iModel, iParam);
    if (pParam == nullptr) {
        return kRcOutOfRange;
    }
    if (dLower > dUpper) {
        ErrorReport(pObject, "%s: lower limit cannot exceed the upper one ", __func__);
        return kRcOutOfRange;
    }
    pParam->limitKind = LimitKindGet(dLower, dUpper);
    pParam->lowerLimit = dLower;
    pParam->upperLimit = dUpper;
    return 0;
}

int VaroParamLimitsGet(VaroHandle iHandle, int iModel, int iParam, double *pdLower,
                       double *pdUpper) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    const ParamRecord *pParam = ParamRecordFind(pObject, __func__, iModel, iParam);
    if (pParam == nullptr) {
        return kRcOutOfRange;
    }
    // An empty interval marks a parameter without limits.
    const bool bLimited = pParam->limitKind != kLimitNone;
    *pdLower = bLimited ? pParam->lowerLimit : 1.0;
    *pdUpper = bLimited ? pParam->upperLimit : -1.0;
    LogWrite(pObject, "== %s, Model %d, Param. %d, Limits=[%e,%e]\n", __func__, iModel, iParam,
             *pdLower, *pdUpper);
    return 0;
}

int VaroParamAtLimitGet(VaroHandle iHandle, int iModel, int iParam, int *piAtLimit) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    const ParamRecord *pParam = ParamRecordFind(pObject, __func__, iModel, iParam);
    if (pParam == nullptr) {
        return kRcOutOfRange;
    }
    *piAtLimit = ParamLimitSideGet(*pParam, ParamCurrentValueGet(pObject, pParam)) != 0 ? 1 : 0;
    LogWrite(pObject, "== %s, Model %d, Param. %d, AtLimit=%d\n", __func__, iModel, iParam,
             *piAtLimit);
    return 0;
}
