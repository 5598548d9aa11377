// The widget called before glutInit: GLUT would end the program, so the
// widget must notice and draw nothing.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

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

} // namespace
