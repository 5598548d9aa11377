// The display panels drawing a prepared problem into real sub-windows, checked
// by reading the shown pixels back and by what they print.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "demos/frame/panels.h"
#include "demos/frame/tests/info_panel_texts.h"
#include "demos/frame/tests/panel_problem.h"
#include "graph/tests/gl_test_support.h"

namespace {

using gltest::Area;
using gltest::PixelBlock;
using gltest::Rgb;

// Panel areas in window pixels: the curve panel is 329 x 279, the residual
// panel 329 x 120 and the information panel 201 x 400 (a 530 x 400 window).
constexpr Area kCurvePlotArea{40, 30, 314, 259};
constexpr Area kResidualPlotArea{40, 30, 314, 100};

void NothingDisplay() {}

class PanelsTest : public testing::Test {
  protected:
    void SetUp() override {
        std::memset(&gDemoState, 0, sizeof gDemoState);
        gInfoRowCalls.clear();
        glutInitWindowPosition(0, 0);
        glutInitWindowSize(530, 400);
        gDemoState.iMainWindow = glutCreateWindow("panels");
        glutDisplayFunc(NothingDisplay);
        PanelCreate(kCurvePanel, 0, 0, 329, 279, {0.2f, 0.2f, 0.25f});
        PanelCreate(kResidualPanel, 0, 279, 329, 120, {0.2f, 0.25f, 0.2f});
        PanelCreate(kInfoPanel, 329, 0, 201, 400, {0.25f, 0.2f, 0.2f});
        gltest::WindowEventsProcess();
    }

    void TearDown() override {
        VaroObjectDelete(gDemoState.iHandle);
        glutDestroyWindow(gDemoState.iMainWindow);
        gltest::WindowEventsProcess();
        std::memset(&gDemoState, 0, sizeof gDemoState);
    }

    static void PanelCreate(int iPanel, int iX, int iY, int iWidth, int iHeight,
                            const std::vector<float> &afColour) {
        PanelWindow &panel = gDemoState.aPanels[iPanel];
        panel.iWindow = glutCreateSubWindow(gDemoState.iMainWindow, iX, iY, iWidth, iHeight);
        glutDisplayFunc(NothingDisplay);
        std::copy(afColour.begin(), afColour.end(), panel.afColour);
        gDemoState.iNoPanels++;
    }

    static void ProblemPrepare(int iNoTerms) {
        VaroObjectDelete(gDemoState.iHandle);
        ASSERT_EQ(PanelProblemPrepare(iNoTerms), 0);
    }

    // Calls a display function and returns what it printed.
    static std::string Displayed(void (*Display)()) {
        testing::internal::CaptureStdout();
        Display();
        return testing::internal::GetCapturedStdout();
    }

