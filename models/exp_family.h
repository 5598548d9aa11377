// The exponential family: decaying terms A*exp(-G*T) with the parameters
// amplitude and decay rate, in this order; shown as they are. The formula and
// its derivatives are written here once; the exponential term of the model
// library evaluates through ExpPointCompute too.
#ifndef VARO_MODELS_EXP_FAMILY_H
#define VARO_MODELS_EXP_FAMILY_H

#include "models/data_file.h"
#include "models/time_series.h"

// The value of one term at dTime and its derivatives with respect to the
// amplitude and the rate.
struct ExpPoint {
    double dValue, dByAmpl, dByRate;
};
ExpPoint ExpPointCompute(const double *adParams, double dTime);

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
// The same for a series already in time order, masked rows left aside.
void ExpStartValuesFromSeries(const TimeSeries &series, int iNoTerms, double *adShown);

#endif
