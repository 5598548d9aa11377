// The fit driver: one model fitted to one data set with a fit object of its
// own, and everything a caller reports of it. Used by varo-fit for every file
// and by the Python package for every spectrum; safe to call from several
// threads at once (a model that is not ThreadSafe, or whose terms use the
// data's x range, is copied for the fit).
// No exception leaves ModelFit: the callbacks keep what the model throws and
// stop the fit, and the outcome says so.
#ifndef VARO_MODELS_FIT_DRIVER_H
#define VARO_MODELS_FIT_DRIVER_H

#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "models/data_file.h"
#include "models/model.h"

// Statuses of an outcome besides 0 (converged) and the library's codes
// (varo/varo.h: 8 set-up or initial evaluation failed, 9 iteration limit, 10
// stopped by the progress hook, 15 statistics not available, ...); the first
// two are varo-fit's record statuses of the same faults.
constexpr int kFitNoRows = -5;          // no row has a weight other than 0
constexpr int kFitExceptionCaught = -8; // the model or the progress hook threw; the
                                        // message says what
constexpr int kFitSettingRefused = -9;  // FitSettingsCheck refused the settings

struct FitSettings {
    int iStepMethod = 1;                 // the library's: 0 eigenvector search, 1 damped
    bool bAnalytic = true;               // the model's derivatives where it has them
    int iMaxIterations = -1;             // the library's default
    std::optional<double> resNormChange; // the library's defaults where empty
    std::optional<double> parValChange;
    // The residual norm below which the eigenvector method tries a
    // Gauss-Newton step (VaroGaussNewtonResNormThreshSet); the library's
    // default where empty.
    std::optional<double> gaussNewtonThreshold;
    std::string logPath; // the library's log file of the fit; empty: none

    // Start values: all parameters in order, or none (found from the data);
    // then those given by name override.
    std::vector<double> adStartInOrder;
    std::map<std::string, double> startByName;
    // Limits by name, replacing the model's default limits of that parameter
    // (which apply unless bDefaultLimits is false); fixed values by name.
    std::map<std::string, ParamRange> limitByName;
    std::map<std::string, double> fixByName;
    bool bDefaultLimits = true;

    // The library's robust loss and its scale (varo/varo.h: VaroLossSet),
    // the scheme of numerical derivatives (VaroDifferenceSchemeSet) and the
    // covariance (VaroCovarianceSet: 1 scaled by s^2, 2 absolute).
    int iLoss = 0;
    double dLossScale = 1.0;
    int iDifferenceScheme = 0;
    int iCovariance = 1;
    // Probabilities of the profile-likelihood intervals of every parameter
    // that is not fixed, formed after a fit that converged.
    std::vector<double> adIntervalLevels;

    // Called after the initial evaluation and every iteration with the
    // iteration's number and the parameters reached; returning false stops
    // the fit (status 10).
    std::function<bool(int iIteration, std::span<const double> adValues)> Progress;
};

struct FitOutcome {
    int iStatus = 0;
    std::string message; // empty after a fit that converged; one line
    int iIterations = 0;
    int iNoRowsFitted = 0; // rows of weight other than 0
    // The fit's own requests (the refits of the intervals apart): of the
    // model's values, numerical derivatives included, and of its analytic
    // derivatives at a point (formed with the values where they can be).
    long iNoModelCalls = 0;
    long iNoColumnCalls = 0;
    // Their x range, the domain of the model's terms that use one (a
    // normalised polynomial): Model::DomainSet on a copy of the model with
    // these evaluates the fitted model elsewhere. NaN when no row was fitted.
    double dDomainLow = std::numeric_limits<double>::quiet_NaN();
    double dDomainHigh = std::numeric_limits<double>::quiet_NaN();
    // The fitted values, or after a fit that did not converge those of the
    // last iteration (the start values when none was made); empty when the
    // settings were refused or there were no rows.
    std::vector<double> adValues;
    // Standard errors (0 for a fixed parameter) and the covariance (row
    // major, ParamCount() squared): NaN unless the library could form them.
    std::vector<double> adErrors;
    std::vector<double> adCovariance;
    // Chi-square of the weighted residuals at adValues and the degrees of
    // freedom (rows fitted less free parameters): the library's after a fit
    // that converged. Reduced chi-square is NaN unless the degrees of freedom
    // are positive. NaN and -1 when nothing was fitted.
    double dChiSquare = std::numeric_limits<double>::quiet_NaN();
    int iDegreesOfFreedom = -1;
    double dReducedChiSquare = std::numeric_limits<double>::quiet_NaN();
    // The model's derived quantities at adValues (model.DerivedNames()), with
    // errors propagated from the covariance to first order: the square root
    // of g^t C g, g the quantity's gradient; NaN where C is not available.
    std::vector<double> adDerived;
    std::vector<double> adDerivedErrors;
    // 1 for a parameter whose value (adValues) lies on one of its limits, else
    // 0; empty when adValues is.
    std::vector<int> aiAtLimit;
    // The profile-likelihood intervals, for each of settings.adIntervalLevels
    // in turn the low and the high end of every parameter (2 ParamCount()
    // values a level; -inf or inf for a side open up to a limit); NaN for a
    // fixed parameter and when no interval was formed (a fit that did not
    // converge, a refit that failed).
    std::vector<double> adIntervals;
};

// Why the settings do not fit the model (an unknown name, a count of start
// values other than the number of parameters, a start value or fixed value
// outside its limits, a limit whose lower end exceeds its upper); empty when
// they do.
std::string FitSettingsCheck(const Model &model, const FitSettings &settings);

// The interval every parameter is kept in under the settings: the model's
// default limits (unless bDefaultLimits is false), those given by name, the
// fixed values.
std::vector<ParamRange> FitLimitsResolve(const Model &model, const FitSettings &settings);

// Fits model to the rows of nonzero weight (x in adTime, y in adData, the
// weights in adWeight).
FitOutcome ModelFit(const Model &model, const DataRows &rows, const FitSettings &settings);

#endif
