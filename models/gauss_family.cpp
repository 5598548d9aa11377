// Values, derivatives and shown form of the gaussian family.
#include "models/gauss_family.h"

#include <cmath>

#include "models/model_family.h"

namespace {

enum { kAmpl, kMean, kVar };

double Exponential(const double *adParams, double dTime) {
    const double dOffset = dTime - adParams[kMean];
    return std::exp(-(dOffset * dOffset) / (2 * adParams[kVar]));
}

} // namespace

double GaussTermValue(const double *adParams, double dTime) {
    return adParams[kAmpl] * Exponential(adParams, dTime);
}

double GaussTermDerivative(int iParam, const double *adParams, double dTime) {
    const double dE = Exponential(adParams, dTime);
    const double dOffset = dTime - adParams[kMean];
    const double dVar = adParams[kVar];
    switch (iParam) {
    case kAmpl:
        return dE;
    case kMean:
        return adParams[kAmpl] * dE * dOffset / dVar;
    default:
        return adParams[kAmpl] * dE * dOffset * dOffset / (2 * dVar * dVar);
    }
}

void GaussShownToParams(const double *adShown, double *adParams) {
    adParams[kAmpl] = adShown[kAmpl];
    adParams[kMean] = adShown[kMean];
    adParams[kVar] = adShown[kVar] * adShown[kVar];
}

void GaussParamsToShown(const double *adParams, double *adShown) {
    adShown[kAmpl] = adParams[kAmpl];
    adShown[kMean] = adParams[kMean];
    adShown[kVar] = std::sqrt(adParams[kVar]);
}

// dS/dV = 1 / (2*S).
void GaussStdErrorsToShown(const double *adParams, const double *adParamErrors,
                           double *adShownErrors) {
    adShownErrors[kAmpl] = adParamErrors[kAmpl];
    adShownErrors[kMean] = adParamErrors[kMean];
    adShownErrors[kVar] = adParamErrors[kVar] / (2 * std::sqrt(adParams[kVar]));
}

const ModelFamily gGaussFamily = {
    .pszName = "gauss",
    .iParamsPerTerm = 3,
    .apszShownNames = {"Ampl", "Mean", "Sigma"},
    .TermValue = GaussTermValue,
    .TermDerivative = GaussTermDerivative,
    .ShownToParams = GaussShownToParams,
    .ParamsToShown = GaussParamsToShown,
    .StdErrorsToShown = GaussStdErrorsToShown,
    .StartValuesFind = GaussStartValuesFind,
};
