// Weighted residuals and their derivatives.
#include "models/weighted_residuals.h"

void WeightedResidualsCompute(size_t iNo, const double *adData, const double *adWeight,
                              const double *adModel, double *adResiduals) {
    for (size_t i = 0; i < iNo; i++) {
        adResiduals[i] = adWeight[i] * (adData[i] - adModel[i]);
    }
}

void ResidualDerivativeCompute(size_t iNo, const double *adWeight, const double *adModelDerivative,
                               double *adColumn) {
    for (size_t i = 0; i < iNo; i++) {
        adColumn[i] = -adWeight[i] * adModelDerivative[i];
    }
}

size_t WeightedRowsGather(size_t iNo, const double *adWeight, const double *adFull,
                          double *adFitted) {
    size_t iNoFitted = 0;
    for (size_t i = 0; i < iNo; i++) {
        if (adWeight[i] != 0) {
            adFitted[iNoFitted++] = adFull[i];
        }
    }
    return iNoFitted;
}
