// Robust losses: a decay with a tenth of its points raised by a spike is
// recovered under soft_l1 where least squares is pulled away, and the fit
// statistics keep the plain chi-square.
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <random>

#include "engine_fixture.h"

namespace engine_test {
namespace {

constexpr int kPoints = 100;
constexpr double kNoise = 0.2;
constexpr double kTruth[] = {10.0, 0.5, 1.0}; // A exp(-G t) + C

double TimeOf(int i) {
    return 0.1 * i;
}

// Noisy samples with every tenth point, at a random place, raised by 10 to 50
// noise deviations.
Values SpikedDecay(std::mt19937 &random) {
    std::normal_distribution<double> noise(0.0, kNoise);
    std::uniform_real_distribution<double> spike(10.0 * kNoise, 50.0 * kNoise);
    Values y(kPoints);
    for (int i = 0; i < kPoints; ++i) {
        y[i] = kTruth[0] * std::exp(-kTruth[1] * TimeOf(i)) + kTruth[2] + noise(random);
    }
    std::vector<int> order(kPoints);
    for (int i = 0; i < kPoints; ++i) {
        order[i] = i;
    }
    std::shuffle(order.begin(), order.end(), random);
    for (int k = 0; k < kPoints / 10; ++k) {
        y[order[k]] += spike(random);
    }
    return y;
}

TestModel DecayModel(const Values &y) {
    return TestModel(
        {5.0, 1.0, 0.0},
        [y](const Values &p) {
            Values r(kPoints);
            for (int i = 0; i < kPoints; ++i) {
                r[i] = p[0] * std::exp(-p[1] * TimeOf(i)) + p[2] - y[i];
            }
            return r;
        },
        [](const Values &p, int j) {
            Values g(kPoints);
            for (int i = 0; i < kPoints; ++i) {
                const double e = std::exp(-p[1] * TimeOf(i));
                g[i] = j == 1 ? e : j == 2 ? -TimeOf(i) * p[0] * e : 1.0;
            }
            return g;
        });
}

// The median relative error of the fitted rate over 50 spiked data sets.
double RateErrorMedian(int iLoss, int iMethod) {
    std::mt19937 random(20261207);
    Values errors;
    for (int iSet = 0; iSet < 50; ++iSet) {
        TestModel model = DecayModel(SpikedDecay(random));
        FitProblem problem({&model});
        VaroStepMethodSet(problem.Handle(), iMethod);
        EXPECT_EQ(0, VaroLossSet(problem.Handle(), iLoss, kNoise));
        VaroResNormChangeTerminationSet(problem.Handle(), 1e-10);
        VaroParValChangeTerminationSet(problem.Handle(), 1e-10);
        EXPECT_EQ(0, VaroProcessing(problem.Handle())) << problem.ErrorText();
        errors.push_back(std::fabs(problem.Value(1, 2) - kTruth[1]) / kTruth[1]);
    }
    std::nth_element(errors.begin(), errors.begin() + 25, errors.end());
    return errors[25];
}

class RobustFit : public testing::TestWithParam<int> {};

TEST_P(RobustFit, SoftL1RecoversTheRateThatSpikesPullAway) {
    EXPECT_LE(RateErrorMedian(1, GetParam()), 0.02);
    EXPECT_GT(RateErrorMedian(0, GetParam()), 0.10);
}

INSTANTIATE_TEST_SUITE_P(Engine, RobustFit, testing::Values(0, 1),
                         [](const auto &info) { return info.param == 0 ? "Eigen" : "Damped"; });

// The norms are robust, sqrt(s^2 sum rho(z)); chi-square stays the plain sum.
TEST(RobustFit, NormsAreRobustAndChiSquareIsPlain) {
    std::mt19937 random(7);
    TestModel model = DecayModel(SpikedDecay(random));
    FitProblem problem({&model});
    ASSERT_EQ(0, VaroLossSet(problem.Handle(), 3, 0.5));
    ASSERT_EQ(0, VaroProcessing(problem.Handle())) << problem.ErrorText();
    const Values r =
        model.residuals({problem.Value(1, 1), problem.Value(1, 2), problem.Value(1, 3)});
    double dCauchy = 0.0, dSquares = 0.0;
    for (double dResidual : r) {
        dCauchy += std::log1p(dResidual * dResidual / 0.25);
        dSquares += dResidual * dResidual;
    }
    EXPECT_NEAR(problem.Norm(0), 0.5 * std::sqrt(dCauchy), 1e-12 * problem.Norm(0));
    double dChiSquare = 0.0;
    ASSERT_EQ(0, VaroChiSquareGet(problem.Handle(), &dChiSquare));
    EXPECT_NEAR(dChiSquare, dSquares, 1e-12 * dSquares);
}

} // namespace
} // namespace engine_test
