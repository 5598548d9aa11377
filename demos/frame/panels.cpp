// The display callbacks of the main window and of the three panels.
#include "demos/frame/panels.h"

#include <GL/freeglut.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "demos/frame/demo_model.h"
#include "graph/graph.h"

namespace {

void *const kTextFont = GLUT_BITMAP_9_BY_15;
constexpr float kInfoRowHeight = 15.0f;
constexpr int kInfoRowSize = 200; // GraphPrintf writes no more than 199 characters

constexpr float kaafTermColours[][3] = {
    {0.0f, 0.0f, 1.0f}, // term 1: blue
    {0.0f, 1.0f, 0.0f}, // term 2: green
    {1.0f, 0.0f, 1.0f}, // term 3: magenta
    {0.0f, 1.0f, 1.0f}, // term 4: cyan
};
constexpr float kafOtherTermColour[3] = {0.7f, 0.7f, 0.7f};
constexpr float kafDataColour[3] = {1.0f, 0.0f, 0.0f};
constexpr float kafModelColour[3] = {1.0f, 1.0f, 0.0f};
constexpr double kMinResidualRange = 1e-6;

// Space above each group of parameter rows in the information panel.
constexpr float kafInfoGroupGaps[] = {30.0f, 5.0f, 5.0f};

void ColourSet(float afTarget[3], const float afColour[3]) {
    std::copy_n(afColour, 3, afTarget);
}

const float *TermColourGet(int iTerm) {
    constexpr int kNoTermColours = sizeof kaafTermColours / sizeof kaafTermColours[0];
    return iTerm <= kNoTermColours ? kaafTermColours[iTerm - 1] : kafOtherTermColour;
}

// Counts as far as the fixed-size storage holds them.
int PointCountGet(const ModelData &data) {
    return std::clamp(data.iNoPoints, 0, kMaxPoints);
}
int TermCurveCountGet(const ModelData &data) {
    return std::clamp(data.iNoTerms, 0, kMaxTerms);
}

// Makes a window current; false when it has not been created.
bool WindowMakeCurrent(int iWindow) {
    if (iWindow <= 0 || glutGet(GLUT_INIT_STATE) == 0) {
        return false;
    }
    glutSetWindow(iWindow);
    return glutGetWindow() == iWindow;
}

bool PanelStart(int iPanel) {
    const PanelWindow &panel = gDemoState.aPanels[iPanel];
    if (!WindowMakeCurrent(panel.iWindow)) {
        return false;
    }
    glClearColor(panel.afColour[0], panel.afColour[1], panel.afColour[2], 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    return true;
}

void PanelFinish() {
    glutSwapBuffers();
    glutSetCursor(GLUT_CURSOR_LEFT_ARROW);
}

void SeriesDraw(Graph &graph, const double *adY, int iCount) {
    const int iRc = GraphDraw(&graph, gDemoState.modelData.adTime, adY, iCount);
    if (iRc != 0) {
        std::printf("Graph error %d\n", iRc);
    }
}

// Widens [dMin, dMax] by the finite values of ad; bAny tells whether any was.
void RangeWiden(const double *ad, int iCount, double &dMin, double &dMax, bool &bAny) {
    for (int i = 0; i < iCount; ++i) {
        if (!std::isfinite(ad[i])) {
            continue;
        }
        dMin = bAny ? std::min(dMin, ad[i]) : ad[i];
        dMax = bAny ? std::max(dMax, ad[i]) : ad[i];
        bAny = true;
    }
}

// The curve panel's common y range over the data and every term curve; with
// no finite value the range stays automatic.
void CurveRangeSet(Graph &graph, const ModelData &data, int iNoPoints, int iNoTerms) {
    double dMin = 0.0;
    double dMax = 0.0;
    bool bAny = false;
    RangeWiden(data.adData, iNoPoints, dMin, dMax, bAny);
    for (int k = 1; k <= iNoTerms; ++k) {
        RangeWiden(data.aadTerm[k - 1], iNoPoints, dMin, dMax, bAny);
    }
    graph.dYMin = dMin;
    graph.dYMax = dMax;
}

void CurveStyleSet(Graph &graph, const float afColour[3]) {
    ColourSet(graph.afDataColor, afColour);
    graph.iGridMode = 0;
    graph.iAxisWidth = 0;
    graph.fPointSize = 2.0f;
    std::strcpy(graph.acYLabelFormat, "%+7.4g");
}

void TermCurvesDraw(Graph &graph, const ModelData &data, int iNoPoints, int iNoTerms) {
    if (iNoTerms <= 1) {
        return;
    }
    for (int k = 1; k <= iNoTerms; ++k) {
        CurveStyleSet(graph, TermColourGet(k));
        graph.iDrawPoints = 0;
        graph.iDrawLines = 1;
        SeriesDraw(graph, data.aadTerm[k - 1], iNoPoints);
    }
}

void DataPointsDraw(Graph &graph, const ModelData &data, int iNoPoints) {
    CurveStyleSet(graph, kafDataColour);
    graph.iDrawPoints = 1;
    graph.iDrawLines = 0;
    SeriesDraw(graph, data.adData, iNoPoints);
}

// The model curve is drawn last, with the frame: grid, labels and titles.
void ModelCurveDraw(Graph &graph, const ModelData &data, int iNoPoints) {
    ColourSet(graph.afDataColor, kafModelColour);
    graph.iAxisWidth = 1;
    graph.iGridMode = 1;
    graph.iDrawPoints = 0;
    graph.iDrawLines = 1;
    std::strcpy(graph.acPlotTitle, "  Data and fitted curve");
    std::strcpy(graph.acXTitle, "     Time");
    SeriesDraw(graph, data.adModel, iNoPoints);
}

// Largest finite residual magnitude, at least kMinResidualRange.
double ResidualRangeGet(const ModelData &data, int iNoPoints) {
    double dMax = kMinResidualRange;
    for (int i = 0; i < iNoPoints; ++i) {
        const double dAbs = std::fabs(data.adResidual[i]);
        if (std::isfinite(dAbs) && dAbs > dMax) {
            dMax = dAbs;
        }
    }
    return dMax;
}

void PixelProjectionSet(int iWidth, int iHeight) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0.0, iWidth, 0.0, iHeight);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glViewport(0, 0, iWidth, iHeight);
}

