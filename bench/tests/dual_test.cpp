// Dual-number derivatives against central differences: every elementary
// operation, then every benchmark model at its start and certified values.
#include "model.h"
#include "problem.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace bench {
namespace {

using std::atan;
using std::cos;
using std::exp;
using std::log;
using std::pow;
using std::sin;
using std::sqrt;

// d/da or d/db of a function of two variables, by central differences with a
// step relative to the variable and Richardson extrapolation (error of order
// h^4).
double CentralDifference(const std::function<double(double, double)> &f, double a, double b,
                         int iVariable) {
    const double dPoint = std::fabs(iVariable == 0 ? a : b);
    const double h = 1e-4 * (dPoint > 0.0 ? dPoint : 1.0);
    auto step = [&](double dStep) {
        const double dA = iVariable == 0 ? dStep : 0.0;
        const double dB = iVariable == 1 ? dStep : 0.0;
        return (f(a + dA, b + dB) - f(a - dA, b - dB)) / (2.0 * dStep);
    };
    return (4.0 * step(h / 2.0) - step(h)) / 3.0;
}

struct OperationCase {
    const char *pszName;
    double a;
    double b;
    double (*pDouble)(double, double);
    Dual<2> (*pDual)(Dual<2>, Dual<2>);
};

// Prints a case by its name in test listings.
void PrintTo(const OperationCase &testCase, std::ostream *pStream) {
    *pStream << testCase.pszName;
}

template <class T>
T Sum(T a, T b) {
    return a + b;
}
template <class T>
T Difference(T a, T b) {
    return a - b;
}
template <class T>
T Product(T a, T b) {
    return a * b;
}
template <class T>
T Quotient(T a, T b) {
    return a / b;
}
template <class T>
T Negation(T a, T b) {
    return -a * b;
}
template <class T>
T ScalarMix(T a, T b) {
    return (2.0 - a) * 3.0 + b / 4.0 - 5.0 / b + (a + 1.5) - (b - 0.5);
}
template <class T>
T Exponential(T a, T b) {
    return exp(a * b);
}
template <class T>
T Logarithm(T a, T b) {
    return log(a * b);
}
template <class T>
T Root(T a, T b) {
    return sqrt(a + b);
}
template <class T>
T Sine(T a, T b) {
    return sin(a) * b;
}
template <class T>
T Cosine(T a, T b) {
    return cos(a * b);
}
template <class T>
T ArcTangent(T a, T b) {
    return atan(a / b);
}
template <class T>
T ConstantPower(T a, T b) {
    return pow(a + b, -1.5);
}
template <class T>
T VariablePower(T a, T b) {
    return pow(a, b);
}

#define OPERATION_CASE(name, a, b)                                                                 \
    { #name, a, b, &name < double>, &name < Dual < 2>> }

const OperationCase kOperationCases[] = {
    OPERATION_CASE(Sum, 1.3, -0.7),          OPERATION_CASE(Difference, 1.3, -0.7),
    OPERATION_CASE(Product, 1.3, -0.7),      OPERATION_CASE(Quotient, 1.3, -0.7),
    OPERATION_CASE(Negation, 1.3, -0.7),     OPERATION_CASE(ScalarMix, 1.3, -0.7),
    OPERATION_CASE(Exponential, 0.4, 1.1),   OPERATION_CASE(Logarithm, 0.4, 2.5),
    OPERATION_CASE(Root, 0.4, 2.5),          OPERATION_CASE(Sine, 0.9, 1.7),
    OPERATION_CASE(Cosine, 0.9, 1.7),        OPERATION_CASE(ArcTangent, 3.0, -1.5),
    OPERATION_CASE(ConstantPower, 0.8, 1.6), OPERATION_CASE(VariablePower, 2.2, 1.7),
};

class DualOperationTest : public testing::TestWithParam<OperationCase> {};

TEST_P(DualOperationTest, ValueAndDerivativesMatchDouble) {
    const OperationCase &c = GetParam();
    const Dual<2> result = c.pDual(Dual<2>::Variable(c.a, 0), Dual<2>::Variable(c.b, 1));
    EXPECT_DOUBLE_EQ(result.dValue, c.pDouble(c.a, c.b));
    for (int iVariable = 0; iVariable < 2; ++iVariable) {
        const double dExpected = CentralDifference(c.pDouble, c.a, c.b, iVariable);
        EXPECT_NEAR(result.adGrad[iVariable], dExpected, 1e-8 * (1.0 + std::fabs(dExpected)))
            << "derivative by variable " << iVariable;
    }
}

INSTANTIATE_TEST_SUITE_P(Operations, DualOperationTest, testing::ValuesIn(kOperationCases),
                         [](const auto &info) { return std::string(info.param.pszName); });

// Compares a model's dual-number gradient with central differences of its
// value at the parameters adParams for the predictors adX.
void ModelGradientCheck(const ModelInfo &model, const std::vector<double> &adParams,
                        const double *adX) {
    double adGrad[kMaxModelParams];
    const double dValue = model.pGradient(adParams.data(), adX, adGrad);
    EXPECT_DOUBLE_EQ(dValue, model.pValue(adParams.data(), adX));
    for (int j = 0; j < model.iParams; ++j) {
        auto partial = [&](double dParam, double) {
            std::vector<double> adShifted = adParams;
            adShifted[j] = dParam;
            return model.pValue(adShifted.data(), adX);
        };
        const double dExpected = CentralDifference(partial, adParams[j], 0.0, 0);
        const double dScale =
            std::fabs(dExpected) + std::fabs(dValue) / std::max(1.0, std::fabs(adParams[j]));
        EXPECT_NEAR(adGrad[j], dExpected, 1e-6 * dScale + 1e-12)
            << "parameter b" << j + 1 << " at x=" << adX[0];
    }
}

class NistModelGradientTest : public testing::TestWithParam<ModelInfo> {};

TEST_P(NistModelGradientTest, MatchesCentralDifferences) {
    const ModelInfo &model = GetParam();
    Problem problem;
    std::string sError;
    ASSERT_TRUE(NistProblemRead(VARO_BENCH_DATA_DIR "/nist/" + std::string(model.pszName) + ".dat",
                                problem, sError))
        << sError;
    const int iRows = problem.RowCount();
    const std::vector<std::vector<double>> aadPoints = {problem.aadStarts[0], problem.aadStarts[1],
                                                        problem.adCertified};
    for (const std::vector<double> &adParams : aadPoints) {
        for (const int iRow : {0, iRows / 2, iRows - 1}) {
            ModelGradientCheck(model, adParams, &problem.adX[iRow * problem.iPredictors]);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllReferenceModels, NistModelGradientTest,
                         testing::ValuesIn(NistModelsAll().begin(), NistModelsAll().end()),
                         [](const auto &info) { return std::string(info.param.pszName); });

TEST(DemoModelGradientTest, GaussSumMatchesCentralDifferences) {
    const std::vector<double> adParams = {40, 330, 1600, 60, 420, 2025,
                                          45, 520, 2500, 30, 610, 3025};
    for (const double dTime : {100.0, 333.0, 470.0, 615.0, 900.0}) {
        ModelGradientCheck(GaussSumModel(), adParams, &dTime);
    }
}

TEST(DemoModelGradientTest, ExpSumMatchesCentralDifferences) {
    const std::vector<double> adParams = {70, 1.2, 30, 0.15};
    for (const double dTime : {0.0, 0.5, 3.0, 20.0}) {
        ModelGradientCheck(ExpSumModel(), adParams, &dTime);
    }
}

} // namespace
} // namespace bench
