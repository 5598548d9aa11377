// Command-line reading, with VaroGauss's texts and defaults as the model.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "demos/frame/frame.h"
#include "demos/frame/tests/demo_fixture.h"

namespace {

const char *const kpszUsage =
    "VaroGauss usage:\n\n  <data file> : text file with data, channels and weights;\n  "
    "<differentiation> : 0 - numerical, 1 - analytical;\n  <no gaussians> : the number of "
    "gaussians terms;\n   <Ai> <Mi> <Si> : initial amplitude, mean and standard deviation for the "
    "term;\n  Now program will use default settings\n";

class CommandLineDefaults : public testing::TestWithParam<std::vector<std::string>> {};

TEST_P(CommandLineDefaults, FewerThanThreeArgumentsTakeEveryDefault) {
    const CommandLineRun run = CommandLineReadAll("VaroGauss", GetParam());
    EXPECT_EQ(run.iRc, 0);
    EXPECT_EQ(run.console, kpszUsage);
    EXPECT_EQ(run.dataFile, "GaussDemo.dat");
    EXPECT_EQ(gDemoState.iDifferentiation, 0);
    EXPECT_EQ(gDemoState.modelData.iNoTerms, 4);
    const std::vector<float> afExpected = {50, 350, 60, 50, 400, 60, 50, 500, 60, 50, 600, 60};
    ASSERT_EQ(gDemoState.iNoIniValues, 12);
    EXPECT_EQ(std::vector<float>(gDemoState.afIniValues, gDemoState.afIniValues + 12), afExpected);
}

INSTANTIATE_TEST_SUITE_P(Arguments, CommandLineDefaults,
                         testing::Values(std::vector<std::string>{},
                                         std::vector<std::string>{"other.dat"},
                                         std::vector<std::string>{"other.dat", "1"}));

class CommandLineRefused : public testing::TestWithParam<CommandLineRefusal> {};

TEST_P(CommandLineRefused, PrintsItsMessageAndFails) {
    const CommandLineRun run = CommandLineReadAll("VaroGauss", GetParam().args);
    EXPECT_EQ(run.iRc, 1);
    EXPECT_EQ(run.console, GetParam().pszMessage);
}

INSTANTIATE_TEST_SUITE_P(
    Errors, CommandLineRefused,
    testing::Values(CommandLineRefusal{"DifferentiationTwo",
                                       {"data.txt", "2", "3"},
                                       "VaroGauss: Illegal parameter (differentiation)\n"},
                    CommandLineRefusal{"DifferentiationNegative",
                                       {"data.txt", "-1", "3"},
                                       "VaroGauss: Illegal parameter (differentiation)\n"},
                    CommandLineRefusal{"TermCountText",
                                       {"data.txt", "1", "four"},
                                       "VaroGauss: Illegal parameter (number of gaussians)\n"},
                    CommandLineRefusal{
                        "TermCountEleven",
                        {"data.txt", "1", "11"},
                        "VaroGauss: too many components (due to graphics limitations)\n"},
                    CommandLineRefusal{"IniValueText",
                                       {"data.txt", "1", "2", "100", "abc"},
                                       "VaroGauss: Illegal initial value\n"},
                    CommandLineRefusal{"IniValueThirtyOne",
                                       {"data.txt", "1",  "10", "1",  "2",  "3",  "4",  "5",  "6",
                                        "7",        "8",  "9",  "10", "11", "12", "13", "14", "15",
                                        "16",       "17", "18", "19", "20", "21", "22", "23", "24",
                                        "25",       "26", "27", "28", "29", "30", "31"},
                                       "VaroGauss: Illegal initial value\n"}),
    CommandLineRefusalName);

TEST(CommandLine, ValuesGivenInPartAreKeptInOrder) {
    const CommandLineRun run =
        CommandLineReadAll("VaroGauss", {"data.txt", "1", "2", "100", "0.1"});
    EXPECT_EQ(run.iRc, 0);
    EXPECT_EQ(run.console, "");
    EXPECT_EQ(run.dataFile, "data.txt");
    EXPECT_EQ(gDemoState.iDifferentiation, 1);
    EXPECT_EQ(gDemoState.modelData.iNoTerms, 2);
    ASSERT_EQ(gDemoState.iNoIniValues, 2);
    EXPECT_EQ(gDemoState.afIniValues[0], 100.0f);
    EXPECT_EQ(gDemoState.afIniValues[1], 0.1f);
}

TEST(CommandLine, AcceptsTheLargestTableAndTermCount) {
    std::vector<std::string> args = {"data.txt", "0", "10"};
    for (int j = 1; j <= 30; j++) {
        args.push_back(std::to_string(j));
    }
    const CommandLineRun run = CommandLineReadAll("VaroGauss", args);
    EXPECT_EQ(run.iRc, 0) << run.console;
    EXPECT_EQ(gDemoState.modelData.iNoTerms, 10);
    ASSERT_EQ(gDemoState.iNoIniValues, 30);
    EXPECT_EQ(gDemoState.afIniValues[29], 30.0f);
}

TEST(CommandLine, DifferentiationConvertsLikeAnInteger) {
    const CommandLineRun run = CommandLineReadAll("VaroGauss", {"data.txt", "1.5", "3"});
    EXPECT_EQ(run.iRc, 0) << run.console;
    EXPECT_EQ(gDemoState.iDifferentiation, 1);
    EXPECT_EQ(gDemoState.iNoIniValues, 0);
}

TEST(CommandLine, GaussianCountHasNoLowerBoundHere) {
    const CommandLineRun run = CommandLineReadAll("VaroGauss", {"data.txt", "0", "0"});
    EXPECT_EQ(run.iRc, 0) << run.console;
    EXPECT_EQ(gDemoState.modelData.iNoTerms, 0);
}

} // namespace
