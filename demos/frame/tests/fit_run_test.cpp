// Fit set-up and fit run when the library refuses: the error is printed, the
// fit object is dropped, and a new problem choice brings a working one back;
// the standard-error block's degrees of freedom.
#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "demos/frame/frame.h"
#include "demos/frame/tests/demo_fixture.h"

namespace {

const std::vector<double> adBellTime = {0, 1, 2, 3, 4, 5, 6};
const std::vector<double> adBellData = {0.5, 2, 4.5, 5, 4, 2.2, 0.4};

bool ApiErrorStarts(const std::string &console, int iRc) {
    return console.rfind("VARO API error, iRc=" + std::to_string(iRc) + "\n'", 0) == 0;
}

int FitRunCaptured(std::string *pConsole) {
    int iRc = 0;
    *pConsole = ConsoleCapture([&iRc] { iRc = FitRun(); });
    return iRc;
}

TEST(FitFailure, SetUpRefusedForNoTermsLeavesNoObject) {
    DemoStateReset();
    RowsSet(adBellTime, adBellData);
    std::string console;
    const int iRc = StartValuesSetUp(0, {}, &console);
    EXPECT_EQ(iRc, 5) << "a model of zero parameters is out of range";
    EXPECT_TRUE(ApiErrorStarts(console, iRc)) << console;
    EXPECT_EQ(console.find("Initial values:"), std::string::npos) << console;
    EXPECT_EQ(gDemoState.iHandle, 0);
}

TEST(FitFailure, StartFittingWithoutAnObjectReportsTheErrorAndFinishes) {
    DemoStateReset();
    RowsSet(adBellTime, adBellData);
    std::string console;
    ASSERT_NE(StartValuesSetUp(0, {}, &console), 0);
    const int iRc = FitRunCaptured(&console);
    EXPECT_EQ(iRc, 1) << "handle 0 names no object";
    EXPECT_TRUE(ApiErrorStarts(console, iRc)) << console;
    EXPECT_TRUE(LinesStartingWith(console, "=====").empty()) << console;
    EXPECT_EQ(gDemoState.iFitState, kFitFinished);
    EXPECT_EQ(gDemoState.iHandle, 0);
}

TEST(FitFailure, FailedFitDropsTheObjectAndANewProblemFitsAgain) {
    DemoStateReset();
    RowsSet({}, {}); // no rows: the model has no residuals to hand over
    std::string console;
    ASSERT_EQ(StartValuesSetUp(1, {}, &console), 0) << console;
    ASSERT_NE(gDemoState.iHandle, 0);
    const int iRc = FitRunCaptured(&console);
    EXPECT_EQ(iRc, 8) << "the initial evaluation fails";
    EXPECT_NE(console.find("VARO API error, iRc=" + std::to_string(iRc) + "\n'"), std::string::npos)
        << console;
    EXPECT_TRUE(LinesStartingWith(console, "No. model function evaluations=").empty()) << console;
    EXPECT_EQ(gDemoState.iFitState, kFitFinished);
    EXPECT_EQ(gDemoState.iHandle, 0);

    RowsSet(adBellTime, adBellData);
    ASSERT_EQ(StartValuesSetUp(1, {}, &console), 0) << console;
    EXPECT_NE(gDemoState.iHandle, 0);
    EXPECT_EQ(FitRunCaptured(&console), 0) << console;
    EXPECT_EQ(LinesStartingWith(console, "===== Optimization results =====").size(), 1u);
    EXPECT_NE(gDemoState.iHandle, 0); // kept, so its fitted values stay readable
}

// Every set-up deletes the object of the one before, so the handle table
// never fills however often a problem is chosen.
TEST(FitSetUp, ManySetUpsInARowLeaveTheHandleTableUsable) {
    DemoStateReset();
    RowsSet(adBellTime, adBellData);
    std::string console;
    for (int k = 0; k < 150; ++k) {
        ASSERT_EQ(StartValuesSetUp(1, {}, &console), 0) << "set-up " << k << ": " << console;
    }
    EXPECT_EQ(FitRunCaptured(&console), 0) << console;
    VaroHandle iHandle = 0;
    EXPECT_EQ(VaroObjectCreate(&iHandle), 0);
    EXPECT_EQ(VaroObjectDelete(iHandle), 0);
}

struct StatisticsCase {
    const char *pszName;
    std::vector<double> adWeight; // of the bell's rows
    int iDegreesOfFreedom;
    bool bReduced; // the line ends with the reduced chi-square
};

void PrintTo(const StatisticsCase &c, std::ostream *pStream) {
    *pStream << c.pszName;
}

class StandardErrorBlock : public testing::TestWithParam<StatisticsCase> {};

// Rows of weight 0 are no data: the degrees of freedom leave them out, and a
// reduced chi-square needs degrees of freedom left.
TEST_P(StandardErrorBlock, CountsOnlyWeightedRows) {
    const StatisticsCase &c = GetParam();
    DemoStateReset();
    RowsSet(adBellTime, adBellData);
    std::copy(c.adWeight.begin(), c.adWeight.end(), gDemoState.modelData.adWeight);
    gDemoState.iNoIniValues = 0;
    std::string console;
    ASSERT_EQ(ProblemFit(1, 1, &console), 0) << console;
    const std::vector<std::string> lines = LinesStartingWith(console, "Chi-square=");
    ASSERT_EQ(lines.size(), 1u) << console;
    const std::string degrees = "  Degrees of freedom=" + std::to_string(c.iDegreesOfFreedom);
    EXPECT_NE(lines[0].find(degrees), std::string::npos) << lines[0];
    EXPECT_EQ(lines[0].find("Reduced chi-square=") != std::string::npos, c.bReduced) << lines[0];
}

INSTANTIATE_TEST_SUITE_P(
    Weights, StandardErrorBlock,
    testing::Values(StatisticsCase{"AllRows", {1, 1, 1, 1, 1, 1, 1}, 4, true},
                    StatisticsCase{"TwoRowsMasked", {1, 0, 1, 1, 1, 0, 1}, 2, true},
                    StatisticsCase{"NoDegreesOfFreedomLeft", {0, 1, 0, 1, 0, 1, 0}, 0, false}),
    [](const testing::TestParamInfo<StatisticsCase> &info) { return info.param.pszName; });

} // namespace
