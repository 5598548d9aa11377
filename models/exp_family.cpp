// Values, derivatives and shown form of the exponential family.
#include "models/exp_family.h"

#include <cmath>

#include "models/model_family.h"

namespace {

enum { kAmpl, kGamma };

} // namespace

double ExpTermValue(const double *adParams, double dTime) {
    return std::exp(-adParams[kGamma] * dTime) * adParams[kAmpl];
}

double ExpTermDerivative(int iParam, const double *adParams, double dTime) {
    const double dE = std::exp(-adParams[kGamma] * dTime);
    return iParam == kAmpl ? dE : -adParams[kAmpl] * dTime * dE;
}

void ExpParamsCopy(const double *adFrom, double *adTo) {
    adTo[kAmpl] = adFrom[kAmpl];
    adTo[kGamma] = adFrom[kGamma];
}

void ExpStdErrorsToShown(const double * /*adParams*/, const double *adParamErrors,
                         double *adShownErrors) {
    ExpParamsCopy(adParamErrors, adShownErrors);
}

const ModelFamily gExpFamily = {
    .pszName = "exp",
    .iParamsPerTerm = 2,
    .apszShownNames = {"Ampl", "Gamma", nullptr},
    .TermValue = ExpTermValue,
    .TermDerivative = ExpTermDerivative,
    .ShownToParams = ExpParamsCopy,
    .ParamsToShown = ExpParamsCopy,
    .StdErrorsToShown = ExpStdErrorsToShown,
    .StartValuesFind = ExpStartValuesFind,
};
