// Callbacks of the fit driver: each asks the library for its problem and the
// current values, computes, and hands its vector back.
#include "models/fit_callbacks.h"

#include <exception>
#include <new>

#include "models/weighted_residuals.h"

namespace {

// Asks the library to stop after the model threw.
constexpr int kStopRequest = 1;
// Declines a derivative: the library forms it numerically.
constexpr int kDerivativeDeclined = -1;

int ProblemGet(VaroHandle iHandle, FitProblem **ppProblem) {
    void *pData = nullptr;
    const int iRc = VaroModelDataPointerGet(iHandle, kFitModel, &pData);
    *ppProblem = static_cast<FitProblem *>(pData);
    return iRc;
}

// The current values of all parameters, as many as *pValues holds.
int ValuesRead(VaroHandle iHandle, std::vector<double> *pValues) {
    int iRc = 0;
    for (size_t i = 0; i < pValues->size() && iRc == 0; i++) {
        iRc = VaroParamCurValueGet(iHandle, kFitModel, static_cast<int>(i) + 1, &(*pValues)[i]);
    }
    return iRc;
}

int VectorReturn(VaroHandle iHandle, const std::vector<double> &adVector) {
    return VaroCbReturnVectSet(iHandle, adVector.data(), static_cast<int>(adVector.size()));
}

// Runs Body, keeping what it throws in the problem and asking to stop.
template <typename Function>
int Guarded(VaroHandle iHandle, Function Body) {
    FitProblem *pProblem = nullptr;
    const int iRc = ProblemGet(iHandle, &pProblem);
    if (iRc != 0) {
        return iRc;
    }
    try {
        return Body(pProblem);
    } catch (const std::bad_alloc &) {
        pProblem->thrown = "out of memory";
    } catch (const std::exception &error) {
        pProblem->thrown = error.what();
    } catch (...) {
        pProblem->thrown = "an unknown exception";
    }
    pProblem->bThrew = true;
    return kStopRequest;
}

// The columns of the model's derivatives at the current values, formed when
// the values have changed since the last ones.
void ColumnsUpdate(FitProblem *pProblem) {
    if (pProblem->adColumnsAt == pProblem->adParams) {
        return;
    }
    const size_t iNo = pProblem->adX.size();
    pProblem->adModel.resize(iNo);
    pProblem->adColumns.resize(iNo * pProblem->adParams.size());
    pProblem->adColumnsAt.clear(); // stale while they are formed
    pProblem->pModel->Evaluate(pProblem->adParams.data(), pProblem->adX, pProblem->adModel.data(),
                               pProblem->adColumns.data());
    pProblem->adColumnsAt = pProblem->adParams;
}

} // namespace

void ResidualsCompute(FitProblem *pProblem, const std::vector<double> &adParams,
                      std::vector<double> *pResiduals) {
    const size_t iNo = pProblem->adX.size();
    pProblem->adModel.resize(iNo);
    pResiduals->resize(iNo);
    pProblem->pModel->Evaluate(adParams.data(), pProblem->adX, pProblem->adModel.data(), nullptr);
    WeightedResidualsCompute(iNo, pProblem->adY.data(), pProblem->adWeight.data(),
                             pProblem->adModel.data(), pResiduals->data());
}

int ModelCallback(VaroHandle iHandle) {
    return Guarded(iHandle, [iHandle](FitProblem *pProblem) {
        const int iRc = ValuesRead(iHandle, &pProblem->adParams);
        if (iRc != 0) {
            return iRc;
        }
        pProblem->iNoModelCalls++;
        if (pProblem->bColumnsWithValues) {
            ColumnsUpdate(pProblem);
            pProblem->adVector.resize(pProblem->adX.size());
            WeightedResidualsCompute(pProblem->adX.size(), pProblem->adY.data(),
                                     pProblem->adWeight.data(), pProblem->adModel.data(),
                                     pProblem->adVector.data());
        } else {
            ResidualsCompute(pProblem, pProblem->adParams, &pProblem->adVector);
        }
        return VectorReturn(iHandle, pProblem->adVector);
    });
}

int GradientCallback(VaroHandle iHandle) {
    return Guarded(iHandle, [iHandle](FitProblem *pProblem) {
        int iParamNumber = 0;
        int iRc = VaroCurrentParamNumGet(iHandle, &iParamNumber);
        if (iRc == 0) {
            iRc = ValuesRead(iHandle, &pProblem->adParams);
        }
        if (iRc != 0) {
            return iRc;
        }
        if (!pProblem->pModel->ParamAnalytic(iParamNumber - 1)) {
            return kDerivativeDeclined;
        }
        if (pProblem->adColumnsAskedAt != pProblem->adParams) {
            pProblem->iNoColumnCalls++;
            pProblem->adColumnsAskedAt = pProblem->adParams;
        }
        ColumnsUpdate(pProblem);
        const size_t iNo = pProblem->adX.size();
        pProblem->adVector.resize(iNo);
        ResidualDerivativeCompute(iNo, pProblem->adWeight.data(),
                                  &pProblem->adColumns[(iParamNumber - 1) * iNo],
                                  pProblem->adVector.data());
        return VectorReturn(iHandle, pProblem->adVector);
    });
}

int ProgressCallback(VaroHandle iHandle) {
    return Guarded(iHandle, [iHandle](FitProblem *pProblem) {
        int iIteration = 0;
        int iRc = ValuesRead(iHandle, &pProblem->adLastParams);
        if (iRc == 0) {
            iRc = VaroCurrentIterationGet(iHandle, &iIteration);
        }
        if (iRc != 0 || !*pProblem->pProgress) {
            return iRc;
        }
        return (*pProblem->pProgress)(iIteration, pProblem->adLastParams) ? 0 : kStopRequest;
    });
}
