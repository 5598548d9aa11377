// Opens a 530 x 400 window with the three panels laid out as the demo
// programs lay them out, drawing a prepared four-gaussian problem, and ends
// after the number of seconds given as its argument (default 5), so that a
// screenshot can be taken meanwhile (scripts/panels-screenshot).
#include <GL/freeglut.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "demos/frame/panels.h"
#include "demos/frame/tests/panel_problem.h"

namespace {

struct PanelPlacement {
    int iX, iY, iWidth, iHeight;
    float afColour[3];
    void (*Display)();
};

constexpr PanelPlacement aPlacements[kNoPanels] = {
    {0, 0, 329, 279, {0.2f, 0.2f, 0.25f}, CurvePanelDisplay},
    {0, 279, 329, 120, {0.2f, 0.25f, 0.2f}, ResidualPanelDisplay},
    {329, 0, 201, 400, {0.25f, 0.2f, 0.2f}, InfoPanelDisplay},
};

void PreviewEnd(int) {
    VaroObjectDelete(gDemoState.iHandle);
    std::exit(0);
}

} // namespace

int main(int argc, char **argv) {
    glutInit(&argc, argv);
    const int iSeconds = (argc > 1) ? std::atoi(argv[1]) : 5;
    if (PanelProblemPrepare(4) != 0) {
        std::printf("VARO API error: '%s'\n", VaroErrorStringGet(gDemoState.iHandle));
        return 1;
    }
    gDemoState.iFitState = kFitFinished;
    gDemoState.iCurIteration = 12;
    gDemoState.lEndClock = 2300;
    gDemoState.dResNorm = 5.4;
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGB);
    glutInitWindowPosition(0, 0);
    glutInitWindowSize(530, 400);
    gDemoState.iMainWindow = glutCreateWindow("Display panels");
    glutDisplayFunc(MainWindowDisplay);
    for (int iPanel = 0; iPanel < kNoPanels; ++iPanel) {
        const PanelPlacement &placement = aPlacements[iPanel];
        PanelWindow &panel = gDemoState.aPanels[iPanel];
        panel.iWindow = glutCreateSubWindow(gDemoState.iMainWindow, placement.iX, placement.iY,
                                            placement.iWidth, placement.iHeight);
        std::copy(placement.afColour, placement.afColour + 3, panel.afColour);
        glutDisplayFunc(placement.Display);
        gDemoState.iNoPanels++;
    }
    glutTimerFunc(static_cast<unsigned>(iSeconds) * 1000u, PreviewEnd, 0);
    glutMainLoop();
    return 0;
}