// The three groups of parameter rows; returns 0 or the failing library code.
int InfoParamRowsWrite(float &fY) {
    const int iNoTerms = gDemoState.modelData.iNoTerms;
    for (int iGroup = 1; iGroup <= 3; ++iGroup) {
        fY -= kafInfoGroupGaps[iGroup - 1];
        for (int k = 1; k <= iNoTerms; ++k) {
            const int iRc = gDemoModel.InfoRowsWrite(gDemoState.iHandle, iGroup, k, 10.0f, &fY);
            if (iRc != 0) {
                return iRc;
            }
        }
    }
    return 0;
}

void FitStateWrite() {
    const double dElapsed =
        static_cast<double>(gDemoState.lEndClock - gDemoState.lStartClock) / 1000.0;
    switch (gDemoState.iFitState) {
    case kFitReady:
        GraphPrintf(15.0f, 60.0f, kTextFont, "Press right mouse");
        GraphPrintf(15.0f, 45.0f, kTextFont, "button to activate");
        GraphPrintf(15.0f, 30.0f, kTextFont, "     menu");
        break;
    case kFitRunning:
        GraphPrintf(15.0f, 60.0f, kTextFont, "Fit in progress ...");
        GraphPrintf(15.0f, 40.0f, kTextFont, "Iteration %d", gDemoState.iCurIteration);
        GraphPrintf(15.0f, 25.0f, kTextFont, "Elapsed  %.1f sec", dElapsed);
        break;
    case kFitFinished:
        GraphPrintf(15.0f, 60.0f, kTextFont, "   - Finished -");
        GraphPrintf(15.0f, 40.0f, kTextFont, "%d iterations", gDemoState.iCurIteration);
        GraphPrintf(15.0f, 25.0f, kTextFont, "Elapsed  %.1f sec", dElapsed);
        break;
    default:
        break;
    }
}

} // namespace

void MainWindowDisplay() {
    if (!WindowMakeCurrent(gDemoState.iMainWindow)) {
        return;
    }
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glutSwapBuffers();
    glFinish();
    glutSetCursor(GLUT_CURSOR_LEFT_ARROW);
}

void CurvePanelDisplay() {
    if (!PanelStart(kCurvePanel)) {
        return;
    }
    const ModelData &data = gDemoState.modelData;
    const int iNoPoints = PointCountGet(data);
    const int iNoTerms = TermCurveCountGet(data);
    Graph graph;
    GraphInit(&graph);
    CurveRangeSet(graph, data, iNoPoints, iNoTerms);
    TermCurvesDraw(graph, data, iNoPoints, iNoTerms);
    DataPointsDraw(graph, data, iNoPoints);
    ModelCurveDraw(graph, data, iNoPoints);
    PanelFinish();
}

void ResidualPanelDisplay() {
    if (!PanelStart(kResidualPanel)) {
        return;
    }
    const ModelData &data = gDemoState.modelData;
    const int iNoPoints = PointCountGet(data);
    Graph graph;
    GraphInit(&graph);
    graph.iGridMode = 1;
    graph.iDrawPoints = 1;
    graph.iDrawLines = 1;
    graph.iYDivisions = 4;
    std::strcpy(graph.acYLabelFormat, "%+6.4f");
    std::strcpy(graph.acPlotTitle, "  Weighted residuals");
    graph.dYMax = ResidualRangeGet(data, iNoPoints);
    graph.dYMin = -graph.dYMax;
    SeriesDraw(graph, data.adResidual, iNoPoints);
    PanelFinish();
}

void InfoPanelDisplay() {
    if (!PanelStart(kInfoPanel)) {
        return;
    }
    const int iWidth = glutGet(GLUT_WINDOW_WIDTH);
    const int iHeight = glutGet(GLUT_WINDOW_HEIGHT);
    PixelProjectionSet(iWidth, iHeight);
    const ModelData &data = gDemoState.modelData;
    float fY = static_cast<float>(iHeight - 20);
    GraphPrintf(10.0f, fY, kTextFont, gDemoModel.pszTermCount, data.iNoTerms);
    fY -= 20.0f;
    // With no rows read, the norm itself is shown rather than 0/0.
    const double dRootPoints = std::sqrt(static_cast<double>(std::max(PointCountGet(data), 1)));
    GraphPrintf(10.0f, fY, kTextFont, "Chi-value: %7.2e", gDemoState.dResNorm / dRootPoints);
    if (InfoParamRowsWrite(fY) == 0) {
        FitStateWrite();
    }
    PanelFinish();
}

void InfoRowWrite(float fX, float *pfY, const char *pszFormat, ...) {
    char acRow[kInfoRowSize];
    va_list args;
    va_start(args, pszFormat);
    std::vsnprintf(acRow, sizeof acRow, pszFormat, args);
    va_end(args);
    GraphPrintf(fX, *pfY, kTextFont, "%s", acRow);
    *pfY -= kInfoRowHeight;
}
