// Bounded fits of the reference problems with both step methods: each must end
// at the constrained minimum that the peer reached, within 1e-6 of its sum of
// squares, on every fit but at most one per method.
#include "bounded.h"
#include "fitters.h"

#include <gtest/gtest.h>

#include <cmath>

namespace bench {
namespace {

constexpr double kRssTolerance = 1e-6;

class BoundedFits : public testing::TestWithParam<int> {};

TEST_P(BoundedFits, ReachTheConstrainedMinimum) {
    const int iFitter = GetParam();
    std::vector<BoundedCase> aCases;
    std::string sError;
    ASSERT_TRUE(BoundedCasesRead(VARO_BENCH_BOUNDED_REFERENCE, VARO_BENCH_DATA_DIR, aCases, sError))
        << sError;
    ASSERT_GE(aCases.size(), 24u);
    std::string sMisses;
    int iMisses = 0;
    for (const BoundedCase &bounded : aCases) {
        const Problem &problem = bounded.problem;
        const FitOutcome outcome = FittersAll()[iFitter].pFit(problem, problem.aadStarts[1]);
        const double dRss = ResidualSquareSumCompute(problem, outcome.adParams.data());
        for (int j = 0; j < problem.ParamCount(); ++j) {
            EXPECT_GE(outcome.adParams[j], problem.adLower[j]) << problem.sName << " b" << j + 1;
            EXPECT_LE(outcome.adParams[j], problem.adUpper[j]) << problem.sName << " b" << j + 1;
        }
        const double dExcess = (dRss - bounded.dPeerRss) / bounded.dPeerRss;
        if (!outcome.bConverged || dExcess > kRssTolerance) {
            ++iMisses;
            sMisses += problem.sName + " " + bounded.sKind + " (" + outcome.sStatus + ", rss " +
                       std::to_string(dRss) + " against " + std::to_string(bounded.dPeerRss) + ") ";
        }
    }
    EXPECT_LE(iMisses, 1) << sMisses;
}

INSTANTIATE_TEST_SUITE_P(Bench, BoundedFits,
                         testing::Values(kVaroAnalyticTight, kVaroDampedAnalyticTight),
                         [](const auto &info) {
                             return info.param == kVaroAnalyticTight ? "Eigen" : "Damped";
                         });

} // namespace
} // namespace bench
