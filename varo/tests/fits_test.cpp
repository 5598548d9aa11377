// Real fits: analytical and numerical derivatives reach the same minimum, a
// global fit shares a linked parameter between data sets of different lengths,
// and reference problems with certified values are solved to 4 digits.
#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <ostream>
#include <sstream>
#include <tuple>

#include "engine_fixture.h"

namespace engine_test {
namespace {

// A curve y(x; b) with its derivative with respect to b[j] (0-based).
struct Curve {
    std::function<double(double, const Values &)> value;
    std::function<double(double, const Values &, size_t)> slope;
};

struct DataSet {
    Values x;
    Values y;
};

TestModel CurveModel(const Curve &curve, const DataSet &data, const Values &start,
                     bool bAnalytical) {
    TestModel model;
    model.initial = start;
    model.residuals = [curve, data](const Values &b) {
        Values r(data.x.size());
        for (size_t i = 0; i < r.size(); ++i) {
            r[i] = curve.value(data.x[i], b) - data.y[i];
        }
        return r;
    };
    if (bAnalytical) {
        model.derivative = [curve, data](const Values &b, int j) {
            Values g(data.x.size());
            for (size_t i = 0; i < g.size(); ++i) {
                g[i] = curve.slope(data.x[i], b, static_cast<size_t>(j) - 1);
            }
            return g;
        };
    }
    return model;
}

// Settings under which a fit runs to its minimum: every legal termination
// value at its tightest and the Gauss-Newton step always tried.
void TightSettingsSet(VaroHandle iHandle) {
    VaroResNormChangeTerminationSet(iHandle, 1e-15);
    VaroStabVsSpeedSet(iHandle, 1e-15);
    VaroParValChangeTerminationSet(iHandle, 1e-15);
    VaroGaussNewtonResNormThreshSet(iHandle, 1e300);
}

// Small deterministic noise, so that no fit is exact.
DataSet Sampled(const Curve &curve, const Values &truth, int iCount, double dStep) {
    DataSet data;
    for (int i = 0; i < iCount; ++i) {
        data.x.push_back(i * dStep);
        data.y.push_back(curve.value(i * dStep, truth) + 1e-3 * std::sin(12.9898 * i + 0.5));
    }
    return data;
}

// Sums of terms b[i] exp(-b[i+1] x) and of peaks b[i] exp(-((x - b[i+1]) / b[i+2])^2),
// starting at b[iFirst].
double ExpTerms(double x, const Values &b, size_t iFirst, size_t iEnd) {
    double y = 0.0;
    for (size_t i = iFirst; i < iEnd; i += 2) {
        y += b[i] * std::exp(-b[i + 1] * x);
    }
    return y;
}

double ExpTermSlope(double x, const Values &b, size_t j) {
    const size_t i = j - j % 2;
    return j % 2 == 0 ? std::exp(-b[i + 1] * x) : -x * b[i] * std::exp(-b[i + 1] * x);
}

double PeakTerms(double x, const Values &b, size_t iFirst) {
    double y = 0.0;
    for (size_t i = iFirst; i < b.size(); i += 3) {
        const double u = (x - b[i + 1]) / b[i + 2];
        y += b[i] * std::exp(-u * u);
    }
    return y;
}

double PeakTermSlope(double x, const Values &b, size_t iFirst, size_t j) {
    const size_t i = j - (j - iFirst) % 3;
    const double u = (x - b[i + 1]) / b[i + 2];
    const double e = std::exp(-u * u);
    const size_t k = j - i;
    return k == 0 ? e : k == 1 ? b[i] * e * 2.0 * u / b[i + 2] : b[i] * e * 2.0 * u * u / b[i + 2];
}

const Curve kExponentials = {[](double x, const Values &b) { return ExpTerms(x, b, 0, b.size()); },
                             ExpTermSlope};
const Curve kPeaks = {
    [](double x, const Values &b) { return PeakTerms(x, b, 0); },
    [](double x, const Values &b, size_t j) { return PeakTermSlope(x, b, 0, j); }};

struct AgreementCase {
    const char *name;
    const Curve *pCurve;
    Values truth;
    Values start;
    double dStep;
};

// Shown as the case's name where a test reports its parameter.
void PrintTo(const AgreementCase &c, std::ostream *pStream) {
    *pStream << c.name;
}

const AgreementCase kAgreementCases[] = {
    {"TwoGaussians",
     &kPeaks,
     {5.0, 30.0, 8.0, 3.0, 60.0, 12.0},
     {4.0, 28.0, 10.0, 3.5, 63.0, 10.0},
     1.0},
    {"TwoExponentials", &kExponentials, {4.0, 0.5, 1.5, 0.07}, {3.0, 1.0, 1.0, 0.1}, 0.5},
};

class DerivativeAgreement : public testing::TestWithParam<std::tuple<AgreementCase, int, int>> {};

// Analytic derivatives against each difference scheme, with each step method.
TEST_P(DerivativeAgreement, AnalyticalAndNumericalReachTheSameValues) {
    const auto &[fit, iScheme, iMethod] = GetParam();
    const DataSet data = Sampled(*fit.pCurve, fit.truth, 100, fit.dStep);
    TestModel analytic = CurveModel(*fit.pCurve, data, fit.start, true);
    TestModel numeric = CurveModel(*fit.pCurve, data, fit.start, false);
    FitProblem analyticProblem({&analytic});
    FitProblem numericProblem({&numeric});
    ASSERT_EQ(0, VaroDifferenceSchemeSet(numericProblem.Handle(), iScheme));
    for (const FitProblem *pProblem : {&analyticProblem, &numericProblem}) {
        TightSettingsSet(pProblem->Handle());
        ASSERT_EQ(0, VaroStepMethodSet(pProblem->Handle(), iMethod));
        EXPECT_EQ(0, VaroProcessing(pProblem->Handle())) << pProblem->ErrorText();
    }
    EXPECT_GT(analytic.GradientCallCount(), 0);
    for (int j = 1; j <= static_cast<int>(fit.truth.size()); ++j) {
        const double dAnalytic = analyticProblem.Value(1, j);
        EXPECT_NEAR(dAnalytic, numericProblem.Value(1, j), 1e-6 * std::fabs(dAnalytic)) << j;
        EXPECT_NEAR(fit.truth[j - 1], dAnalytic, 1e-2 * std::fabs(dAnalytic)) << j;
    }
}

INSTANTIATE_TEST_SUITE_P(Engine, DerivativeAgreement,
                         testing::Combine(testing::ValuesIn(kAgreementCases), testing::Values(0, 1),
                                          testing::Values(0, 1)),
                         [](const auto &info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) == 0 ? "Central" : "Forward") +
                                    (std::get<2>(info.param) == 0 ? "Eigen" : "Damped");
                         });

