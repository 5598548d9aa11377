// The callbacks the library calls during a fit (model, analytic gradient,
// progress) and the term evaluation they share. The model's formula comes
// from gDemoModel; the protocol with the library is the same for both demos.
#include <cstdio>

#include <GL/gl.h>

#include "demos/frame/demo_model.h"
#include "demos/frame/frame.h"
#include "models/weighted_residuals.h"

namespace {

// Scratch vectors of the gradient callback and of the hand-over, apart from
// the model data.
double adGradient[kMaxPoints];
double adFitted[kMaxPoints];

// Reads the number of the current model, the number of the parameter being
// differentiated when piParamNumber is not null, and the model's data pointer.
int CurrentModelDataGet(VaroHandle iHandle, int *piModel, int *piParamNumber,
                        ModelData **ppModelData) {
    int iRc = VaroCurrentModelGet(iHandle, piModel);
    if (iRc == 0 && piParamNumber != nullptr) {
        iRc = VaroCurrentParamNumGet(iHandle, piParamNumber);
    }
    void *pData = nullptr;
    if (iRc == 0) {
        iRc = VaroModelDataPointerGet(iHandle, *piModel, &pData);
    }
    if (iRc != 0) {
        ApiErrorPrint(iHandle, iRc);
        return iRc;
    }
    *ppModelData = static_cast<ModelData *>(pData);
    return 0;
}

// Hands the elements of a vector of all rows to the library, leaving out
// the rows of weight 0 (all of them when no row has a weight), and prints a
// refusal.
int VectorReturn(VaroHandle iHandle, const ModelData &data, const double *adValues) {
    const int iNoFitted =
        static_cast<int>(WeightedRowsGather(data.iNoPoints, data.adWeight, adValues, adFitted));
    int iRc = iNoFitted > 0 ? VaroCbReturnVectSet(iHandle, adFitted, iNoFitted)
                            : VaroCbReturnVectSet(iHandle, adValues, data.iNoPoints);
    if (iRc != 0) {
        ApiErrorPrint(iHandle, iRc);
    }
    return iRc;
}

void IterationLinePrint(int iIteration, double dResNorm, double dPrevResNorm) {
    if (iIteration == 0) {
        std::printf("-- Iter=%d  ||R%d||=%e --\n", iIteration, iIteration, dResNorm);
        return;
    }
    std::printf("-- Iter= %d   ||R%d||= %e   (||R%d||-||R%d||)/||R%d||= %f --\n", iIteration,
                iIteration, dResNorm, iIteration - 1, iIteration, iIteration - 1,
                (dPrevResNorm - dResNorm) / dPrevResNorm);
}

// Prints the progress line of every term; returns 0 or the failing code.
int TermProgressLinesPrint(VaroHandle iHandle, int iNoTerms) {
    for (int iTerm = 1; iTerm <= iNoTerms; iTerm++) {
        double adParams[kMaxParamsPerTerm];
        double adShown[kMaxParamsPerTerm];
        int iRc = TermParamsGet(iHandle, 1, iTerm, adParams);
        if (iRc != 0) {
            return iRc;
        }
        gDemoModel.pFamily->ParamsToShown(adParams, adShown);
        gDemoModel.TermProgressLinePrint(iTerm, adShown);
    }
    return 0;
}

} // namespace

int ParamValueGet(VaroHandle iHandle, int iModel, int iParam, double *pdValue) {
    const int iRc = VaroParamCurValueGet(iHandle, iModel, iParam, pdValue);
    if (iRc != 0) {
        ApiErrorPrint(iHandle, iRc);
    }
    return iRc;
}

int TermParamsGet(VaroHandle iHandle, int iModel, int iTerm, double *adParams) {
    const int iFirst = (iTerm - 1) * gDemoModel.iParamsPerTerm + 1;
    for (int iParam = 0; iParam < gDemoModel.iParamsPerTerm; iParam++) {
        const int iRc = ParamValueGet(iHandle, iModel, iFirst + iParam, &adParams[iParam]);
        if (iRc != 0) {
            return iRc;
        }
    }
    return 0;
}

int TermsEvaluate(VaroHandle iHandle, ModelData *pModelData, int iModel) {
    CurvesStart(pModelData);
    for (int iTerm = 1; iTerm <= pModelData->iNoTerms; iTerm++) {
        double adParams[kMaxParamsPerTerm];
        int iRc = TermParamsGet(iHandle, iModel, iTerm, adParams);
        if (iRc != 0) {
            return iRc;
        }
        TermCurveAdd(pModelData, iTerm, adParams);
    }
    CurvesFinish(pModelData);
    return 0;
}

int ModelCallback(VaroHandle iHandle) {
    gDemoState.iModelEvaluations++;
    int iCurModel = 0;
    ModelData *pModelData = nullptr;
    int iRc = CurrentModelDataGet(iHandle, &iCurModel, nullptr, &pModelData);
    if (iRc != 0) {
        return iRc;
    }
    iRc = TermsEvaluate(iHandle, pModelData, iCurModel);
    if (iRc != 0) {
        ApiErrorPrint(iHandle, iRc);
        return iRc;
    }
    return VectorReturn(iHandle, *pModelData, pModelData->adResidual);
}

int GradientCallback(VaroHandle iHandle) {
    gDemoState.iGradientEvaluations++;
    int iCurModel = 0;
    int iCurParamNumber = 0;
    ModelData *pModelData = nullptr;
    int iRc = CurrentModelDataGet(iHandle, &iCurModel, &iCurParamNumber, &pModelData);
    if (iRc != 0) {
        return iRc;
    }
    const int iTerm = (iCurParamNumber - 1) / gDemoModel.iParamsPerTerm + 1;
    double adParams[kMaxParamsPerTerm];
    iRc = TermParamsGet(iHandle, iCurModel, iTerm, adParams);
    if (iRc != 0) {
        return iRc;
    }
    GradientCompute(pModelData, iCurParamNumber, adParams, adGradient);
    return VectorReturn(iHandle, *pModelData, adGradient);
}

int ProgressCallback(VaroHandle iHandle) {
    void *pData = nullptr;
    int iRc = VaroCurrentIterationGet(iHandle, &gDemoState.iCurIteration);
    if (iRc == 0) {
        iRc = VaroModelDataPointerGet(iHandle, 1, &pData);
    }
    if (iRc == 0) {
        iRc = VaroModelResidualsGet(iHandle, 1, &gDemoState.dResNorm, nullptr);
    }
    if (iRc != 0) {
        ApiErrorPrint(iHandle, iRc);
        return iRc;
    }
    const int iIteration = gDemoState.iCurIteration;
    if (iIteration > 0 || gDemoModel.bIterationZeroLinePrinted) {
        IterationLinePrint(iIteration, gDemoState.dResNorm, gDemoState.dPrevResNorm);
    }
    gDemoState.dPrevResNorm = gDemoState.dResNorm;
    ModelData *pModelData = static_cast<ModelData *>(pData);
    iRc = TermProgressLinesPrint(iHandle, pModelData->iNoTerms);
    if (iRc == 0) {
        iRc = TermsEvaluate(iHandle, pModelData, 1);
    }
    if (iRc != 0) {
        return iRc;
    }
    gDemoState.lEndClock = ClockMillisecondsGet();
    if (gDemoState.iNoPanels == kNoPanels) { // the windows are open
        PanelsRedraw();
        glFinish();
    }
    return 0;
}
