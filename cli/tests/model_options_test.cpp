// varo-fit's model options end to end: start values, limits and fixed values
// by name take effect; faults in them and in a formula are usage errors that
// name the fault; rows of weight 0 count neither in the fit nor in its
// degrees of freedom.
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/tests/fit_program.h"

namespace {

using nlohmann::json;

TEST(ModelOptions, StartLimitAndFixByNameTakeEffect) {
    const std::string folder = ScratchFolderMake("by_name");
    const std::string path = GeneratedFile(folder, "gauss", 11, {50, 480, 40});
    const json free = RecordOfOne(FitRun({"--model", "gauss", "--format", "json", path}));
    const json inOrder = RecordOfOne(
        FitRun({"--model", "gauss:1", "--format", "json", "--start", "45,470,30", path}));
    const json held =
        RecordOfOne(FitRun({"--model", "gauss:1", "--format", "json", "--start", "Ampl1=10",
                            "--limit", "Mean1=400:470", "--fix", "Sigma1=35", path}));
    std::filesystem::remove_all(folder);

    EXPECT_EQ(free["status"], 0) << free["message"];
    EXPECT_EQ(inOrder["status"], 0) << inOrder["message"];
    EXPECT_NEAR(inOrder["Mean1"].get<double>(), free["Mean1"].get<double>(),
                0.05 * free["Mean1_error"].get<double>());
    EXPECT_EQ(held["status"], 0) << held["message"];
    EXPECT_EQ(held["Sigma1"], 35.0);
    EXPECT_EQ(held["Sigma1_error"], 0.0);
    EXPECT_EQ(held["Mean1"], 470.0) << "the truth, 480, lies beyond the limit";
    EXPECT_EQ(held["degrees_of_freedom"], free["degrees_of_freedom"].get<int>() + 1);
    EXPECT_EQ(held["Mean1_at_limit"], true);
    EXPECT_FALSE(free.contains("Mean1_at_limit")) << "no limits, no column";
    EXPECT_EQ(free["Sigma1_at_limit"], false) << "widths are limited to be positive";
}

// --intervals adds profile intervals around the values, open up to a limit
// the value lies on; --loss fits robustly, so its plain chi-square exceeds
// that of least squares.
TEST(ModelOptions, IntervalsAndLossTakeEffect) {
    const std::string folder = ScratchFolderMake("intervals");
    const std::string path = GeneratedFile(folder, "gauss", 12, {50, 480, 40});
    const json plain = RecordOfOne(FitRun({"--model", "gauss", "--format", "json", path}));
    const json intervals =
        RecordOfOne(FitRun({"--model", "gauss", "--format", "json", "--intervals", "0.6827,0.95",
                            "--limit", "Mean1=400:470", path}));
    const json robust =
        RecordOfOne(FitRun({"--model", "gauss", "--format", "json", "--loss", "cauchy:0.5", path}));
    std::filesystem::remove_all(folder);

    ASSERT_EQ(intervals["status"], 0) << intervals["message"];
    for (const char *pszLevel : {"0.6827", "0.95"}) {
        const std::string level = pszLevel;
        const double dAmpl = intervals["Ampl1"].get<double>();
        EXPECT_LT(intervals["Ampl1_low_" + level].get<double>(), dAmpl) << level;
        EXPECT_GT(intervals["Ampl1_high_" + level].get<double>(), dAmpl) << level;
        EXPECT_EQ(intervals["Mean1_high_" + level], "inf") << level;
    }
    EXPECT_LT(intervals["Ampl1_low_0.95"].get<double>(),
              intervals["Ampl1_low_0.6827"].get<double>());
    ASSERT_EQ(robust["status"], 0) << robust["message"];
    EXPECT_GT(robust["chi_square"].get<double>(), plain["chi_square"].get<double>());
}

struct FaultCase {
    const char *pszName;
    std::vector<std::string> args;
    const char *pszMessage; // part of the message on standard error
};

void PrintTo(const FaultCase &c, std::ostream *pStream) {
    *pStream << c.pszName;
}

class ModelOptionFault : public testing::TestWithParam<FaultCase> {};

TEST_P(ModelOptionFault, IsAUsageErrorNamingIt) {
    std::vector<std::string> args = GetParam().args;
    args.push_back(SamplePath("GaussDemo.dat"));
    const ProgramRun run = FitRun(args);
    EXPECT_EQ(run.iStatus, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find(GetParam().pszMessage), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Options, ModelOptionFault,
    testing::Values(
        FaultCase{"FormulaDoesNotParse",
                  {"--model", "formula:A*exp(-x/tau"},
                  "the formula does not parse: Missing parenthesis at position 21 of "
                  "'formula:A*exp(-x/tau'"},
        FaultCase{"StartOfNoParameter",
                  {"--model", "gauss:1", "--start", "Sigma2=3"},
                  "no parameter named 'Sigma2' (the model's parameters: Ampl1, Mean1, Sigma1)"},
        FaultCase{"LimitOfNoParameter",
                  {"--model", "voigt+linear", "--limit", "Width1=1:2"},
                  "no parameter named 'Width1'"},
        FaultCase{"FixOfNoParameter",
                  {"--model", "exp:1", "--fix", "Tau1=3"},
                  "no parameter named 'Tau1'"},
        FaultCase{"UnknownLoss", {"--model", "exp:1", "--loss", "l1"}, "--loss: expected linear"},
        FaultCase{
            "LossScaleNotPositive", {"--model", "exp:1", "--loss", "huber:-1"}, "got 'huber:-1'"},
        FaultCase{"IntervalLevelOfOne",
                  {"--model", "exp:1", "--intervals", "0.5,1"},
                  "--intervals: expected probabilities between 0 and 1, got '1'"},
        FaultCase{"StartsByNameAndInOrder",
                  {"--model", "gauss:1", "--start", "Ampl1=3,300"},
                  "expected NAME=VALUE (all values in order, or all by name), got '300'"},
        FaultCase{"StartOutsideTheDefaultLimits",
                  {"--model", "gauss:1", "--start", "Sigma1=-2"},
                  "start value of Sigma1: -2 is not a finite number inside its limits [0, inf]"},
        FaultCase{"LimitWithoutRange",
                  {"--model", "gauss:1", "--limit", "Mean1=3"},
                  "expected NAME=LOW:HIGH"},
        FaultCase{"LimitReversed",
                  {"--model", "gauss:1", "--limit", "Mean1=5:3"},
                  "limit of Mean1: [5, 3] is empty"}),
    [](const testing::TestParamInfo<FaultCase> &info) { return info.param.pszName; });

// The sample generator's rows with a weight column: 0 in rows [100, 150),
// 1 elsewhere; and the same rows without those.
TEST(ModelOptions, MaskedRowsCountNeitherInTheFitNorInTheDegreesOfFreedom) {
    const std::string folder = ScratchFolderMake("masked");
    std::ifstream generated(GeneratedFile(folder, "gauss", 15, {40, 380, 30, 50, 560, 40}));
    std::string masked, cut, line;
    for (int i = 0; std::getline(generated, line); i++) {
        const bool bMasked = i >= 100 && i < 150;
        masked += line + (bMasked ? " 0\n" : " 1\n");
        cut += bMasked ? "" : line + "\n";
    }
    const json maskedRecord = RecordOfOne(FitRun(
        {"--model", "gauss:2", "--format", "json", TextFileWrite(folder + "/masked.dat", masked)}));
    const json cutRecord = RecordOfOne(FitRun(
        {"--model", "gauss:2", "--format", "json", TextFileWrite(folder + "/cut.dat", cut)}));
    std::filesystem::remove_all(folder);

    EXPECT_EQ(maskedRecord["status"], 0) << maskedRecord["message"];
    EXPECT_EQ(maskedRecord["degrees_of_freedom"], 401 - 50 - 6);
    for (const char *pszColumn : {"chi_square", "degrees_of_freedom", "Mean1", "Sigma2_error"}) {
        EXPECT_EQ(maskedRecord[pszColumn], cutRecord[pszColumn]) << pszColumn;
    }
}

} // namespace
