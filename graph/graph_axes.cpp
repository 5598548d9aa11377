// Axes, tick marks and the dotted grid of the graph widget, drawn in data
// units inside the plot area.
#include <GL/gl.h>

#include "graph/graph_internal.h"

namespace graph {
namespace {

constexpr GLushort kGridStipple = 0xAAAA;

void SegmentDraw(float fX1, float fY1, float fX2, float fY2) {
    glBegin(GL_LINES);
    glVertex2f(fX1, fY1);
    glVertex2f(fX2, fY2);
    glEnd();
}

void DottedSegmentDraw(float fX1, float fY1, float fX2, float fY2) {
    glLineWidth(1.0f);
    glLineStipple(1, kGridStipple);
    glEnable(GL_LINE_STIPPLE);
    SegmentDraw(fX1, fY1, fX2, fY2);
    glDisable(GL_LINE_STIPPLE);
}

// Tick marks below the x axis, or vertical grid lines.
void XDivisionsDraw(const Graph &graph, const PlotFrame &frame) {
    const AxisRange &x = frame.xRange;
    const AxisRange &y = frame.yRange;
    const float fTick = static_cast<float>(graph.iTickLength) * (y.fMax - y.fMin) /
                        static_cast<float>(frame.iHeight);
    for (int k = 0; k <= graph.iXDivisions; ++k) {
        const float fX = x.fMin + static_cast<float>(k) * (x.fMax - x.fMin) /
                                      static_cast<float>(graph.iXDivisions);
        if (graph.iGridMode == 0) {
            glLineWidth(static_cast<float>(graph.iAxisWidth));
            SegmentDraw(fX, 0.0f, fX, -fTick);
        } else {
            DottedSegmentDraw(fX, y.fMin, fX, y.fMax);
        }
    }
}

// Tick marks left of the y axis, or horizontal grid lines.
void YDivisionsDraw(const Graph &graph, const PlotFrame &frame) {
    const AxisRange &x = frame.xRange;
    const AxisRange &y = frame.yRange;
    const float fTick = static_cast<float>(graph.iTickLength) * (x.fMax - x.fMin) /
                        static_cast<float>(frame.iWidth);
    for (int k = 0; k <= graph.iYDivisions; ++k) {
        const float fY = y.fMin + static_cast<float>(k) * (y.fMax - y.fMin) /
                                      static_cast<float>(graph.iYDivisions);
        if (graph.iGridMode == 0) {
            glLineWidth(static_cast<float>(graph.iAxisWidth));
            SegmentDraw(0.0f, fY, -fTick, fY);
        } else {
            DottedSegmentDraw(x.fMin, fY, x.fMax, fY);
        }
    }
}

} // namespace

void AxesDraw(const Graph &graph, const PlotFrame &frame) {
    glColor3fv(graph.afAxisColor);
    glLineWidth(static_cast<float>(graph.iAxisWidth));
    glBegin(GL_LINES);
    glVertex2f(frame.xRange.fMin, 0.0f);
    glVertex2f(frame.xRange.fMax, 0.0f);
    glVertex2f(0.0f, frame.yRange.fMin);
    glVertex2f(0.0f, frame.yRange.fMax);
    glEnd();
}

void TicksAndGridDraw(const Graph &graph, const PlotFrame &frame) {
    if (graph.iGridMode != 0 && graph.iGridMode != 1) {
        return;
    }
    glColor3fv(graph.afAxisColor);
    XDivisionsDraw(graph, frame);
    YDivisionsDraw(graph, frame);
}

} // namespace graph
