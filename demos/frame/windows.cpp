// The main window with its three panels, the menus, the keys and the layout
// after a reshape.
#include <cstdio>
#include <cstdlib>

#include <GL/glut.h>

#include "demos/frame/demo_model.h"
#include "demos/frame/frame.h"
#include "demos/frame/panels.h"

namespace {

constexpr int kInfoPanelPixels = 200;
constexpr int kTitleBufferSize = 128;
constexpr unsigned char kKeyEscape = 27;

// Main menu values.
constexpr int kMenuStartFitting = 2;
constexpr int kMenuQuit = 3;

struct PanelLayout {
    float fX, fY, fHeight;
    float afColour[3];
    void (*Display)();
};

// Creation layout in panel order; widths follow from the information panel's
// fixed share of the window.
constexpr PanelLayout aPanelLayouts[kNoPanels] = {
    {0.0f, 0.0f, 0.7f, {0.2f, 0.2f, 0.25f}, CurvePanelDisplay},
    {0.0f, 0.7f, 0.3f, {0.2f, 0.25f, 0.2f}, ResidualPanelDisplay},
    {0.6f, 0.0f, 1.0f, {0.25f, 0.2f, 0.2f}, InfoPanelDisplay},
};

char acTitle[kTitleBufferSize];

// Pixel count of a window size times a single-precision fraction, the
// product formed in double precision and truncated toward zero.
int Truncated(int iSize, float fFraction) {
    return static_cast<int>(static_cast<double>(iSize) * fFraction);
}

void PanelCreate(int iPanel, float fInfoShare) {
    const PanelLayout &layout = aPanelLayouts[iPanel];
    PanelWindow &panel = gDemoState.aPanels[iPanel];
    panel.fX = layout.fX;
    panel.fY = layout.fY;
    panel.fWidth = iPanel == kInfoPanel ? fInfoShare : 1.0f - fInfoShare;
    panel.fHeight = layout.fHeight;
    for (int iColour = 0; iColour < 3; iColour++) {
        panel.afColour[iColour] = layout.afColour[iColour];
    }
    const int iW = gDemoState.iWindowWidth;
    const int iH = gDemoState.iWindowHeight;
    panel.iWindow = glutCreateSubWindow(gDemoState.iMainWindow, Truncated(iW, panel.fX),
                                        Truncated(iH, panel.fY), Truncated(iW, panel.fWidth),
                                        Truncated(iH, panel.fHeight));
    glutDisplayFunc(layout.Display);
    MenusCreate();
    gDemoState.iNoPanels++;
}

void ProgramQuit() {
    VaroObjectDelete(gDemoState.iHandle);
    std::exit(0);
}

} // namespace

void WindowsCreate(const char *pszDataFile) {
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGB);
    glutInitWindowSize(gDemoState.iWindowWidth, gDemoState.iWindowHeight);
    std::snprintf(acTitle, sizeof acTitle, "Brenvik VARO demo: multi%s fit. File: %s",
                  gDemoModel.pszTitleModel, pszDataFile);
    gDemoState.iMainWindow = glutCreateWindow(acTitle);
    MenusCreate();
    glutDisplayFunc(MainWindowDisplay);
    glutReshapeFunc(WindowReshape);
    glutKeyboardFunc(KeyPressed);
    const float fInfoShare = static_cast<float>(kInfoPanelPixels) / gDemoState.iWindowWidth;
    for (int iPanel = 0; iPanel < kNoPanels; iPanel++) {
        PanelCreate(iPanel, fInfoShare);
    }
}

void MenusCreate() {
    int iProblemMenu = glutCreateMenu(ProblemMenuSelect);
    for (int iEntry = 0; iEntry < kNoProblemEntries; iEntry++) {
        glutAddMenuEntry(gDemoModel.apszProblemEntries[iEntry], iEntry + 1);
    }
    glutCreateMenu(MainMenuSelect);
    glutAddSubMenu("Problem", iProblemMenu);
    glutAddMenuEntry("Start fitting", kMenuStartFitting);
    glutAddMenuEntry("Quit", kMenuQuit);
    glutAttachMenu(GLUT_RIGHT_BUTTON);
}

void PanelsRedraw() {
    CurvePanelDisplay();
    ResidualPanelDisplay();
    InfoPanelDisplay();
}

void ProblemMenuSelect(int iValue) {
    gDemoState.modelData.iNoTerms = iValue;
    ProblemSetUp();
    gDemoState.iFitState = kFitReady;
    PanelsRedraw();
    glutPostRedisplay();
}

void MainMenuSelect(int iValue) {
    if (iValue == kMenuStartFitting) {
        FitRun();
    } else if (iValue == kMenuQuit) {
        ProgramQuit();
    }
}

void KeyPressed(unsigned char cKey, int /*iX*/, int /*iY*/) {
    if (cKey == kKeyEscape) {
        ProgramQuit();
    } else if (cKey == 's') {
        FitRun();
    } else if (cKey == 'm') {
        MenuHelpPrint();
    } else {
        std::printf("No action for the key '%c', press 'm' for menu\n", cKey);
    }
}

void PanelGeometryCompute(PanelWindow *pPanel, int iPanel, int iWidth, int iHeight) {
    const float fInfoShare = static_cast<float>(kInfoPanelPixels) / iWidth;
    pPanel->iX = Truncated(iWidth, pPanel->fX);
    pPanel->iY = Truncated(iHeight, pPanel->fY);
    pPanel->iHeight = Truncated(iHeight, pPanel->fHeight);
    if (iPanel == kInfoPanel) {
        // keeps about 200 pixels against the right edge whatever the width
        pPanel->iWidth = static_cast<int>(static_cast<double>(iWidth) * fInfoShare + 1);
        pPanel->iX = iWidth - pPanel->iWidth;
    } else {
        pPanel->iWidth = Truncated(iWidth, 1 - fInfoShare);
    }
}

void WindowReshape(int iWidth, int iHeight) {
    gDemoState.iWindowWidth = iWidth;
    gDemoState.iWindowHeight = iHeight;
    if (iWidth == 0 || iHeight == 0) {
        return;
    }
    for (int iPanel = 0; iPanel < gDemoState.iNoPanels; iPanel++) {
        PanelWindow &panel = gDemoState.aPanels[iPanel];
        PanelGeometryCompute(&panel, iPanel, iWidth, iHeight);
        glutSetWindow(panel.iWindow);
        glutPositionWindow(panel.iX, panel.iY);
        glutReshapeWindow(panel.iWidth, panel.iHeight);
    }
}
