// The gaussian family: terms A*exp(-(T-M)^2 / (2*V)) with the parameters
// amplitude, mean and variance V = S^2, in this order; the shown form has the
// standard deviation S in place of V.
#ifndef VARO_MODELS_GAUSS_FAMILY_H
#define VARO_MODELS_GAUSS_FAMILY_H

#include "models/data_file.h"

double GaussTermValue(const double *adParams, double dTime);
double GaussTermDerivative(int iParam, const double *adParams, double dTime);
void GaussShownToParams(const double *adShown, double *adParams);
void GaussParamsToShown(const double *adParams, double *adShown);
void GaussStdErrorsToShown(const double *adParams, const double *adParamErrors,
                           double *adShownErrors);

// Start values (A, M, S per term, terms by increasing mean) from the iNoTerms
// largest peaks of the lightly smoothed data: each peak's height, position and
// half-width at half maximum, the peak then being taken out of the data before
// the next one is sought.
void GaussStartValuesFind(const DataRows &rows, int iNoTerms, double *adShown);

#endif
