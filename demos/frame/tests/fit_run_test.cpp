// Fit set-up and fit run when the library refuses: the error is printed, the
// fit object is dropped, and a new problem choice brings a working one back.
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

} // namespace
