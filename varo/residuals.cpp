// Residual evaluation: the hand-over through which every callback result enters
// the library, the evaluation of all models into the residual norms, and the
// snapshots with which the Jacobian and the step search try a point and go back.
#include <cmath>

#include "varo/engine.h"

namespace {

// The object whose gradient callback is running on this thread, if any. The
// library calls its callbacks synchronously on the thread of the processing, so
// one pointer per thread suffices; fits on other threads keep their own.
thread_local const VaroObject *pGradientCaller = nullptr;

// Marks pObject as running a gradient callback for the lifetime of the scope.
class GradientCallScope {
  public:
    explicit GradientCallScope(const VaroObject *pObject) : pPrevious(pGradientCaller) {
        pGradientCaller = pObject;
    }
    ~GradientCallScope() { pGradientCaller = pPrevious; }
    GradientCallScope(const GradientCallScope &) = delete;
    GradientCallScope &operator=(const GradientCallScope &) = delete;

  private:
    const VaroObject *pPrevious;
};

// Each model keeps the residual length of its first hand-over for the whole
// run; models may differ from each other. A gradient hand-over is checked by
// the Jacobian instead.
bool ReturnLengthFits(const VaroObject *pObject, int iLength) {
    if (iLength < 1) {
        return false;
    }
    const int iModel = pObject->currentModel;
    if (pGradientCaller == pObject || iModel < 1 || iModel > pObject->modelCount) {
        return true;
    }
    const RealVector vrResiduals = pObject->residuals[iModel];
    return vrResiduals == nullptr || VectorLengthGet(vrResiduals) == iLength;
}

} // namespace

int VaroCbReturnVectSet(VaroHandle iHandle, const double *adValues, int iLength) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    if (pObject->yRetVectSet) {
        ErrorReport(pObject, "%s: yRetVectSet is not FALSE", __func__);
        return kRcInternal;
    }
    if (!ReturnLengthFits(pObject, iLength)) {
        ErrorReport(pObject,
                    "%s: return vector length (%d) must be positive and\nthe same for one model",
                    __func__, iLength);
        return kRcOutOfRange;
    }
    if (adValues == nullptr) {
        ErrorReport(pObject, "%s: return vector is null", __func__);
        return kRcOutOfRange;
    }
    // A vector of another length is obtained afresh: resizing the old one to a
    // length the containers refuse would fail without releasing it.
    if (pObject->cbReturnVector != nullptr && VectorLengthGet(pObject->cbReturnVector) != iLength) {
        pObject->cbReturnVector = RealVectorFree(pObject->cbReturnVector);
    }
    pObject->cbReturnVector = RealVectorFromArray(pObject->cbReturnVector, adValues, iLength);
    if (pObject->cbReturnVector == nullptr) {
        ErrorReport(pObject, "%s: memory allocation for %d double elements", __func__, iLength);
        return kRcNoMemory;
    }
    pObject->yRetVectSet = 1;
    return 0;
}

int GradientCallbackCall(VaroObject *pObject, int iModel) {
    GradientCallScope scope(pObject);
    pObject->yRetVectSet = 0;
    return pObject->models[iModel].gradientCallback(pObject->handle);
}

int ResidualsEvaluate(VaroObject *pObject) {
    int iResult = 0;
    pObject->residualNorms[0] = 0.0;
    for (pObject->currentModel = 1; pObject->currentModel <= pObject->modelCount;
         ++pObject->currentModel) {
        const int iModel = pObject->currentModel;
        pObject->yRetVectSet = 0;
        iResult = pObject->models[iModel].modelCallback(pObject->handle);
        if (iResult > 0) {
            return kRcStopped;
        }
        if (!pObject->yRetVectSet) {
            return kRcNoVector;
        }
        pObject->residuals[iModel] =
            RealVectorClone(pObject->residuals[iModel], pObject->cbReturnVector);
        if (pObject->residuals[iModel] == nullptr) {
            ErrorReport(pObject, "residual vector cloning error");
            return kRcNoMemory;
        }
        pObject->residualNorms[iModel] = ResidualNormGet(pObject, pObject->residuals[iModel]);
        // The sum of squares stays partial when a later model fails.
        pObject->residualNorms[0] +=
            pObject->residualNorms[iModel] * pObject->residualNorms[iModel];
    }
    pObject->residualNorms[0] = std::sqrt(pObject->residualNorms[0]);
    return iResult;
}

int FreeParamsSave(VaroObject *pObject) {
    for (int i = 0; i <= kMaxFreeParams; ++i) {
        pObject->savedFreeParams[i] = pObject->freeParams[i];
    }
    return 0;
}

int FreeParamsRestore(VaroObject *pObject) {
    for (int i = 0; i <= kMaxFreeParams; ++i) {
        pObject->freeParams[i] = pObject->savedFreeParams[i];
    }
    return 0;
}

int ResidualsSave(VaroObject *pObject) {
    for (int m = 1; m <= pObject->modelCount; ++m) {
        pObject->savedResiduals[m] =
            RealVectorClone(pObject->savedResiduals[m], pObject->residuals[m]);
        if (pObject->savedResiduals[m] == nullptr) {
            ErrorReport(pObject, "residual vector cloning error");
            return kRcNoMemory;
        }
        pObject->savedResidualNorms[m] = pObject->residualNorms[m];
    }
    pObject->savedResidualNorms[0] = pObject->residualNorms[0];
    return 0;
}

int ResidualsRestore(VaroObject *pObject) {
    for (int m = 1; m <= pObject->modelCount; ++m) {
        if (RealVectorCopy(pObject->savedResiduals[m], pObject->residuals[m]) != 0) {
            ErrorReport(pObject, "residual vector restoring error");
            return kRcInternal;
        }
        pObject->residualNorms[m] = pObject->savedResidualNorms[m];
    }
    pObject->residualNorms[0] = pObject->savedResidualNorms[0];
    return 0;
}
