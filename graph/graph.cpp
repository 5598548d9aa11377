// The graph record's defaults and the drawing of one series: window check,
// range choice, the two coordinate frames and the data itself.
#include <GL/freeglut.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "graph/graph_internal.h"

namespace graph {
namespace {

constexpr int kMinWindowSize = 50;
constexpr float kFloatMax = 3.4028235e38f;

// Double to float without leaving the float range (NaN stays NaN).
float FloatFromDouble(double d) {
    return static_cast<float>(
        std::clamp(d, -static_cast<double>(kFloatMax), static_cast<double>(kFloatMax)));
}

// Smallest and largest finite value of a series, in single precision; an
// empty series gives the inverted start range (kFloatMax, -kFloatMax).
AxisRange SeriesRangeGet(const double *ad, int iCount) {
    AxisRange range{kFloatMax, -kFloatMax};
    for (int i = 0; i < iCount; ++i) {
        if (!std::isfinite(ad[i]) || std::fabs(ad[i]) > static_cast<double>(kFloatMax)) {
            continue;
        }
        const float f = static_cast<float>(ad[i]);
        range.fMin = std::min(range.fMin, f);
        range.fMax = std::max(range.fMax, f);
    }
    return range;
}

// A range of one value cannot be projected; it becomes value -/+ half its
// magnitude (at least 1), kept inside the float range.
AxisRange RangeWidened(AxisRange range) {
    if (range.fMin < range.fMax) {
        return range;
    }
    const float fHalf = std::max(std::fabs(range.fMin) * 0.5f, 1.0f);
    return {std::max(range.fMin - fHalf, -kFloatMax), std::min(range.fMax + fHalf, kFloatMax)};
}

// A fixed range (dMin < dMax) is used as it is; otherwise the data's range is
// used and stored back. Without data the frame is drawn over 0 .. 1 and
// nothing is stored, so a later draw can still take its range from its data.
AxisRange AxisRangeChoose(double &dMin, double &dMax, AxisRange dataRange) {
    if (dMin < dMax) {
        return RangeWidened({FloatFromDouble(dMin), FloatFromDouble(dMax)});
    }
    if (!(dataRange.fMin <= dataRange.fMax)) {
        return {0.0f, 1.0f};
    }
    const AxisRange range = RangeWidened(dataRange);
    dMin = range.fMin;
    dMax = range.fMax;
    return range;
}

// Counts below 1 would divide by zero or never end a label loop.
void SettingsNormalise(Graph &graph) {
    graph.iXDivisions = std::max(graph.iXDivisions, 1);
    graph.iYDivisions = std::max(graph.iYDivisions, 1);
    graph.iXLabelStep = std::max(graph.iXLabelStep, 1);
    graph.iYLabelStep = std::max(graph.iYLabelStep, 1);
}

bool ArgumentsAreValid(const Graph *pGraph, const double *adX, const double *adY, int iCount) {
    return pGraph != nullptr && iCount >= 0 && (iCount == 0 || (adX != nullptr && adY != nullptr));
}

// The current window's size, or false when there is none or it is too small
// to draw in.
bool WindowSizeGet(int &iWidth, int &iHeight) {
    if (!GlutIsInitialised() || glutGetWindow() == 0) {
        return false;
    }
    iWidth = glutGet(GLUT_WINDOW_WIDTH);
    iHeight = glutGet(GLUT_WINDOW_HEIGHT);
    return iWidth >= kMinWindowSize && iHeight >= kMinWindowSize;
}

// Margins that leave no plot area (50 x 50 pixels with the default ones)
// would give an invalid viewport; then only the window-pixel elements appear.
bool PlotAreaExists(const Graph &graph, const PlotFrame &frame) {
    return frame.iWidth - graph.iMarginLeft - graph.iMarginRight >= 1 &&
           frame.iHeight - graph.iMarginBottom - graph.iMarginTop >= 1;
}

void PixelFrameSet(const PlotFrame &frame) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0.0, frame.iWidth, 0.0, frame.iHeight);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glViewport(0, 0, frame.iWidth, frame.iHeight);
}

