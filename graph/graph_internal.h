// Pieces of the graph widget shared between its source files.
#ifndef VARO_GRAPH_GRAPH_INTERNAL_H
#define VARO_GRAPH_GRAPH_INTERNAL_H

#include "graph/graph.h"

namespace graph {

// Value range of one axis, held in single precision while drawing.
struct AxisRange {
    float fMin;
    float fMax;
};

// Everything a draw needs besides the record: the window size and both ranges.
struct PlotFrame {
    int iWidth;
    int iHeight;
    AxisRange xRange;
    AxisRange yRange;
};

// True once glutInit has run; GLUT ends the program when most of its functions
// are called before that, so every entry point asks first.
bool GlutIsInitialised();

// The frame elements drawn in window pixels: tick labels, title and caption.
void TickLabelsDraw(const Graph &graph, const PlotFrame &frame);
void TitlesDraw(const Graph &graph, const PlotFrame &frame);

// The frame elements drawn in data units inside the plot area.
void AxesDraw(const Graph &graph, const PlotFrame &frame);
void TicksAndGridDraw(const Graph &graph, const PlotFrame &frame);

} // namespace graph

#endif
