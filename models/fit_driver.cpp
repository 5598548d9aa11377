// The fit driver: settings checked, rows and start values prepared, the fit
// object set up and run, and the outcome read with the statistics the
// library forms and the derived quantities.
#include "models/fit_driver.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <new>
#include <optional>

#include "models/fit_callbacks.h"
#include "models/start_values.h"

namespace {

constexpr double kNotAvailable = std::numeric_limits<double>::quiet_NaN();

// Deletes the fit object on every way out (also one created with code 1000,
// which exists).
class FitObject {
  public:
    FitObject() { iCreateRc = VaroObjectCreate(&iHandle); }
    ~FitObject() {
        if (iHandle != 0) {
            VaroObjectDelete(iHandle);
        }
    }
    FitObject(const FitObject &) = delete;
    FitObject &operator=(const FitObject &) = delete;

    VaroHandle iHandle = 0;
    int iCreateRc;
};

std::string NamesList(const Model &model) {
    std::string list;
    for (const std::string &name : model.ParamNames()) {
        list += (list.empty() ? "" : ", ") + name;
    }
    return list;
}

std::string NumberText(double dValue) {
    char acText[32];
    std::snprintf(acText, sizeof acText, "%.10g", dValue);
    return acText;
}

std::string RangeText(const ParamRange &range) {
    std::string text = "[";
    text += NumberText(range.dLower);
    text += ", ";
    text += NumberText(range.dUpper);
    return text + "]";
}

bool Inside(double dValue, const ParamRange &range) {
    return dValue >= range.dLower && dValue <= range.dUpper;
}

// The names of a map that the model does not have, as a message; empty when
// it has them all.
template <typename Map>
std::string UnknownNameFind(const Model &model, const Map &byName, const char *pszWhat) {
    for (const auto &entry : byName) {
        if (model.ParamFind(entry.first) < 0) {
            return std::string(pszWhat) + ": no parameter named '" + entry.first +
                   "' (the model's parameters: " + NamesList(model) + ")";
        }
    }
    return "";
}

// The start values: the given ones or those found from the data (moved
// inside the limits), then those given by name, then the fixed values.
std::vector<double> StartValues(const Model &model, const DataRows &rows,
                                const FitSettings &settings,
                                const std::vector<ParamRange> &limits) {
    std::vector<double> adStart = settings.adStartInOrder;
    if (adStart.empty()) {
        adStart = ModelStartValuesFind(model, rows);
        for (size_t i = 0; i < adStart.size(); i++) {
            adStart[i] = std::clamp(adStart[i], limits[i].dLower, limits[i].dUpper);
        }
    }
    for (const auto &[name, dValue] : settings.startByName) {
        adStart[model.ParamFind(name)] = dValue;
    }
    for (const auto &[name, dValue] : settings.fixByName) {
        adStart[model.ParamFind(name)] = dValue;
    }
    return adStart;
}

// The parameters' limits and start values; 0 or the first failing code.
int ParamsConfigure(VaroHandle iHandle, const std::vector<double> &adStart,
                    const std::vector<ParamRange> &limits) {
    int iRc = 0;
    for (size_t i = 0; i < adStart.size() && iRc == 0; i++) {
        const int iParam = static_cast<int>(i) + 1;
        const bool bLimited = std::isfinite(limits[i].dLower) || std::isfinite(limits[i].dUpper);
        if (bLimited) {
            iRc =
                VaroParamLimitsSet(iHandle, kFitModel, iParam, limits[i].dLower, limits[i].dUpper);
        }
        if (iRc == 0) {
            iRc = VaroParamIniValueSet(iHandle, kFitModel, iParam, adStart[i]);
        }
    }
    return iRc;
}

// Configures the object for the problem; returns 0 or the first failing code.
int ObjectConfigure(VaroHandle iHandle, FitProblem *pProblem, const FitSettings &settings,
                    const std::vector<double> &adStart, const std::vector<ParamRange> &limits) {
    int iRc = settings.logPath.empty() ? 0 : VaroLogFileOpen(iHandle, settings.logPath.c_str());
    if (iRc == 0) {
        iRc = VaroStepMethodSet(iHandle, settings.iStepMethod);
    }
    if (iRc == 0) {
        iRc = VaroNoModelsSet(iHandle, 1);
    }
    if (iRc == 0) {
        iRc = VaroModelCallbackSet(iHandle, kFitModel, ModelCallback);
    }
    if (iRc == 0 && settings.bAnalytic) {
        iRc = VaroGradientCallbackSet(iHandle, kFitModel, GradientCallback);
    }
    if (iRc == 0) {
        iRc = VaroProgressCallbackSet(iHandle, ProgressCallback);
    }
    if (iRc == 0) {
        iRc = VaroModelDataPointerSet(iHandle, kFitModel, pProblem);
    }
    if (iRc == 0) {
        iRc = VaroNoModelParamsSet(iHandle, kFitModel, pProblem->pModel->ParamCount());
    }
    if (iRc == 0) {
        iRc = ParamsConfigure(iHandle, adStart, limits);
    }
    if (iRc == 0) {
        iRc = VaroMaxNoIterationsSet(iHandle, settings.iMaxIterations);
    }
    if (iRc == 0 && settings.resNormChange) {
        iRc = VaroResNormChangeTerminationSet(iHandle, *settings.resNormChange);
    }
    if (iRc == 0 && settings.parValChange) {
        iRc = VaroParValChangeTerminationSet(iHandle, *settings.parValChange);
    }
    if (iRc == 0 && settings.gaussNewtonThreshold) {
        iRc = VaroGaussNewtonResNormThreshSet(iHandle, *settings.gaussNewtonThreshold);
    }
    if (iRc == 0) {
        iRc = VaroCovarianceSet(iHandle, settings.iCovariance);
    }
    if (iRc == 0) {
        iRc = VaroLossSet(iHandle, settings.iLoss, settings.dLossScale);
    }
    if (iRc == 0) {
        iRc = VaroDifferenceSchemeSet(iHandle, settings.iDifferenceScheme);
    }
    return iRc;
}

// Which parameters lie on a limit: the library's answer after a fit that
// converged, else the last values' against the limits.
std::vector<int> AtLimitRead(VaroHandle iHandle, bool bConverged,
                             const std::vector<double> &adValues,
                             const std::vector<ParamRange> &limits) {
    std::vector<int> aiAtLimit(adValues.size(), 0);
    for (size_t i = 0; i < adValues.size(); i++) {
        if (bConverged) {
            VaroParamAtLimitGet(iHandle, kFitModel, static_cast<int>(i) + 1, &aiAtLimit[i]);
        } else {
            const ParamRange &range = limits[i];
            aiAtLimit[i] = range.dLower < range.dUpper &&
                           (adValues[i] == range.dLower || adValues[i] == range.dUpper);
        }
    }
    return aiAtLimit;
}

// The profile intervals of every parameter that is not fixed, at each level.
std::vector<double> IntervalsRead(VaroHandle iHandle, const std::vector<double> &adLevels,
                                  const std::vector<ParamRange> &limits) {
    const size_t iNoParams = limits.size();
    std::vector<double> adIntervals(2 * iNoParams * adLevels.size(), kNotAvailable);
    for (size_t k = 0; k < adLevels.size(); k++) {
        for (size_t i = 0; i < iNoParams; i++) {
            if (limits[i].dLower == limits[i].dUpper) {
                continue;
            }
            double dLow = kNotAvailable;
            double dHigh = kNotAvailable;
            if (VaroProfileIntervalGet(iHandle, kFitModel, static_cast<int>(i) + 1, adLevels[k],
                                       &dLow, &dHigh) == 0) {
                adIntervals[2 * (k * iNoParams + i)] = dLow;
                adIntervals[2 * (k * iNoParams + i) + 1] = dHigh;
            }
        }
    }
    return adIntervals;
}

// The covariance of all parameters, or NaN throughout when the library has
// none.
std::vector<double> CovarianceRead(VaroHandle iHandle, int iNoParams) {
    std::vector<double> adCovariance(iNoParams * iNoParams, kNotAvailable);
    for (int i = 0; i < iNoParams; i++) {
        for (int j = i; j < iNoParams; j++) {
            double dValue = 0;
            if (VaroParamCovarianceGet(iHandle, kFitModel, i + 1, kFitModel, j + 1, &dValue) != 0) {
                std::fill(adCovariance.begin(), adCovariance.end(), kNotAvailable);
                return adCovariance;
            }
            adCovariance[i * iNoParams + j] = adCovariance[j * iNoParams + i] = dValue;
        }
    }
    return adCovariance;
}

// The derived quantities at the values reached, with errors from the
// covariance.
void DerivedRead(const Model &model, FitOutcome *pOutcome) {
    std::vector<double> adGradients;
    model.DerivedCompute(pOutcome->adValues.data(), &pOutcome->adDerived, &adGradients);
    const size_t iNoParams = pOutcome->adValues.size();
    pOutcome->adDerivedErrors.assign(pOutcome->adDerived.size(), kNotAvailable);
    for (size_t k = 0; k < pOutcome->adDerived.size(); k++) {
        const double *adGradient = &adGradients[k * iNoParams];
        double dVariance = 0;
        for (size_t i = 0; i < iNoParams; i++) {
            for (size_t j = 0; j < iNoParams; j++) {
                dVariance +=
                    adGradient[i] * pOutcome->adCovariance[i * iNoParams + j] * adGradient[j];
            }
        }
        // Rounding may leave the variance of an exact quantity a hair below 0.
        pOutcome->adDerivedErrors[k] = std::sqrt(std::max(dVariance, 0.0));
    }
}

// The values reached and the statistics: after a fit that converged the
// library's fitted values and statistics, otherwise the values of the last
// iteration with chi-square formed here and no errors.
void ResultsRead(VaroHandle iHandle, int iProcessingRc, const std::vector<ParamRange> &limits,
                 const FitSettings &settings, FitProblem *pProblem, FitOutcome *pOutcome) {
    const int iNoFree = static_cast<int>(std::count_if(
        limits.begin(), limits.end(), [](const ParamRange &r) { return r.dLower != r.dUpper; }));
    const int iNoParams = pProblem->pModel->ParamCount();
    pOutcome->adValues = pProblem->adLastParams;
    pOutcome->adErrors.assign(iNoParams, kNotAvailable);
    pOutcome->adCovariance.assign(iNoParams * iNoParams, kNotAvailable);
    VaroCurrentIterationGet(iHandle, &pOutcome->iIterations);
    // The statistics exist only after a fit that converged; not asking for
    // them otherwise keeps refusals out of the log file.
    const bool bConverged = iProcessingRc == 0;
    for (int iParam = 1; iParam <= iNoParams && bConverged; iParam++) {
        VaroParamCurValueGet(iHandle, kFitModel, iParam, &pOutcome->adValues[iParam - 1]);
        double dError = 0.0;
        if (VaroParamStdErrorGet(iHandle, kFitModel, iParam, &dError) == 0) {
            pOutcome->adErrors[iParam - 1] = dError;
        }
    }
    // The library forms all standard errors or none.
    if (bConverged && iNoParams > 0 && std::isfinite(pOutcome->adErrors[0])) {
        pOutcome->adCovariance = CovarianceRead(iHandle, iNoParams);
    }
    if (!bConverged || VaroChiSquareGet(iHandle, &pOutcome->dChiSquare) != 0 ||
        VaroDegreesOfFreedomGet(iHandle, &pOutcome->iDegreesOfFreedom) != 0) {
        std::vector<double> adResiduals;
        ResidualsCompute(pProblem, pOutcome->adValues, &adResiduals);
        pOutcome->dChiSquare = 0.0;
        for (double dResidual : adResiduals) {
            pOutcome->dChiSquare += dResidual * dResidual;
        }
        pOutcome->iDegreesOfFreedom = static_cast<int>(adResiduals.size()) - iNoFree;
    }
    pOutcome->dReducedChiSquare = pOutcome->iDegreesOfFreedom > 0
                                      ? pOutcome->dChiSquare / pOutcome->iDegreesOfFreedom
                                      : kNotAvailable;
    DerivedRead(*pProblem->pModel, pOutcome);
    pOutcome->aiAtLimit = AtLimitRead(iHandle, bConverged, pOutcome->adValues, limits);
    // The refits of the intervals report their progress too; the values
    // reached are taken already.
    pOutcome->adIntervals =
        bConverged
            ? IntervalsRead(iHandle, settings.adIntervalLevels, limits)
            : std::vector<double>(2 * iNoParams * settings.adIntervalLevels.size(), kNotAvailable);
}

// The rows of nonzero weight into the problem.
void RowsTake(const DataRows &rows, FitProblem *pProblem) {
    for (size_t i = 0; i < rows.adTime.size(); i++) {
        if (rows.adWeight[i] != 0) {
            pProblem->adX.push_back(rows.adTime[i]);
            pProblem->adY.push_back(rows.adData[i]);
            pProblem->adWeight.push_back(rows.adWeight[i]);
        }
    }
}

// The library's message on one line.
std::string LibraryMessage(VaroHandle iHandle) {
    std::string message = VaroErrorStringGet(iHandle);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) {
        message.pop_back();
    }
    return message;
}

