// The processing driver: every failure it reports, the state and norms it
// leaves, links, fixed parameters, the progress callback and the leak check.
#include <cmath>
#include <gtest/gtest.h>
#include <ostream>

#include "engine_fixture.h"
#include "numeric/numeric.h"

namespace engine_test {
namespace {

// r = (p1 - 1, 2 (p2 - 2)), starting at (0.5, 0.5).
TestModel LineModel() {
    return {{0.5, 0.5}, [](const Values &p) { return Values{p[0] - 1.0, 2.0 * (p[1] - 2.0)}; }};
}

void DerivativeSet(VaroHandle iHandle, TestModel &model, int iLength) {
    model.derivative = [iLength](const Values &, int j) {
        Values g(iLength, 0.0);
        g[j - 1] = j;
        return g;
    };
    VaroGradientCallbackSet(iHandle, 1, GradientCallbackRun);
}

int StopAtOnce(VaroHandle) {
    return 1;
}

struct FailureCase {
    const char *name;
    std::function<void(VaroHandle, TestModel &)> arrange;
    int iExpected;
    const char *message; // the error text afterwards; empty: not checked
};

// Shown as the case's name where a test reports its parameter.
void PrintTo(const FailureCase &c, std::ostream *pStream) {
    *pStream << c.name;
}

const FailureCase kFailureCases[] = {
    {"InitialValueOutsideLimits",
     [](VaroHandle h, TestModel &) { VaroParamLimitsSet(h, 1, 2, 1, 3); }, 8,
     "VaroProcessing: initial value (5.000000e-01) for the parameter 2 (model 1) must be inside "
     "the limits [1.000000e+00,3.000000e+00]"},
    {"ModelCallbackMissing", [](VaroHandle h, TestModel &) { VaroModelCallbackSet(h, 1, nullptr); },
     8, "VaroProcessing: callback function for the model 1 has not been set"},
    {"LimitsCheckedBeforeTheCallback",
     [](VaroHandle h, TestModel &) {
         VaroModelCallbackSet(h, 1, nullptr);
         VaroParamLimitsSet(h, 1, 1, -2.0, 0.25);
     },
     8,
     "VaroProcessing: initial value (5.000000e-01) for the parameter 1 (model 1) must be inside "
     "the limits [-2.000000e+00,2.500000e-01]"},
    {"LinkedValuesDiffer",
     [](VaroHandle h, TestModel &) {
         VaroParamLinkSet(h, 1, 1, 7);
         VaroParamLinkSet(h, 1, 2, 7);
         VaroParamIniValueSet(h, 1, 2, 0.25);
     },
     8, "VaroProcessing: linked (link 7) parameters 1 (model 1) and 2 (model 1) do not match"},
    {"LinkedLimitsDiffer",
     [](VaroHandle h, TestModel &) {
         VaroParamLinkSet(h, 1, 1, 3);
         VaroParamLinkSet(h, 1, 2, 3);
         VaroParamLimitsSet(h, 1, 2, 0.0, 1.0);
     },
     8, "VaroProcessing: linked (link 3) parameters 1 (model 1) and 2 (model 1) do not match"},
    {"AllParametersFixed",
     [](VaroHandle h, TestModel &) {
         VaroParamLimitsSet(h, 1, 1, 0.5, 0.5);
         VaroParamLimitsSet(h, 1, 2, 0.5, 0.5);
     },
     8, "work 0x0 matrix allocation"},
    {"InitialEvaluationAsksToStop",
     [](VaroHandle, TestModel &m) { m.modelReturn = [](int) { return 1; }; }, 8, ""},
    {"InitialEvaluationWithoutHandOver", [](VaroHandle, TestModel &m) { m.bSkipHandOver = true; },
     8, ""},
    {"InitialEvaluationNegative",
     [](VaroHandle, TestModel &m) { m.modelReturn = [](int) { return -2; }; }, 8, ""},
    {"ProgressAsksToStop",
     [](VaroHandle h, TestModel &) { VaroProgressCallbackSet(h, StopAtOnce); }, 10, ""},
    {"GradientAsksToStop",
     [](VaroHandle h, TestModel &m) {
         DerivativeSet(h, m, 2);
         m.gradientReturn = [](int j) { return j == 2 ? 3 : 0; };
     },
     10, ""},
    {"GradientWithoutHandOver",
     [](VaroHandle h, TestModel &m) {
         DerivativeSet(h, m, 2);
         m.gradientReturn = [&m](int) { return m.bSkipHandOver = true, 0; };
     },
     13, ""},
    {"GradientOfWrongLength", [](VaroHandle h, TestModel &m) { DerivativeSet(h, m, 3); }, 14,
     "Gradient and residual vectors for the model 1 are of different length"},
    {"ModelFailsDuringNumericalDerivative",
     [](VaroHandle, TestModel &m) { m.modelReturn = [](int n) { return n == 1 ? 5 : 0; }; }, 5, ""},
    {"ModelAsksToStopDuringTrial", // analytical: the second model call is a trial
     [](VaroHandle h, TestModel &m) {
         DerivativeSet(h, m, 2);
         m.modelReturn = [](int n) { return n == 1 ? 1 : 0; };
     },
     1000, "Internal bug"},
    {"NoIterationsAllowed", [](VaroHandle h, TestModel &) { VaroMaxNoIterationsSet(h, 0); }, 9,
     "VaroProcessing: termination condition has not been reached for 0 iterations"},
    {"ModelReturnsNan", // a NaN norm never passes the termination test
     [](VaroHandle h, TestModel &m) {
         VaroMaxNoIterationsSet(h, 4);
         m.residuals = [line = m.residuals](const Values &p) {
             Values r = line(p);
             r[0] = std::nan("");
             return r;
         };
     },
     9, "VaroProcessing: termination condition has not been reached for 4 iterations"},
    {"InfiniteResidualUnderABoundedLoss", // arctan bounds the cost, not the norm
     [](VaroHandle h, TestModel &m) {
         VaroMaxNoIterationsSet(h, 4);
         VaroLossSet(h, 4, 1.0);
         m.residuals = [line = m.residuals](const Values &p) {
             Values r = line(p);
             r[0] = HUGE_VAL;
             return r;
         };
     },
     9, "VaroProcessing: termination condition has not been reached for 4 iterations"},
};

class ProcessingFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(ProcessingFailure, ReportsItsCodeAndKeepsTheParameters) {
    const FailureCase &failure = GetParam();
    TestModel model = LineModel();
    FitProblem problem({&model});
    failure.arrange(problem.Handle(), model);
    const Values before = {problem.Value(1, 1), problem.Value(1, 2)};
    EXPECT_EQ(failure.iExpected, VaroProcessing(problem.Handle()));
    if (failure.message[0] != '\0') {
        EXPECT_EQ(failure.message, problem.ErrorText());
    }
    EXPECT_EQ(before, (Values{problem.Value(1, 1), problem.Value(1, 2)}));
    // Processing has ended: initial values can be set again.
    EXPECT_EQ(0, VaroParamIniValueSet(problem.Handle(), 1, 1, 0.5));
}

INSTANTIATE_TEST_SUITE_P(Engine, ProcessingFailure, testing::ValuesIn(kFailureCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(ProcessingSetup, IncompleteSetUpStopsAtTheFirstGap) {
    VaroHandle iHandle = 0;
    ASSERT_EQ(0, VaroObjectCreate(&iHandle));
    EXPECT_EQ(8, VaroProcessing(iHandle));
    EXPECT_STREQ("VaroProcessing: the number of models has not been set",
                 VaroErrorStringGet(iHandle));
    VaroNoModelsSet(iHandle, 3);
    VaroNoModelParamsSet(iHandle, 1, 2);
    EXPECT_EQ(8, VaroProcessing(iHandle));
    EXPECT_STREQ("VaroProcessing: callback function for the model 1 has not been set",
                 VaroErrorStringGet(iHandle));
    VaroModelCallbackSet(iHandle, 1, ModelCallbackRun);
    EXPECT_EQ(8, VaroProcessing(iHandle));
    EXPECT_STREQ("VaroProcessing: the number of parameters for the model 2 has not been set",
                 VaroErrorStringGet(iHandle));
    VaroObjectDelete(iHandle);
    EXPECT_EQ(1, VaroProcessing(iHandle));
}

TEST(ProcessingSetup, RefusesMoreThanOneHundredFreeParameters) {
    TestModel wide{Values(100, 1.0), [](const Values &p) { return Values{p[0]}; }};
    TestModel extra{{1.0, 1.0}, [](const Values &p) { return Values{p[0] + p[1]}; }};
    FitProblem problem({&wide, &extra});
    // Linking the two extra parameters still leaves 101 free ones.
    VaroParamLinkSet(problem.Handle(), 2, 1, 9);
    VaroParamLinkSet(problem.Handle(), 2, 2, 9);
    EXPECT_EQ(8, VaroProcessing(problem.Handle()));
    EXPECT_EQ("VaroProcessing: too many free parameters (101), at most 100", problem.ErrorText());
    EXPECT_TRUE(wide.calls.empty());
    // Fixing one leaves 100, which fit.
    VaroParamLimitsSet(problem.Handle(), 1, 100, 1.0, 1.0);
    VaroMaxNoIterationsSet(problem.Handle(), 0);
    EXPECT_EQ(9, VaroProcessing(problem.Handle()));
}

TEST(ProcessingSetup, RelinkingAfterAProcessingIsAccepted) {
    TestModel model{{1.5, 1.5}, LineModel().residuals};
    FitProblem problem({&model});
    VaroMaxNoIterationsSet(problem.Handle(), 0);
    EXPECT_EQ(9, VaroProcessing(problem.Handle()));
    // Each parameter had a free entry of its own; now they share one.
    VaroParamLinkSet(problem.Handle(), 1, 1, 4);
    VaroParamLinkSet(problem.Handle(), 1, 2, 4);
    EXPECT_EQ(9, VaroProcessing(problem.Handle()));
    EXPECT_EQ("VaroProcessing: termination condition has not been reached for 0 iterations",
              problem.ErrorText());
}

TEST(ProcessingIterations, ExactFitRunsToTheDefaultIterationLimit) {
    TestModel model{{1.0, 2.0, 3.0}, [](const Values &p) {
                        return Values{p[0] - 1.0, p[1] - 2.0, p[2] - 3.0};
                    }};
    FitProblem problem({&model});
    EXPECT_EQ(9, VaroProcessing(problem.Handle()));
    EXPECT_EQ("VaroProcessing: termination condition has not been reached for 300 iterations",
              problem.ErrorText());
    int iIteration = 0;
    VaroCurrentIterationGet(problem.Handle(), &iIteration);
    EXPECT_EQ(301, iIteration);
}

// The damped step ends on residuals that are all exactly 0.
TEST(ProcessingIterations, DampedExactFitEndsAtOnce) {
    TestModel model{{1.0, 2.0}, [](const Values &p) {
                        return Values{p[0] - 1.0, p[1] - 2.0, p[0] + p[1] - 3.0};
                    }};
    FitProblem problem({&model});
    ASSERT_EQ(0, VaroStepMethodSet(problem.Handle(), 1));
    EXPECT_EQ(0, VaroProcessing(problem.Handle())) << problem.ErrorText();
    EXPECT_EQ((Values{1.0, 2.0}), (Values{problem.Value(1, 1), problem.Value(1, 2)}));
    int iIteration = 0;
    VaroCurrentIterationGet(problem.Handle(), &iIteration);
    EXPECT_EQ(1, iIteration);
}

std::vector<int> progressIterations;
int ProgressRecord(VaroHandle iHandle) {
    int iIteration = -1;
    VaroCurrentIterationGet(iHandle, &iIteration);
    progressIterations.push_back(iIteration);
    return iIteration == 2 ? 1 : 0;
}

TEST(ProcessingIterations, ProgressCallbackSeesEveryIterationAndMayStop) {
    TestModel model{{10.0}, [](const Values &p) { return Values{std::sqrt(std::fabs(p[0])) + 1}; }};
    FitProblem problem({&model});
    progressIterations.clear();
    VaroProgressCallbackSet(problem.Handle(), ProgressRecord);
    EXPECT_EQ(10, VaroProcessing(problem.Handle()));
    EXPECT_EQ((std::vector<int>{0, 1, 2}), progressIterations);
    int iIteration = 0;
    VaroCurrentIterationGet(problem.Handle(), &iIteration);
    EXPECT_EQ(2, iIteration);
    EXPECT_EQ(10.0, problem.Value(1, 1));
}

TEST(ProcessingResults, LinkedAndFixedParametersAfterAFit) {
    // Model 1's first parameter is linked to model 2's; model 2's second is fixed.
    TestModel first{{1.0, 0.0}, [](const Values &p) { return Values{p[0] - 2.0, p[1] - 4.0}; }};
    TestModel second{{1.0, 7.0}, [](const Values &p) { return Values{p[0] - 3.0, p[1], 5.0}; }};
    FitProblem problem({&first, &second});
    VaroParamLinkSet(problem.Handle(), 1, 1, 5);
    VaroParamLinkSet(problem.Handle(), 2, 1, 5);
    VaroParamLimitsSet(problem.Handle(), 2, 2, 7.0, 7.0);
    EXPECT_EQ(0, VaroProcessing(problem.Handle()));
    EXPECT_NEAR(2.5, problem.Value(1, 1), 1e-5); // least (p - 2)^2 + (p - 3)^2
    EXPECT_EQ(problem.Value(1, 1), problem.Value(2, 1));
    EXPECT_NEAR(4.0, problem.Value(1, 2), 1e-5);
    EXPECT_EQ(7.0, problem.Value(2, 2));
    for (const CallRecord &call : second.calls) {
        EXPECT_EQ(7.0, call.params[1]);
    }
    // The norms stay readable; a second processing starts from the fitted values.
    EXPECT_NEAR(std::sqrt(0.5 + 49.0 + 25.0), problem.Norm(0), 1e-6);
    EXPECT_NEAR(std::sqrt(0.25 + 49.0 + 25.0), problem.Norm(2), 1e-6);
    first.calls.clear();
    EXPECT_EQ(0, VaroProcessing(problem.Handle()));
    EXPECT_EQ(problem.Value(1, 2), first.calls.front().params[1]);
}

int iIniValueResult = -1;
int IniValueSetDuringProcessing(VaroHandle iHandle) {
    iIniValueResult = VaroParamIniValueSet(iHandle, 1, 1, 42.0);
    return 0;
}

TEST(ProcessingResults, InitialValueCannotBeSetWhileProcessing) {
    TestModel model = LineModel();
    FitProblem problem({&model});
    VaroProgressCallbackSet(problem.Handle(), IniValueSetDuringProcessing);
    VaroMaxNoIterationsSet(problem.Handle(), 0);
    EXPECT_EQ(9, VaroProcessing(problem.Handle()));
    EXPECT_EQ(11, iIniValueResult);
    EXPECT_EQ(0.5, problem.Value(1, 1));
}

void *pLeakedBlock = nullptr;
int ProgressLeaking(VaroHandle) {
    pLeakedBlock = pLeakedBlock != nullptr ? pLeakedBlock : MemAlloc(16);
    return 0;
}

TEST(ProcessingResults, LeakOfWrapperBlocksIsAnnounced) {
    TestModel model = LineModel();
    FitProblem problem({&model});
    testing::internal::CaptureStdout();
    EXPECT_EQ(0, VaroProcessing(problem.Handle()));
    EXPECT_EQ("", testing::internal::GetCapturedStdout());
    VaroProgressCallbackSet(problem.Handle(), ProgressLeaking);
    testing::internal::CaptureStdout();
    EXPECT_EQ(0, VaroProcessing(problem.Handle()));
    const std::string output = testing::internal::GetCapturedStdout();
    pLeakedBlock = MemFree(pLeakedBlock);
    EXPECT_EQ(0u, output.find("\n!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!\n"
                              "!!!!! Memory leakage problem is detected !!!!!\n"
                              "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!\n\a"));
    EXPECT_NE(std::string::npos, output.find(" 1 ")) << output;
}

int iNestedResult = 0;
int ProgressProcessingAgain(VaroHandle iHandle) {
    iNestedResult = VaroProcessing(iHandle);
    return 0;
}

// Processing the object again from its own callback is refused; the running
// fit goes on undisturbed.
TEST(ProcessingResults, ProcessingFromItsOwnCallbackIsRefused) {
    TestModel model = LineModel();
    FitProblem problem({&model});
    VaroProgressCallbackSet(problem.Handle(), ProgressProcessingAgain);
    EXPECT_EQ(0, VaroProcessing(problem.Handle()));
    EXPECT_EQ(8, iNestedResult);
    EXPECT_EQ("VaroProcessing: the object is already processing", problem.ErrorText());
    VaroProgressCallbackSet(problem.Handle(), nullptr);
    TestModel reference = LineModel();
    FitProblem plain({&reference});
    EXPECT_EQ(0, VaroProcessing(plain.Handle()));
    EXPECT_EQ(plain.Value(1, 1), problem.Value(1, 1));
}

// A vector handed over before processing is released by the run: fewer live
// blocks afterwards is no leak.
TEST(ProcessingResults, ReleasingABlockObtainedBeforeTheRunIsNoLeak) {
    TestModel model = LineModel();
    FitProblem problem({&model});
    const double adValues[] = {1.0, 2.0};
    ASSERT_EQ(0, VaroCbReturnVectSet(problem.Handle(), adValues, 2));
    const long iLiveBlocks = MemLiveBlockCount();
    testing::internal::CaptureStdout();
    EXPECT_EQ(0, VaroProcessing(problem.Handle()));
    EXPECT_EQ("", testing::internal::GetCapturedStdout());
    EXPECT_EQ(iLiveBlocks - 1, MemLiveBlockCount());
}

} // namespace
} // namespace engine_test
