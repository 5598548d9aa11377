// Profile-likelihood intervals: the closed form of a straight line, open sides
// at limits, linked parameters, refusals, an object left as the best fit left
// it, and the coverage of the interval of a slow decay rate.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <random>

#include "line_fixture.h"
#include "numeric/distributions.h"
#include "varo/object.h"

namespace engine_test {
namespace {

// The line fitted tightly with its covariance.
struct LineProblem {
    LineData data = LineDataMake(12, -1.0, true);
    TestModel model = LineModel(data, {0.5, 1.0}, true);
    FitProblem problem{{&model}};

    LineProblem() {
        TightSettingsSet(problem.Handle());
        VaroCovarianceSet(problem.Handle(), 1);
        EXPECT_EQ(0, VaroProcessing(problem.Handle())) << problem.ErrorText();
    }
};

TEST(ProfileInterval, OfALineIsTheValuePlusOrMinusTTimesTheStandardError) {
    LineProblem line;
    const LineFit fit = LineFitCompute(line.data);
    for (const double dLevel : {0.6827, 0.95, 0.999}) {
        const double t = StudentTQuantile(0.5 * (1.0 + dLevel), 10);
        for (int j = 1; j <= 2; ++j) {
            const double dValue = j == 1 ? fit.dIntercept : fit.dSlope;
            const double dError =
                std::sqrt(fit.dVariance * (j == 1 ? fit.dVarIntercept : fit.dVarSlope));
            double dLow = 0.0, dHigh = 0.0;
            ASSERT_EQ(0, VaroProfileIntervalGet(line.problem.Handle(), 1, j, dLevel, &dLow, &dHigh))
                << line.problem.ErrorText();
            EXPECT_NEAR(dLow, dValue - t * dError, 1e-6 * t * dError) << dLevel << " " << j;
            EXPECT_NEAR(dHigh, dValue + t * dError, 1e-6 * t * dError) << dLevel << " " << j;
        }
    }
}

// The object after the call is the object before it, byte for byte, and its
// log holds the call's line only.
TEST(ProfileInterval, LeavesTheObjectAsTheBestFitLeftIt) {
    LineProblem line;
    const VaroHandle h = line.problem.Handle();
    line.problem.LogOpen();
    std::vector<unsigned char> before(sizeof(VaroObject));
    std::memcpy(before.data(), static_cast<const void *>(ObjectFromHandle(h)), before.size());
    const size_t iCalls = line.model.calls.size();
    double dLow = 0.0, dHigh = 0.0;
    ASSERT_EQ(0, VaroProfileIntervalGet(h, 1, 2, 0.95, &dLow, &dHigh));
    EXPECT_GT(line.model.calls.size(), iCalls) << "the refits call the model";
    EXPECT_EQ(0, std::memcmp(before.data(), static_cast<const void *>(ObjectFromHandle(h)),
                             before.size()));
    const std::string log = line.problem.LogText();
    EXPECT_EQ(1, LinesStartingWith(log, "== VaroProfileIntervalGet, Model 1, Param. 2, Level="));
    EXPECT_EQ(0, LinesStartingWith(log, "-- Compute Jacobian --"));
}

TEST(ProfileInterval, ReachingALimitBelowTheLevelLeavesThatSideOpen) {
    LineData data = LineDataMake(12, -1.0, false);
    TestModel model = LineModel(data, {0.5, 1.0}, true);
    FitProblem problem({&model});
    TightSettingsSet(problem.Handle());
    VaroCovarianceSet(problem.Handle(), 1);
    // The slope's minimum lies inside, just below its upper limit.
    const double dSlope = LineFitCompute(data).dSlope;
    VaroParamLimitsSet(problem.Handle(), 1, 2, 0.0, dSlope + 1e-6);
    ASSERT_EQ(0, VaroProcessing(problem.Handle())) << problem.ErrorText();
    double dLow = 0.0, dHigh = 0.0;
    ASSERT_EQ(0, VaroProfileIntervalGet(problem.Handle(), 1, 2, 0.95, &dLow, &dHigh));
    EXPECT_LT(dLow, dSlope);
    EXPECT_TRUE(std::isfinite(dLow));
    EXPECT_EQ(dHigh, HUGE_VAL);
}

// Two lines with their own intercepts and one linked slope: one interval,
// whichever parameter names it.
TEST(ProfileInterval, LinkedParametersShareOneInterval) {
    const LineData first = LineDataMake(9, 0.0, false);
    const LineData second = LineDataMake(11, 2.0, true);
    TestModel one = LineModel(first, {0.5, 1.0}, true);
    TestModel two = LineModel(second, {0.5, 1.0}, false);
    FitProblem problem({&one, &two});
    VaroParamLinkSet(problem.Handle(), 1, 2, 4);
    VaroParamLinkSet(problem.Handle(), 2, 2, 4);
    TightSettingsSet(problem.Handle());
    ASSERT_EQ(0, VaroProcessing(problem.Handle())) << problem.ErrorText();
    double adEnds[2][2] = {};
    for (int m = 1; m <= 2; ++m) {
        ASSERT_EQ(0, VaroProfileIntervalGet(problem.Handle(), m, 2, 0.6827, &adEnds[m - 1][0],
                                            &adEnds[m - 1][1]))
            << problem.ErrorText();
    }
    EXPECT_EQ(adEnds[0][0], adEnds[1][0]);
    EXPECT_EQ(adEnds[0][1], adEnds[1][1]);
    EXPECT_LT(adEnds[0][0], problem.Value(1, 2));
    EXPECT_GT(adEnds[0][1], problem.Value(1, 2));
}

TEST(ProfileInterval, RefusesWhatHasNoInterval) {
    LineData data = LineDataMake(12, -1.0, false);
    TestModel model = LineModel(data, {0.5, 1.0, 0.0}, true);
    FitProblem problem({&model});
    const VaroHandle h = problem.Handle();
    double dLow = -7.0, dHigh = -7.0;
    EXPECT_EQ(15, VaroProfileIntervalGet(h, 1, 1, 0.95, &dLow, &dHigh));
    EXPECT_EQ("VaroProfileIntervalGet: no statistics, the object has not been processed",
              problem.ErrorText());
    VaroParamLimitsSet(h, 1, 3, 0.0, 0.0);
    ASSERT_EQ(0, VaroProcessing(h)) << problem.ErrorText();
    EXPECT_EQ(15, VaroProfileIntervalGet(h, 1, 3, 0.95, &dLow, &dHigh));
    EXPECT_EQ("VaroProfileIntervalGet: parameter 3 of model 1 is fixed", problem.ErrorText());
    for (const double dLevel : {0.0, 1.0, -0.5, std::nan("")}) {
        EXPECT_EQ(5, VaroProfileIntervalGet(h, 1, 1, dLevel, &dLow, &dHigh)) << dLevel;
    }
    EXPECT_EQ(5, VaroProfileIntervalGet(h, 1, 4, 0.95, &dLow, &dHigh));
    EXPECT_EQ(1, VaroProfileIntervalGet(0, 1, 1, 0.95, &dLow, &dHigh));
    EXPECT_EQ(dLow, -7.0);
    EXPECT_EQ(dHigh, -7.0);
}

// Two decays, A1 exp(-k1 t) + A2 exp(-k2 t), with seeded noise: the 68.27 %
// profile interval of the slow rate covers its truth in 64 % to 73 % of the
// data sets. The covariance interval's coverage is printed beside it.
TEST(ProfileInterval, CoversTheTruthAtItsLevel) {
    constexpr int kSets = 500;
    constexpr int kPoints = 60;
    const double adTruth[] = {3.0, 1.5, 2.0, 0.25};
    std::mt19937 random(68);
    std::normal_distribution<double> noise(0.0, 0.05);
    int iProfileCovers = 0;
    int iCovarianceCovers = 0;
    for (int iSet = 0; iSet < kSets; ++iSet) {
        Values y(kPoints);
        for (int i = 0; i < kPoints; ++i) {
            const double t = 0.2 * i;
            y[i] = adTruth[0] * std::exp(-adTruth[1] * t) + adTruth[2] * std::exp(-adTruth[3] * t) +
                   noise(random);
        }
        TestModel model(
            {2.5, 1.2, 2.5, 0.3},
            [y](const Values &p) {
                Values r(kPoints);
                for (int i = 0; i < kPoints; ++i) {
                    const double t = 0.2 * i;
                    r[i] = p[0] * std::exp(-p[1] * t) + p[2] * std::exp(-p[3] * t) - y[i];
                }
                return r;
            },
            [](const Values &p, int j) {
                Values g(kPoints);
                for (int i = 0; i < kPoints; ++i) {
                    const double t = 0.2 * i;
                    const int k = (j - 1) / 2 * 2;
                    const double e = std::exp(-p[k + 1] * t);
                    g[i] = j % 2 == 1 ? e : -t * p[k] * e;
                }
                return g;
            });
        FitProblem problem({&model});
        VaroStepMethodSet(problem.Handle(), 1);
        VaroResNormChangeTerminationSet(problem.Handle(), 1e-12);
        VaroParValChangeTerminationSet(problem.Handle(), 1e-12);
        VaroCovarianceSet(problem.Handle(), 1);
        ASSERT_EQ(0, VaroProcessing(problem.Handle())) << problem.ErrorText();
        double dLow = 0.0, dHigh = 0.0, dError = 0.0;
        ASSERT_EQ(0, VaroProfileIntervalGet(problem.Handle(), 1, 4, 0.6827, &dLow, &dHigh))
            << problem.ErrorText();
        iProfileCovers += dLow <= adTruth[3] && adTruth[3] <= dHigh;
        ASSERT_EQ(0, VaroParamStdErrorGet(problem.Handle(), 1, 4, &dError));
        iCovarianceCovers += std::fabs(problem.Value(1, 4) - adTruth[3]) <= dError;
    }
    const double dProfile = static_cast<double>(iProfileCovers) / kSets;
    std::printf("coverage of the slow rate at 68.27 %%: profile %.3f, covariance %.3f\n", dProfile,
                static_cast<double>(iCovarianceCovers) / kSets);
    RecordProperty("profileCoverage", std::to_string(dProfile));
    RecordProperty("covarianceCoverage",
                   std::to_string(static_cast<double>(iCovarianceCovers) / kSets));
    EXPECT_GE(dProfile, 0.64);
    EXPECT_LE(dProfile, 0.73);
}

} // namespace
} // namespace engine_test
