#include "demos/frame/tests/demo_fixture.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <gtest/gtest.h>

#include "demos/frame/demo_model.h"
#include "demos/frame/frame.h"

namespace {

// The curves and residuals for all parameters of the model at once.
void TermsCompute(ModelData *pData, const std::vector<double> &adParams) {
    CurvesStart(pData);
    for (int iTerm = 1; iTerm <= pData->iNoTerms; iTerm++) {
        TermCurveAdd(pData, iTerm, &adParams[(iTerm - 1) * gDemoModel.iParamsPerTerm]);
    }
    CurvesFinish(pData);
}

} // namespace

void DemoStateReset() {
    VaroObjectDelete(gDemoState.iHandle);
    std::memset(&gDemoState, 0, sizeof gDemoState);
}

std::string SampleDataPath(const char *pszName) {
    return std::string(VARO_DATA_DIR) + "/" + pszName;
}

int SampleDataLoad(const std::string &path) {
    ModelData &data = gDemoState.modelData;
    data.iNoPoints = kMaxPoints;
    return DataFileRead(path.c_str(), &data.iNoPoints, data.adTime, data.adData, data.adWeight);
}

std::string ConsoleCapture(const std::function<void()> &fn) {
    testing::internal::CaptureStdout();
    fn();
    return testing::internal::GetCapturedStdout();
}

std::string CommandLineRefusalName(const testing::TestParamInfo<CommandLineRefusal> &info) {
    return info.param.pszName;
}

void PrintTo(const CommandLineRefusal &refusal, std::ostream *pStream) {
    *pStream << refusal.pszName;
}

CommandLineRun CommandLineReadAll(const char *pszProgram, std::vector<std::string> args) {
    args.insert(args.begin(), pszProgram);
    std::vector<char *> apszArgv;
    for (std::string &arg : args) {
        apszArgv.push_back(arg.data());
    }
    apszArgv.push_back(nullptr);
    DemoStateReset();
    CommandLineRun run{};
    run.console = ConsoleCapture([&] {
        run.iRc = CommandLineRead(static_cast<int>(args.size()), apszArgv.data(), &gDemoState,
                                  &run.dataFile);
    });
    return run;
}

int ProblemFit(int iNoTerms, int iDifferentiation, std::string *pConsole) {
    gDemoState.modelData.iNoTerms = iNoTerms;
    gDemoState.iDifferentiation = iDifferentiation;
    int iRc = 0;
    *pConsole = ConsoleCapture([&iRc] {
        iRc = ProblemSetUp();
        if (iRc == 0) {
            iRc = FitRun();
        }
    });
    return iRc;
}

void RowsSet(const std::vector<double> &adTime, const std::vector<double> &adData) {
    ModelData &data = gDemoState.modelData;
    data.iNoPoints = static_cast<int>(adTime.size());
    std::copy(adTime.begin(), adTime.end(), data.adTime);
    std::copy(adData.begin(), adData.end(), data.adData);
    std::fill(data.adWeight, data.adWeight + data.iNoPoints, 1.0);
}

int StartValuesSetUp(int iNoTerms, const std::vector<float> &afIniValues, std::string *pConsole) {
    gDemoState.modelData.iNoTerms = iNoTerms;
    gDemoState.iNoIniValues = static_cast<int>(afIniValues.size());
    std::copy(afIniValues.begin(), afIniValues.end(), gDemoState.afIniValues);
    int iRc = -1;
    *pConsole = ConsoleCapture([&iRc] { iRc = ProblemSetUp(); });
    return iRc;
}

void GradientCheck(const std::vector<double> &adParams) {
    ModelData &data = gDemoState.modelData;
    const int iPerTerm = gDemoModel.iParamsPerTerm;
    std::vector<double> adAnalytic(data.iNoPoints);
    for (int iParam = 1; iParam <= static_cast<int>(adParams.size()); iParam++) {
        const double *adTermParams = &adParams[iPerTerm * ((iParam - 1) / iPerTerm)];
        GradientCompute(&data, iParam, adTermParams, adAnalytic.data());
        const double dStep = 1e-6 * std::max(1.0, std::fabs(adParams[iParam - 1]));
        std::vector<double> adShifted = adParams;
        adShifted[iParam - 1] += dStep;
        TermsCompute(&data, adShifted);
        const std::vector<double> adUp(data.adResidual, data.adResidual + data.iNoPoints);
        adShifted[iParam - 1] -= 2 * dStep;
        TermsCompute(&data, adShifted);
        for (int i = 0; i < data.iNoPoints; i++) {
            const double dNumeric = (adUp[i] - data.adResidual[i]) / (2 * dStep);
            EXPECT_NEAR(adAnalytic[i], dNumeric, 1e-6 * (1 + std::fabs(dNumeric)))
                << "parameter " << iParam << ", row " << i;
        }
    }
}

std::vector<double> ParamValues(int iNoParams) {
    std::vector<double> adValues(iNoParams);
    for (int iParam = 1; iParam <= iNoParams; iParam++) {
        EXPECT_EQ(VaroParamCurValueGet(gDemoState.iHandle, 1, iParam, &adValues[iParam - 1]), 0)
            << "parameter " << iParam;
    }
    return adValues;
}