TEST(GlobalFit, TwoDataSetsShareALinkedDecayRate) {
    const DataSet shortSet = Sampled(kExponentials, {3.0, 0.25}, 20, 0.5);
    const DataSet longSet = Sampled(kExponentials, {7.0, 0.25}, 35, 0.4);
    TestModel first = CurveModel(kExponentials, shortSet, {1.0, 0.5}, false);
    TestModel second = CurveModel(kExponentials, longSet, {1.0, 0.5}, true);
    FitProblem problem({&first, &second});
    VaroParamLinkSet(problem.Handle(), 1, 2, 1);
    VaroParamLinkSet(problem.Handle(), 2, 2, 1);
    TightSettingsSet(problem.Handle());
    EXPECT_EQ(0, VaroProcessing(problem.Handle())) << problem.ErrorText();
    EXPECT_NEAR(3.0, problem.Value(1, 1), 1e-3);
    EXPECT_NEAR(7.0, problem.Value(2, 1), 1e-3);
    EXPECT_NEAR(0.25, problem.Value(1, 2), 1e-4);
    EXPECT_EQ(problem.Value(1, 2), problem.Value(2, 2));
}

// Links and fixed parameters mean the same to both step methods: a linked
// decay rate and a fixed amplitude in a global fit of two data sets.
TEST(GlobalFit, BothStepMethodsReachTheSameValues) {
    const DataSet shortSet = Sampled(kExponentials, {3.0, 0.25, 1.0, 0.05}, 30, 0.5);
    const DataSet longSet = Sampled(kExponentials, {7.0, 0.25, 2.0, 0.8}, 45, 0.4);
    Values fitted[2];
    for (int iMethod = 0; iMethod <= 1; ++iMethod) {
        TestModel first = CurveModel(kExponentials, shortSet, {1.0, 0.5, 1.0, 0.1}, true);
        TestModel second = CurveModel(kExponentials, longSet, {1.0, 0.5, 1.5, 0.5}, false);
        FitProblem problem({&first, &second});
        VaroParamLinkSet(problem.Handle(), 1, 2, 1);
        VaroParamLinkSet(problem.Handle(), 2, 2, 1);
        VaroParamLimitsSet(problem.Handle(), 1, 3, 1.0, 1.0);
        TightSettingsSet(problem.Handle());
        ASSERT_EQ(0, VaroStepMethodSet(problem.Handle(), iMethod));
        EXPECT_EQ(0, VaroProcessing(problem.Handle())) << iMethod << problem.ErrorText();
        for (int m = 1; m <= 2; ++m) {
            for (int j = 1; j <= 4; ++j) {
                fitted[iMethod].push_back(problem.Value(m, j));
            }
        }
        EXPECT_EQ(1.0, problem.Value(1, 3)) << iMethod;
        EXPECT_EQ(problem.Value(1, 2), problem.Value(2, 2)) << iMethod;
    }
    for (size_t i = 0; i < fitted[0].size(); ++i) {
        EXPECT_NEAR(fitted[0][i], fitted[1][i], 1e-6 * std::fabs(fitted[0][i])) << i;
    }
    EXPECT_NEAR(0.25, fitted[1][1], 1e-3);
}

