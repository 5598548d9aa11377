// Fit statistics: standard errors and covariances against the closed forms of
// linear regression, linked and fixed parameters, every reason for code 15,
// and a run with the covariance on that differs from one with it off only by
// the Jacobian at the fitted point.
#include <cmath>
#include <gtest/gtest.h>
#include <ostream>
#include <sstream>
#include <string>

#include "line_fixture.h"

namespace engine_test {
namespace {

double Square(double dValue) {
    return dValue * dValue;
}

double StdError(const FitProblem &problem, int m, int j) {
    double dValue = -1.0;
    EXPECT_EQ(VaroParamStdErrorGet(problem.Handle(), m, j, &dValue), 0) << problem.ErrorText();
    return dValue;
}

double Covariance(const FitProblem &problem, int m1, int j1, int m2, int j2) {
    double dValue = -1.0;
    EXPECT_EQ(VaroParamCovarianceGet(problem.Handle(), m1, j1, m2, j2, &dValue), 0)
        << problem.ErrorText();
    return dValue;
}

struct LineCase {
    const char *name;
    bool bWeighted;
    bool bAnalytical;
    double dTolerance; // relative
    int iCovariance;   // 1 scaled by s^2, 2 absolute
    int iPoints;
};

void PrintTo(const LineCase &c, std::ostream *pStream) {
    *pStream << c.name;
}

const LineCase kLineCases[] = {
    {"UnweightedAnalytical", false, true, 1e-9, 1, 12},
    {"WeightedAnalytical", true, true, 1e-9, 1, 12},
    {"UnweightedNumerical", false, false, 1e-6, 1, 12},
    {"WeightedNumerical", true, false, 1e-6, 1, 12},
    {"WeightedAbsolute", true, true, 1e-9, 2, 12},
    {"AbsoluteWithoutDegreesOfFreedom", false, true, 1e-9, 2, 2},
};

class StraightLine : public testing::TestWithParam<LineCase> {};

TEST_P(StraightLine, StatisticsEqualTheClosedFormOfLinearRegression) {
    const LineCase &c = GetParam();
    const LineData data = LineDataMake(c.iPoints, -1.0, c.bWeighted);
    const LineFit expected = LineFitCompute(data);
    TestModel model = LineModel(data, {0.5, 1.0}, c.bAnalytical);
    FitProblem problem({&model});
    TightSettingsSet(problem.Handle());
    ASSERT_EQ(VaroStepMethodSet(problem.Handle(), c.iPoints > 2 ? 0 : 1), 0);
    ASSERT_EQ(VaroCovarianceSet(problem.Handle(), c.iCovariance), 0);
    ASSERT_EQ(VaroProcessing(problem.Handle()), 0) << problem.ErrorText();
    double dChiSquare = 0.0;
    int iDegrees = 0;
    EXPECT_EQ(VaroChiSquareGet(problem.Handle(), &dChiSquare), 0);
    EXPECT_EQ(VaroDegreesOfFreedomGet(problem.Handle(), &iDegrees), 0);
    EXPECT_NEAR(dChiSquare, expected.dChiSquare, c.dTolerance * expected.dChiSquare + 1e-20);
    EXPECT_EQ(iDegrees, c.iPoints - 2);
    const double dFactor = c.iCovariance == 2 ? 1.0 : expected.dVariance;
    const auto near = [&](double dValue, double dExpected) {
        EXPECT_NEAR(dValue, dFactor * dExpected, c.dTolerance * std::fabs(dFactor * dExpected));
    };
    near(Square(StdError(problem, 1, 1)), expected.dVarIntercept);
    near(Square(StdError(problem, 1, 2)), expected.dVarSlope);
    near(Covariance(problem, 1, 1, 1, 2), expected.dCovariance);
    near(Covariance(problem, 1, 2, 1, 1), expected.dCovariance);
    near(Covariance(problem, 1, 2, 1, 2), expected.dVarSlope);
}

INSTANTIATE_TEST_SUITE_P(Statistics, StraightLine, testing::ValuesIn(kLineCases),
                         [](const auto &info) { return std::string(info.param.name); });

// Two lines with their own intercepts and one linked slope; the first model
// also has a fixed offset. The slope's variance is s^2 over the sum of the
// squared deviations of x from each set's own mean.
TEST(LinkedStatistics, LinkedParametersShareOneStandardErrorAndFixedOnesHaveNone) {
    const LineData first = LineDataMake(9, 0.0, false);
    const LineData second = LineDataMake(14, 3.0, false);
    TestModel firstModel = LineModel(first, {0.5, 1.0, 0.0}, true);
    TestModel secondModel = LineModel(second, {0.5, 1.0}, false);
    FitProblem problem({&firstModel, &secondModel});
    VaroParamLinkSet(problem.Handle(), 1, 2, 5);
    VaroParamLinkSet(problem.Handle(), 2, 2, 5);
    VaroParamLimitsSet(problem.Handle(), 1, 3, 0.0, 0.0);
    TightSettingsSet(problem.Handle());
    VaroCovarianceSet(problem.Handle(), 1);
    ASSERT_EQ(VaroProcessing(problem.Handle()), 0) << problem.ErrorText();

    double dChiSquare = 0.0;
    double dSpread = 0.0;
    for (const LineData *pData : {&first, &second}) {
        double dMean = 0.0;
        for (double x : pData->x) {
            dMean += x / static_cast<double>(pData->x.size());
        }
        for (size_t i = 0; i < pData->x.size(); ++i) {
            dSpread += (pData->x[i] - dMean) * (pData->x[i] - dMean);
        }
    }
    VaroChiSquareGet(problem.Handle(), &dChiSquare);
    const double dSlopeError = std::sqrt(dChiSquare / (9 + 14 - 3) / dSpread);

    // The second model's derivatives are numerical.
    EXPECT_NEAR(StdError(problem, 1, 2), dSlopeError, 1e-6 * dSlopeError);
    EXPECT_EQ(StdError(problem, 1, 2), StdError(problem, 2, 2));
    EXPECT_NEAR(Covariance(problem, 1, 2, 2, 2), dSlopeError * dSlopeError,
                1e-6 * dSlopeError * dSlopeError);
    EXPECT_EQ(StdError(problem, 1, 3), 0.0);
    EXPECT_EQ(Covariance(problem, 1, 3, 1, 1), 0.0);
    EXPECT_EQ(Covariance(problem, 2, 2, 1, 3), 0.0);
    EXPECT_GT(StdError(problem, 2, 1), 0.0);
}

// r_i = (p1 + p2) x_i - y_i: only the sum is determined.
TEST(RankDeficientStatistics, TwoParametersEnteringAsTheirSumGiveCode15) {
    TestModel model({1.0, 0.5}, [](const Values &p) {
        Values r(6);
        for (size_t i = 0; i < r.size(); ++i) {
            r[i] = (p[0] + p[1]) * static_cast<double>(i) - 3.0 * static_cast<double>(i) -
                   0.01 * std::cos(static_cast<double>(i));
        }
        return r;
    });
    FitProblem problem({&model});
    VaroCovarianceSet(problem.Handle(), 1);
    ASSERT_EQ(VaroProcessing(problem.Handle()), 0) << problem.ErrorText();
    double dValue = -1.0;
    EXPECT_EQ(VaroParamStdErrorGet(problem.Handle(), 1, 1, &dValue), 15);
    EXPECT_EQ(dValue, -1.0);
    EXPECT_EQ(problem.ErrorText().rfind("VaroParamStdErrorGet: no covariance, the Jacobian at the "
                                        "fitted point is rank-deficient (Smin/Smax= ",
                                        0),
              0u)
        << problem.ErrorText();
    EXPECT_EQ(VaroParamCovarianceGet(problem.Handle(), 1, 1, 1, 2, &dValue), 15);
    EXPECT_EQ(VaroChiSquareGet(problem.Handle(), &dValue), 0);
}

// What the progress callback saw of the statistics while processing ran.
int iProgressQueryRc = 0;
std::string progressQueryText;

int ProgressStatisticsQuery(VaroHandle iHandle) {
    int iDegrees = 0;
    iProgressQueryRc = VaroDegreesOfFreedomGet(iHandle, &iDegrees);
    progressQueryText = VaroErrorStringGet(iHandle);
    return 0;
}

struct UnavailableCase {
    const char *name;
    // Prepares and runs the problem (a line through 12 points, analytical
    // derivatives, covariance on); returns the last processing's result.
    std::function<int(FitProblem &, TestModel &)> run;
    int iExpectedRun;
    bool bChiSquareAvailable;
    const char *message; // of VaroParamStdErrorGet
};

void PrintTo(const UnavailableCase &c, std::ostream *pStream) {
    *pStream << c.name;
}

const UnavailableCase kUnavailableCases[] = {
    {"NeverProcessed", [](FitProblem &, TestModel &) { return 0; }, 0, false,
     "VaroParamStdErrorGet: no statistics, the object has not been processed"},
    {"LastRunFailed",
     [](FitProblem &p, TestModel &) {
         EXPECT_EQ(VaroProcessing(p.Handle()), 0);
         VaroMaxNoIterationsSet(p.Handle(), 0);
         return VaroProcessing(p.Handle());
     },
     9, false, "VaroParamStdErrorGet: no statistics, the last processing returned 9"},
    {"JacobianAtTheFittedPointStops",
     [](FitProblem &p, TestModel &m) {
         // The calls of the iterations are those of a run with covariance off.
         VaroCovarianceSet(p.Handle(), 0);
         EXPECT_EQ(VaroProcessing(p.Handle()), 0);
         const int iIterationCalls = m.GradientCallCount();
         VaroCovarianceSet(p.Handle(), 1);
         m.calls.clear();
         VaroParamIniValueSet(p.Handle(), 1, 1, 0.5);
         VaroParamIniValueSet(p.Handle(), 1, 2, 1.0);
         m.gradientReturn = [&m, iIterationCalls](int) {
             return m.GradientCallCount() >= iIterationCalls ? 1 : 0;
         };
         const int iResult = VaroProcessing(p.Handle());
         EXPECT_EQ(p.Value(1, 1), 0.5) << "a failed run keeps the parameters";
         return iResult;
     },
     10, false, "VaroParamStdErrorGet: no statistics, the last processing returned 10"},
    {"CovarianceOff",
     [](FitProblem &p, TestModel &) {
         VaroCovarianceSet(p.Handle(), 0);
         return VaroProcessing(p.Handle());
     },
     0, true, "VaroParamStdErrorGet: no covariance, it was off when the object was processed"},
    {"NoDegreesOfFreedom",
     [](FitProblem &p, TestModel &m) {
         // Two residuals that cannot both vanish, for two parameters.
         m.residuals = [](const Values &q) {
             return Values{(q[0] - 1.0) * (q[0] - 1.0) + 1.0, (q[1] - 2.0) * (q[1] - 2.0) + 1.0};
         };
         m.derivative = [](const Values &q, int j) {
             return j == 1 ? Values{2.0 * (q[0] - 1.0), 0.0} : Values{0.0, 2.0 * (q[1] - 2.0)};
         };
         return VaroProcessing(p.Handle());
     },
     0, true, "VaroParamStdErrorGet: no covariance, the degrees of freedom (0) are not positive"},
};

class UnavailableStatistics : public testing::TestWithParam<UnavailableCase> {};

TEST_P(UnavailableStatistics, QueriesReturn15WithTheReason) {
    const UnavailableCase &c = GetParam();
    TestModel model = LineModel(LineDataMake(12, 0.0, false), {0.5, 1.0}, true);
    FitProblem problem({&model});
    VaroCovarianceSet(problem.Handle(), 1);
    EXPECT_EQ(c.run(problem, model), c.iExpectedRun) << problem.ErrorText();
    double dValue = -1.0;
    EXPECT_EQ(VaroParamStdErrorGet(problem.Handle(), 1, 1, &dValue), 15);
    EXPECT_EQ(problem.ErrorText(), c.message);
    EXPECT_EQ(VaroParamCovarianceGet(problem.Handle(), 1, 1, 1, 2, &dValue), 15);
    EXPECT_EQ(dValue, -1.0);
    int iDegrees = -1;
    EXPECT_EQ(VaroChiSquareGet(problem.Handle(), &dValue), c.bChiSquareAvailable ? 0 : 15);
    EXPECT_EQ(VaroDegreesOfFreedomGet(problem.Handle(), &iDegrees), c.bChiSquareAvailable ? 0 : 15);
}

INSTANTIATE_TEST_SUITE_P(Statistics, UnavailableStatistics, testing::ValuesIn(kUnavailableCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(UnavailableStatistics, ProcessingClearsThemUntilItEnds) {
    TestModel model = LineModel(LineDataMake(12, 0.0, false), {0.5, 1.0}, true);
    FitProblem problem({&model});
    ASSERT_EQ(VaroProcessing(problem.Handle()), 0);
    VaroProgressCallbackSet(problem.Handle(), ProgressStatisticsQuery);
    ASSERT_EQ(VaroProcessing(problem.Handle()), 0);
    EXPECT_EQ(iProgressQueryRc, 15);
    EXPECT_EQ(progressQueryText, "VaroDegreesOfFreedomGet: no statistics while the object is "
                                 "processing");
}

TEST(StatisticsArguments, SettingAndNumbersAreChecked) {
    TestModel model = LineModel(LineDataMake(12, 0.0, false), {0.5, 1.0}, true);
    FitProblem problem({&model});
    int iCompute = -1;
    EXPECT_EQ(VaroCovarianceGet(problem.Handle(), &iCompute), 0);
    EXPECT_EQ(iCompute, 0) << "off by default";
    EXPECT_EQ(VaroCovarianceSet(problem.Handle(), 3), 5);
    EXPECT_EQ(problem.ErrorText(), "VaroCovarianceSet: illegal covariance setting (3)");
    EXPECT_EQ(VaroCovarianceSet(problem.Handle(), 1), 0);
    VaroCovarianceGet(problem.Handle(), &iCompute);
    EXPECT_EQ(iCompute, 1);
    ASSERT_EQ(VaroProcessing(problem.Handle()), 0);
    double dValue = -1.0;
    EXPECT_EQ(VaroParamStdErrorGet(problem.Handle(), 2, 1, &dValue), 5);
    EXPECT_EQ(problem.ErrorText(), "VaroParamStdErrorGet: illegal model (2)");
    EXPECT_EQ(VaroParamCovarianceGet(problem.Handle(), 1, 1, 1, 3, &dValue), 5);
    EXPECT_EQ(problem.ErrorText(), "VaroParamCovarianceGet: illegal parameter number (3)");
    EXPECT_EQ(dValue, -1.0);
    VaroHandle iGone = 0;
    ASSERT_EQ(VaroObjectCreate(&iGone), 0);
    ASSERT_EQ(VaroObjectDelete(iGone), 0);
    EXPECT_EQ(VaroCovarianceSet(iGone, 1), 1);
    EXPECT_EQ(VaroCovarianceGet(iGone, &iCompute), 1);
    EXPECT_EQ(VaroChiSquareGet(iGone, &dValue), 1);
    EXPECT_EQ(VaroDegreesOfFreedomGet(iGone, &iCompute), 1);
    EXPECT_EQ(VaroParamStdErrorGet(iGone, 1, 1, &dValue), 1);
    EXPECT_EQ(VaroParamCovarianceGet(iGone, 1, 1, 1, 1, &dValue), 1);
    EXPECT_EQ(dValue, -1.0);
    EXPECT_EQ(iCompute, 1);
}

// The log after its header, without the lines that show the address of a
// model's data, which differs between two problems.
std::string LogBodyWithoutPointers(const std::string &text) {
    std::istringstream stream(text.substr(text.find("\n\n")));
    std::string body;
    for (std::string line; std::getline(stream, line);) {
        if (line.find("Pointer=") == std::string::npos) {
            body += line + "\n";
        }
    }
    return body;
}

// The run with the covariance on makes the same calls, log lines and results
// as the run with it off, then one Jacobian more at the fitted point.
TEST(CovarianceOnAndOff, OnAddsOnlyTheJacobianAtTheFittedPoint) {
    const LineData data = LineDataMake(12, 0.0, true);
    TestModel offModel = LineModel(data, {0.5, 1.0}, true);
    TestModel onModel = LineModel(data, {0.5, 1.0}, true);
    FitProblem off({&offModel});
    FitProblem on({&onModel});
    VaroCovarianceSet(on.Handle(), 1);
    off.LogOpen();
    on.LogOpen();
    ASSERT_EQ(VaroProcessing(off.Handle()), 0);
    ASSERT_EQ(VaroProcessing(on.Handle()), 0);
    const std::string offLog = LogBodyWithoutPointers(off.LogText());
    double dChiSquare = 0.0;
    VaroChiSquareGet(on.Handle(), &dChiSquare);
    const std::string onLog = LogBodyWithoutPointers(on.LogText());
    ASSERT_EQ(onLog.substr(0, offLog.size()), offLog);
    EXPECT_TRUE(LinesInOrder(
        onLog.substr(offLog.size()),
        {"", "========= Covariance at the fitted point ===========", "-- Compute Jacobian --",
         "Covariance: Smin/Smax= ", "== VaroChiSquareGet, Chi-square="}))
        << onLog.substr(offLog.size());

    ASSERT_EQ(onModel.calls.size(), offModel.calls.size() + 2);
    for (size_t i = 0; i < offModel.calls.size(); ++i) {
        EXPECT_EQ(onModel.calls[i].params, offModel.calls[i].params) << i;
        EXPECT_EQ(onModel.calls[i].bGradient, offModel.calls[i].bGradient) << i;
    }
    for (int j = 1; j <= 2; ++j) {
        const CallRecord &extra = onModel.calls[offModel.calls.size() + j - 1];
        EXPECT_TRUE(extra.bGradient);
        EXPECT_EQ(extra.iParam, j);
        EXPECT_EQ(extra.params, (Values{on.Value(1, 1), on.Value(1, 2)}));
        EXPECT_EQ(off.Value(1, j), on.Value(1, j));
    }
}

} // namespace
} // namespace engine_test