FitOutcome FitRun(const Model &callerModel, const DataRows &rows, const FitSettings &settings) {
    FitOutcome outcome;
    FitProblem problem;
    problem.pProgress = &settings.Progress;
    RowsTake(rows, &problem);
    outcome.iNoRowsFitted = static_cast<int>(problem.adX.size());
    if (problem.adX.empty()) {
        outcome.iStatus = kFitNoRows;
        outcome.message = "No row has a weight other than 0";
        return outcome;
    }
    const auto [pLow, pHigh] = std::minmax_element(problem.adX.begin(), problem.adX.end());
    outcome.dDomainLow = *pLow;
    outcome.dDomainHigh = *pHigh;
    // A model of its own for a formula's parser or for the domain of the rows.
    std::optional<Model> own;
    if (!callerModel.ThreadSafe() || callerModel.DomainUsed()) {
        own.emplace(callerModel);
        own->DomainSet(outcome.dDomainLow, outcome.dDomainHigh);
    }
    const Model &model = own ? *own : callerModel;
    problem.pModel = &model;
    problem.bColumnsWithValues = settings.bAnalytic;
    for (int i = 0; i < model.ParamCount(); i++) {
        problem.bColumnsWithValues = problem.bColumnsWithValues && model.ParamAnalytic(i);
    }
    const std::vector<ParamRange> limits = FitLimitsResolve(model, settings);
    const std::vector<double> adStart = StartValues(model, rows, settings, limits);
    problem.adParams.resize(model.ParamCount());
    problem.adLastParams = adStart;
    FitObject object;
    if (object.iCreateRc != 0) {
        outcome.iStatus = object.iCreateRc;
        outcome.message = "The fit object could not be created";
        return outcome;
    }
    int iRc = ObjectConfigure(object.iHandle, &problem, settings, adStart, limits);
    const bool bProcessed = iRc == 0;
    if (bProcessed) {
        iRc = VaroProcessing(object.iHandle);
    }
    outcome.iNoModelCalls = problem.iNoModelCalls;
    outcome.iNoColumnCalls = problem.iNoColumnCalls;
    outcome.iStatus = problem.bThrew ? kFitExceptionCaught : iRc;
    if (problem.bThrew) {
        outcome.message = "The fit stopped on an exception: " + problem.thrown;
    } else if (iRc != 0) {
        outcome.message = LibraryMessage(object.iHandle);
    }
    if (bProcessed) {
        ResultsRead(object.iHandle, iRc, limits, settings, &problem, &outcome);
    }
    return outcome;
}

} // namespace

