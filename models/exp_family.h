// The exponential family: decaying terms A*exp(-G*T) with the parameters
// amplitude and decay rate, in this order; shown as they are.
#ifndef VARO_MODELS_EXP_FAMILY_H
#define VARO_MODELS_EXP_FAMILY_H

#include "models/data_file.h"

double ExpTermValue(const double *adParams, double dTime);
double ExpTermDerivative(int iParam, const double *adParams, double dTime);
// Copies the two values of one term (the shown form is the parameters).
void ExpParamsCopy(const double *adFrom, double *adTo);
void ExpStdErrorsToShown(const double *adParams, const double *adParamErrors,
                         double *adShownErrors);

// Start values (A, G per term, terms by decreasing rate) by peeling: a
// straight line fitted to the logarithm of the tail gives the slowest term,
// which is taken out of the data before the next faster one is sought.
void ExpStartValuesFind(const DataRows &rows, int iNoTerms, double *adShown);

#endif
