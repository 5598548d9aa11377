// VaroGauss's model: data statistics, start values, the analytic gradient,
// the progress report and fits of the shipped sample data.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "demos/frame/demo_model.h"
#include "demos/frame/frame.h"
#include "demos/frame/tests/demo_fixture.h"
#include "demos/gauss/gauss_model.h"

namespace {

TEST(StartSpread, FallsBackWhenTheDataGiveNoSpread) {
    DemoStateReset();
    RowsSet({100, 300, 500}, {-1, 2, -1}); // data sum 0
    const double dSigma = DataStatistics(&gDemoState.modelData).dDataSigma;
    EXPECT_FALSE(std::isfinite(dSigma) && dSigma > 0) << dSigma;
    EXPECT_DOUBLE_EQ(StartSpreadChoose(&gDemoState.modelData, dSigma), 100.0);
    EXPECT_DOUBLE_EQ(StartSpreadChoose(&gDemoState.modelData, 7.0), 7.0);
    RowsSet({4}, {1});
    EXPECT_DOUBLE_EQ(StartSpreadChoose(&gDemoState.modelData, 0.0), 1.0);
}

struct StartCase {
    const char *pszName;
    int iNoTerms;
    std::vector<float> afIniValues;
    std::vector<double> adShown; // A, M, S per term
};

// Shown as the case's name where a test reports its parameter.
void PrintTo(const StartCase &c, std::ostream *pStream) {
    *pStream << c.pszName;
}

// Data with dDataMax 4, dDataMean 20 and dDataSigma 10.
void StartDataSet() {
    RowsSet({10, 20, 30}, {2, 4, 2});
}
constexpr double kMean = 20, kSigma = 10.0 * 0.7071067811865476;

class StartValues : public testing::TestWithParam<StartCase> {};

TEST_P(StartValues, TakeTheTableThenTheDataStatistics) {
    const StartCase &c = GetParam();
    DemoStateReset();
    StartDataSet();
    std::string console;
    ASSERT_EQ(StartValuesSetUp(c.iNoTerms, c.afIniValues, &console), 0) << console;
    const std::vector<std::string> lines = ConsoleLines(console);
    ASSERT_EQ(lines.size(), static_cast<size_t>(c.iNoTerms + 1)) << console;
    EXPECT_EQ(lines[0], "Initial values:");
    const std::vector<double> adParams = ParamValues(3 * c.iNoTerms);
    for (int iTerm = 1; iTerm <= c.iNoTerms; iTerm++) {
        const double *adShown = &c.adShown[3 * (iTerm - 1)];
        const double *adParam = &adParams[3 * (iTerm - 1)];
        EXPECT_DOUBLE_EQ(adParam[0], adShown[0]) << "amplitude of term " << iTerm;
        EXPECT_DOUBLE_EQ(adParam[1], adShown[1]) << "mean of term " << iTerm;
        EXPECT_DOUBLE_EQ(adParam[2], adShown[2] * adShown[2]) << "variance of term " << iTerm;
        char acLine[128];
        std::snprintf(acLine, sizeof acLine, "Ampl%d= %12.3e   Mean%d= %12.3e   dSigma%d= %12.3e",
                      iTerm, adShown[0], iTerm, adShown[1], iTerm, adShown[2]);
        EXPECT_EQ(lines[iTerm], acLine);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Problems, StartValues,
    testing::Values(StartCase{"OneTermFromData", 1, {}, {4, kMean, kSigma}},
                    StartCase{"FourTermsFromData",
                              4,
                              {},
                              {1, kMean - kSigma, kSigma / 4, 1, kMean - kSigma / 3, kSigma / 4, 1,
                               kMean + kSigma / 3, kSigma / 4, 1, kMean + kSigma, kSigma / 4}},
                    StartCase{"AmplitudeGivenRestFromData",
                              2,
                              {100},
                              {100, kMean - kSigma, kSigma / 2, 2, kMean + kSigma, kSigma / 2}},
                    StartCase{"SinglePrecisionWidened", 1, {0.1f, 25, 3}, {double(0.1f), 25, 3}}),
    [](const testing::TestParamInfo<StartCase> &info) { return info.param.pszName; });

TEST(Gradient, EqualsCentralDifferencesAtRandomPoints) {
    DemoStateReset();
    std::mt19937 random(12345);
    std::uniform_real_distribution<double> unit(0, 1);
    ModelData &data = gDemoState.modelData;
    data.iNoPoints = 50;
    for (int i = 0; i < data.iNoPoints; i++) {
        data.adTime[i] = 100 * unit(random);
        data.adData[i] = 10 * unit(random);
        data.adWeight[i] = 0.2 + 3 * unit(random);
    }
    data.iNoTerms = 3;
    for (int iPoint = 0; iPoint < 5; iPoint++) {
        SCOPED_TRACE("random point " + std::to_string(iPoint));
        std::vector<double> adParams;
        for (int iTerm = 0; iTerm < data.iNoTerms; iTerm++) {
            adParams.insert(adParams.end(), {1 + 20 * unit(random), 100 * unit(random),
                                             50 + 400 * unit(random)}); // A, M, V
        }
        GradientCheck(adParams);
    }
}

struct SampleFitCase {
    const char *pszName;
    int iNoTerms;
    int iDifferentiation;
};

// Shown as the case's name where a test reports its parameter.
void PrintTo(const SampleFitCase &c, std::ostream *pStream) {
    *pStream << c.pszName;
}

class SampleFit : public testing::TestWithParam<SampleFitCase> {};

TEST_P(SampleFit, ShippedDataFitWithoutError) {
    const SampleFitCase &c = GetParam();
    DemoStateReset();
    ASSERT_EQ(SampleDataLoad(SampleDataPath("GaussDemo.dat")), 0);
    gDemoState.iNoIniValues = 0;
    std::string console;
    EXPECT_EQ(ProblemFit(c.iNoTerms, c.iDifferentiation, &console), 0) << console;
    EXPECT_EQ(LinesStartingWith(console, "===== Optimization results =====").size(), 1u);
    // Start values, results and their standard errors.
    EXPECT_EQ(LinesStartingWith(console, "Ampl").size(), static_cast<size_t>(3 * c.iNoTerms));
    EXPECT_EQ(LinesStartingWith(console, "===== Standard errors =====").size(), 1u);
    EXPECT_EQ(LinesStartingWith(console, "Chi-square=").size(), 1u);
    EXPECT_EQ(gDemoState.iGradientEvaluations > 0, c.iDifferentiation == 1);
    EXPECT_EQ(gDemoState.iFitState, kFitFinished);
}

INSTANTIATE_TEST_SUITE_P(TermsFromData, SampleFit,
                         testing::Values(SampleFitCase{"OneTermNumerical", 1, 0},
                                         SampleFitCase{"TwoTermsNumerical", 2, 0},
                                         SampleFitCase{"ThreeTermsNumerical", 3, 0},
                                         SampleFitCase{"OneTermAnalytical", 1, 1},
                                         SampleFitCase{"TwoTermsAnalytical", 2, 1},
                                         SampleFitCase{"ThreeTermsAnalytical", 3, 1}),
                         [](const testing::TestParamInfo<SampleFitCase> &info) {
                             return info.param.pszName;
                         });

TEST(Progress, FirstReportShortThenRelativeChange) {
    DemoStateReset();
    RowsSet({0, 1, 2, 3, 4, 5, 6}, {0.5, 2, 4.5, 5, 4, 2.2, 0.4});
    gDemoState.iNoIniValues = 0;
    std::string console;
    ASSERT_EQ(ProblemFit(1, 0, &console), 0) << console;
    const std::vector<std::string> iterations = LinesStartingWith(console, "-- Iter");
    ASSERT_GE(iterations.size(), 2u) << console;
    EXPECT_EQ(iterations[0].rfind("-- Iter=0  ||R0||=", 0), 0u) << iterations[0];
    EXPECT_EQ(iterations[1].rfind("-- Iter= 1   ||R1||= ", 0), 0u) << iterations[1];
    EXPECT_NE(iterations[1].find("(||R0||-||R1||)/||R0||= "), std::string::npos);
    const double dNorm0 = std::strtod(iterations[0].c_str() + 18, nullptr);
    const std::vector<double> adLine1 = LineNumbers(iterations[1]);
    ASSERT_EQ(adLine1.size(), 3u) << iterations[1]; // iteration, norm, relative change
    EXPECT_EQ(adLine1[0], 1);
    EXPECT_NEAR(adLine1[2], (dNorm0 - adLine1[1]) / dNorm0, 1e-6);
    const std::vector<std::string> terms = LinesStartingWith(console, "   Ampl1= ");
    EXPECT_EQ(terms.size(), iterations.size());
    EXPECT_NE(terms[0].find("   Sigma1= "), std::string::npos) << terms[0];
}

} // namespace