void PlotFrameSet(const Graph &graph, const PlotFrame &frame) {
    glViewport(graph.iMarginLeft, graph.iMarginBottom,
               frame.iWidth - graph.iMarginLeft - graph.iMarginRight,
               frame.iHeight - graph.iMarginBottom - graph.iMarginTop);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(frame.xRange.fMin, frame.xRange.fMax, frame.yRange.fMin, frame.yRange.fMax);
}

void SeriesVerticesEmit(const double *adX, const double *adY, int iCount) {
    for (int i = 0; i < iCount; ++i) {
        glVertex2f(FloatFromDouble(adX[i]), FloatFromDouble(adY[i]));
    }
}

void PointsDraw(const Graph &graph, const double *adX, const double *adY, int iCount) {
    glPointSize(graph.fPointSize);
    glColor3fv(graph.afDataColor);
    glBegin(GL_POINTS);
    SeriesVerticesEmit(adX, adY, iCount);
    glEnd();
    glDisable(GL_POINT_SMOOTH);
}

void LineDraw(const Graph &graph, const double *adX, const double *adY, int iCount) {
    glColor3fv(graph.afDataColor);
    glLineWidth(1.0f);
    if (graph.iSmoothLines != 0) {
        glEnable(GL_LINE_SMOOTH);
    }
    glBegin(GL_LINE_STRIP);
    SeriesVerticesEmit(adX, adY, iCount);
    glEnd();
    glDisable(GL_LINE_SMOOTH);
}

} // namespace
} // namespace graph

extern "C" int GraphInit(Graph *pGraph) {
    if (pGraph == nullptr) {
        return 0;
    }
    std::memset(pGraph, 0, sizeof *pGraph);
    pGraph->iAxisWidth = 1;
    std::fill_n(pGraph->afAxisColor, 3, 1.0f);
    pGraph->iTickLength = 4;
    pGraph->iXDivisions = 10;
    pGraph->iYDivisions = 10;
    pGraph->iDrawLines = 1;
    pGraph->fPointSize = 1.0f;
    pGraph->afDataColor[0] = 1.0f;
    pGraph->afDataColor[1] = 1.0f;
    pGraph->iMarginLeft = 40;
    pGraph->iMarginRight = 15;
    pGraph->iMarginBottom = 30;
    pGraph->iMarginTop = 20;
    std::strcpy(pGraph->acXLabelFormat, "%.1f");
    std::strcpy(pGraph->acYLabelFormat, "%7.1f");
    pGraph->iXLabelStep = 2;
    pGraph->iYLabelStep = 2;
    return 0;
}

extern "C" int GraphDraw(Graph *pGraph, const double *adX, const double *adY, int iCount) {
    using namespace graph;
    if (!ArgumentsAreValid(pGraph, adX, adY, iCount)) {
        return GRAPH_INVALID_ARGUMENT;
    }
    Graph settings = *pGraph;
    SettingsNormalise(settings);
    PlotFrame frame{};
    if (!WindowSizeGet(frame.iWidth, frame.iHeight)) {
        return GRAPH_WINDOW_TOO_SMALL;
    }
    frame.xRange = AxisRangeChoose(pGraph->dXMin, pGraph->dXMax, SeriesRangeGet(adX, iCount));
    frame.yRange = AxisRangeChoose(pGraph->dYMin, pGraph->dYMax, SeriesRangeGet(adY, iCount));

    PixelFrameSet(frame);
    if (settings.iAxisWidth > 0) {
        TickLabelsDraw(settings, frame);
    }
    TitlesDraw(settings, frame);
    if (!PlotAreaExists(settings, frame)) {
        glMatrixMode(GL_PROJECTION);
        return GRAPH_OK;
    }
    PlotFrameSet(settings, frame);
    if (settings.iAxisWidth > 0) {
        AxesDraw(settings, frame);
        TicksAndGridDraw(settings, frame);
    }
    if (settings.iDrawPoints == 1) {
        PointsDraw(settings, adX, adY, iCount);
    }
    if (settings.iDrawLines == 1) {
        LineDraw(settings, adX, adY, iCount);
    }
    return GRAPH_OK;
}
