// Callbacks of the batch fits: each asks the library for its problem and the
// current values, computes, and hands its vector back.
#include "cli/fit_callbacks.h"

namespace {

// The problem of the running fit.
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

} // namespace

void ResidualsCompute(const FitProblem &problem, const std::vector<double> &adParams,
                      std::vector<double> *pResiduals) {
    const DataRows &rows = problem.rows;
    const ModelFamily &family = *problem.pFamily;
    pResiduals->resize(rows.adTime.size());
    for (size_t i = 0; i < rows.adTime.size(); i++) {
        double dModel = 0.0;
        for (int iTerm = 0; iTerm < problem.iNoTerms; iTerm++) {
            dModel += family.TermValue(&adParams[iTerm * family.iParamsPerTerm], rows.adTime[i]);
        }
        (*pResiduals)[i] = rows.adWeight[i] * (rows.adData[i] - dModel);
    }
}

int ModelCallback(VaroHandle iHandle) {
    FitProblem *pProblem = nullptr;
    int iRc = ProblemGet(iHandle, &pProblem);
    if (iRc == 0) {
        iRc = ValuesRead(iHandle, &pProblem->adParams);
    }
    if (iRc != 0) {
        return iRc;
    }
    ResidualsCompute(*pProblem, pProblem->adParams, &pProblem->adVector);
    return VectorReturn(iHandle, pProblem->adVector);
}

int GradientCallback(VaroHandle iHandle) {
    FitProblem *pProblem = nullptr;
    int iParamNumber = 0;
    int iRc = VaroCurrentParamNumGet(iHandle, &iParamNumber);
    if (iRc == 0) {
        iRc = ProblemGet(iHandle, &pProblem);
    }
    if (iRc == 0) {
        iRc = ValuesRead(iHandle, &pProblem->adParams);
    }
    if (iRc != 0) {
        return iRc;
    }
    const ModelFamily &family = *pProblem->pFamily;
    const int iTerm = (iParamNumber - 1) / family.iParamsPerTerm;
    const int iParam = (iParamNumber - 1) % family.iParamsPerTerm;
    const double *adTermParams = &pProblem->adParams[iTerm * family.iParamsPerTerm];
    const DataRows &rows = pProblem->rows;
    pProblem->adVector.resize(rows.adTime.size());
    for (size_t i = 0; i < rows.adTime.size(); i++) {
        pProblem->adVector[i] =
            -rows.adWeight[i] * family.TermDerivative(iParam, adTermParams, rows.adTime[i]);
    }
    return VectorReturn(iHandle, pProblem->adVector);
}

int ProgressCallback(VaroHandle iHandle) {
    FitProblem *pProblem = nullptr;
    const int iRc = ProblemGet(iHandle, &pProblem);
    return iRc != 0 ? iRc : ValuesRead(iHandle, &pProblem->adLastParams);
}
