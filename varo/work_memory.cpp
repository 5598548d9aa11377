// The work containers of one processing run: obtained once at its start,
// together with the evaluation of the models at the initial values, and
// released at its end whatever happened.
#include <initializer_list>

#include "varo/engine.h"

namespace {

// Releases a matrix held in a field; the field keeps it when the release fails.
void MatrixRelease(RealMatrix &matrix) {
    if (RealMatrixFree(matrix) == 0) {
        matrix = nullptr;
    }
}

} // namespace

int WorkMemoryAlloc(VaroObject *pObject) {
    const int n = pObject->freeParamCount;
    const int iModels = pObject->modelCount;
    pObject->normalMatrix = RealMatrixAlloc(n, n);
    if (pObject->normalMatrix == nullptr) {
        ErrorReport(pObject, "work %dx%d matrix allocation", n, n);
        return 3;
    }
    for (RealVector *pVector : {&pObject->gradientVector, &pObject->paramScales,
                                &pObject->singularValues, &pObject->vrStepDirection}) {
        *pVector = RealVectorAlloc(n);
        if (*pVector == nullptr) {
            ErrorReport(pObject, "%d vector allocation", n);
            return 3;
        }
    }
    pObject->plusPerturbations = RealMatrixAlloc(iModels, n);
    pObject->minusPerturbations = RealMatrixAlloc(iModels, n);
    if (pObject->plusPerturbations == nullptr || pObject->minusPerturbations == nullptr) {
        ErrorReport(pObject, "%s: work memory allocation error", kProcessingName);
        return 3;
    }
    pObject->currentIteration = 0;
    return ResidualsEvaluate(pObject);
}

int WorkMemoryFree(VaroObject *pObject) {
    bool bFailed = false;
    for (int m = 1; m <= pObject->modelCount; ++m) {
        pObject->savedResiduals[m] = RealVectorFree(pObject->savedResiduals[m]);
        bFailed = bFailed || pObject->savedResiduals[m] != nullptr;
    }
    for (int m = 1; m <= pObject->modelCount; ++m) {
        pObject->residuals[m] = RealVectorFree(pObject->residuals[m]);
        bFailed = bFailed || pObject->residuals[m] != nullptr;
    }
    pObject->cbReturnVector = RealVectorFree(pObject->cbReturnVector);
    MatrixRelease(pObject->minusPerturbations);
    MatrixRelease(pObject->plusPerturbations);
    pObject->vrStepDirection = RealVectorFree(pObject->vrStepDirection);
    pObject->singularValues = RealVectorFree(pObject->singularValues);
    pObject->paramScales = RealVectorFree(pObject->paramScales);
    pObject->gradientVector = RealVectorFree(pObject->gradientVector);
    MatrixRelease(pObject->normalMatrix);
    if (bFailed || pObject->cbReturnVector != nullptr || pObject->minusPerturbations != nullptr ||
        pObject->plusPerturbations != nullptr || pObject->vrStepDirection != nullptr ||
        pObject->singularValues != nullptr || pObject->paramScales != nullptr ||
        pObject->gradientVector != nullptr || pObject->normalMatrix != nullptr) {
        ErrorReport(pObject, "%s: work memory deallocation error", kProcessingName);
        return 4;
    }
    return 0;
}
