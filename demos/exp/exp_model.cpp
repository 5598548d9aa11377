// VaroExp: texts, defaults and start values of the multi-exponential model,
// whose formulas are the exponential family's. Parameters of term k: 2k-1
// amplitude, 2k decay rate.
#include <cmath>
#include <cstdio>

#include "demos/exp/exp_model.h"
#include "demos/frame/demo_model.h"
#include "demos/frame/frame.h"
#include "demos/frame/panels.h"
#include "models/model_family.h"

namespace {

enum { kAmpl, kGamma };

constexpr double kSmallestRate = 1e-300;
// Start rate when the data give none (no rows, or a last time of zero).
constexpr double kFallbackRate = 1.0;

constexpr float afDefaultIniValues[] = {50, 1, -50, 0.2f, 100, 0.001f, 200, 0.0002f};

// Term k falls to 10^-k of its start by the last row.
void TermStartGuess(const ModelData *pData, int iTerm, double *adShown) {
    const ModelData &data = *pData;
    adShown[kAmpl] = 0.0;
    adShown[kGamma] = kFallbackRate;
    if (data.iNoPoints <= 0) {
        return;
    }
    adShown[kAmpl] = data.adData[0] / data.iNoTerms;
    const double dRate = -iTerm * std::log(0.1) / data.adTime[data.iNoPoints - 1];
    if (std::isfinite(dRate)) {
        adShown[kGamma] = dRate;
    }
}

void TermLinePrint(int iTerm, const double *adShown) {
    std::printf("Ampl%d= %12.3e   Gamma%d= %12.3e\n", iTerm, adShown[kAmpl], iTerm,
                adShown[kGamma]);
}

void TermProgressLinePrint(int iTerm, const double *adShown) {
    std::printf("   Ampl%d= %12.3e   Gamma%d= %12.3e   Tau= %12.3e\n", iTerm, adShown[kAmpl], iTerm,
                adShown[kGamma], TauFromRate(adShown[kGamma]));
}

// Group 1 shows the amplitude, groups 2 and 3 the time constant and the rate;
// only that parameter is read.
int InfoRowsWrite(VaroHandle iHandle, int iGroup, int iTerm, float fX, float *pfY) {
    const int iParam = (iGroup == 1) ? 2 * iTerm - 1 : 2 * iTerm;
    double dValue = 0.0;
    const int iRc = ParamValueGet(iHandle, 1, iParam, &dValue);
    if (iRc != 0) {
        return iRc;
    }
    if (iGroup == 1) {
        InfoRowWrite(fX, pfY, "  A%d= %10.2e", iTerm, dValue);
    } else if (iGroup == 2) {
        InfoRowWrite(fX, pfY, "  T%d= %10.2e", iTerm, TauFromRate(dValue));
    } else {
        InfoRowWrite(fX, pfY, "  G%d= %10.2e", iTerm, dValue);
    }
    return 0;
}

} // namespace

double TauFromRate(double dGamma) {
    return 1 / (dGamma > kSmallestRate ? dGamma : kSmallestRate);
}

const DemoModel gDemoModel = {
    .iParamsPerTerm = 2,
    .pszTermCount = "No. exponentials: %d",
    .InfoRowsWrite = InfoRowsWrite,
    .apszBannerModelRows =
        {
            "| Weighted Least Squares Fit by a sum of decaying exponentials:|\n",
            "| find such parameters A(k), G(k), k=1..N for the function F(i)|\n",
            "|                 _N_                                          |\n",
            "|                 \\                                            |\n",
            "|           F(i)=  |   A(k)*exp( -G(k)*T(i) );                 |\n",
            "|                 /__                                          |\n",
            "|                 k=1                                          |\n",
        },
    .pszProgramName = "VaroExp",
    .pszTermsNoun = "exponentials",
    .pszUsageTermRows = "  <no exponentials> : the number of exponential terms;\n"
                        "  <Ai> <Gi> : initial amplitudes and decay rates for the term i;\n",
    .bTooFewTermsRefused = true,
    .pszDefaultDataFile = "ExpDemo.dat",
    .iDefaultNoTerms = 1,
    .afDefaultIniValues = afDefaultIniValues,
    .pszTitleModel = "exponential",
    .apszProblemEntries = {"1 exponent", "2 exponents", "3 exponents", "4 exponents"},
    .bIterationZeroLinePrinted = false,
    .pFamily = &gExpFamily,
    .TermStartGuess = TermStartGuess,
    .TermLinePrint = TermLinePrint,
    .TermProgressLinePrint = TermProgressLinePrint,
};
