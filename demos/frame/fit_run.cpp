// Fit object set-up for the current problem, its start values, and one fit
// run with its console report.
#include <cmath>
#include <cstdio>

#include <GL/glut.h>

#include "demos/frame/demo_model.h"
#include "demos/frame/frame.h"
#include "demos/frame/panels.h"

namespace {

constexpr int kModel = 1;

// Takes the start values of every term from the initial-value table, the
// model's guesses filling what the table does not hold; sets and prints them.
int StartValuesSet(VaroHandle iHandle) {
    const ModelData &data = gDemoState.modelData;
    const int iNoParams = gDemoModel.iParamsPerTerm;
    std::printf("Initial values:\n");
    int j = 0;
    for (int iTerm = 1; iTerm <= data.iNoTerms; iTerm++) {
        double adShown[kMaxParamsPerTerm];
        double adParams[kMaxParamsPerTerm];
        gDemoModel.TermStartGuess(&data, iTerm, adShown);
        for (int iParam = 0; iParam < iNoParams; iParam++, j++) {
            if (j < gDemoState.iNoIniValues) {
                adShown[iParam] = gDemoState.afIniValues[j];
            }
        }
        gDemoModel.pFamily->ShownToParams(adShown, adParams);
        for (int iParam = 0; iParam < iNoParams; iParam++) {
            int iRc = VaroParamIniValueSet(iHandle, kModel, (iTerm - 1) * iNoParams + iParam + 1,
                                           adParams[iParam]);
            if (iRc != 0) {
                return iRc;
            }
        }
        gDemoModel.TermLinePrint(iTerm, adShown);
    }
    return 0;
}

// Configures a new fit object; returns 0 or the first failing library code.
int ObjectConfigure(VaroHandle iHandle) {
    ModelData &data = gDemoState.modelData;
    int iRc = VaroProgressCallbackSet(iHandle, ProgressCallback);
    if (iRc == 0) {
        iRc = VaroNoModelsSet(iHandle, 1);
    }
    if (iRc == 0) {
        iRc = VaroModelCallbackSet(iHandle, kModel, ModelCallback);
    }
    if (iRc == 0 && gDemoState.iDifferentiation == 1) {
        iRc = VaroGradientCallbackSet(iHandle, kModel, GradientCallback);
    }
    if (iRc == 0) {
        iRc = VaroModelDataPointerSet(iHandle, kModel, &data);
    }
    if (iRc == 0) {
        iRc = VaroCovarianceSet(iHandle, 1);
    }
    if (iRc == 0) {
        iRc = VaroNoModelParamsSet(iHandle, kModel, gDemoModel.iParamsPerTerm * data.iNoTerms);
    }
    if (iRc == 0) {
        iRc = StartValuesSet(iHandle);
    }
    return iRc;
}

double ResidualNormCompute(const ModelData &data) {
    double dSum = 0.0;
    for (int i = 0; i < data.iNoPoints; i++) {
        dSum += data.adResidual[i] * data.adResidual[i];
    }
    return std::sqrt(dSum);
}

// Prints the fitted values of every term; returns 0 or the failing code.
int ResultsPrint(VaroHandle iHandle) {
    std::printf("===== Optimization results =====\n");
    for (int iTerm = 1; iTerm <= gDemoState.modelData.iNoTerms; iTerm++) {
        double adParams[kMaxParamsPerTerm];
        double adShown[kMaxParamsPerTerm];
        int iRc = TermParamsGet(iHandle, kModel, iTerm, adParams);
        if (iRc != 0) {
            return iRc;
        }
        gDemoModel.pFamily->ParamsToShown(adParams, adShown);
        gDemoModel.TermLinePrint(iTerm, adShown);
    }
    std::printf("No. model function evaluations=    %d\n", gDemoState.iModelEvaluations);
    std::printf("No. gradient funciton evaluations= %d\n", gDemoState.iGradientEvaluations);
    return 0;
}

// The standard errors of one term's shown values; 0 or the failing code.
int TermStdErrorsGet(VaroHandle iHandle, int iTerm, double *adShownErrors) {
    double adParams[kMaxParamsPerTerm];
    double adStdErrors[kMaxParamsPerTerm];
    int iRc = TermParamsGet(iHandle, kModel, iTerm, adParams);
    const int iFirst = (iTerm - 1) * gDemoModel.iParamsPerTerm + 1;
    for (int iParam = 0; iRc == 0 && iParam < gDemoModel.iParamsPerTerm; iParam++) {
        iRc = VaroParamStdErrorGet(iHandle, kModel, iFirst + iParam, &adStdErrors[iParam]);
    }
    if (iRc == 0) {
        gDemoModel.pFamily->StdErrorsToShown(adParams, adStdErrors, adShownErrors);
    }
    return iRc;
}

// Prints the standard error of every value of the results, then chi-square
// and the degrees of freedom, which leave out the rows of weight 0 since the
// callbacks hand the library only the weighted rows.
// Standard errors the library cannot give (a rank-deficient fit, for one) are
// reported with its message and do not fail the fit; returns 0 or the code of
// a failing chi-square query.
int StdErrorsPrint(VaroHandle iHandle) {
    std::printf("===== Standard errors =====\n");
    for (int iTerm = 1; iTerm <= gDemoState.modelData.iNoTerms; iTerm++) {
        double adShownErrors[kMaxParamsPerTerm];
        const int iRc = TermStdErrorsGet(iHandle, iTerm, adShownErrors);
        if (iRc != 0) {
            ApiErrorPrint(iHandle, iRc);
            break;
        }
        gDemoModel.TermLinePrint(iTerm, adShownErrors);
    }
    double dChiSquare = 0.0;
    int iDegreesOfFreedom = 0;
    int iRc = VaroChiSquareGet(iHandle, &dChiSquare);
    if (iRc == 0) {
        iRc = VaroDegreesOfFreedomGet(iHandle, &iDegreesOfFreedom);
    }
    if (iRc != 0) {
        ApiErrorPrint(iHandle, iRc);
        return iRc;
    }
    // Chi-square over no or negative degrees of freedom is no reduced chi-square.
    if (iDegreesOfFreedom > 0) {
        std::printf("Chi-square=%12.5e  Degrees of freedom=%d  Reduced chi-square=%12.5e\n",
                    dChiSquare, iDegreesOfFreedom, dChiSquare / iDegreesOfFreedom);
    } else {
        std::printf("Chi-square=%12.5e  Degrees of freedom=%d\n", dChiSquare, iDegreesOfFreedom);
    }
    return 0;
}

} // namespace