// A reference problem: data, second start and certified values.
struct ReferenceProblem {
    DataSet data;
    Values start;
    Values certified;
};

// Reads the second start, the certified values ("  bj = start1 start2
// certified deviation") and the data rows (y x) that follow the "Data:  y  x"
// header.
ReferenceProblem ReferenceRead(const std::string &name) {
    std::ifstream file(std::string(VARO_DATA_DIR) + "/nist/" + name + ".dat");
    ReferenceProblem problem;
    bool bInData = false;
    for (std::string line; std::getline(file, line);) {
        std::istringstream fields(line);
        std::string first, second;
        double adNumbers[4] = {};
        fields >> first >> second;
        if (bInData && (std::istringstream(line) >> adNumbers[0] >> adNumbers[1])) {
            problem.data.y.push_back(adNumbers[0]);
            problem.data.x.push_back(adNumbers[1]);
        } else if (first.size() > 1 && first[0] == 'b' && second == "=" &&
                   fields >> adNumbers[0] >> adNumbers[1] >> adNumbers[2] >> adNumbers[3]) {
            problem.start.push_back(adNumbers[1]);
            problem.certified.push_back(adNumbers[2]);
        } else if (first == "Data:" && second == "y") {
            bInData = true;
        }
    }
    return problem;
}

const Curve kMisra1a = {
    [](double x, const Values &b) { return b[0] * (1.0 - std::exp(-b[1] * x)); },
    [](double x, const Values &b, size_t j) {
        return j == 0 ? 1.0 - std::exp(-b[1] * x) : b[0] * x * std::exp(-b[1] * x);
    }};

const Curve kChwirut2 = {
    [](double x, const Values &b) { return std::exp(-b[0] * x) / (b[1] + b[2] * x); },
    [](double x, const Values &b, size_t j) {
        const double f = std::exp(-b[0] * x) / (b[1] + b[2] * x);
        return j == 0 ? -x * f : j == 1 ? -f / (b[1] + b[2] * x) : -x * f / (b[1] + b[2] * x);
    }};

const Curve kDanWood = {[](double x, const Values &b) { return b[0] * std::pow(x, b[1]); },
                        [](double x, const Values &b, size_t j) {
                            return j == 0 ? std::pow(x, b[1])
                                          : b[0] * std::pow(x, b[1]) * std::log(x);
                        }};

// One decaying exponential and two peaks.
const Curve kGauss = {
    [](double x, const Values &b) { return ExpTerms(x, b, 0, 2) + PeakTerms(x, b, 2); },
    [](double x, const Values &b, size_t j) {
        return j < 2 ? ExpTermSlope(x, b, j) : PeakTermSlope(x, b, 2, j);
    }};

struct ReferenceCase {
    const char *name;
    const Curve *pCurve;
};

// Shown as the case's name where a test reports its parameter.
void PrintTo(const ReferenceCase &c, std::ostream *pStream) {
    *pStream << c.name;
}

const ReferenceCase kReferenceCases[] = {
    {"Misra1a", &kMisra1a}, {"Chwirut2", &kChwirut2}, {"DanWood", &kDanWood},
    {"Gauss1", &kGauss},    {"Gauss2", &kGauss},      {"Lanczos3", &kExponentials},
};

class ReferenceFit : public testing::TestWithParam<std::tuple<ReferenceCase, bool>> {};

// Asserts at least 4 correct significant digits (log relative error) of every
// parameter, with analytical and with numerical derivatives.
TEST_P(ReferenceFit, ReachesTheCertifiedValuesFromTheSecondStart) {
    const auto &[reference, bAnalytical] = GetParam();
    const ReferenceProblem data = ReferenceRead(reference.name);
    ASSERT_FALSE(data.data.x.empty());
    ASSERT_EQ(data.start.size(), data.certified.size());
    TestModel model = CurveModel(*reference.pCurve, data.data, data.start, bAnalytical);
    FitProblem problem({&model});
    TightSettingsSet(problem.Handle());
    EXPECT_EQ(0, VaroProcessing(problem.Handle())) << problem.ErrorText();
    for (int j = 1; j <= static_cast<int>(data.certified.size()); ++j) {
        const double dCertified = data.certified[j - 1];
        const double dError = std::fabs(problem.Value(1, j) - dCertified) / std::fabs(dCertified);
        const double dLre = -std::log10(dError);
        EXPECT_GE(dLre, 4.0) << "b" << j << " = " << problem.Value(1, j);
        RecordProperty("lre_b" + std::to_string(j), std::to_string(dLre));
    }
}

INSTANTIATE_TEST_SUITE_P(Engine, ReferenceFit,
                         testing::Combine(testing::ValuesIn(kReferenceCases), testing::Bool()),
                         [](const auto &info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) ? "Analytical" : "Numerical");
                         });

} // namespace
} // namespace engine_test
