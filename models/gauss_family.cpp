// Values, derivatives and shown form of the gaussian family.
#include "models/gauss_family.h"

#include <cmath>

#include "models/model.h"
#include "models/model_family.h"
#include "models/start_values.h"
#include "models/terms.h"

namespace {

enum { kAmpl, kMean, kVar };

} // namespace

GaussPoint GaussPointCompute(const double *adParams, double dTime) {
    const double dOffset = dTime - adParams[kMean];
    const double dVar = adParams[kVar];
    const double dE = std::exp(-(dOffset * dOffset) / (2 * dVar));
    const double dAmpl = adParams[kAmpl];
    return {dAmpl * dE, dE, dAmpl * dE * dOffset / dVar,
            dAmpl * dE * dOffset * dOffset / (2 * dVar * dVar)};
}

double GaussTermValue(const double *adParams, double dTime) {
    return GaussPointCompute(adParams, dTime).dValue;
}

double GaussTermDerivative(int iParam, const double *adParams, double dTime) {
    const GaussPoint point = GaussPointCompute(adParams, dTime);
    switch (iParam) {
    case kAmpl:
        return point.dByAmpl;
    case kMean:
        return point.dByMean;
    default:
        return point.dByVar;
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

// The gaussian term's parameters are the shown form.
void GaussStartValuesFind(const DataRows &rows, int iNoTerms, double *adShown) {
    Model model;
    for (int iTerm = 1; iTerm <= iNoTerms; iTerm++) {
        model.TermAdd(GaussianTermMake(), "", std::to_string(iTerm), nullptr);
    }
    const std::vector<double> adStart = ModelStartValuesFind(model, rows);
    std::copy(adStart.begin(), adStart.end(), adShown);
}

const ModelFamily gGaussFamily = {
    .pszName = "gauss",
    .iParamsPerTerm = 3,
    .TermValue = GaussTermValue,
    .TermDerivative = GaussTermDerivative,
    .ShownToParams = GaussShownToParams,
    .ParamsToShown = GaussParamsToShown,
    .StdErrorsToShown = GaussStdErrorsToShown,
    .StartValuesFind = GaussStartValuesFind,
};
