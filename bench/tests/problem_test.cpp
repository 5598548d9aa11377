// The reference data reader, the residual and Jacobian conventions shared by
// every fitter, and the correct-digits measure.
#include "accuracy.h"
#include "demo_problems.h"
#include "problem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <ostream>
#include <string>

namespace bench {
namespace {

Problem NistProblemLoad(const std::string &sName) {
    Problem problem;
    std::string sError;
    EXPECT_TRUE(NistProblemRead(VARO_BENCH_DATA_DIR "/nist/" + sName + ".dat", problem, sError))
        << sError;
    return problem;
}

struct NistFileCase {
    const char *pszName;
    int iRows;
    int iPredictors;
    double dFirstStart1;
    double dLastStart2;
    double dFirstCertified;
    double dCertifiedRss;
    double dFirstY; // first response as the model sees it
};

// Prints a case by its name in test listings.
void PrintTo(const NistFileCase &testCase, std::ostream *pStream) {
    *pStream << testCase.pszName;
}

const NistFileCase kNistFileCases[] = {
    {"Misra1a", 14, 1, 500, 0.0005, 2.3894212918E+02, 1.2455138894E-01, 10.07},
    {"Nelson", 128, 2, 2, -0.05, 2.5906836021E+00, 3.7976833176E+00, std::log(15.0)},
    {"ENSO", 168, 1, 11, 1.5, 1.0510749193E+01, 7.8853978668E+02, 12.9},
    {"Lanczos1", 24, 1, 1.2, 6.3, 9.5100000027E-02, 1.4307867721E-25, 2.5134},
};

class NistFileTest : public testing::TestWithParam<NistFileCase> {};

TEST_P(NistFileTest, HeaderAndDataAreRead) {
    const NistFileCase &c = GetParam();
    const Problem problem = NistProblemLoad(c.pszName);
    ASSERT_EQ(problem.RowCount(), c.iRows);
    EXPECT_EQ(problem.iPredictors, c.iPredictors);
    EXPECT_EQ(problem.adX.size(), static_cast<size_t>(c.iRows * c.iPredictors));
    ASSERT_EQ(problem.aadStarts.size(), 2u);
    EXPECT_DOUBLE_EQ(problem.aadStarts[0].front(), c.dFirstStart1);
    EXPECT_DOUBLE_EQ(problem.aadStarts[1].back(), c.dLastStart2);
    EXPECT_DOUBLE_EQ(problem.adCertified.front(), c.dFirstCertified);
    EXPECT_DOUBLE_EQ(problem.dCertifiedRss, c.dCertifiedRss);
    EXPECT_DOUBLE_EQ(problem.adY.front(), c.dFirstY);
}

INSTANTIATE_TEST_SUITE_P(Files, NistFileTest, testing::ValuesIn(kNistFileCases),
                         [](const auto &info) { return std::string(info.param.pszName); });

// The certified parameters must reproduce the certified residual sum of
// squares: this catches a wrong model formula or a misread data column.
class NistCertifiedRssTest : public testing::TestWithParam<ModelInfo> {};

TEST_P(NistCertifiedRssTest, CertifiedParamsGiveCertifiedRss) {
    const Problem problem = NistProblemLoad(GetParam().pszName);
    const double dRss = ResidualSquareSumCompute(problem, problem.adCertified.data());
    if (problem.dCertifiedRss > 1e-20) {
        EXPECT_GE(ValueDigitsCompute(dRss, problem.dCertifiedRss), 5.0)
            << "RSS " << dRss << " against " << problem.dCertifiedRss;
        return;
    }
    // An almost exact fit (Lanczos1): the 11-digit rounding of the certified
    // values dominates its RSS, so only the residuals' smallness can be asked.
    double dLargest = 0.0;
    for (const double dY : problem.adY) {
        dLargest = std::max(dLargest, std::fabs(dY));
    }
    EXPECT_LT(std::sqrt(dRss / problem.RowCount()), 1e-9 * dLargest);
}

INSTANTIATE_TEST_SUITE_P(AllReferenceModels, NistCertifiedRssTest,
                         testing::ValuesIn(NistModelsAll().begin(), NistModelsAll().end()),
                         [](const auto &info) { return std::string(info.param.pszName); });

TEST(ProblemReadTest, UnknownDataSetIsRefused) {
    Problem problem;
    std::string sError;
    EXPECT_FALSE(NistProblemRead("/nonexistent/Unknown.dat", problem, sError));
    EXPECT_NE(sError.find("Unknown"), std::string::npos);
}

struct DemoFileCase {
    const char *pszName;
    const char *pszContent;
    bool bAccepted;
    int iRows;
    double dLastWeight;
};

// Prints a case by its name in test listings.
void PrintTo(const DemoFileCase &testCase, std::ostream *pStream) {
    *pStream << testCase.pszName;
}

const DemoFileCase kDemoFileCases[] = {
    {"TwoColumns", "1 2\n3 4\n", true, 2, 1.0},
    {"ThreeColumnsCrlf", "1 2 0.5\r\n3 4 0.25\r\n", true, 2, 0.25},
    {"BlankLinesSkipped", "1 2\n\n3 4\n", true, 2, 1.0},
    {"OneColumnRefused", "1 2\n3\n", false, 0, 0.0},
    {"FourColumnsRefused", "1 2 3 4\n", false, 0, 0.0},
    {"TextRefused", "1 2\nabc def\n", false, 0, 0.0},
    {"EmptyRefused", "", false, 0, 0.0},
};

class DemoFileTest : public testing::TestWithParam<DemoFileCase> {};

TEST_P(DemoFileTest, RowsAreReadOrRefused) {
    const DemoFileCase &c = GetParam();
    const std::string sPath = testing::TempDir() + "bench_" + c.pszName + ".dat";
    std::ofstream(sPath, std::ios::binary) << c.pszContent;
    Problem problem;
    std::string sError;
    const bool bAccepted = DemoDataRead(sPath, problem, sError);
    std::remove(sPath.c_str());
    ASSERT_EQ(bAccepted, c.bAccepted) << sError;
    if (c.bAccepted) {
        EXPECT_EQ(problem.RowCount(), c.iRows);
        EXPECT_DOUBLE_EQ(problem.adW.back(), c.dLastWeight);
        EXPECT_DOUBLE_EQ(problem.adX.back(), 3.0);
        EXPECT_DOUBLE_EQ(problem.adY.back(), 4.0);
    } else {
        EXPECT_FALSE(sError.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Files, DemoFileTest, testing::ValuesIn(kDemoFileCases),
                         [](const auto &info) { return std::string(info.param.pszName); });

// A small weighted problem: the Jacobian must be the derivative of the
// residuals w (y - f), whatever the storage order.
TEST(JacobianTest, IsDerivativeOfWeightedResidualsInBothLayouts) {
    Problem problem;
    problem.pModel = &ExpSumModel();
    problem.adX = {0.0, 1.0, 2.5};
    problem.adY = {90.0, 40.0, 10.0};
    problem.adW = {1.0, 0.5, 2.0};
    const std::vector<double> adParams = {60.0, 1.0, 35.0, 0.2};
    const int iRows = problem.RowCount();
    const int iParams = problem.ParamCount();
    std::vector<double> adRowMajor(iRows * iParams);
    std::vector<double> adColumnMajor(iRows * iParams);
    JacobianCompute(problem, adParams.data(), adRowMajor.data(), iParams, 1);
    JacobianCompute(problem, adParams.data(), adColumnMajor.data(), 1, iRows);
    std::vector<double> adPlus(iRows);
    std::vector<double> adMinus(iRows);
    for (int j = 0; j < iParams; ++j) {
        const double dStep = 1e-6 * std::fabs(adParams[j]);
        std::vector<double> adShifted = adParams;
        adShifted[j] += dStep;
        ResidualsCompute(problem, adShifted.data(), adPlus.data());
        adShifted[j] -= 2.0 * dStep;
        ResidualsCompute(problem, adShifted.data(), adMinus.data());
        for (int i = 0; i < iRows; ++i) {
            const double dExpected = (adPlus[i] - adMinus[i]) / (2.0 * dStep);
            EXPECT_NEAR(adRowMajor[i * iParams + j], dExpected, 1e-6 * (1.0 + std::fabs(dExpected)))
                << "row " << i << ", parameter " << j;
            EXPECT_EQ(adRowMajor[i * iParams + j], adColumnMajor[j * iRows + i]);
        }
    }
}

TEST(GaussLargeProblemTest, HasRequestedRowsOnDemoTimeAxisAndIsReproducible) {
    const Problem first = GaussLargeProblemMake(10000);
    const Problem second = GaussLargeProblemMake(10000);
    ASSERT_EQ(first.RowCount(), 10000);
    EXPECT_DOUBLE_EQ(first.adX.front(), 100.0);
    EXPECT_DOUBLE_EQ(first.adX.back(), 900.0);
    EXPECT_EQ(first.adY, second.adY);
    EXPECT_EQ(first.aadStarts.front(), GaussDemoStartGet());
    // Noise of standard deviation 1 around the sample generator's four terms:
    // the RSS at those parameters is close to the number of rows.
    const std::vector<double> adTrue = {40, 340, 625, 60, 420, 900, 45, 510, 784, 30, 610, 1225};
    EXPECT_NEAR(ResidualSquareSumCompute(first, adTrue.data()) / 10000.0, 1.0, 0.05);
}

struct DigitsCase {
    const char *pszName;
    double dValue;
    double dCertified;
    double dDigits;
};

// Prints a case by its name in test listings.
void PrintTo(const DigitsCase &testCase, std::ostream *pStream) {
    *pStream << testCase.pszName;
}

const DigitsCase kDigitsCases[] = {
    {"Exact", 2.5, 2.5, 11.0},
    {"OnePercentOff", 1.01, 1.0, 2.0},
    {"SixDigits", 1.000001, 1.0, 6.0},
    {"NegativeValues", -2.0002, -2.0, 4.0},
    {"CertifiedZeroUsesAbsoluteError", 1e-3, 0.0, 3.0},
    {"BeyondCapIsCapped", 1.0 + 1e-15, 1.0, 11.0},
    {"FarOffIsFloored", 50.0, 1.0, 0.0},
    {"ErrorAsLargeAsValueIsZero", 2.0, 1.0, 0.0},
    {"NanIsZero", std::numeric_limits<double>::quiet_NaN(), 1.0, 0.0},
    {"InfinityIsZero", std::numeric_limits<double>::infinity(), 1.0, 0.0},
};

class CorrectDigitsTest : public testing::TestWithParam<DigitsCase> {};

TEST_P(CorrectDigitsTest, LogRelativeError) {
    const DigitsCase &c = GetParam();
    const double dDigits = ValueDigitsCompute(c.dValue, c.dCertified);
    EXPECT_NEAR(dDigits, c.dDigits, 1e-6);
    EXPECT_FALSE(std::signbit(dDigits)) << "prints as -0.0";
}

INSTANTIATE_TEST_SUITE_P(Cases, CorrectDigitsTest, testing::ValuesIn(kDigitsCases),
                         [](const auto &info) { return std::string(info.param.pszName); });

TEST(ParamsCorrectDigitsTest, TakesTheWorstParameterAndRefusesLengthMismatch) {
    const std::vector<double> adCertified = {1.0, 2.0, 3.0};
    EXPECT_NEAR(ParamsDigitsCompute(std::vector<double>{1.0, 2.0002, 3.000003}, adCertified), 4.0,
                1e-6);
    EXPECT_EQ(ParamsDigitsCompute(std::vector<double>{1.0, 2.0}, adCertified), 0.0);
}

} // namespace
} // namespace bench
