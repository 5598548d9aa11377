// The library's callbacks of the fit driver. The fit object's data pointer of
// model 1 is the FitProblem. No exception leaves a callback: what the model
// throws is kept in the problem and the callback asks the library to stop.
#ifndef VARO_MODELS_FIT_CALLBACKS_H
#define VARO_MODELS_FIT_CALLBACKS_H

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "models/model.h"
#include "varo/varo.h"

constexpr int kFitModel = 1;

struct FitProblem {
    const Model *pModel = nullptr;
    // The rows that enter the fit: those of nonzero weight.
    std::vector<double> adX, adY, adWeight;
    const std::function<bool(int, std::span<const double>)> *pProgress = nullptr;
    // Every parameter's derivative is analytic and asked for: the columns are
    // formed with the values at every point, in the same pass, since the
    // library asks for them at the point it evaluated last.
    bool bColumnsWithValues = false;

    std::vector<double> adParams; // the current values, as the callbacks read them
    std::vector<double> adModel;  // the model's values there
    std::vector<double> adVector; // the vector handed to the library
    // The model's derivative columns (one per parameter) at adColumnsAt,
    // formed once per point and handed over column by column.
    std::vector<double> adColumns;
    std::vector<double> adColumnsAt;
    std::vector<double> adColumnsAskedAt; // the last point whose columns were asked for
    std::vector<double> adLastParams;     // the values of the last iteration reported
    long iNoModelCalls = 0;               // ModelCallback's calls
    long iNoColumnCalls = 0;              // points whose columns were asked for
    bool bThrew = false;                  // the model threw; thrown says what
    std::string thrown;
};

// Weighted residuals of the model at adParams into *pResiduals.
void ResidualsCompute(FitProblem *pProblem, const std::vector<double> &adParams,
                      std::vector<double> *pResiduals);

// Model callback: the residuals at the current values.
int ModelCallback(VaroHandle iHandle);
// Gradient callback: the derivative of the residuals with respect to the
// current parameter; declined (numerical derivative) for a parameter whose
// term has no analytic derivatives.
int GradientCallback(VaroHandle iHandle);
// Progress callback: keeps the values of each iteration, so that a fit that
// does not converge can still report where it got to, and calls the
// caller's progress hook.
int ProgressCallback(VaroHandle iHandle);

#endif
