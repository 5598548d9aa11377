// The Jacobian seen from the callbacks: which parameter a gradient callback is
// asked about, where numerical perturbations go, and how limits, links and a
// zero residual norm shape them.
#include <cmath>
#include <gtest/gtest.h>
#include <ostream>

#include "engine_fixture.h"

namespace engine_test {
namespace {

std::vector<int> GradientParamsOf(const TestModel &model, int iIteration) {
    std::vector<int> params;
    for (const CallRecord &call : model.CallsOf(iIteration, true)) {
        params.push_back(call.iParam);
    }
    return params;
}

// r = (a - 1, b - 2, a + b - 3.5) with its derivatives.
TestModel PlaneModel() {
    return {{0.0, 0.0},
            [](const Values &p) {
                return Values{p[0] - 1.0, p[1] - 2.0, p[0] + p[1] - 3.5};
            },
            [](const Values &, int j) {
                return j == 1 ? Values{1.0, 0.0, 1.0} : Values{0.0, 1.0, 1.0};
            }};
}

TEST(GradientProtocol, AsksEachParameterOfEachModelBeforeAnyTrial) {
    TestModel first = PlaneModel();
    TestModel second = PlaneModel();
    FitProblem problem({&first, &second});
    VaroParamLinkSet(problem.Handle(), 1, 1, 2);
    VaroParamLinkSet(problem.Handle(), 2, 1, 2);
    EXPECT_EQ(0, VaroProcessing(problem.Handle()));
    EXPECT_EQ((std::vector<int>{1, 2}), GradientParamsOf(first, 1));
    EXPECT_EQ((std::vector<int>{1, 2}), GradientParamsOf(second, 1));
    for (const CallRecord &call : second.calls) {
        EXPECT_EQ(2, call.iModel);
    }
    // Analytical derivatives need no model call inside the Jacobian.
    std::vector<bool> kinds;
    for (const CallRecord &call : first.calls) {
        if (call.iIteration == 1) {
            kinds.push_back(call.bGradient);
        }
    }
    ASSERT_GE(kinds.size(), 3u);
    EXPECT_TRUE(kinds[0] && kinds[1]);
    EXPECT_EQ(kinds.end(), std::find(kinds.begin() + 2, kinds.end(), true));
}

TEST(GradientProtocol, LinksInsideOneModelAskEveryLinkedParameter) {
    // Parameters 1 and 3 share one value: r = (a + a' - 4, b - 1, 2a' - b).
    TestModel analytic{{0.5, 0.5, 0.5},
                       [](const Values &p) {
                           return Values{p[0] + p[2] - 4.0, p[1] - 1.0, 2.0 * p[2] - p[1]};
                       },
                       [](const Values &, int j) {
                           return j == 1   ? Values{1.0, 0.0, 0.0}
                                  : j == 2 ? Values{0.0, 1.0, -1.0}
                                           : Values{1.0, 0.0, 2.0};
                       }};
    TestModel numeric{analytic.initial, analytic.residuals};
    FitProblem analyticProblem({&analytic});
    FitProblem numericProblem({&numeric});
    for (const FitProblem *pProblem : {&analyticProblem, &numericProblem}) {
        VaroParamLinkSet(pProblem->Handle(), 1, 1, 8);
        VaroParamLinkSet(pProblem->Handle(), 1, 3, 8);
        VaroGaussNewtonResNormThreshSet(pProblem->Handle(), 1e10);
        EXPECT_EQ(0, VaroProcessing(pProblem->Handle()));
    }
    EXPECT_EQ((std::vector<int>{1, 3, 2}), GradientParamsOf(analytic, 1));
    for (int j = 1; j <= 3; ++j) {
        EXPECT_NEAR(numericProblem.Value(1, j), analyticProblem.Value(1, j), 1e-6) << j;
    }
}

TEST(GradientProtocol, DeclinedColumnsAreDifferentiatedNumerically) {
    TestModel mixed = PlaneModel();
    mixed.gradientReturn = [](int j) { return j == 2 ? -1 : 0; };
    TestModel analytic = PlaneModel();
    FitProblem mixedProblem({&mixed});
    FitProblem analyticProblem({&analytic});
    EXPECT_EQ(0, VaroProcessing(mixedProblem.Handle()));
    EXPECT_EQ(0, VaroProcessing(analyticProblem.Handle()));
    // Only parameter 2 is perturbed inside the Jacobian of iteration 1.
    const std::vector<CallRecord> calls = mixed.CallsOf(1, false);
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ((Values{0.0, 1e-8}), calls[0].params);
    EXPECT_EQ((Values{0.0, -1e-8}), calls[1].params);
    for (int j = 1; j <= 2; ++j) {
        EXPECT_NEAR(analyticProblem.Value(1, j), mixedProblem.Value(1, j), 1e-6) << j;
    }
}

TEST(GradientProtocol, ParameterFixedAfterAProcessingIsNeverAsked) {
    TestModel model = PlaneModel();
    FitProblem problem({&model});
    EXPECT_EQ(0, VaroProcessing(problem.Handle()));
    VaroParamIniValueSet(problem.Handle(), 1, 1, 0.25);
    VaroParamLimitsSet(problem.Handle(), 1, 1, 0.25, 0.25);
    model.calls.clear();
    EXPECT_EQ(0, VaroProcessing(problem.Handle()));
    for (const CallRecord &call : model.CallsOf(1, true)) {
        EXPECT_EQ(2, call.iParam);
    }
    EXPECT_NEAR(2.625, problem.Value(1, 2), 1e-6); // least (b - 2)^2 + (b - 3.25)^2
}

TEST(NumericalDerivative, FirstPerturbationsFollowTheValuesAndSkipInsensitiveOnes) {
    TestModel model{{0.0, -3.0, 1.0}, [](const Values &p) {
                        return Values{p[0] - 10.0, p[1] - 10.0};
                    }};
    FitProblem problem({&model});
    problem.LogOpen();
    VaroMaxNoIterationsSet(problem.Handle(), 1);
    VaroProcessing(problem.Handle());
    const std::vector<CallRecord> calls = model.CallsOf(1, false);
    ASSERT_GE(calls.size(), 6u);
    EXPECT_EQ((Values{1e-8, -3.0, 1.0}), calls[0].params);
    EXPECT_EQ((Values{-1e-8, -3.0, 1.0}), calls[1].params);
    EXPECT_EQ((Values{0.0, -3.0 + -3e-8, 1.0}), calls[2].params);
    EXPECT_EQ((Values{0.0, -3.0 + 3e-8, 1.0}), calls[3].params);
    const std::string log = problem.LogText();
    EXPECT_TRUE(LinesInOrder(
        log, {"No sensitivity to the parameter 3 for the model 1, perturbation=1.000000e-08",
              "No sensitivity to the parameter 3 for the model 1, perturbation=-1.000000e-08"}));
    EXPECT_EQ(2, LinesStartingWith(log, "No sensitivity"));
}

struct SensitivityCase {
    const char *name;
    double dJump; // residual change once p exceeds 1 + 5e-8
    const char *line;
};

// Shown as the case's name where a test reports its parameter.
void PrintTo(const SensitivityCase &c, std::ostream *pStream) {
    *pStream << c.name;
}

// Just above p = 1 the residual grows by 2^-40, too little for the window, so
// the perturbation grows tenfold; from 1 + 5e-8 on it grows by dJump.
const SensitivityCase kSensitivityCases[] = {
    {"SameChangeAfterGrowing", 0x1p-40,
     "Inverse or no sensitivity to the parameter 1 for the model 1, perturbation=1.000000e-07"},
    {"JumpAfterGrowing", 1.0, "Not continues problem for the parameter 1 of the model 1"},
};

class PerturbationLog : public testing::TestWithParam<SensitivityCase> {};

TEST_P(PerturbationLog, EndsTheSearchWithItsLine) {
    const double dJump = GetParam().dJump;
    TestModel model{
        {1.0}, [dJump](const Values &p) {
            return Values{1.0 + (p[0] > 1.0 + 5e-8 ? dJump : p[0] > 1.0 ? 0x1p-40 : 0.0)};
        }};
    FitProblem problem({&model});
    problem.LogOpen();
    EXPECT_EQ(0, VaroProcessing(problem.Handle()));
    const std::vector<CallRecord> calls = model.CallsOf(1, false);
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(1.0 + 1e-8, calls[0].params[0]);
    EXPECT_EQ(1.0 + 1e-7, calls[1].params[0]);
    EXPECT_TRUE(LinesInOrder(problem.LogText(), {"-- Compute Jacobian --", GetParam().line}))
        << problem.LogText();
}

INSTANTIATE_TEST_SUITE_P(Engine, PerturbationLog, testing::ValuesIn(kSensitivityCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(NumericalDerivative, ZeroNormModelKeepsAFiniteNonzeroPerturbation) {
    // Model 1 is exact at the start, model 2 drives the fit.
    TestModel exact{{1.0}, [](const Values &p) { return Values{p[0] - 1.0}; }};
    TestModel driving{{1.0, 0.0}, [](const Values &p) { return Values{p[0] + p[1] - 5.0}; }};
    FitProblem problem({&exact, &driving});
    VaroParamLinkSet(problem.Handle(), 1, 1, 1);
    VaroParamLinkSet(problem.Handle(), 2, 1, 1);
    EXPECT_EQ(0, VaroProcessing(problem.Handle()));
    const std::vector<CallRecord> calls = exact.CallsOf(1, false);
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(1.0 + 1e-8, calls[0].params[0]);
    EXPECT_EQ(1.0 - 1e-8, calls[1].params[0]);
    EXPECT_NEAR(1.0, problem.Value(1, 1), 1e-4);
    EXPECT_NEAR(4.0, problem.Value(2, 2), 1e-4);
}

TEST(NumericalDerivative, ZeroValuedParameterAmongHugeOnesIsScaledAndMoves) {
    // The product of the magnitudes overflows; the zero-valued parameter still
    // needs a finite scale.
    const double dHuge = 1e200;
    TestModel model{{dHuge, dHuge, 0.0}, [dHuge](const Values &p) {
                        return Values{p[0] / dHuge - 1.5, p[1] / dHuge - 0.5, p[2] - 1.0};
                    }};
    FitProblem problem({&model});
    EXPECT_EQ(0, VaroProcessing(problem.Handle()));
    EXPECT_NEAR(1.5, problem.Value(1, 1) / dHuge, 1e-4);
    EXPECT_NEAR(0.5, problem.Value(1, 2) / dHuge, 1e-4);
    EXPECT_NEAR(1.0, problem.Value(1, 3), 1e-4);
}

Values progressValues; // the current point after each iteration
int ProgressValueRecord(VaroHandle iHandle) {
    double dValue = 0.0;
    VaroParamCurValueGet(iHandle, 1, 1, &dValue);
    progressValues.push_back(dValue);
    return 0;
}

TEST(NumericalDerivative, PerturbationCutAtALimitKeepsTheSizeEvaluated) {
    // Insensitive near p = 1, whose upper limit lies 5e-9 above: the first
    // perturbation is cut to the limit and would have to grow beyond it.
    const double dUpper = 1.0 + 5e-9;
    TestModel model{{1.0}, [](const Values &p) { return Values{1000.0 + (p[0] - 2.0), 5.0}; }};
    FitProblem problem({&model});
    VaroParamLimitsSet(problem.Handle(), 1, 1, -1e6, dUpper);
    VaroMaxNoIterationsSet(problem.Handle(), 2);
    progressValues.clear();
    VaroProgressCallbackSet(problem.Handle(), ProgressValueRecord);
    VaroProcessing(problem.Handle());
    const std::vector<CallRecord> first = model.CallsOf(1, false);
    const std::vector<CallRecord> second = model.CallsOf(2, false);
    ASSERT_TRUE(!first.empty() && !second.empty() && progressValues.size() == 3);
    EXPECT_EQ(dUpper, first[0].params[0]);
    // The next iteration starts from the perturbation whose residuals were used.
    const double dFirstOffset = first[0].params[0] - progressValues[0];
    EXPECT_NEAR(dFirstOffset, second[0].params[0] - progressValues[1], 1e-3 * dFirstOffset);
    EXPECT_NEAR(-998.0, progressValues[1], 1e-3);
}

struct LimitCase {
    const char *name;
    double dStart;
    double dLower;
    double dUpper;
    double dFitted;
};

// Shown as the case's name where a test reports its parameter.
void PrintTo(const LimitCase &c, std::ostream *pStream) {
    *pStream << c.name;
}

// r = (p - 2, q - 1): the minimum in p lies inside the limits or beyond one.
const LimitCase kLimitCases[] = {
    {"StartOnLowerLimit", 0.0, 0.0, 10.0, 2.0},
    {"StartOnUpperLimit", 10.0, 0.0, 10.0, 2.0},
    {"NegativeStartOnUpperLimit", -1.0, -5.0, -1.0, -1.0},
    {"MinimumBelowLowerLimit", 6.0, 3.0, 9.0, 3.0},
    {"MinimumAboveUpperLimit", -4.0, -6.0, 1.5, 1.5},
    // (0.9 - 0.3) / 0.3 * 0.3 + 0.3 rounds to one unit above 0.9.
    {"MoveCutOntoTheLimitInRounding", 0.3, 0.0, 0.9, 0.9},
};

class LimitedParameter : public testing::TestWithParam<LimitCase> {};

TEST_P(LimitedParameter, EveryEvaluationStaysInsideTheLimits) {
    const LimitCase &limit = GetParam();
    TestModel model{{limit.dStart, 1.5}, [](const Values &p) {
                        return Values{p[0] - 2.0, p[1] - 1.0};
                    }};
    FitProblem problem({&model});
    VaroParamLimitsSet(problem.Handle(), 1, 1, limit.dLower, limit.dUpper);
    VaroResNormChangeTerminationSet(problem.Handle(), 1e-9);
    VaroStabVsSpeedSet(problem.Handle(), 1e-9);
    VaroParValChangeTerminationSet(problem.Handle(), 1e-9);
    EXPECT_EQ(0, VaroProcessing(problem.Handle()));
    for (const CallRecord &call : model.calls) {
        EXPECT_TRUE(call.params[0] >= limit.dLower && call.params[0] <= limit.dUpper);
        EXPECT_EQ(0, call.iValueRc);
    }
    EXPECT_NEAR(limit.dFitted, problem.Value(1, 1), 1e-6);
    EXPECT_NEAR(1.0, problem.Value(1, 2), 1e-6);
}

INSTANTIATE_TEST_SUITE_P(Engine, LimitedParameter, testing::ValuesIn(kLimitCases),
                         [](const auto &info) { return std::string(info.param.name); });

// A non-finite parameter value gives a non-finite perturbation, which neither
// growth nor shrinking by 10 can change; with a model whose norm always moves
// far, the search used to go on for ever.
TEST(NumericalDerivative, NonFiniteValueMakesNoPerturbedEvaluation) {
    for (const double dInitial : {std::nan(""), HUGE_VAL, -HUGE_VAL}) {
        TestModel model{{dInitial}, [dCall = 0.0](const Values &) mutable {
                            dCall += 1.0;
                            return Values{dCall};
                        }};
        FitProblem problem({&model});
        VaroMaxNoIterationsSet(problem.Handle(), 2);
        VaroProcessing(problem.Handle());
        EXPECT_EQ(0u, model.CallsOf(1, false).size()) << dInitial;
    }
}

// r = (1 + 1e3 (p - 1), 1): from p = 1 a perturbation of 1e-8 changes the norm
// far beyond the window, so the search shrinks it tenfold at a time, and the
// next iteration starts from the sizes it settled on.
TEST(NumericalDerivative, ShrunkPerturbationIsCarriedIntoTheNextIteration) {
    TestModel model{{1.0}, [](const Values &p) { return Values{1.0 + 1e3 * (p[0] - 1.0), 1.0}; }};
    FitProblem problem({&model});
    VaroMaxNoIterationsSet(problem.Handle(), 2);
    VaroProcessing(problem.Handle());
    const std::vector<CallRecord> first = model.CallsOf(1, false);
    const std::vector<CallRecord> second = model.CallsOf(2, false);
    ASSERT_GE(first.size(), 3u);
    ASSERT_GE(second.size(), 2u);
    EXPECT_EQ(1.0 + 1e-8, first[0].params[0]);
    EXPECT_EQ(1.0 + 1e-9, first[1].params[0]);
    // The last plus-side perturbation of iteration 1 (the trials lie far away).
    double dPlus = 0.0;
    for (const CallRecord &call : first) {
        const double h = call.params[0] - 1.0;
        if (h > 0.0 && h < 1e-6) {
            dPlus = h;
        }
    }
    ASSERT_LT(dPlus, 1e-9);
    // At the fitted point that size changes the norm too little, so iteration
    // 2 starts from it and grows it tenfold: its first two plus-side points
    // lie 9 times the carried size apart.
    EXPECT_NEAR(9.0 * dPlus, second[1].params[0] - second[0].params[0], 1e-3 * dPlus);
}

} // namespace
} // namespace engine_test

namespace engine_test {
namespace {

// Forward differences: one model call a free parameter, at sqrt(eps) times its
// scale (its magnitude, for 0 the geometric mean of the magnitudes), downward
// from an upper limit it lies on, and derivatives equal to the analytic ones.
TEST(ForwardDifferences, OneCallAParameterStepDownwardFromAnUpperLimit) {
    TestModel model{{0.0, -3.0, 2.0}, [](const Values &p) {
                        return Values{p[0] * p[0] - 1.0, p[1] - 10.0, p[2] + p[0]};
                    }};
    FitProblem problem({&model});
    ASSERT_EQ(0, VaroDifferenceSchemeSet(problem.Handle(), 1));
    ASSERT_EQ(0, VaroParamLimitsSet(problem.Handle(), 1, 3, 0.0, 2.0));
    VaroMaxNoIterationsSet(problem.Handle(), 1);
    VaroProcessing(problem.Handle());
    const std::vector<CallRecord> calls = model.CallsOf(1, false);
    ASSERT_GE(calls.size(), 3u);
    const double h = 1.4901161193847656e-08;
    const double dMean = std::pow(3.0 * 2.0, 1.0 / 3.0); // over all three parameters
    EXPECT_EQ((Values{h * dMean, -3.0, 2.0}), calls[0].params);
    EXPECT_EQ((Values{0.0, -3.0 + h * 3.0, 2.0}), calls[1].params);
    EXPECT_EQ((Values{0.0, -3.0, 2.0 - h * 2.0}), calls[2].params) << "downward from the limit";
    // The call after the three of the Jacobian is a trial of the step search:
    // a stop there is reported as a failed trial (1000), not passed on as the
    // result of a numerical derivative.
    model.calls.clear();
    model.modelReturn = [](int iCall) { return iCall == 4 ? 7 : 0; };
    EXPECT_EQ(1000, VaroProcessing(problem.Handle()));
    ASSERT_EQ(0, VaroDifferenceSchemeSet(problem.Handle(), 0));
    model.calls.clear();
    EXPECT_EQ(7, VaroProcessing(problem.Handle())) << "central differences take more calls";
}

} // namespace
} // namespace engine_test
