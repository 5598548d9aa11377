// The curves of the current problem computed from parameter values: term
// curves, model curve, weighted residuals R(i) = W(i)*(D(i) - F(i)), and the
// derivative of the residuals with respect to one parameter, the last two
// through the models layer's weighted residuals. No library calls here; the
// callbacks read the values from the library and hand these on.
#include "demos/frame/demo_model.h"
#include "demos/frame/frame.h"
#include "models/weighted_residuals.h"

void CurvesStart(ModelData *pData) {
    for (int i = 0; i < pData->iNoPoints; i++) {
        pData->adModel[i] = 0.0;
    }
}

void TermCurveAdd(ModelData *pData, int iTerm, const double *adTermParams) {
    double *adTerm = pData->aadTerm[iTerm - 1];
    for (int i = 0; i < pData->iNoPoints; i++) {
        adTerm[i] = gDemoModel.pFamily->TermValue(adTermParams, pData->adTime[i]);
        pData->adModel[i] += adTerm[i];
    }
}

void CurvesFinish(ModelData *pData) {
    WeightedResidualsCompute(pData->iNoPoints, pData->adData, pData->adWeight, pData->adModel,
                             pData->adResidual);
}

void GradientCompute(const ModelData *pData, int iParamNumber, const double *adTermParams,
                     double *adGradient) {
    const int iParam = (iParamNumber - 1) % gDemoModel.iParamsPerTerm;
    for (int i = 0; i < pData->iNoPoints; i++) {
        adGradient[i] = gDemoModel.pFamily->TermDerivative(iParam, adTermParams, pData->adTime[i]);
    }
    ResidualDerivativeCompute(pData->iNoPoints, pData->adWeight, adGradient, adGradient);
}