int ProblemSetUp() {
    VaroObjectDelete(gDemoState.iHandle);
    gDemoState.iHandle = 0;
    VaroHandle iHandle = 0;
    int iRc = VaroObjectCreate(&iHandle);
    if (iRc == 0) {
        iRc = ObjectConfigure(iHandle);
    }
    if (iRc != 0) {
        ApiErrorPrint(iHandle, iRc);
        VaroObjectDelete(iHandle);
        return iRc;
    }
    gDemoState.iHandle = iHandle;
    ModelData &data = gDemoState.modelData;
    TermsEvaluate(iHandle, &data, kModel);
    gDemoState.dResNorm = ResidualNormCompute(data);
    return 0;
}

int FitRun() {
    gDemoState.iFitState = kFitRunning;
    gDemoState.lStartClock = ClockMillisecondsGet();
    VaroHandle iHandle = gDemoState.iHandle;
    int iRc = VaroProcessing(iHandle);
    gDemoState.lEndClock = ClockMillisecondsGet();
    if (iRc != 0) {
        ApiErrorPrint(iHandle, iRc);
    } else {
        iRc = ResultsPrint(iHandle);
        if (iRc == 0) {
            iRc = StdErrorsPrint(iHandle);
        }
    }
    gDemoState.iFitState = kFitFinished;
    if (gDemoState.iNoPanels == kNoPanels) { // the windows are open
        InfoPanelDisplay();
        glutPostRedisplay();
        glFinish();
    }
    if (iRc != 0) {
        VaroObjectDelete(iHandle);
        gDemoState.iHandle = 0;
    }
    return iRc;
}
