// The information panel drawn with a program's own model description (built
// once per program): its header and parameter rows are compared pixel by pixel
// with the expected texts written at their places.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "demos/frame/demo_model.h"
#include "demos/frame/panels.h"
#include "demos/frame/tests/info_panel_texts.h"
#include "graph/tests/gl_test_support.h"

namespace {

using gltest::PixelBlock;

constexpr float kafPanelColour[3] = {0.25f, 0.2f, 0.2f};

// Two terms of one program: the parameters in the fit object's order and the
// lines the panel shows above the fit state.
struct ModelCase {
    const char *pszProgramName;
    std::vector<double> adParams;
    std::vector<TextLine> lines;
};

// A 201 x 400 panel: header at 380, chi at 360, then the three row groups
// starting 30, 20 and 20 below the last line, 15 apart.
const ModelCase kaCases[] = {
    {"VaroGauss",
     {1234.5, -2.5, 2.25, -3.25e-7, 40.0, 0.01}, // amplitude, mean, variance
     {{10, 380, "No. gaussians: 2"},
      {10, 330, "  A1=      1.23e+03"},
      {10, 315, "  A2=     -3.25e-07"},
      {10, 295, "  M1=     -2.50e+00"},
      {10, 280, "  M2=      4.00e+01"},
      {10, 260, "  S1=      1.50e+00"},
      {10, 245, "  S1/M1=     -0.6"},
      {10, 230, "  S2=      1.00e-01"},
      {10, 215, "  S2/M2=   0.0025"}}},
    {"VaroExp",
     {1234.5, 0.04, -7.0, 0.0}, // amplitude, rate; a zero rate shows Tau 1e300
     {{10, 380, "No. exponentials: 2"},
      {10, 330, "  A1=   1.23e+03"},
      {10, 315, "  A2=  -7.00e+00"},
      {10, 295, "  T1=   2.50e+01"},
      {10, 280, "  T2=  1.00e+300"},
      {10, 260, "  G1=   4.00e-02"},
      {10, 245, "  G2=   0.00e+00"}}},
};

const ModelCase *ProgramCaseFind() {
    for (const ModelCase &c : kaCases) {
        if (std::strcmp(c.pszProgramName, gDemoModel.pszProgramName) == 0) {
            return &c;
        }
    }
    return nullptr;
}

// Fills gDemoState for a ready fit of two terms over four rows (chi 3) whose
// fit object holds adParams, with the information panel in iWindow.
void InfoPanelStatePrepare(int iWindow, const std::vector<double> &adParams) {
    std::memset(&gDemoState, 0, sizeof gDemoState);
    PanelWindow &panel = gDemoState.aPanels[kInfoPanel];
    panel.iWindow = iWindow;
    std::memcpy(panel.afColour, kafPanelColour, sizeof kafPanelColour);
    gDemoState.modelData.iNoTerms = 2;
    gDemoState.modelData.iNoPoints = 4;
    gDemoState.dResNorm = 6.0;
    gDemoState.iFitState = kFitReady;
    VaroHandle &iHandle = gDemoState.iHandle;
    const int iNoParams = static_cast<int>(adParams.size());
    ASSERT_EQ(VaroObjectCreate(&iHandle), 0);
    ASSERT_EQ(VaroNoModelsSet(iHandle, 1), 0);
    ASSERT_EQ(VaroNoModelParamsSet(iHandle, 1, iNoParams), 0);
    for (int i = 1; i <= iNoParams; ++i) {
        ASSERT_EQ(VaroParamIniValueSet(iHandle, 1, i, adParams[i - 1]), 0);
    }
}

TEST(InfoRowsTest, InfoPanelShowsTheProgramsParameterRows) {
    const ModelCase *pCase = ProgramCaseFind();
    ASSERT_NE(pCase, nullptr) << "no rows expected for " << gDemoModel.pszProgramName;
    SCOPED_TRACE(pCase->pszProgramName);
    ASSERT_EQ(2 * gDemoModel.iParamsPerTerm, static_cast<int>(pCase->adParams.size()));
    gltest::TestWindow window(201, 400);
    InfoPanelStatePrepare(window.Id(), pCase->adParams);
    testing::internal::CaptureStdout();
    InfoPanelDisplay();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    const PixelBlock shown = PixelBlock::ShownWindowRead();
    VaroObjectDelete(gDemoState.iHandle);
    std::memset(&gDemoState, 0, sizeof gDemoState);

    std::vector<TextLine> lines = pCase->lines;
    lines.insert(lines.end(), {{10, 360, "Chi-value: 3.00e+00"},
                               {15, 60, "Press right mouse"},
                               {15, 45, "button to activate"},
                               {15, 30, "     menu"}});
    EXPECT_EQ(shown.DifferingFrom(InfoPanelTextsShow(kafPanelColour, lines)), 0);
}

} // namespace
