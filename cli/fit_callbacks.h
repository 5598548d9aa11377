// The library's callbacks for a model family fitted to one file's rows. The
// fit object's data pointer of model 1 is the FitProblem.
#ifndef VARO_CLI_FIT_CALLBACKS_H
#define VARO_CLI_FIT_CALLBACKS_H

#include <vector>

#include "models/data_file.h"
#include "models/model_family.h"
#include "varo/varo.h"

constexpr int kFitModel = 1;

struct FitProblem {
    const ModelFamily *pFamily;
    int iNoTerms;
    DataRows rows;
    std::vector<double> adParams;     // the current values, as the callbacks read them
    std::vector<double> adVector;     // the vector handed to the library
    std::vector<double> adLastParams; // the values of the last iteration reported
};

// Weighted residuals W(i)*(D(i) - F(i)) of the family's sum at adParams.
void ResidualsCompute(const FitProblem &problem, const std::vector<double> &adParams,
                      std::vector<double> *pResiduals);

// Model callback: the residuals at the current values.
int ModelCallback(VaroHandle iHandle);
// Gradient callback: the analytic derivative of the residuals with respect to
// the current parameter.
int GradientCallback(VaroHandle iHandle);
// Progress callback: keeps the values of each iteration, so that a fit that
// does not converge can still report where it got to.
int ProgressCallback(VaroHandle iHandle);

#endif