std::vector<ParamRange> FitLimitsResolve(const Model &model, const FitSettings &settings) {
    std::vector<ParamRange> limits = settings.bDefaultLimits
                                         ? model.DefaultLimits()
                                         : std::vector<ParamRange>(model.ParamCount());
    for (const auto &[name, range] : settings.limitByName) {
        limits[model.ParamFind(name)] = range;
    }
    for (const auto &[name, dValue] : settings.fixByName) {
        limits[model.ParamFind(name)] = {dValue, dValue};
    }
    return limits;
}

namespace {

// The library's settings that its setters would refuse, as a message.
std::string LibrarySettingsCheck(const FitSettings &settings) {
    if (settings.iLoss < 0 || settings.iLoss > 4) {
        return "loss: " + std::to_string(settings.iLoss) + " is not one of 0 to 4";
    }
    if (!(settings.dLossScale > 0.0 && std::isfinite(settings.dLossScale))) {
        return "loss scale: " + NumberText(settings.dLossScale) + " is not finite and positive";
    }
    if (settings.iDifferenceScheme != 0 && settings.iDifferenceScheme != 1) {
        return "difference scheme: " + std::to_string(settings.iDifferenceScheme) +
               " is neither 0 nor 1";
    }
    if (settings.iCovariance != 1 && settings.iCovariance != 2) {
        return "covariance: " + std::to_string(settings.iCovariance) + " is neither 1 nor 2";
    }
    for (const double dLevel : settings.adIntervalLevels) {
        if (!(dLevel > 0.0 && dLevel < 1.0)) {
            return "interval level: " + NumberText(dLevel) + " does not lie between 0 and 1";
        }
    }
    return "";
}

} // namespace

