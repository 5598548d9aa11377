// Standard errors of the library's fits on every reference problem against
// the certified standard deviations, with analytic derivatives and the tight
// profile: from the certified values, and from the second start wherever the
// fit itself reaches 6 correct digits.
#include "accuracy.h"
#include "fitters.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace bench {
namespace {

constexpr double kMinStdErrorDigits = 4.0;
constexpr double kFitDigitsForStdErrors = 6.0;

// Its certified residual sum of squares, 1.4e-25, lies at the edge of what
// residuals in double precision resolve, so its standard errors are reported
// but not held to the bound.
bool StdErrorsExcepted(const std::string &sProblem) {
    return sProblem == "Lanczos1";
}

Problem ProblemRead(const char *pszName) {
    Problem problem;
    std::string sError;
    EXPECT_TRUE(NistProblemRead(VARO_BENCH_DATA_DIR "/nist/" + std::string(pszName) + ".dat",
                                problem, sError))
        << sError;
    return problem;
}

class StdErrorTest : public testing::TestWithParam<ModelInfo> {
  protected:
    // Fits from adStart and returns the digits of the standard errors, or -1
    // when the fit reached fewer than dFitDigits in its parameters.
    double StdErrorDigitsGet(const Problem &problem, const std::vector<double> &adStart,
                             double dFitDigits, const char *pszStart) {
        const FitOutcome outcome = VaroAnalyticTightFit(problem, adStart);
        EXPECT_TRUE(outcome.bConverged) << outcome.sStatus;
        const double dParamDigits = ParamsDigitsCompute(outcome.adParams, problem.adCertified);
        if (dParamDigits < dFitDigits) {
            return -1.0;
        }
        EXPECT_EQ(outcome.adStdErrors.size(), problem.adCertifiedStdErrors.size());
        const double dDigits =
            ParamsDigitsCompute(outcome.adStdErrors, problem.adCertifiedStdErrors);
        RecordProperty(std::string("std_error_digits_") + pszStart, std::to_string(dDigits));
        std::printf("%s from %s: standard errors to %.2f digits\n", problem.sName.c_str(), pszStart,
                    dDigits);
        return dDigits;
    }
};

TEST_P(StdErrorTest, MatchCertifiedDeviationsFromTheCertifiedValues) {
    const Problem problem = ProblemRead(GetParam().pszName);
    ASSERT_EQ(problem.adCertifiedStdErrors.size(), problem.adCertified.size());
    const double dDigits = StdErrorDigitsGet(problem, problem.adCertified, 0.0, "certified");
    if (!StdErrorsExcepted(problem.sName)) {
        EXPECT_GE(dDigits, kMinStdErrorDigits);
    }
}

TEST_P(StdErrorTest, MatchCertifiedDeviationsFromTheSecondStartWhenTheFitIsAccurate) {
    const Problem problem = ProblemRead(GetParam().pszName);
    const double dDigits =
        StdErrorDigitsGet(problem, problem.aadStarts[1], kFitDigitsForStdErrors, "start2");
    if (dDigits >= 0.0 && !StdErrorsExcepted(problem.sName)) {
        EXPECT_GE(dDigits, kMinStdErrorDigits);
    }
}

INSTANTIATE_TEST_SUITE_P(Reference, StdErrorTest, testing::ValuesIn(NistModelsAll()),
                         [](const auto &info) { return std::string(info.param.pszName); });

} // namespace
} // namespace bench
