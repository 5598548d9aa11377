// The step search through its log trace and the points its trials leave.
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <ostream>

#include "engine_fixture.h"
#include "varo/engine.h"

namespace engine_test {
namespace {

// A linear problem whose least-squares solution is (4.6 / 2.25, 1).
TestModel LinearModel() {
    return {{0.0, 0.0},
            [](const Values &p) {
                return Values{p[0] + p[1] - 3.0, p[0] - p[1] - 1.0, 0.5 * p[0] - 1.2};
            },
            [](const Values &, int j) {
                return j == 1 ? Values{1.0, 1.0, 0.5} : Values{1.0, -1.0, 0.0};
            }};
}

struct TraceCase {
    const char *name;
    double dGaussNewtonThresh;
    double dUpperLimit;             // of parameter 1
    std::vector<std::string> lines; // line starts, in this order
    const char *absent;             // no line of iteration 1 starts with it
};

// Shown as the case's name where a test reports its parameter.
void PrintTo(const TraceCase &c, std::ostream *pStream) {
    *pStream << c.name;
}

const TraceCase kTraceCases[] = {
    {"TovekSucceedsOnFirstEigenvector",
     0.01,
     1e300,
     {"========= Main iteration: 1 ===========", "-- Compute Jacobian --",
      "-- Find better parameter values --", "SVD: Smin/Smax= ", "-- Tovek step --",
      "Tovek step: SUCCESS on   1 eigen vector after 0 step reductions",
      "  <new res.norm>/<old res. norm> = <", "========= Main iteration: 2 ==========="},
     "-- Gauss-Newton step --"},
    {"GaussNewtonSucceedsThenFindsNoProgress",
     1e10,
     1e300,
     {"========= Main iteration: 1 ===========", "-- Gauss-Newton step --",
      "GN <new res. norm>/<old res. norm> = <", "Gauss-Newton step: SUCCESS",
      "========= Main iteration: 2 ===========", "-- Gauss-Newton step --",
      "Gauss-Newton step: FAILED", "-- Tovek step --", "Tovek step: INSIGNIFICANT PROGRESS",
      "  <new res.norm>/<old res. norm> = <"},
     "-- Tovek step --"},
    {"GaussNewtonAcrossALimitIsNotEvaluated",
     1e10,
     1.0,
     {"-- Gauss-Newton step --", "Gauss-Newton step: FAILED", "-- Tovek step --"},
     "GN <new res. norm>"},
    {"GaussNewtonNeverTriedWithZeroThreshold",
     0.0,
     1e300,
     {"-- Tovek step --", "Tovek step: INSIGNIFICANT PROGRESS"},
     "-- Gauss-Newton step --"},
};

class StepTrace : public testing::TestWithParam<TraceCase> {};

TEST_P(StepTrace, LeavesItsLinesInOrder) {
    const TraceCase &trace = GetParam();
    TestModel model = LinearModel();
    FitProblem problem({&model});
    problem.LogOpen();
    VaroGaussNewtonResNormThreshSet(problem.Handle(), trace.dGaussNewtonThresh);
    VaroParamLimitsSet(problem.Handle(), 1, 1, -1.0, trace.dUpperLimit);
    EXPECT_EQ(0, VaroProcessing(problem.Handle()));
    const std::string log = problem.LogText();
    EXPECT_TRUE(LinesInOrder(log, trace.lines)) << log;
    const size_t iFirst = log.find("========= Main iteration: 1");
    const std::string first = log.substr(iFirst, log.find("========= Main iteration: 2") - iFirst);
    EXPECT_EQ(0, LinesStartingWith(first, trace.absent)) << first;
    if (trace.dUpperLimit > 1e10) {
        EXPECT_NEAR(4.6 / 2.25, problem.Value(1, 1), 1e-6);
    }
}

INSTANTIATE_TEST_SUITE_P(Engine, StepTrace, testing::ValuesIn(kTraceCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(Tovek, ShorterMovesAreTriedWhileTheyHelp) {
    // Strongly curved: the Gauss-Newton move is good, a shorter one is worse.
    TestModel model{{0.1}, [](const Values &p) { return Values{std::exp(4.0 * p[0]) - 1.0}; }};
    FitProblem problem({&model});
    problem.LogOpen();
    VaroStabVsSpeedSet(problem.Handle(), 0.9);
    EXPECT_EQ(0, VaroProcessing(problem.Handle()));
    EXPECT_TRUE(LinesInOrder(problem.LogText(),
                             {"========= Main iteration: 1 ===========",
                              "Tovek step: SUCCESS on   1 eigen vector after 1 step reductions",
                              "========= Main iteration: 2 ==========="}))
        << problem.LogText();
    EXPECT_NEAR(0.0, problem.Value(1, 1), 1e-3);
}

TEST(Tovek, InsensitiveModelMakesNoTrial) {
    // The normal matrix is zero, so no singular value is usable.
    TestModel model{{2.0, 3.0}, [](const Values &) { return Values{5.0, 0.0}; }};
    FitProblem problem({&model});
    problem.LogOpen();
    EXPECT_EQ(0, VaroProcessing(problem.Handle()));
    const std::string log = problem.LogText();
    EXPECT_TRUE(LinesInOrder(log, {"-- Tovek step --", "Tovek step: INSIGNIFICANT PROGRESS",
                                   "  <new res.norm>/<old res. norm> = <5.0000e+00>/<5.0000e+00>"}))
        << log;
    EXPECT_EQ(0, LinesStartingWith(log, "========= Main iteration: 2"));
    // One perturbation per side and parameter, each without sensitivity; no trial.
    EXPECT_EQ(4u, model.CallsOf(1, false).size());
    EXPECT_EQ((Values{2.0, 3.0}), (Values{problem.Value(1, 1), problem.Value(1, 2)}));
}

struct ConsistencyCase {
    const char *name;
    double (*residual)(double);
    double (*slope)(double);
    double dMaxNorm; // the fit must get at least this far down from norm 2
};

// Shown as the case's name where a test reports its parameter.
void PrintTo(const ConsistencyCase &c, std::ostream *pStream) {
    *pStream << c.name;
}

// From p = 1 the first Tovek trial of |p| + 1 lands on p = -1 with the same
// norm; that of sqrt(p) + 1 lands where the norm is NaN.
const ConsistencyCase kConsistencyCases[] = {
    {"TieWithTheBase", [](double p) { return std::fabs(p) + 1.0; },
     [](double p) { return p < 0.0 ? -1.0 : 1.0; }, 1.5},
    {"NanTrial", [](double p) { return std::sqrt(p) + 1.0; },
     [](double p) { return 0.5 / std::sqrt(p); }, 2.0},
};

class PointConsistency : public testing::TestWithParam<ConsistencyCase> {};

TEST_P(PointConsistency, FittedPointAndItsNormBelongTogether) {
    const ConsistencyCase &consistency = GetParam();
    TestModel model{{1.0},
                    [&](const Values &p) { return Values{consistency.residual(p[0])}; },
                    [&](const Values &p, int) { return Values{consistency.slope(p[0])}; }};
    FitProblem problem({&model});
    VaroMaxNoIterationsSet(problem.Handle(), 20);
    const int iResult = VaroProcessing(problem.Handle());
    EXPECT_TRUE(iResult == 0 || iResult == 9) << iResult;
    const double dFitted = problem.Value(1, 1);
    EXPECT_EQ(std::fabs(consistency.residual(dFitted)), problem.Norm(0)) << "p = " << dFitted;
    EXPECT_LE(problem.Norm(0), consistency.dMaxNorm);
}

INSTANTIATE_TEST_SUITE_P(Engine, PointConsistency, testing::ValuesIn(kConsistencyCases),
                         [](const auto &info) { return std::string(info.param.name); });

constexpr double kInf = std::numeric_limits<double>::infinity();

struct ParChangeCase {
    const char *name;
    double dValue;
    double dDirection;
    double dMultiplier;
    double dTolerance;
    bool bSignificant; // false: the multiplier comes back unchanged (no trial)
};

// Shown as the case's name where a test reports its parameter.
void PrintTo(const ParChangeCase &c, std::ostream *pStream) {
    *pStream << c.name;
}

// All but the first made the parameter-change cut spin: the change stays too
// large however far the multiplier shrinks, and 0.618 times the smallest
// subnormal number rounds back to itself.
const ParChangeCase kParChangeCases[] = {
    {"OrdinaryStepIsShortened", 3.0, -2.0, 1.0, 1e-4, true},
    {"InfiniteDirection", 1.0, kInf, 1.0, 1e-4, false},
    {"ToleranceSquareUnderflows", 0.0, 1.0, 1.0, 1e-300, false},
    {"SmallestSubnormalMultiplier", 0.0, 1.0, 0x1p-1074, 1e-170, false},
    {"InfiniteMultiplier", 1.0, 1.0, kInf, 1e-4, false},
};

class ParChangeCut : public testing::TestWithParam<ParChangeCase> {};

TEST_P(ParChangeCut, EndsOnEveryInput) {
    const ParChangeCase &c = GetParam();
    VaroHandle iHandle = 0;
    ASSERT_EQ(0, VaroObjectCreate(&iHandle));
    VaroObject *pObject = ObjectFromHandle(iHandle);
    pObject->freeParamCount = 1;
    pObject->freeParams[1].value = c.dValue;
    pObject->parValChangeTermination = c.dTolerance;
    double adDirection[2] = {1.0, c.dDirection};
    const double r = StepLimitToParChange(pObject, adDirection, c.dMultiplier);
    if (c.bSignificant) {
        // The longest multiplier of the 0.618 sequence within the tolerance.
        const double dAllowed = c.dTolerance * std::fabs(c.dValue);
        EXPECT_LE(std::fabs(r * c.dDirection), dAllowed);
        EXPECT_GT(std::fabs(r / kStepReduction * c.dDirection), dAllowed);
    } else {
        EXPECT_EQ(c.dMultiplier, r);
    }
    VaroObjectDelete(iHandle);
}

INSTANTIATE_TEST_SUITE_P(Engine, ParChangeCut, testing::ValuesIn(kParChangeCases),
                         [](const auto &info) { return std::string(info.param.name); });

// A parameter at zero with a tolerance whose square underflows can never
// change by a tolerated amount: neither step may spin on it, and the fit ends
// through the ordinary termination without moving.
TEST(StepSearchEnds, UnreachableToleranceMakesNoTrialInEitherStep) {
    for (const double dGaussNewtonThresh : {1e10, 0.0}) {
        TestModel model = LinearModel();
        FitProblem problem({&model});
        problem.LogOpen();
        VaroGaussNewtonResNormThreshSet(problem.Handle(), dGaussNewtonThresh);
        ASSERT_EQ(0, VaroParValChangeTerminationSet(problem.Handle(), 1e-300));
        EXPECT_EQ(0, VaroProcessing(problem.Handle()));
        EXPECT_TRUE(LinesInOrder(problem.LogText(),
                                 {"-- Tovek step --", "Tovek step: INSIGNIFICANT PROGRESS"}))
            << problem.LogText();
        EXPECT_EQ((Values{0.0, 0.0}), (Values{problem.Value(1, 1), problem.Value(1, 2)}));
    }
}

struct EigenCase {
    const char *name;
    TestModel (*model)();
    double dStabVsSpeed;
    const char *line;   // a line of iteration 1
    const char *absent; // no line of iteration 1 starts with it
};

// Shown as the case's name where a test reports its parameter.
void PrintTo(const EigenCase &c, std::ostream *pStream) {
    *pStream << c.name;
}

// r = (10 (a - 1), 0.1 (b - 5)) from (1.001, 0): the first eigenvector (a)
// removes too little of the norm, the second (b) nearly all of it.
TestModel SecondDirectionModel() {
    return {{1.001, 0.0},
            [](const Values &p) {
                return Values{10.0 * (p[0] - 1.0), 0.1 * (p[1] - 5.0)};
            },
            [](const Values &, int j) {
                return j == 1 ? Values{10.0, 0.0} : Values{0.0, 0.1};
            }};
}

// Nearly parallel columns: the second singular value of the normal matrix is
// below 1e-10 of the first, so its eigenvector, along which the Gauss-Newton
// move would be huge, is never tried; the constant 1 cannot be fitted.
TestModel CutOffModel() {
    return {{0.0, 0.0},
            [](const Values &p) {
                return Values{p[0] + p[1] - 3.0, p[0] + (1.0 + 1e-7) * p[1] - 3.0, 1.0};
            },
            [](const Values &, int j) {
                return j == 1 ? Values{1.0, 1.0, 0.0} : Values{1.0, 1.0 + 1e-7, 0.0};
            }};
}

const EigenCase kEigenCases[] = {
    {"SucceedsOnTheSecondEigenvector", SecondDirectionModel, 0.01,
     "Tovek step: SUCCESS on   2 eigen vector after ", "Tovek step: SUCCESS on   1"},
    {"CutOffSingularValueIsNotTried", CutOffModel, 0.9,
     "Tovek step: SUCCESS on   1 eigen vector after ", "Tovek step: SUCCESS on   2"},
};

class EigenvectorTrials : public testing::TestWithParam<EigenCase> {};

TEST_P(EigenvectorTrials, VisitTheEigenvectorsInOrder) {
    const EigenCase &c = GetParam();
    TestModel model = c.model();
    FitProblem problem({&model});
    problem.LogOpen();
    VaroGaussNewtonResNormThreshSet(problem.Handle(), 0.0);
    VaroStabVsSpeedSet(problem.Handle(), c.dStabVsSpeed);
    VaroMaxNoIterationsSet(problem.Handle(), 1);
    VaroProcessing(problem.Handle());
    const std::string log = problem.LogText();
    const std::string first = log.substr(log.find("========= Main iteration: 1"));
    EXPECT_EQ(1, LinesStartingWith(first, c.line)) << first;
    EXPECT_EQ(0, LinesStartingWith(first, c.absent)) << first;
}

INSTANTIATE_TEST_SUITE_P(Engine, EigenvectorTrials, testing::ValuesIn(kEigenCases),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
} // namespace engine_test
