// Queries made by callbacks while processing runs: the current iteration,
// model and parameter, and the residuals of a model.
#include <algorithm>

#include "varo/object.h"

int VaroCurrentIterationGet(VaroHandle iHandle, int *piIteration) {
    const VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    *piIteration = pObject->currentIteration;
    return 0;
}

int VaroCurrentModelGet(VaroHandle iHandle, int *piModel) {
    const VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    *piModel = pObject->currentModel;
    return 0;
}

int VaroCurrentParamNumGet(VaroHandle iHandle, int *piParam) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    const int iModel = pObject->currentModel;
    if (iModel >= 1 && iModel <= pObject->modelCount) {
        const ModelRecord &model = pObject->models[iModel];
        for (int j = std::max(1, pObject->currentParamScanStart); j <= model.paramCount; ++j) {
            if (model.params[j].freeIndex == pObject->currentFreeParam) {
                *piParam = j;
                return 0;
            }
        }
    }
    ErrorReport(pObject, "%s: internal bug, no model parameter found", __func__);
    *piParam = -1;
    return kRcInternal;
}

int VaroModelResidualsGet(VaroHandle iHandle, int iModel, double *pdNorm, double *adResiduals) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    if (iModel < 0 || iModel > pObject->modelCount) {
        ErrorReport(pObject, "%s: illegal model number (%d)", __func__, iModel);
        return kRcOutOfRange;
    }
    *pdNorm = pObject->residualNorms[iModel];
    const RealVector vrResiduals = pObject->residuals[iModel];
    if (adResiduals != nullptr && iModel >= 1 && vrResiduals != nullptr) {
        const int iLength = VectorLengthGet(vrResiduals);
        std::copy(vrResiduals + 1, vrResiduals + 1 + iLength, adResiduals);
    }
    return 0;
}
