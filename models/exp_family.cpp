// Values, derivatives and shown form of the exponential family.
#include "models/exp_family.h"

#include <cmath>

#include "models/model_family.h"

namespace {

enum { kAmpl, kGamma };

} // namespace

ExpPoint ExpPointCompute(const double *adParams, double dTime) {
    const double dE = std::exp(-adParams[kGamma] * dTime);
    return {dE * adParams[kAmpl], dE, -adParams[kAmpl] * dTime * dE};
}

double ExpTermValue(const double *adParams, double dTime) {
    return ExpPointCompute(adParams, dTime).dValue;
}

double ExpTermDerivative(int iParam, const double *adParams, double dTime) {
    const ExpPoint point = ExpPointCompute(adParams, dTime);
    return iParam == kAmpl ? point.dByAmpl : point.dByRate;
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
    .TermValue = ExpTermValue,
    .TermDerivative = ExpTermDerivative,
    .ShownToParams = ExpParamsCopy,
    .ParamsToShown = ExpParamsCopy,
    .StdErrorsToShown = ExpStdErrorsToShown,
    .StartValuesFind = ExpStartValuesFind,
};