std::string FitSettingsCheck(const Model &model, const FitSettings &settings) {
    const size_t iNoParams = static_cast<size_t>(model.ParamCount());
    if (const std::string error = LibrarySettingsCheck(settings); !error.empty()) {
        return error;
    }
    if (!settings.adStartInOrder.empty() && settings.adStartInOrder.size() != iNoParams) {
        return "start values: expected " + std::to_string(iNoParams) + " values (" +
               NamesList(model) + "), got " + std::to_string(settings.adStartInOrder.size());
    }
    for (const std::string &error : {UnknownNameFind(model, settings.startByName, "start value"),
                                     UnknownNameFind(model, settings.limitByName, "limit"),
                                     UnknownNameFind(model, settings.fixByName, "fixed value")}) {
        if (!error.empty()) {
            return error;
        }
    }
    for (const auto &[name, range] : settings.limitByName) {
        if (!(range.dLower <= range.dUpper)) {
            return "limit of " + name + ": " + RangeText(range) + " is empty";
        }
        if (settings.fixByName.count(name) > 0) {
            return name + " is both fixed and limited";
        }
    }
    for (const auto &[name, dValue] : settings.fixByName) {
        if (!std::isfinite(dValue)) {
            return "fixed value of " + name + ": " + NumberText(dValue) + " is not finite";
        }
    }
    // The start values given, in order or by name, lie inside their limits.
    const std::vector<ParamRange> limits = FitLimitsResolve(model, settings);
    std::map<std::string, double> given = settings.startByName;
    for (size_t i = 0; i < settings.adStartInOrder.size(); i++) {
        given.try_emplace(model.ParamNames()[i], settings.adStartInOrder[i]);
    }
    for (const auto &[name, dValue] : given) {
        const ParamRange &range = limits[model.ParamFind(name)];
        if (settings.fixByName.count(name) == 0 &&
            !(std::isfinite(dValue) && Inside(dValue, range))) {
            return "start value of " + name + ": " + NumberText(dValue) +
                   " is not a finite number inside its limits " + RangeText(range);
        }
    }
    return "";
}

FitOutcome ModelFit(const Model &model, const DataRows &rows, const FitSettings &settings) {
    FitOutcome refused;
    try {
        refused.message = FitSettingsCheck(model, settings);
        refused.iStatus = kFitSettingRefused;
        if (!refused.message.empty()) {
            return refused;
        }
        return FitRun(model, rows, settings);
    } catch (const std::bad_alloc &) {
        refused.message = "out of memory";
    } catch (const std::exception &error) {
        refused.message = error.what();
    }
    refused.iStatus = kFitExceptionCaught;
    refused.message = "The fit stopped on an exception: " + refused.message;
    return refused;
}
