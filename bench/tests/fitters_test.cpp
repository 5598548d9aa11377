// Every fitter of the comparison on small reference problems: each must reach
// the certified values through its adapter, count its evaluations and keep
// its callback time within the fit.
#include "accuracy.h"
#include "fitters.h"

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <ostream>
#include <string>

namespace bench {
namespace {

struct FitCase {
    const char *pszProblem;
    int iStart;
    int iFitter;
    double dMinDigits;
};

void PrintTo(const FitCase &c, std::ostream *pOut) {
    *pOut << c.pszProblem << " start " << c.iStart << " with " << FittersAll()[c.iFitter].pszName;
}

// The default profiles stop at a relative norm change of 1e-4 and so deliver
// fewer digits than the tight profile and the peers.
constexpr double kDefaultDigits = 3.0;
constexpr double kTightDigits = 5.0;

std::vector<FitCase> FitCasesMake() {
    std::vector<FitCase> aCases;
    for (const char *pszProblem : {"Misra1a", "DanWood", "Chwirut2"}) {
        for (int iFitter = 0; iFitter < kFitterCount; ++iFitter) {
            const bool bDefault = iFitter == kVaroAnalytic || iFitter == kVaroNumeric ||
                                  iFitter == kVaroDampedAnalytic || iFitter == kVaroDampedNumeric;
            aCases.push_back({pszProblem, 2, iFitter, bDefault ? kDefaultDigits : kTightDigits});
        }
    }
    return aCases;
}

// Reads the reference problem of that name from the project's copies.
void ProblemLoad(const char *pszProblem, Problem &problem) {
    std::string sError;
    ASSERT_TRUE(NistProblemRead(VARO_BENCH_DATA_DIR "/nist/" + std::string(pszProblem) + ".dat",
                                problem, sError))
        << sError;
}

class FitterTest : public testing::TestWithParam<FitCase> {};

TEST_P(FitterTest, ReachesCertifiedValuesAndCountsEvaluations) {
    const FitCase &c = GetParam();
    Problem problem;
    ASSERT_NO_FATAL_FAILURE(ProblemLoad(c.pszProblem, problem));
    const Fitter &fitter = FittersAll()[c.iFitter];
    const auto start = std::chrono::steady_clock::now();
    const FitOutcome outcome = fitter.pFit(problem, problem.aadStarts[c.iStart - 1]);
    const std::chrono::duration<double> total = std::chrono::steady_clock::now() - start;

    EXPECT_TRUE(outcome.bConverged) << outcome.sStatus;
    ASSERT_EQ(outcome.adParams.size(), problem.adCertified.size());
    EXPECT_GE(ParamsDigitsCompute(outcome.adParams, problem.adCertified), c.dMinDigits);
    EXPECT_GT(outcome.lResidualEvals, 0);
    const bool bNumeric = c.iFitter == kVaroNumeric || c.iFitter == kVaroNumericTight ||
                          c.iFitter == kVaroDampedNumeric || c.iFitter == kVaroDampedNumericTight ||
                          c.iFitter == kVaroDampedForward || c.iFitter == kMinpackNumeric;
    EXPECT_EQ(outcome.lJacobianEvals == 0, bNumeric) << outcome.lJacobianEvals;
    EXPECT_GT(outcome.dCallbackSeconds, 0.0);
    EXPECT_LE(outcome.dCallbackSeconds, total.count());
    EXPECT_EQ(outcome.dJacobianSeconds > 0.0, !bNumeric);
    EXPECT_LE(outcome.dJacobianSeconds, outcome.dCallbackSeconds);
}

INSTANTIATE_TEST_SUITE_P(SmallProblems, FitterTest, testing::ValuesIn(FitCasesMake()),
                         [](const auto &info) {
                             std::string sName = std::string(info.param.pszProblem) + "_" +
                                                 FittersAll()[info.param.iFitter].pszName;
                             for (char &c : sName) {
                                 c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             }
                             return sName;
                         });

// The hard starts of the reference problems that the damped step method, with
// analytic derivatives and the tight profile, must solve.
const FitCase kDampedCases[] = {
    {"Misra1a", 1, kVaroDampedAnalyticTight, 6.0}, {"Thurber", 1, kVaroDampedAnalyticTight, 6.0},
    {"MGH10", 1, kVaroDampedAnalyticTight, 6.0},   {"Bennett5", 1, kVaroDampedAnalyticTight, 6.0},
    {"MGH09", 1, kVaroDampedAnalyticTight, 4.0},
};

class DampedFitTest : public testing::TestWithParam<FitCase> {};

TEST_P(DampedFitTest, ReachesCertifiedValuesFromTheFirstStart) {
    const FitCase &c = GetParam();
    Problem problem;
    ASSERT_NO_FATAL_FAILURE(ProblemLoad(c.pszProblem, problem));
    const FitOutcome outcome = FittersAll()[c.iFitter].pFit(problem, problem.aadStarts[0]);
    EXPECT_TRUE(outcome.bConverged) << outcome.sStatus;
    ASSERT_EQ(outcome.adParams.size(), problem.adCertified.size());
    EXPECT_GE(ParamsDigitsCompute(outcome.adParams, problem.adCertified), c.dMinDigits);
}

INSTANTIATE_TEST_SUITE_P(HardStarts, DampedFitTest, testing::ValuesIn(kDampedCases),
                         [](const auto &info) { return std::string(info.param.pszProblem); });

} // namespace
} // namespace bench
