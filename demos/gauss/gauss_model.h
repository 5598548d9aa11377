// VaroGauss's model: a sum of gaussian terms A*exp(-(T-M)^2 / (2*V)) with the
// parameters amplitude, mean and variance V = S^2 per term.
#ifndef VARO_DEMOS_GAUSS_GAUSS_MODEL_H
#define VARO_DEMOS_GAUSS_GAUSS_MODEL_H

#include "demos/frame/demo_state.h"

struct DataStatisticsResult {
    double dDataMax;   // largest data value
    double dDataMean;  // data-weighted mean time
    double dDataSigma; // data-weighted standard deviation of time
};

// Statistics of the data, the data values weighting the times.
DataStatisticsResult DataStatistics(const ModelData *pData);

// The spread the start values use: dDataSigma when it is a positive finite
// number, otherwise a quarter of the time range, or 1.0 when that is empty.
double StartSpreadChoose(const ModelData *pData, double dDataSigma);

#endif
