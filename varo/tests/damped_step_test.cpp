// The damped step method: its log trace, trial points that keep within the
// limits and end on a limit through the unconstrained minimum, and a lambda
// loop that ends on non-finite, subnormal and huge values.
#include <cfloat>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <ostream>

#include "engine_fixture.h"

namespace engine_test {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

void TightSettingsSet(VaroHandle iHandle) {
    VaroResNormChangeTerminationSet(iHandle, DBL_EPSILON);
    VaroParValChangeTerminationSet(iHandle, DBL_EPSILON);
}

TEST(DampedStep, LeavesItsLinesAndReachesTheLeastSquaresPoint) {
    // A linear problem whose least-squares solution is (4.6 / 2.25, 1).
    TestModel model{{0.0, 0.0},
                    [](const Values &p) {
                        return Values{p[0] + p[1] - 3.0, p[0] - p[1] - 1.0, 0.5 * p[0] - 1.2};
                    },
                    [](const Values &, int j) {
                        return j == 1 ? Values{1.0, 1.0, 0.5} : Values{1.0, -1.0, 0.0};
                    }};
    FitProblem problem({&model});
    problem.LogOpen();
    ASSERT_EQ(0, VaroStepMethodSet(problem.Handle(), 1));
    EXPECT_EQ(0, VaroProcessing(problem.Handle())) << problem.ErrorText();
    const std::string log = problem.LogText();
    EXPECT_TRUE(LinesInOrder(
        log, {"========= Main iteration: 1 ===========", "-- Find better parameter values --",
              "SVD: Smin/Smax= ", "-- Damped step --", "Damped step: lambda= ",
              "========= Main iteration: 2 ===========", "-- Damped step --", "Damped step: "}))
        << log;
    EXPECT_EQ(LinesStartingWith(log, "========= Main iteration: "),
              LinesStartingWith(log, "-- Damped step --"));
    EXPECT_NE(std::string::npos, log.find(", ratio= ")) << log;
    EXPECT_NE(std::string::npos, log.find(": ACCEPTED\n")) << log;
    EXPECT_EQ(0, LinesStartingWith(log, "-- Tovek step --"));
    EXPECT_EQ(0, LinesStartingWith(log, "-- Gauss-Newton step --"));
    // The first step, damped by 1e-4 of the largest eigenvalue, comes within
    // about 1e-4 of the solution, the second much closer; a later one gains
    // too little to go on.
    EXPECT_NEAR(4.6 / 2.25, problem.Value(1, 1), 1e-5);
    EXPECT_NEAR(1.0, problem.Value(1, 2), 1e-5);
}

// a exp(-k x) on 20 points, from a = 3 and k = 0.5 with a little noise.
TestModel DecayModel(Values start) {
    return {std::move(start),
            [](const Values &p) {
                Values r(20);
                for (size_t i = 0; i < r.size(); ++i) {
                    const double x = 0.5 * static_cast<double>(i);
                    r[i] = p[0] * std::exp(-p[1] * x) - 3.0 * std::exp(-0.5 * x) -
                           1e-3 * std::sin(7.0 * x);
                }
                return r;
            },
            [](const Values &p, int j) {
                Values g(20);
                for (size_t i = 0; i < g.size(); ++i) {
                    const double x = 0.5 * static_cast<double>(i);
                    g[i] = j == 1 ? std::exp(-p[1] * x) : -x * p[0] * std::exp(-p[1] * x);
                }
                return g;
            }};
}

struct LimitCase {
    const char *name;
    int iParam;    // the limited parameter
    double dLower; // its limits; the unconstrained minimum lies outside
    double dUpper;
    double dOnLimit; // the limit it must end on
};

// Shown as the case's name where a test reports its parameter.
void PrintTo(const LimitCase &c, std::ostream *pStream) {
    *pStream << c.name;
}

const LimitCase kLimitCases[] = {
    {"UpperLimitOfTheRate", 2, 0.05, 0.4, 0.4},
    {"LowerLimitOfTheAmplitude", 1, 3.5, 10.0, 3.5},
};

class DampedLimits : public testing::TestWithParam<LimitCase> {};

// Every trial point lies within the limits, the fit ends on the limit, and the
// other parameter takes the value it has when the limited one is fixed there.
TEST_P(DampedLimits, TrialsStayInsideAndTheFitEndsOnTheLimit) {
    const LimitCase &limit = GetParam();
    TestModel limited = DecayModel({5.0, 0.2});
    FitProblem problem({&limited});
    ASSERT_EQ(0, VaroStepMethodSet(problem.Handle(), 1));
    TightSettingsSet(problem.Handle());
    VaroParamLimitsSet(problem.Handle(), 1, limit.iParam, limit.dLower, limit.dUpper);
    EXPECT_EQ(0, VaroProcessing(problem.Handle())) << problem.ErrorText();
    for (const CallRecord &call : limited.calls) {
        const double dValue = call.params[limit.iParam - 1];
        ASSERT_EQ(0, call.iValueRc) << "iteration " << call.iIteration << ": " << dValue;
        ASSERT_TRUE(dValue >= limit.dLower && dValue <= limit.dUpper) << dValue;
    }
    EXPECT_EQ(limit.dOnLimit, problem.Value(1, limit.iParam));

    Values start{5.0, 0.2};
    start[limit.iParam - 1] = limit.dOnLimit;
    TestModel fixed = DecayModel(start);
    FitProblem reference({&fixed});
    ASSERT_EQ(0, VaroStepMethodSet(reference.Handle(), 1));
    TightSettingsSet(reference.Handle());
    VaroParamLimitsSet(reference.Handle(), 1, limit.iParam, limit.dOnLimit, limit.dOnLimit);
    EXPECT_EQ(0, VaroProcessing(reference.Handle())) << reference.ErrorText();
    const int iOther = 3 - limit.iParam;
    EXPECT_NEAR(reference.Value(1, iOther), problem.Value(1, iOther),
                1e-7 * std::fabs(reference.Value(1, iOther)));
}

INSTANTIATE_TEST_SUITE_P(Engine, DampedLimits, testing::ValuesIn(kLimitCases),
                         [](const auto &info) { return std::string(info.param.name); });

int StopAtSecondIteration(VaroHandle iHandle) {
    int iIteration = 0;
    VaroCurrentIterationGet(iHandle, &iIteration);
    return iIteration == 2 ? 1 : 0;
}

// Stops asked by callbacks and the iteration limit end a fit the same way with
// either step method.
TEST(DampedStep, EndsOnStopsAndTheIterationLimitAsTheEigenvectorSearch) {
    for (int iMethod = 0; iMethod <= 1; ++iMethod) {
        TestModel progress = DecayModel({5.0, 0.2});
        TestModel trial = DecayModel({5.0, 0.2});
        trial.modelReturn = [](int iCall) { return iCall == 1 ? 1 : 0; }; // the first trial
        TestModel limit = DecayModel({5.0, 0.2});
        FitProblem progressProblem({&progress});
        FitProblem trialProblem({&trial});
        FitProblem limitProblem({&limit});
        for (const FitProblem *pProblem : {&progressProblem, &trialProblem, &limitProblem}) {
            ASSERT_EQ(0, VaroStepMethodSet(pProblem->Handle(), iMethod));
            TightSettingsSet(pProblem->Handle());
        }
        VaroProgressCallbackSet(progressProblem.Handle(), StopAtSecondIteration);
        VaroMaxNoIterationsSet(limitProblem.Handle(), 2);
        EXPECT_EQ(10, VaroProcessing(progressProblem.Handle())) << iMethod;
        int iIteration = 0;
        VaroCurrentIterationGet(progressProblem.Handle(), &iIteration);
        EXPECT_EQ(2, iIteration) << iMethod;
        EXPECT_EQ(5.0, progressProblem.Value(1, 1)) << "the start stays after a stop";
        EXPECT_EQ(1000, VaroProcessing(trialProblem.Handle())) << iMethod;
        EXPECT_EQ("Internal bug", trialProblem.ErrorText()) << iMethod;
        EXPECT_EQ(9, VaroProcessing(limitProblem.Handle())) << iMethod;
        EXPECT_EQ("VaroProcessing: termination condition has not been reached for 2 iterations",
                  limitProblem.ErrorText())
            << iMethod;
    }
}

struct HostileCase {
    const char *name;
    Values start;
    Values (*residuals)(const Values &);
    Values (*slope)(const Values &, int); // null: numerical derivatives
};

// Shown as the case's name where a test reports its parameter.
void PrintTo(const HostileCase &c, std::ostream *pStream) {
    *pStream << c.name;
}

const HostileCase kHostileCases[] = {
    {"NanBesideTheStart",
     {1.0},
     [](const Values &p) { return Values{std::sqrt(p[0]) + 1.0}; },
     [](const Values &p, int) { return Values{0.5 / std::sqrt(p[0])}; }},
    {"OverflowingTrials",
     {0.0},
     [](const Values &p) {
         return Values{std::exp(700.0 * p[0]) + 1.0, 1.0};
     },
     [](const Values &p, int) {
         return Values{700.0 * std::exp(700.0 * p[0]), 0.0};
     }},
    {"SubnormalParameters",
     {1e-310, 3e-310},
     [](const Values &p) {
         return Values{1e300 * p[0] - 1e-12, 1e300 * p[1] * p[0], p[1]};
     },
     nullptr},
    {"HugeResiduals",
     {1e150, 2.0},
     [](const Values &p) {
         return Values{p[0] * p[1], 1e200 * p[1], p[0]};
     },
     nullptr},
    {"NanJacobian",
     {2.0, 1.0},
     [](const Values &p) {
         return Values{p[0] - 1.0, p[1] * p[0]};
     },
     [](const Values &, int) {
         return Values{kNaN, kNaN};
     }},
    {"InfiniteStart",
     {kInf},
     [](const Values &p) { return Values{p[0] - 1.0}; },
     [](const Values &, int) { return Values{1.0}; }},
    {"ExactFitAtTheStart",
     {1.0, 2.0},
     [](const Values &p) {
         return Values{p[0] - 1.0, p[1] - 2.0};
     },
     [](const Values &, int j) {
         return j == 1 ? Values{1.0, 0.0} : Values{0.0, 1.0};
     }},
};

class DampedHostileValues : public testing::TestWithParam<HostileCase> {};

// The lambda loop of every iteration ends, so the processing ends with a
// result of its own, within the iteration limit.
TEST_P(DampedHostileValues, EveryIterationEnds) {
    const HostileCase &hostile = GetParam();
    TestModel model{hostile.start, hostile.residuals};
    if (hostile.slope != nullptr) {
        model.derivative = hostile.slope;
    }
    FitProblem problem({&model});
    problem.LogOpen();
    ASSERT_EQ(0, VaroStepMethodSet(problem.Handle(), 1));
    TightSettingsSet(problem.Handle());
    VaroMaxNoIterationsSet(problem.Handle(), 20);
    const int iResult = VaroProcessing(problem.Handle());
    EXPECT_TRUE(iResult == 0 || iResult == 9) << iResult << " " << problem.ErrorText();
    const std::string log = problem.LogText();
    const int iIterations = LinesStartingWith(log, "-- Damped step --");
    EXPECT_GE(iIterations, 1) << log;
    // At most 50 trials an iteration, each one evaluation.
    EXPECT_LE(LinesStartingWith(log, "Damped step: lambda= "), 50 * iIterations);
}

INSTANTIATE_TEST_SUITE_P(Engine, DampedHostileValues, testing::ValuesIn(kHostileCases),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
} // namespace engine_test
