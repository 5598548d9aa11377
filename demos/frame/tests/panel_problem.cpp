#include "demos/frame/tests/panel_problem.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "demos/frame/demo_model.h"
#include "demos/frame/panels.h"

std::vector<InfoRowCall> gInfoRowCalls;

namespace {

// Reads parameter iParam (0 amplitude, 1 mean, 2 variance) of term iTerm.
int TermParamGet(VaroHandle iHandle, int iTerm, int iParam, double *adParams) {
    const int iRc = VaroParamCurValueGet(iHandle, 1, 3 * iTerm - 2 + iParam, &adParams[iParam]);
    if (iRc != 0) {
        std::printf("VARO API error, iRc=%d\n'%s'\n", iRc, VaroErrorStringGet(iHandle));
    }
    return iRc;
}

// The gaussian rows: amplitude, mean, and width with width over mean; each
// group reads only the parameters it shows.
int GaussInfoRowsWrite(VaroHandle iHandle, int iGroup, int iTerm, float fX, float *pfY) {
    double adParams[3] = {};
    const int iFirst = (iGroup == 1) ? 0 : 1;
    const int iLast = iGroup - 1;
    for (int i = iFirst; i <= iLast; ++i) {
        const int iRc = TermParamGet(iHandle, iTerm, i, adParams);
        if (iRc != 0) {
            return iRc;
        }
    }
    gInfoRowCalls.push_back({iGroup, iTerm, *pfY, adParams[iGroup - 1]});
    if (iGroup == 1) {
        InfoRowWrite(fX, pfY, "  A%d= %13.2e", iTerm, adParams[0]);
    } else if (iGroup == 2) {
        InfoRowWrite(fX, pfY, "  M%d= %13.2e", iTerm, adParams[1]);
    } else {
        const double dSigma = std::sqrt(adParams[2]);
        InfoRowWrite(fX, pfY, "  S%d= %13.2e", iTerm, dSigma);
        InfoRowWrite(fX, pfY, "  S%d/M%d= %8.2g", iTerm, iTerm, dSigma / adParams[1]);
    }
    return 0;
}

// Only the parts of the model description that the panels use.
DemoModel GaussPanelModelDescribe() {
    DemoModel model{};
    model.iParamsPerTerm = 3;
    model.pszTermCount = "No. gaussians: %d";
    model.InfoRowsWrite = GaussInfoRowsWrite;
    return model;
}

void CurvesFill(ModelData &data, int iNoTerms) {
    data.iNoTerms = iNoTerms;
    data.iNoPoints = kPanelProblemPoints;
    for (int i = 0; i < kPanelProblemPoints; ++i) {
        const double dTime = i;
        data.adTime[i] = dTime;
        data.adModel[i] = 0.0;
        for (int k = 1; k <= std::min(iNoTerms, kMaxTerms); ++k) {
            const double dOffset = dTime - TermMean(k);
            data.aadTerm[k - 1][i] =
                TermAmplitude(k) * std::exp(-dOffset * dOffset / (2.0 * kTermVariance));
            data.adModel[i] += data.aadTerm[k - 1][i];
        }
        data.adData[i] = data.adModel[i] + 0.5 * std::sin(i);
        data.adWeight[i] = 1.0;
        data.adResidual[i] = data.adData[i] - data.adModel[i];
    }
}

} // namespace

const DemoModel gDemoModel = GaussPanelModelDescribe();

int PanelProblemPrepare(int iNoTerms) {
    CurvesFill(gDemoState.modelData, iNoTerms);
    VaroHandle &iHandle = gDemoState.iHandle;
    int iRc = VaroObjectCreate(&iHandle);
    iRc = (iRc != 0) ? iRc : VaroNoModelsSet(iHandle, 1);
    iRc = (iRc != 0) ? iRc : VaroNoModelParamsSet(iHandle, 1, 3 * iNoTerms);
    for (int k = 1; k <= iNoTerms && iRc == 0; ++k) {
        iRc = VaroParamIniValueSet(iHandle, 1, 3 * k - 2, TermAmplitude(k));
        iRc = (iRc != 0) ? iRc : VaroParamIniValueSet(iHandle, 1, 3 * k - 1, TermMean(k));
        iRc = (iRc != 0) ? iRc : VaroParamIniValueSet(iHandle, 1, 3 * k, kTermVariance);
    }
    return iRc;
}
