// The report's verdicts on the targets and its summary counts, on made-up
// records whose right answers are known.
#include "report.h"

#include <gtest/gtest.h>

#include <limits>
#include <ostream>
#include <sstream>
#include <string>

namespace bench {
namespace {

// Records for one fitter: iGood fits with 8 digits, the rest with 2.
void FitterRecordsAdd(RunResults &results, int iFitter, int iGood, int iFits) {
    for (int i = 0; i < iFits; ++i) {
        FitRecord record;
        record.sProblem = "P" + std::to_string(i);
        record.iFitter = iFitter;
        record.dParamDigits = i < iGood ? 8.0 : 2.0;
        record.outcome.bConverged = true;
        record.dSeconds = 1e-3;
        results.aNist.push_back(record);
    }
}

FitRecord LargeRecordMake(int iFitter, double dSeconds, double dOwnShare) {
    FitRecord record;
    record.sProblem = "GaussLarge";
    record.iFitter = iFitter;
    record.dSeconds = dSeconds;
    record.dOwnTimeShare = dOwnShare;
    record.dRss = 1.0;
    return record;
}

struct TargetCase {
    const char *pszName;
    int iTightGood;      // Varo analytic tight fits with >= 4 digits
    int iBestPeerGood;   // GSL's; the MINPACK fitters get one fewer
    double dVaroSeconds; // on the large problem, against 1 s for lmder
    double dVaroOwnShare;
    const char *pszTightVerdict;
    const char *pszShareVerdict;
    const char *pszRatioVerdict;
};

// Prints a case by its name in test listings.
void PrintTo(const TargetCase &testCase, std::ostream *pStream) {
    *pStream << testCase.pszName;
}

const TargetCase kTargetCases[] = {
    {"AllMet", 10, 10, 1.5, 0.05, "**met**.", "**met**", "**met**"},
    {"TightMissedByThree", 7, 10, 1.5, 0.05, "**missed** by 3 fits", "**met**", "**met**"},
    {"ShareAtLimitMissed", 10, 9, 2.0, 0.10, "**met**.", "**missed**", "**met**"},
    {"SlowerThanTwiceMissed", 12, 10, 2.5, 0.02, "**met**.", "**met**", "**missed**"},
};

class ReportTargetTest : public testing::TestWithParam<TargetCase> {};

TEST_P(ReportTargetTest, VerdictsFollowFigures) {
    const TargetCase &c = GetParam();
    RunResults results;
    constexpr int kFits = 12;
    for (int iFitter = 0; iFitter < kFitterCount; ++iFitter) {
        const int iGood = iFitter == kVaroAnalyticTight ? c.iTightGood
                          : iFitter == kGslAnalytic     ? c.iBestPeerGood
                          : FitterIsPeer(iFitter)       ? c.iBestPeerGood - 1
                                                        : 0;
        FitterRecordsAdd(results, iFitter, iGood, kFits);
        const bool bVaro = iFitter == kVaroAnalytic;
        results.aDemo.push_back(
            LargeRecordMake(iFitter, bVaro ? c.dVaroSeconds : 1.0, bVaro ? c.dVaroOwnShare : 0.5));
    }
    results.sLargeProblem = "GaussLarge";
    std::ostringstream report;
    ReportWrite(report, results);
    const std::string sReport = report.str();

    const auto iTight = sReport.find("- Tight profile");
    const auto iShare = sReport.find("own time outside the callbacks");
    const auto iRatio = sReport.find("(target at most 2)");
    ASSERT_NE(iTight, std::string::npos);
    ASSERT_NE(iShare, std::string::npos);
    ASSERT_NE(iRatio, std::string::npos);
    const auto LineAt = [&](size_t iPos) {
        return sReport.substr(iPos, sReport.find('\n', iPos) - iPos);
    };
    EXPECT_NE(LineAt(iTight).find(c.pszTightVerdict), std::string::npos) << LineAt(iTight);
    EXPECT_NE(LineAt(iShare).find(c.pszShareVerdict), std::string::npos) << LineAt(iShare);
    EXPECT_NE(LineAt(iRatio).find(c.pszRatioVerdict), std::string::npos) << LineAt(iRatio);
    EXPECT_NE(LineAt(iTight).find("GSL"), std::string::npos) << "best peer named";

    // The shortfall line lists exactly the tight fits below 4 digits.
    const auto iShortfall = sReport.find("- Fits of Varo analytic tight below 4 digits");
    ASSERT_NE(iShortfall, std::string::npos);
    const std::string sShortfall = LineAt(iShortfall);
    int iListed = 0;
    for (auto iPos = sShortfall.find("/1 ("); iPos != std::string::npos;
         iPos = sShortfall.find("/1 (", iPos + 1)) {
        ++iListed;
    }
    EXPECT_EQ(iListed, kFits - c.iTightGood) << sShortfall;
    const std::string sLastFit = "P" + std::to_string(kFits - 1) + "/1 (";
    const bool bNoneShort = c.iTightGood == kFits;
    const std::string sExpected = bNoneShort ? std::string(" none.") : sLastFit;
    EXPECT_NE(sShortfall.find(sExpected), std::string::npos) << sShortfall;
}

INSTANTIATE_TEST_SUITE_P(Cases, ReportTargetTest, testing::ValuesIn(kTargetCases),
                         [](const auto &info) { return std::string(info.param.pszName); });

struct DampedTargetCase {
    const char *pszName;
    int iFourDigits;         // fits of Varo damped analytic tight with >= 4 digits
    int iSixDigits;          // of them, with >= 6 digits
    double dAnalyticSeconds; // on the large problem, against 1 s for lmder
    long lAnalyticEvals;     // against 10 for lmder
    double dNumericSeconds;  // against 1 s for lmdif
    const char *pszCountVerdicts;
    const char *pszLmderVerdicts; // time, then evaluations
    const char *pszLmdifVerdict;
};

// Prints a case by its name in test listings.
void PrintTo(const DampedTargetCase &testCase, std::ostream *pStream) {
    *pStream << testCase.pszName;
}

const DampedTargetCase kDampedTargetCases[] = {
    {"AllAtTheirLimits", 52, 48, 1.2, 20, 1.5,
     "(target 52): **met**; 48 with 6 (target 48): **met**.", "**met**|**met**", "**met**"},
    {"AllJustMissed", 51, 47, 1.21, 21, 1.51,
     "(target 52): **missed** by 1 fits; 47 with 6 (target 48): **missed** by 1 fits.",
     "**missed**|**missed**", "**missed**"},
};

class ReportDampedTargetTest : public testing::TestWithParam<DampedTargetCase> {};

TEST_P(ReportDampedTargetTest, VerdictsFollowFigures) {
    const DampedTargetCase &c = GetParam();
    RunResults results;
    constexpr int kFits = 54;
    for (int i = 0; i < kFits; ++i) {
        FitRecord record;
        record.sProblem = "P" + std::to_string(i);
        record.iFitter = kVaroDampedAnalyticTight;
        record.dParamDigits = i < c.iSixDigits ? 8.0 : i < c.iFourDigits ? 5.0 : 2.0;
        results.aNist.push_back(record);
    }
    for (int iFitter = 0; iFitter < kFitterCount; ++iFitter) {
        const double dSeconds = iFitter == kVaroDampedAnalytic  ? c.dAnalyticSeconds
                                : iFitter == kVaroDampedNumeric ? c.dNumericSeconds
                                                                : 1.0;
        FitRecord record = LargeRecordMake(iFitter, dSeconds, 0.1);
        record.outcome.lResidualEvals = iFitter == kVaroDampedAnalytic ? c.lAnalyticEvals : 10;
        record.outcome.lIterations = 5;
        results.aDemo.push_back(record);
    }
    results.sLargeProblem = "GaussLarge";
    std::ostringstream report;
    ReportWrite(report, results);
    const std::string sReport = report.str();
    const auto LineWith = [&](const std::string &sStart) {
        const auto iPos = sReport.find(sStart);
        return iPos == std::string::npos ? std::string()
                                         : sReport.substr(iPos, sReport.find('\n', iPos) - iPos);
    };
    EXPECT_NE(LineWith("- Varo damped analytic tight, reference").find(c.pszCountVerdicts),
              std::string::npos)
        << sReport;
    const std::string sLmder(c.pszLmderVerdicts);
    const std::string sTimeVerdict = sLmder.substr(0, sLmder.find('|'));
    const std::string sEvalsVerdict = sLmder.substr(sLmder.find('|') + 1);
    EXPECT_NE(LineWith("- GaussLarge, Varo damped analytic ")
                  .find("(target at most 1.2): " + sTimeVerdict),
              std::string::npos)
        << sReport;
    EXPECT_NE(LineWith("- GaussLarge, Varo damped analytic residual evaluations")
                  .find("(target at most 2.0): " + sEvalsVerdict),
              std::string::npos)
        << sReport;
    const std::string sNumeric = LineWith("- GaussLarge, Varo damped numerical ");
    EXPECT_NE(sNumeric.find(std::string("(target at most 1.5): ") + c.pszLmdifVerdict),
              std::string::npos)
        << sReport;
    EXPECT_EQ(sReport.find("  Why: ") != std::string::npos,
              std::string(c.pszLmdifVerdict) == "**missed**");
}

INSTANTIATE_TEST_SUITE_P(Cases, ReportDampedTargetTest, testing::ValuesIn(kDampedTargetCases),
                         [](const auto &info) { return std::string(info.param.pszName); });

TEST(ReportSummaryTest, CountsFitsByDigitsPerFitter) {
    RunResults results;
    FitterRecordsAdd(results, kMinpackAnalytic, 5, 9);
    results.aNist[6].dParamDigits = 4.0; // exactly at the threshold counts
    EXPECT_EQ(FitsWithDigitsCount(results.aNist, kMinpackAnalytic, 4.0), 6);
    EXPECT_EQ(FitsWithDigitsCount(results.aNist, kMinpackAnalytic, 6.0), 5);
    EXPECT_EQ(FitsWithDigitsCount(results.aNist, kGslAnalytic, 4.0), 0);
}

TEST(ReportSummaryTest, DigitsTableHasOneRowPerProblemWithEveryFitter) {
    RunResults results;
    // Records grouped by fitter, not by problem: the table must still line
    // each problem's figures up under the right fitters.
    for (int iFitter = 0; iFitter < kFitterCount; ++iFitter) {
        FitterRecordsAdd(results, iFitter, iFitter, kFitterCount);
    }
    results.aNist[1].outcome.bConverged = false; // fitter 0 on P1
    std::ostringstream report;
    ReportWrite(report, results);
    const std::string sReport = report.str();
    // Fitter f has its first f fits good: P<i> is good for the fitters above i.
    const auto RowMake = [](int iProblem, bool bFirstMissed) {
        std::string sRow = "| P" + std::to_string(iProblem) + " | 1 |";
        for (int iFitter = 0; iFitter < kFitterCount; ++iFitter) {
            sRow += iProblem < iFitter ? " 8.0" : " 2.0";
            sRow += iFitter == 0 && bFirstMissed ? "* |" : " |";
        }
        return sRow + "\n";
    };
    EXPECT_NE(sReport.find(RowMake(0, false)), std::string::npos) << RowMake(0, false);
    EXPECT_NE(sReport.find(RowMake(1, true)), std::string::npos) << RowMake(1, true);
    EXPECT_NE(sReport.find(RowMake(6, false)), std::string::npos) << RowMake(6, false);
}

TEST(ReportSummaryTest, StandardErrorDigitsAreJudgedOnAccurateFits) {
    RunResults results;
    FitterRecordsAdd(results, kVaroAnalytic, 3, 4); // P3's parameters have 2 digits
    results.aNist[0].dStdErrorDigits = 3.0;
    results.aNist[1].dStdErrorDigits = 7.0; // P2 gives none
    results.aNist[3].dStdErrorDigits = 5.0;
    std::ostringstream report;
    ReportWrite(report, results);
    const std::string sReport = report.str();
    // Given 3, 2 with 4 digits, 1 with 6; 3 accurate fits, of which 1 with 4
    // digits, the lowest being P2's missing ones.
    EXPECT_NE(sReport.find("| Varo analytic | 3 | 2 | 1 | 3 | 1 | 0.0 |\n"), std::string::npos)
        << sReport;
    EXPECT_NE(sReport.find("| P2 | 1 | - | - |"), std::string::npos);
    EXPECT_NE(sReport.find("| P3 | 1 | 5.0* | - |"), std::string::npos);
}

struct PeerCase {
    const char *pszName;
    double dGslRss; // GSL is the fastest peer; lmder and lmdif reach RSS 1.0
    const char *pszExpectedPeer;
};

// Prints a case by its name in test listings.
void PrintTo(const PeerCase &testCase, std::ostream *pStream) {
    *pStream << testCase.pszName;
}

const PeerCase kPeerCases[] = {
    {"FastestSolvingPeerIsChosen", 1.0, "GSL trust-region LM"},
    {"WithinOnePercentStillSolves", 1.015, "GSL trust-region LM"},
    {"DivergedPeerIsPassedOver", std::numeric_limits<double>::infinity(), "MINPACK lmder"},
    {"WorseMinimumIsPassedOver", 4.0, "MINPACK lmder"},
};

class ReportPeerTest : public testing::TestWithParam<PeerCase> {};

TEST_P(ReportPeerTest, RatiosUseFastestPeerThatSolvedTheProblem) {
    const PeerCase &c = GetParam();
    RunResults results;
    // The library's profiles are the slowest; among the peers GSL is fastest.
    const double adPeerSeconds[] = {2, 3, 1};
    for (int iFitter = 0; iFitter < kFitterCount; ++iFitter) {
        const double dSeconds =
            FitterIsPeer(iFitter) ? adPeerSeconds[iFitter - kMinpackAnalytic] : 8.0 + iFitter;
        FitRecord record = LargeRecordMake(iFitter, dSeconds, 0.2);
        record.sProblem = "Demo";
        record.dRss = iFitter == kGslAnalytic ? c.dGslRss : 1.0;
        results.aDemo.push_back(record);
    }
    std::ostringstream report;
    ReportWrite(report, results);
    const std::string sRow = "| Demo | " + std::string(c.pszExpectedPeer) + " | ";
    EXPECT_NE(report.str().find(sRow), std::string::npos) << report.str();
}

INSTANTIATE_TEST_SUITE_P(Cases, ReportPeerTest, testing::ValuesIn(kPeerCases),
                         [](const auto &info) { return std::string(info.param.pszName); });

TEST(ReportSummaryTest, ChartDataHasOneQuotedLinePerFitter) {
    RunResults results;
    FitterRecordsAdd(results, kVaroAnalyticTight, 3, 4);
    std::ostringstream chart;
    ChartDataWrite(chart, results);
    std::istringstream lines(chart.str());
    std::string sLine;
    int iLines = 0;
    while (std::getline(lines, sLine)) {
        EXPECT_EQ(sLine.front(), '"') << sLine;
        if (iLines == kVaroAnalyticTight) {
            EXPECT_EQ(sLine, "\"Varo analytic tight\" 3 3");
        }
        ++iLines;
    }
    EXPECT_EQ(iLines, kFitterCount);
}

} // namespace
} // namespace bench