    static PixelBlock PanelPixels(int iPanel) {
        glutSetWindow(gDemoState.aPanels[iPanel].iWindow);
        return PixelBlock::ShownWindowRead();
    }
};

int LineCount(const std::string &text, const std::string &line) {
    int iCount = 0;
    for (size_t i = text.find(line); i != std::string::npos; i = text.find(line, i + 1)) {
        ++iCount;
    }
    return iCount;
}

TEST_F(PanelsTest, CurvePanelDrawsTermCurvesOnlyForSeveralTerms) {
    struct Case {
        const char *pszName;
        int iNoTerms;
        std::vector<Rgb> present;
        std::vector<Rgb> absent;
    };
    constexpr Rgb kGrey{178, 178, 178};
    const Case aCases[] = {
        {"one term",
         1,
         {gltest::kRed, gltest::kYellow},
         {gltest::kBlue, gltest::kGreen, gltest::kMagenta, gltest::kCyan, kGrey}},
        {"four terms",
         4,
         {gltest::kRed, gltest::kYellow, gltest::kBlue, gltest::kGreen, gltest::kMagenta,
          gltest::kCyan},
         {kGrey}},
        {"five terms", 5, {gltest::kBlue, gltest::kCyan, kGrey}, {}},
    };
    for (const Case &c : aCases) {
        SCOPED_TRACE(c.pszName);
        ProblemPrepare(c.iNoTerms);
        EXPECT_EQ(Displayed(CurvePanelDisplay), "");
        const PixelBlock block = PanelPixels(kCurvePanel);
        for (const Rgb &colour : c.present) {
            EXPECT_GT(block.Count(colour, kCurvePlotArea), 0)
                << "colour " << +colour.r << "," << +colour.g << "," << +colour.b;
        }
        for (const Rgb &colour : c.absent) {
            EXPECT_EQ(block.CountAll(colour), 0)
                << "colour " << +colour.r << "," << +colour.g << "," << +colour.b;
        }
        // The dotted grid and the labels of the last draw are white.
        EXPECT_GT(block.CountAll(gltest::kWhite), 0);
    }
}

TEST_F(PanelsTest, CurvePanelDrawsTheModelOverTheTerms) {
    ProblemPrepare(4);
    // Term 1 takes the whole model, the others vanish: drawn last, the model
    // covers term 1 wherever it runs.
    ModelData &data = gDemoState.modelData;
    for (int i = 0; i < kPanelProblemPoints; ++i) {
        data.aadTerm[0][i] = data.adModel[i];
        for (int k = 2; k <= 4; ++k) {
            data.aadTerm[k - 1][i] = 0.0;
        }
    }
    EXPECT_EQ(Displayed(CurvePanelDisplay), "");
    const PixelBlock block = PanelPixels(kCurvePanel);
    EXPECT_GT(block.Count(gltest::kYellow, kCurvePlotArea), 100);
    EXPECT_EQ(block.CountAll(gltest::kBlue), 0);
}

TEST_F(PanelsTest, CurvePanelWithMoreTermsThanCurvesStored) {
    ProblemPrepare(kMaxTerms);
    gDemoState.modelData.iNoTerms = kMaxTerms + 2;
    gDemoState.modelData.iNoPoints = kMaxPoints + 5;
    EXPECT_EQ(Displayed(CurvePanelDisplay), "");
    EXPECT_GT(PanelPixels(kCurvePanel).Count(gltest::kYellow, kCurvePlotArea), 0);
}

TEST_F(PanelsTest, ResidualRangeIsSymmetricAndReachesTheLargestResidual) {
    struct Case {
        const char *pszName;
        int iIndex;    // one residual set apart (-1: none)
        double dValue; // its value; all others are dOthers
        double dOthers;
        int iLowestRow; // rows of the lowest and highest data pixel
        int iHighestRow;
    };
    // The plot area spans rows 30..99: 70 rows over the symmetric range.
    const Case aCases[] = {
        {"all zero", -1, 0.0, 0.0, 64, 65},
        {"largest negative", 60, -3.5, 1.75, 30, 82},
        {"largest positive", 60, 2.0, -1.0, 47, 99},
        {"non-finite ignored", 60, NAN, 1.0, 30, 99},
    };
    for (const Case &c : aCases) {
        SCOPED_TRACE(c.pszName);
        ProblemPrepare(1);
        ModelData &data = gDemoState.modelData;
        for (int i = 0; i < kPanelProblemPoints; ++i) {
            data.adResidual[i] = (i == c.iIndex) ? c.dValue : c.dOthers * ((i % 2) ? 1 : -1);
        }
        if (c.iIndex >= 0 && !std::isnan(c.dValue)) {
            data.adResidual[c.iIndex + 1] = data.adResidual[c.iIndex + 3] = c.dOthers;
        }
        EXPECT_EQ(Displayed(ResidualPanelDisplay), "");
        const PixelBlock block = PanelPixels(kResidualPanel);
        const Area area{kResidualPlotArea.iX0, 25, kResidualPlotArea.iX1, 105};
        EXPECT_NEAR(block.LowestRowWith(gltest::kYellow, area), c.iLowestRow, 1);
        EXPECT_NEAR(block.HighestRowWith(gltest::kYellow, area), c.iHighestRow, 1);
    }
}

// The fit-state lines sit in the bottom rows of the information panel.
constexpr Area kStateArea{0, 20, 201, 78};

int TextPixels(const PixelBlock &block, Area area) {
    return block.CountOther(block.At(0, 0), area);
}

TEST_F(PanelsTest, InfoPanelShowsTheFitState) {
    struct Case {
        const char *pszName;
        int iFitState;
        bool bStateShown;
    };
    const Case aCases[] = {
        {"ready", kFitReady, true},
        {"running", kFitRunning, true},
        {"finished", kFitFinished, true},
        {"unknown state", 7, false},
    };
    ProblemPrepare(2);
    for (const Case &c : aCases) {
        SCOPED_TRACE(c.pszName);
        gDemoState.iFitState = c.iFitState;
        EXPECT_EQ(Displayed(InfoPanelDisplay), "");
        const PixelBlock block = PanelPixels(kInfoPanel);
        EXPECT_EQ(TextPixels(block, kStateArea) > 0, c.bStateShown);
        EXPECT_GT(TextPixels(block, {0, 360, 201, 400}), 0) << "term count and chi";
    }
}

std::string Formatted(const char *pszFormat, double dValue) {
    char acText[64];
    std::snprintf(acText, sizeof acText, pszFormat, dValue);
    return acText;
}

// The lines as the information panel's window should show them.
PixelBlock InfoPanelExpected(const std::vector<TextLine> &lines) {
    const PanelWindow &panel = gDemoState.aPanels[kInfoPanel];
    glutSetWindow(panel.iWindow);
    return InfoPanelTextsShow(panel.afColour, lines);
}

TEST_F(PanelsTest, InfoPanelWritesItsTextsWhereTheyBelong) {
    struct Case {
        const char *pszName;
        int iFitState;
        std::vector<TextLine> stateLines;
    };
    const Case aCases[] = {
        {"ready",
         kFitReady,
         {{15, 60, "Press right mouse"}, {15, 45, "button to activate"}, {15, 30, "     menu"}}},
        {"running",
         kFitRunning,
         {{15, 60, "Fit in progress ..."}, {15, 40, "Iteration 7"}, {15, 25, "Elapsed  2.3 sec"}}},
        {"finished",
         kFitFinished,
         {{15, 60, "   - Finished -"}, {15, 40, "7 iterations"}, {15, 25, "Elapsed  2.3 sec"}}},
        {"unknown state", 3, {}},
    };
    ProblemPrepare(1);
    gDemoState.dResNorm = 2.5 * std::sqrt(static_cast<double>(kPanelProblemPoints));
    gDemoState.iCurIteration = 7;
    gDemoState.lStartClock = 1000;
    gDemoState.lEndClock = 3300;
    // The panel is 400 pixels high: header at 380, chi 20 below, then the
    // three groups of rows 30, 5 and 5 below the last line, 15 apart.
    const double dSigma = std::sqrt(kTermVariance);
    const std::vector<TextLine> commonLines = {
        {10, 380, "No. gaussians: 1"},
        {10, 360, "Chi-value: 2.50e+00"},
        {10, 330, Formatted("  A1= %13.2e", TermAmplitude(1))},
        {10, 310, Formatted("  M1= %13.2e", TermMean(1))},
        {10, 290, Formatted("  S1= %13.2e", dSigma)},
        {10, 275, Formatted("  S1/M1= %8.2g", dSigma / TermMean(1))},
    };
    for (const Case &c : aCases) {
        SCOPED_TRACE(c.pszName);
        gDemoState.iFitState = c.iFitState;
        EXPECT_EQ(Displayed(InfoPanelDisplay), "");
        const PixelBlock shown = PanelPixels(kInfoPanel);
        std::vector<TextLine> lines = commonLines;
        lines.insert(lines.end(), c.stateLines.begin(), c.stateLines.end());
        EXPECT_EQ(shown.DifferingFrom(InfoPanelExpected(lines)), 0);
    }
}

TEST_F(PanelsTest, InfoPanelStopsAtAFailingQuery) {
    ProblemPrepare(2);
    const VaroHandle iHandle = gDemoState.iHandle;
    gDemoState.iHandle = 0; // no fit object
    const std::string console = Displayed(InfoPanelDisplay);
    gDemoState.iHandle = iHandle;
    EXPECT_EQ(console.rfind("VARO API error, iRc=", 0), 0u) << console;
    EXPECT_EQ(LineCount(console, "VARO API error"), 1);
    EXPECT_TRUE(gInfoRowCalls.empty());
    const PixelBlock block = PanelPixels(kInfoPanel);
    EXPECT_EQ(TextPixels(block, kStateArea), 0);
    EXPECT_GT(TextPixels(block, {0, 360, 201, 400}), 0) << "term count and chi";
}

TEST_F(PanelsTest, InfoPanelRowsRunDownInThreeGroups) {
    ProblemPrepare(4);
    EXPECT_EQ(Displayed(InfoPanelDisplay), "");
    // Header at 380, chi at 360; groups start 30, 5 and 5 below the last row,
    // one row per term in groups 1 and 2, two in group 3.
    const std::vector<float> afGroupRows[3] = {
        {330, 315, 300, 285}, {265, 250, 235, 220}, {200, 170, 140, 110}};
    ASSERT_EQ(gInfoRowCalls.size(), 12u);
    for (size_t i = 0; i < gInfoRowCalls.size(); ++i) {
        const InfoRowCall &call = gInfoRowCalls[i];
        const int iGroup = static_cast<int>(i / 4) + 1;
        const int iTerm = static_cast<int>(i % 4) + 1;
        SCOPED_TRACE("group " + std::to_string(iGroup) + " term " + std::to_string(iTerm));
        EXPECT_EQ(call.iGroup, iGroup);
        EXPECT_EQ(call.iTerm, iTerm);
        EXPECT_EQ(call.fY, afGroupRows[iGroup - 1][iTerm - 1]);
        const double adExpected[3] = {TermAmplitude(iTerm), TermMean(iTerm), kTermVariance};
        EXPECT_EQ(call.dValue, adExpected[iGroup - 1]);
    }
}

TEST_F(PanelsTest, InfoPanelChiWithoutRowsIsTheNorm) {
    ProblemPrepare(1);
    gDemoState.modelData.iNoPoints = 0;
    gDemoState.dResNorm = 2.0;
    EXPECT_EQ(Displayed(InfoPanelDisplay), "");
    const PixelBlock block = PanelPixels(kInfoPanel);
    // "Chi-value: 2.00e+00" is 19 characters of 9 pixels from x = 10; a
    // division by zero rows would show the 4 to 5 characters of "inf" or "-nan".
    int iRightmost = -1;
    for (int iX = 0; iX < block.Width(); ++iX) {
        if (TextPixels(block, {iX, 355, iX + 1, 372}) > 0) {
            iRightmost = iX;
        }
    }
    EXPECT_GT(iRightmost, 10 + 17 * 9);
}

TEST_F(PanelsTest, NarrowPanelsPrintAGraphErrorPerDraw) {
    struct Case {
        const char *pszName;
        int iNoTerms;
        int iCurveErrors;
    };
    const Case aCases[] = {{"one term", 1, 2}, {"four terms", 4, 6}};
    for (const Case &c : aCases) {
        SCOPED_TRACE(c.pszName);
        ProblemPrepare(c.iNoTerms);
        for (int iPanel : {kCurvePanel, kResidualPanel}) {
            glutSetWindow(gDemoState.aPanels[iPanel].iWindow);
            glutReshapeWindow(49, 120);
        }
        gltest::WindowEventsProcess();
        EXPECT_EQ(LineCount(Displayed(CurvePanelDisplay), "Graph error 1\n"), c.iCurveErrors);
        EXPECT_EQ(Displayed(ResidualPanelDisplay), "Graph error 1\n");
    }
}

TEST(MainWindowDisplayTest, ClearsTheWindowToBlack) {
    gltest::TestWindow window(120, 100);
    gDemoState.iMainWindow = window.Id();
    glClearColor(1.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glutSwapBuffers();
    MainWindowDisplay();
    window.MakeCurrent();
    EXPECT_EQ(PixelBlock::ShownWindowRead().CountAll(gltest::kBlack), 120 * 100);
    gDemoState.iMainWindow = 0;
}

} // namespace
