// VaroGauss: texts, defaults and start values of the multi-gaussian model,
// whose formulas are the gaussian family's. Parameters of term k: 3k-2
// amplitude, 3k-1 mean, 3k variance; the console and the panel show the
// standard deviation instead of the variance.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "demos/frame/demo_model.h"
#include "demos/frame/frame.h"
#include "demos/frame/panels.h"
#include "demos/gauss/gauss_model.h"
#include "models/model_family.h"

namespace {

enum { kAmpl, kMean, kVar };

constexpr float afDefaultIniValues[] = {50, 350, 60, 50, 400, 60, 50, 500, 60, 50, 600, 60};

void TermStartGuess(const ModelData *pData, int iTerm, double *adShown) {
    const DataStatisticsResult stats = DataStatistics(pData);
    const double dSpread = StartSpreadChoose(pData, stats.dDataSigma);
    const int iNoTerms = pData->iNoTerms;
    adShown[kAmpl] = stats.dDataMax / iNoTerms;
    adShown[kMean] = iNoTerms > 1 ? stats.dDataMean + 2 * dSpread * (iTerm - (iNoTerms + 1) / 2.0) /
                                                          (iNoTerms - 1)
                                  : stats.dDataMean;
    adShown[kVar] = dSpread / iNoTerms;
}

void TermLinePrint(int iTerm, const double *adShown) {
    std::printf("Ampl%d= %12.3e   Mean%d= %12.3e   dSigma%d= %12.3e\n", iTerm, adShown[kAmpl],
                iTerm, adShown[kMean], iTerm, adShown[kVar]);
}

void TermProgressLinePrint(int iTerm, const double *adShown) {
    std::printf("   Ampl%d= %12.3e   Mean%d= %12.3e   Sigma%d= %12.3e\n", iTerm, adShown[kAmpl],
                iTerm, adShown[kMean], iTerm, adShown[kVar]);
}

// Only what the group shows is read: the amplitude, the mean, or the mean and
// the variance.
int InfoRowsWrite(VaroHandle iHandle, int iGroup, int iTerm, float fX, float *pfY) {
    const int iFirst = 3 * iTerm - 2;
    double dAmpl = 0.0;
    if (iGroup == 1) {
        const int iRc = ParamValueGet(iHandle, 1, iFirst + kAmpl, &dAmpl);
        if (iRc == 0) {
            InfoRowWrite(fX, pfY, "  A%d= %13.2e", iTerm, dAmpl);
        }
        return iRc;
    }
    double dMean = 0.0;
    int iRc = ParamValueGet(iHandle, 1, iFirst + kMean, &dMean);
    if (iRc != 0) {
        return iRc;
    }
    if (iGroup == 2) {
        InfoRowWrite(fX, pfY, "  M%d= %13.2e", iTerm, dMean);
        return 0;
    }
    double dVar = 0.0;
    iRc = ParamValueGet(iHandle, 1, iFirst + kVar, &dVar);
    if (iRc != 0) {
        return iRc;
    }
    const double dSigma = std::sqrt(dVar);
    InfoRowWrite(fX, pfY, "  S%d= %13.2e", iTerm, dSigma);
    InfoRowWrite(fX, pfY, "  S%d/M%d= %8.2g", iTerm, iTerm, dSigma / dMean);
    return 0;
}

} // namespace

DataStatisticsResult DataStatistics(const ModelData *pData) {
    const ModelData &data = *pData;
    if (data.iNoPoints <= 0) {
        return {0.0, 0.0, 0.0};
    }
    double dMax = data.adData[0];
    double dS0 = 0.0, dS1 = 0.0, dS2 = 0.0;
    for (int i = 0; i < data.iNoPoints; i++) {
        const double dT = data.adTime[i];
        const double dD = data.adData[i];
        dMax = std::max(dMax, dD);
        dS0 += dD;
        dS1 += dD * dT;
        dS2 += dT * dT * dD;
    }
    double dMean = dS1;
    double dMoment2 = dS2;
    if (dS0 != 0) {
        dMean = dS1 / dS0;
        dMoment2 = dS2 / dS0;
    }
    return {dMax, dMean, std::sqrt(dMoment2 - dMean * dMean)};
}

double StartSpreadChoose(const ModelData *pData, double dDataSigma) {
    if (std::isfinite(dDataSigma) && dDataSigma > 0) {
        return dDataSigma;
    }
    const ModelData &data = *pData;
    if (data.iNoPoints <= 0) {
        return 1.0;
    }
    const auto [pMin, pMax] = std::minmax_element(data.adTime, data.adTime + data.iNoPoints);
    const double dQuarterRange = (*pMax - *pMin) / 4;
    return std::isfinite(dQuarterRange) && dQuarterRange > 0 ? dQuarterRange : 1.0;
}

const DemoModel gDemoModel = {
    .iParamsPerTerm = 3,
    .pszTermCount = "No. gaussians: %d",
    .InfoRowsWrite = InfoRowsWrite,
    .apszBannerModelRows =
        {
            "| Weighted Least Squares Fit by a sum of gaussian functions:   |\n",
            "| find parameters A(k),M(k),S(K) k=1..N for the function F(i)  |\n",
            "|           _N_                                                |\n",
            "|           \\                                                  |\n",
            "|     F(i)=  |   A(k)*exp( -(T(i)-M(k))^2 / (2*S(k)^2)  );     |\n",
            "|           /__                                                |\n",
            "|           k=1                                                |\n",
        },
    .pszProgramName = "VaroGauss",
    .pszTermsNoun = "gaussians",
    .pszUsageTermRows =
        "  <no gaussians> : the number of gaussians terms;\n"
        "   <Ai> <Mi> <Si> : initial amplitude, mean and standard deviation for the term;\n",
    .bTooFewTermsRefused = false,
    .pszDefaultDataFile = "GaussDemo.dat",
    .iDefaultNoTerms = 4,
    .afDefaultIniValues = afDefaultIniValues,
    .pszTitleModel = "gaussian",
    .apszProblemEntries = {"1 gaussian", "2 gaussians", "3 gaussians", "4 gaussians"},
    .bIterationZeroLinePrinted = true,
    .pFamily = &gGaussFamily,
    .TermStartGuess = TermStartGuess,
    .TermLinePrint = TermLinePrint,
    .TermProgressLinePrint = TermProgressLinePrint,
};
