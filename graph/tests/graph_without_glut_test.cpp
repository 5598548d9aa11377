// The widget called before glutInit: GLUT would end the program, so the
// widget must notice and draw nothing.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cstring>

#include "graph/graph.h"

namespace {

TEST(GraphWithoutGlut, DrawReportsNoWindowAndPrintfWritesNothing) {
    ASSERT_EQ(glutGet(GLUT_INIT_STATE), 0);
    const double adValues[] = {1.0, 2.0, 3.0};
    Graph graph;
    GraphInit(&graph);
    EXPECT_EQ(GraphDraw(&graph, adValues, adValues, 3), GRAPH_WINDOW_TOO_SMALL);
    EXPECT_EQ(graph.dXMin, 0.0);
    EXPECT_EQ(graph.dXMax, 0.0);
    GraphPrintf(0.0f, 0.0f, GLUT_BITMAP_9_BY_15, "%s", "text");
    EXPECT_EQ(glutGet(GLUT_INIT_STATE), 0);
}

// GraphInit needs no window: it only fills the record.
TEST(GraphInitDefaults, OverwriteAnyPreviousContent) {
    Graph graph;
    std::memset(&graph, 0x5a, sizeof graph);
    EXPECT_EQ(GraphInit(&graph), 0);
    EXPECT_EQ(graph.iAxisWidth, 1);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(graph.afAxisColor[i], 1.0f) << "axis colour " << i;
    }
    EXPECT_EQ(graph.iTickLength, 4);
    EXPECT_EQ(graph.iXDivisions, 10);
    EXPECT_EQ(graph.iYDivisions, 10);
    EXPECT_EQ(graph.iGridMode, 0);
    EXPECT_EQ(graph.dXMin, 0.0);
    EXPECT_EQ(graph.dXMax, 0.0);
    EXPECT_EQ(graph.dYMin, 0.0);
    EXPECT_EQ(graph.dYMax, 0.0);
    EXPECT_EQ(graph.iDrawLines, 1);
    EXPECT_EQ(graph.iSmoothLines, 0);
    EXPECT_EQ(graph.iDrawPoints, 0);
    EXPECT_EQ(graph.fPointSize, 1.0f);
    EXPECT_EQ(graph.afDataColor[0], 1.0f);
    EXPECT_EQ(graph.afDataColor[1], 1.0f);
    EXPECT_EQ(graph.afDataColor[2], 0.0f);
    EXPECT_EQ(graph.iMarginLeft, 40);
    EXPECT_EQ(graph.iMarginRight, 15);
    EXPECT_EQ(graph.iMarginBottom, 30);
    EXPECT_EQ(graph.iMarginTop, 20);
    EXPECT_STREQ(graph.acXLabelFormat, "%.1f");
    EXPECT_STREQ(graph.acYLabelFormat, "%7.1f");
    EXPECT_EQ(graph.iXLabelStep, 2);
    EXPECT_EQ(graph.iYLabelStep, 2);
    // The whole title fields are zero, not only their first byte.
    const char acEmpty[sizeof graph.acPlotTitle] = {};
    EXPECT_EQ(std::memcmp(graph.acPlotTitle, acEmpty, sizeof acEmpty), 0);
    EXPECT_EQ(std::memcmp(graph.acXTitle, acEmpty, sizeof acEmpty), 0);
    EXPECT_EQ(graph.acXLabelFormat[sizeof graph.acXLabelFormat - 1], '\0');
}

} // namespace
