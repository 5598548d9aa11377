// VaroExp: its texts and defaults, start values, time constants, the analytic
// gradient, the progress report and fits of the shipped sample data.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ostream>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "demos/exp/exp_model.h"
#include "demos/frame/demo_model.h"
#include "demos/frame/frame.h"
#include "demos/frame/tests/demo_fixture.h"

namespace {

const std::vector<float> afTableDefaults = {50, 1, -50, 0.2f, 100, 0.001f, 200, 0.0002f};

TEST(ExpCommandLine, NoArgumentsTakeOneTermOnExpDemoData) {
    const CommandLineRun run = CommandLineReadAll("VaroExp", {});
    EXPECT_EQ(run.iRc, 0);
    EXPECT_EQ(run.console,
              "VaroExp usage:\n\n  <data file> : text file with data, channels and weights;\n  "
              "<differentiation> : 0 - numerical, 1 - analytical;\n  <no exponentials> : the "
              "number of exponential terms;\n  <Ai> <Gi> : initial amplitudes and decay rates for "
              "the term i;\n  Now program will use default settings\n");
    EXPECT_EQ(run.dataFile, "ExpDemo.dat");
    EXPECT_EQ(gDemoState.iDifferentiation, 0);
    EXPECT_EQ(gDemoState.modelData.iNoTerms, 1);
    ASSERT_EQ(gDemoState.iNoIniValues, 8);
    EXPECT_EQ(std::vector<float>(gDemoState.afIniValues, gDemoState.afIniValues + 8),
              afTableDefaults);
}

TEST(ExpBanner, ModelRowsDescribeTheExponentials) {
    const std::vector<std::string> rows = ConsoleLines(ConsoleCapture(BannerPrint));
    ASSERT_EQ(rows.size(), 18u);
    const std::vector<std::string> modelRows(rows.begin() + 2, rows.begin() + 9);
    const std::vector<std::string> expected = {
        "| Weighted Least Squares Fit by a sum of decaying exponentials:|",
        "| find such parameters A(k), G(k), k=1..N for the function F(i)|",
        "|                 _N_                                          |",
        "|                 \\                                            |",
        "|           F(i)=  |   A(k)*exp( -G(k)*T(i) );                 |",
        "|                 /__                                          |",
        "|                 k=1                                          |",
    };
    EXPECT_EQ(modelRows, expected);
    EXPECT_EQ(rows[9], "| that provide the minimum for the expression                  |");
}

class ExpCommandLineRefused : public testing::TestWithParam<CommandLineRefusal> {};

TEST_P(ExpCommandLineRefused, PrintsTheExpMessage) {
    const CommandLineRun run = CommandLineReadAll("VaroExp", GetParam().args);
    EXPECT_EQ(run.iRc, 1);
    EXPECT_EQ(run.console, GetParam().pszMessage);
}

std::vector<std::string> ArgsWithValues(int iNoValues) {
    std::vector<std::string> args = {"d.dat", "0", "10"};
    for (int j = 0; j < iNoValues; j++) {
        args.push_back("0.5");
    }
    return args;
}

INSTANTIATE_TEST_SUITE_P(
    Errors, ExpCommandLineRefused,
    testing::Values(
        CommandLineRefusal{"DifferentiationTwo",
                           {"d.dat", "2", "1"},
                           "VaroExp: Illegal parameter (differentiation)\n"},
        CommandLineRefusal{"TermCountText",
                           {"d.dat", "0", "x"},
                           "VaroExp: Illegal parameter (number of exponentials)\n"},
        CommandLineRefusal{"NoTerms",
                           {"d.dat", "0", "0"},
                           "VaroExp: too few components (at least one is needed)\n"},
        CommandLineRefusal{"NegativeTerms",
                           {"d.dat", "0", "-3"},
                           "VaroExp: too few components (at least one is needed)\n"},
        CommandLineRefusal{"ElevenTerms",
                           {"d.dat", "0", "11"},
                           "VaroExp: too many components (due to graphics limitations)\n"},
        CommandLineRefusal{
            "ValueText", {"d.dat", "0", "1", "50", "fast"}, "VaroExp: Illegal initial value\n"},
        CommandLineRefusal{"TwentyOneValues", ArgsWithValues(21),
                           "VaroExp: Illegal initial value\n"}),
    CommandLineRefusalName);

TEST(ExpCommandLine, TwentyValuesFillTheTable) {
    const CommandLineRun run = CommandLineReadAll("VaroExp", ArgsWithValues(20));
    EXPECT_EQ(run.iRc, 0) << run.console;
    EXPECT_EQ(gDemoState.iNoIniValues, 20);
}

struct ExpStartCase {
    const char *pszName;
    int iNoTerms;
    std::vector<float> afIniValues;
    std::vector<double> adTime, adData;
    std::vector<double> adExpected; // A, G per term
};

// Shown as the case's name where a test reports its parameter.
void PrintTo(const ExpStartCase &c, std::ostream *pStream) {
    *pStream << c.pszName;
}

class ExpStartValues : public testing::TestWithParam<ExpStartCase> {};

TEST_P(ExpStartValues, TakeTheTableThenTheFirstAndLastRows) {
    const ExpStartCase &c = GetParam();
    DemoStateReset();
    RowsSet(c.adTime, c.adData);
    std::string console;
    ASSERT_EQ(StartValuesSetUp(c.iNoTerms, c.afIniValues, &console), 0) << console;
    const std::vector<std::string> lines = ConsoleLines(console);
    ASSERT_EQ(lines.size(), static_cast<size_t>(c.iNoTerms + 1)) << console;
    EXPECT_EQ(lines[0], "Initial values:");
    const std::vector<double> adParams = ParamValues(2 * c.iNoTerms);
    for (int iParam = 0; iParam < 2 * c.iNoTerms; iParam++) {
        EXPECT_NEAR(adParams[iParam], c.adExpected[iParam], 1e-12 * std::fabs(c.adExpected[iParam]))
            << "parameter " << iParam + 1;
    }
    char acLine[96];
    std::snprintf(acLine, sizeof acLine, "Ampl1= %12.3e   Gamma1= %12.3e", c.adExpected[0],
                  c.adExpected[1]);
    EXPECT_EQ(lines[1], acLine);
}

const double kLn10 = std::log(10.0);

INSTANTIATE_TEST_SUITE_P(
    Problems, ExpStartValues,
    testing::Values(
        ExpStartCase{"AllGiven", 2, {50, 1, -50, 0.2f}, {0, 4}, {9, 1}, {50, 1, -50, double(0.2f)}},
        ExpStartCase{"RateFromLastRow", 1, {30}, {0, 2, 5}, {9, 3, 1}, {30, kLn10 / 5}},
        ExpStartCase{"FromData", 2, {}, {0, 2, 5}, {9, 3, 1}, {4.5, kLn10 / 5, 4.5, 2 * kLn10 / 5}},
        ExpStartCase{"EmptyDataRateOne", 1, {}, {}, {}, {0, 1.0}},
        ExpStartCase{"LastTimeZeroRateOne", 1, {}, {0}, {6}, {6, 1.0}},
        ExpStartCase{"NegativeLastTimeKeepsItsRate", 1, {}, {1, -5}, {6, 2}, {6, -kLn10 / 5}}),
    [](const testing::TestParamInfo<ExpStartCase> &info) { return info.param.pszName; });

struct TauCase {
    const char *pszName;
    double dGamma, dTau;
};

// Shown as the case's name where a test reports its parameter.
void PrintTo(const TauCase &c, std::ostream *pStream) {
    *pStream << c.pszName;
}

class TimeConstant : public testing::TestWithParam<TauCase> {};

TEST_P(TimeConstant, IsTheInverseRateOrHuge) {
    EXPECT_DOUBLE_EQ(TauFromRate(GetParam().dGamma), GetParam().dTau);
}

INSTANTIATE_TEST_SUITE_P(Rates, TimeConstant,
                         testing::Values(TauCase{"Zero", 0, 1e300}, TauCase{"Negative", -2, 1e300},
                                         TauCase{"Half", 0.5, 2}),
                         [](const testing::TestParamInfo<TauCase> &info) {
                             return info.param.pszName;
                         });

TEST(ExpGradient, EqualsCentralDifferencesAtRandomPoints) {
    DemoStateReset();
    std::mt19937 random(777);
    std::uniform_real_distribution<double> unit(0, 1);
    std::vector<double> adTime, adData;
    for (int i = 0; i < 40; i++) {
        adTime.push_back(10 * unit(random));
        adData.push_back(50 * unit(random));
    }
    RowsSet(adTime, adData);
    ModelData &data = gDemoState.modelData;
    for (int i = 0; i < data.iNoPoints; i++) {
        data.adWeight[i] = 0.1 + 2 * unit(random);
    }
    data.iNoTerms = 3;
    for (int iPoint = 0; iPoint < 5; iPoint++) {
        SCOPED_TRACE("random point " + std::to_string(iPoint));
        std::vector<double> adParams;
        for (int iTerm = 0; iTerm < data.iNoTerms; iTerm++) {
            adParams.push_back(-50 + 100 * unit(random)); // amplitude
            adParams.push_back(2 * unit(random));         // rate
        }
        GradientCheck(adParams);
    }
}

// Fits the shipped data with iNoTerms terms starting from the default table,
// as the Problem menu does.
int ShippedDataFit(int iNoTerms, int iDifferentiation, std::string *pConsole) {
    DemoStateReset();
    EXPECT_EQ(SampleDataLoad(SampleDataPath("ExpDemo.dat")), 0);
    std::copy(afTableDefaults.begin(), afTableDefaults.end(), gDemoState.afIniValues);
    gDemoState.iNoIniValues = 8;
    return ProblemFit(iNoTerms, iDifferentiation, pConsole);
}

TEST(ExpProgress, IterationZeroPrintsOnlyTheTermLines) {
    std::string console;
    ASSERT_EQ(ShippedDataFit(1, 0, &console), 0) << console;
    const std::vector<std::string> lines = ConsoleLines(console);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "Initial values:");
    EXPECT_EQ(lines[1], "Ampl1=    5.000e+01   Gamma1=    1.000e+00");
    EXPECT_EQ(lines[2], "   Ampl1=    5.000e+01   Gamma1=    1.000e+00   Tau=    1.000e+00");
    EXPECT_EQ(lines[3].rfind("-- Iter= 1   ||R1||= ", 0), 0u) << lines[3];
    EXPECT_TRUE(LinesStartingWith(console, "-- Iter=0").empty());
    EXPECT_EQ(LinesStartingWith(console, "-- Iter= ").size() + 1,
              LinesStartingWith(console, "   Ampl1= ").size());
}

class ExpSampleFit : public testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(ExpSampleFit, ShippedDataFitWithoutError) {
    const auto [iNoTerms, iDifferentiation] = GetParam();
    std::string console;
    EXPECT_EQ(ShippedDataFit(iNoTerms, iDifferentiation, &console), 0) << console;
    // Start values, results and their standard errors; four terms over-fit the
    // shipped data (the two slowest nearly cancel), and the library says so
    // instead of giving standard errors.
    const bool bStdErrors = iNoTerms < 4;
    EXPECT_EQ(LinesStartingWith(console, "Ampl").size(),
              static_cast<size_t>((bStdErrors ? 3 : 2) * iNoTerms))
        << console;
    EXPECT_EQ(LinesStartingWith(console, "VARO API error, iRc=15").size(), bStdErrors ? 0u : 1u);
    EXPECT_EQ(LinesStartingWith(console, "Chi-square=").size(), 1u);
    EXPECT_EQ(LinesStartingWith(console, "No. gradient funciton evaluations= ").size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(ExponentsAndDifferentiation, ExpSampleFit,
                         testing::Combine(testing::Range(1, 5), testing::Values(0, 1)));

} // namespace
