// The work containers of one processing run: obtained once at its start,
// together with the evaluation of the models at the initial values, and
// released at its end whatever happened. Deleting an object releases the same
// containers, since a vector handed over outside a run stays with the object.
#include <initializer_list>

#include "varo/engine.h"

namespace {

// Releases a vector held in a field; false when the release failed.
bool VectorFieldRelease(RealVector &vector) {
    vector = RealVectorFree(vector);
    return vector == nullptr;
}

// Releases a matrix held in a field; the field keeps it when the release fails.
bool MatrixFieldRelease(RealMatrix &matrix) {
    if (RealMatrixFree(matrix) != 0) {
        return false;
    }
    matrix = nullptr;
    return true;
}

} // namespace

int WorkMemoryAlloc(VaroObject *pObject) {
    const int n = pObject->freeParamCount;
    const int iModels = pObject->modelCount;
    pObject->normalMatrix = RealMatrixAlloc(n, n);
    if (pObject->normalMatrix == nullptr) {
        ErrorReport(pObject, "work %dx%d matrix allocation", n, n);
        return kRcNoMemory;
    }
    for (RealVector *pVector : {&pObject->gradientVector, &pObject->paramScales,
                                &pObject->singularValues, &pObject->vrStepDirection}) {
        *pVector = RealVectorAlloc(n);
        if (*pVector == nullptr) {
            ErrorReport(pObject, "%d vector allocation", n);
            return kRcNoMemory;
        }
    }
    pObject->plusPerturbations = RealMatrixAlloc(iModels, n);
    pObject->minusPerturbations = RealMatrixAlloc(iModels, n);
    if (pObject->plusPerturbations == nullptr || pObject->minusPerturbations == nullptr) {
        ErrorReport(pObject, "%s: work memory allocation error", kProcessingName);
        return kRcNoMemory;
    }
    pObject->currentIteration = 0;
    return ResidualsEvaluate(pObject);
}

bool ObjectContainersRelease(VaroObject *pObject) {
    bool bReleased = true;
    // Only models 1..modelCount ever receive residual vectors.
    for (int m = 1; m <= pObject->modelCount; ++m) {
        bReleased = VectorFieldRelease(pObject->savedResiduals[m]) && bReleased;
    }
    for (int m = 1; m <= pObject->modelCount; ++m) {
        bReleased = VectorFieldRelease(pObject->residuals[m]) && bReleased;
    }
    bReleased = VectorFieldRelease(pObject->cbReturnVector) && bReleased;
    bReleased = VectorFieldRelease(pObject->lossWeightedResiduals) && bReleased;
    bReleased = VectorFieldRelease(pObject->lossRowWeights) && bReleased;
    bReleased = MatrixFieldRelease(pObject->jacobianBlock) && bReleased;
    bReleased = MatrixFieldRelease(pObject->minusPerturbations) && bReleased;
    bReleased = MatrixFieldRelease(pObject->plusPerturbations) && bReleased;
    bReleased = VectorFieldRelease(pObject->vrStepDirection) && bReleased;
    bReleased = VectorFieldRelease(pObject->singularValues) && bReleased;
    bReleased = VectorFieldRelease(pObject->paramScales) && bReleased;
    bReleased = VectorFieldRelease(pObject->gradientVector) && bReleased;
    bReleased = MatrixFieldRelease(pObject->normalMatrix) && bReleased;
    return bReleased;
}

int WorkMemoryFree(VaroObject *pObject) {
    if (!ObjectContainersRelease(pObject)) {
        ErrorReport(pObject, "%s: work memory deallocation error", kProcessingName);
        return kRcNotReleased;
    }
    return 0;
}
