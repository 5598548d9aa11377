// The gaussian family: terms A*exp(-(T-M)^2 / (2*V)) with the parameters
// amplitude, mean and variance V = S^2, in this order; the shown form has the
// standard deviation S in place of V. The formula and its derivatives are
// written here once; the gaussian term of the model library (parameters A, M,
// S) evaluates through GaussPointCompute too.
#ifndef VARO_MODELS_GAUSS_FAMILY_H
#define VARO_MODELS_GAUSS_FAMILY_H

#include "models/data_file.h"

// The value of one term at dTime and its derivatives with respect to the
// amplitude, the mean and the variance.
struct GaussPoint {
    double dValue, dByAmpl, dByMean, dByVar;
};
GaussPoint GaussPointCompute(const double *adParams, double dTime);

double GaussTermValue(const double *adParams, double dTime);
double GaussTermDerivative(int iParam, const double *adParams, double dTime);
void GaussShownToParams(const double *adShown, double *adParams);
void GaussParamsToShown(const double *adParams, double *adShown);
void GaussStdErrorsToShown(const double *adParams, const double *adParamErrors,
                           double *adShownErrors);

// Start values (A, M, S per term, terms by increasing mean): those of a model
// of iNoTerms gaussian terms (models/start_values.h).
void GaussStartValuesFind(const DataRows &rows, int iNoTerms, double *adShown);

#endif
