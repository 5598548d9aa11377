// What every fit hands the library, written once for the demos, varo-fit and
// the Python package: the weighted residuals R(i) = W(i) * (D(i) - F(i)) and
// their derivatives -W(i) * dF(i)/dp. Rows of weight 0 are left out of the
// vectors handed over: they add nothing to chi-square but would count in the
// degrees of freedom.
#ifndef VARO_MODELS_WEIGHTED_RESIDUALS_H
#define VARO_MODELS_WEIGHTED_RESIDUALS_H

#include <cstddef>

// adResiduals[i] = adWeight[i] * (adData[i] - adModel[i]) for iNo rows.
void WeightedResidualsCompute(size_t iNo, const double *adData, const double *adWeight,
                              const double *adModel, double *adResiduals);

// adColumn[i] = -adWeight[i] * adModelDerivative[i] for iNo rows; adColumn may
// be adModelDerivative.
void ResidualDerivativeCompute(size_t iNo, const double *adWeight, const double *adModelDerivative,
                               double *adColumn);

// Copies the elements of adFull (iNo of them) whose rows have a weight other
// than 0 to adFitted, in order; returns their number. adFitted may be adFull.
size_t WeightedRowsGather(size_t iNo, const double *adWeight, const double *adFull,
                          double *adFitted);

#endif
