// Limits with both step methods: a fit ends at the minimum inside the box, and
// a parameter whose free minimum lies beyond a limit ends exactly on it while
// the others reach their best values for it, whatever the start.
#include <cmath>
#include <gtest/gtest.h>
#include <ostream>
#include <tuple>

#include "engine_fixture.h"

namespace engine_test {
namespace {

constexpr int kPoints = 12;

double XOf(int i) {
    return 0.5 * i;
}

// Samples of 1 + 2 x with a small wiggle, so that no fit is exact.
double YOf(int i) {
    return 1.0 + 2.0 * XOf(i) + 0.05 * std::sin(2.3 * i);
}

// The straight line a + b x, analytic derivatives.
TestModel LineModel(const Values &start) {
    return TestModel(
        start,
        [](const Values &p) {
            Values r(kPoints);
            for (int i = 0; i < kPoints; ++i) {
                r[i] = p[0] + p[1] * XOf(i) - YOf(i);
            }
            return r;
        },
        [](const Values &, int j) {
            Values g(kPoints);
            for (int i = 0; i < kPoints; ++i) {
                g[i] = j == 1 ? 1.0 : XOf(i);
            }
            return g;
        });
}

// The least-squares line with the slope b given (b NaN: free), closed form.
Values LineFit(double b) {
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (int i = 0; i < kPoints; ++i) {
        sx += XOf(i);
        sy += YOf(i);
        sxx += XOf(i) * XOf(i);
        sxy += XOf(i) * YOf(i);
    }
    if (std::isnan(b)) {
        b = (kPoints * sxy - sx * sy) / (kPoints * sxx - sx * sx);
    }
    return {(sy - b * sx) / kPoints, b};
}

struct LimitCase {
    const char *name;
    Values start;
    double dLower, dUpper; // limits of the slope
    double dSlope;         // the constrained minimum's slope, NaN: the free one
};

void PrintTo(const LimitCase &c, std::ostream *pStream) {
    *pStream << c.name;
}

const LimitCase kLimitCases[] = {
    {"StartsOnTheLowerLimitMinimumInside", {0.0, 1.5}, 1.5, 3.0, NAN},
    {"StartsOnTheUpperLimitMinimumInside", {3.0, 3.0}, 0.0, 3.0, NAN},
    {"MinimumBeyondTheUpperLimit", {0.0, 0.5}, 0.0, 1.7, 1.7},
    {"MinimumBeyondTheLowerLimitStartsOnIt", {5.0, 2.2}, 2.2, 4.0, 2.2},
    {"OpenLowerSide", {0.0, 0.5}, -INFINITY, 1.25, 1.25},
};

class LimitFit : public testing::TestWithParam<std::tuple<LimitCase, int>> {};

TEST_P(LimitFit, EndsAtTheConstrainedMinimum) {
    const auto &[fit, iMethod] = GetParam();
    TestModel model = LineModel(fit.start);
    FitProblem problem({&model});
    const VaroHandle h = problem.Handle();
    ASSERT_EQ(0, VaroStepMethodSet(h, iMethod));
    ASSERT_EQ(0, VaroParamLimitsSet(h, 1, 2, fit.dLower, fit.dUpper));
    VaroResNormChangeTerminationSet(h, 1e-12);
    VaroParValChangeTerminationSet(h, 1e-12);
    VaroGaussNewtonResNormThreshSet(h, 1e300);
    ASSERT_EQ(0, VaroProcessing(h)) << problem.ErrorText();
    const Values expected = LineFit(fit.dSlope);
    EXPECT_NEAR(expected[0], problem.Value(1, 1), 1e-7);
    int iAtLimit[2] = {-1, -1};
    for (int j = 1; j <= 2; ++j) {
        ASSERT_EQ(0, VaroParamAtLimitGet(h, 1, j, &iAtLimit[j - 1]));
    }
    EXPECT_EQ(0, iAtLimit[0]) << "the intercept has no limits";
    if (std::isnan(fit.dSlope)) {
        EXPECT_NEAR(expected[1], problem.Value(1, 2), 1e-7);
        EXPECT_EQ(0, iAtLimit[1]);
    } else {
        EXPECT_EQ(fit.dSlope, problem.Value(1, 2)) << "exactly on the limit";
        EXPECT_EQ(1, iAtLimit[1]);
    }
}

INSTANTIATE_TEST_SUITE_P(Engine, LimitFit,
                         testing::Combine(testing::ValuesIn(kLimitCases), testing::Values(0, 1)),
                         [](const auto &info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) == 0 ? "Eigen" : "Damped");
                         });

// A fixed parameter lies on its (equal) limits but is not fitted: not at a limit.
TEST(LimitQuery, AFixedParameterIsNotAtALimit) {
    TestModel model = LineModel({1.0, 2.0});
    FitProblem problem({&model});
    ASSERT_EQ(0, VaroParamLimitsSet(problem.Handle(), 1, 2, 2.0, 2.0));
    int iAtLimit = -1;
    ASSERT_EQ(0, VaroParamAtLimitGet(problem.Handle(), 1, 2, &iAtLimit));
    EXPECT_EQ(0, iAtLimit);
}

} // namespace
} // namespace engine_test
