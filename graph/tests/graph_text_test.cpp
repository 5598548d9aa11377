// Bitmap text: GraphPrintf, tick labels and titles, measured by where GLUT
// leaves the raster position after the last character.
#include <GL/freeglut.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "graph/graph.h"
#include "graph/tests/gl_test_support.h"

namespace {

using gltest::PixelBlock;
using gltest::TestWindow;

constexpr int kCharWidth = 9; // every character of GLUT_BITMAP_9_BY_15

void PixelProjectionSet(int iWidth, int iHeight) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0.0, iWidth, 0.0, iHeight);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glViewport(0, 0, iWidth, iHeight);
}

float RasterXGet() {
    float afPosition[4] = {};
    glGetFloatv(GL_CURRENT_RASTER_POSITION, afPosition);
    return afPosition[0];
}

TEST(GraphPrintf, WritesTheFormattedTextCutTo199Characters) {
    struct Case {
        const char *pszName;
        std::string text; // written through "%s"
        int iExpectedChars;
    };
    const Case aCases[] = {
        {"short", "abc", 3},
        {"empty", "", 0},
        {"199 characters", std::string(199, 'x'), 199},
        {"200 characters", std::string(200, 'x'), 199},
        {"300 characters", std::string(300, 'x'), 199},
    };
    TestWindow window(300, 100);
    PixelProjectionSet(300, 100);
    for (const Case &c : aCases) {
        SCOPED_TRACE(c.pszName);
        GraphPrintf(0.0f, 50.0f, GLUT_BITMAP_9_BY_15, "%s", c.text.c_str());
        EXPECT_EQ(RasterXGet(), static_cast<float>(c.iExpectedChars * kCharWidth));
    }
}

TEST(GraphPrintf, NullFontOrFormatWritesNothing) {
    TestWindow window(300, 100);
    PixelProjectionSet(300, 100);
    glRasterPos2f(20.0f, 50.0f);
    GraphPrintf(0.0f, 50.0f, nullptr, "%s", "text");
    GraphPrintf(0.0f, 50.0f, GLUT_BITMAP_9_BY_15, nullptr);
    EXPECT_EQ(RasterXGet(), 20.0f);
    EXPECT_EQ(PixelBlock::CurrentWindowRead().CountAll(gltest::kBlack), 300 * 100);
}

// With no titles, the last text a draw writes is the y label of division 10,
// which starts at x = 4.
TEST(GraphTickLabels, LabelsAreFormattedAndCutTo19Characters) {
    struct Case {
        const char *pszName;
        const char *pszFormat;
        const char *pszLastLabel; // null: no label written
    };
    const Case aCases[] = {
        {"default", "%7.1f", "    1.0"},
        {"signed", "%+7.4g", "     +1"},
        {"20 characters cut to 19", "%.14e", "1.00000000000000e+0"},
        {"21 characters cut to 19", "%.15e", "1.000000000000000e+"},
        {"percent escape", "%.1f%%", "1.0%"},
        {"integer conversion refused", "%d", nullptr},
        {"string conversion refused", "%s", nullptr},
        {"two conversions refused", "%f%f", nullptr},
        {"width argument refused", "%*f", nullptr},
    };
    for (const Case &c : aCases) {
        SCOPED_TRACE(c.pszName);
        TestWindow window(200, 200);
        Graph graph;
        GraphInit(&graph);
        graph.dYMin = 0.0;
        graph.dYMax = 1.0;
        graph.iDrawLines = 0;
        std::strcpy(graph.acYLabelFormat, c.pszFormat);
        glRasterPos2f(0.0f, 0.0f);
        ASSERT_EQ(GraphDraw(&graph, nullptr, nullptr, 0), GRAPH_OK);
        const PixelBlock block = PixelBlock::CurrentWindowRead();
        const int iLeftMarginWhite = block.Count(gltest::kWhite, {0, 25, 38, 200});
        if (c.pszLastLabel == nullptr) {
            EXPECT_EQ(iLeftMarginWhite, 0);
            continue;
        }
        EXPECT_GT(iLeftMarginWhite, 0);
        const auto *pucLabel = reinterpret_cast<const unsigned char *>(c.pszLastLabel);
        EXPECT_EQ(RasterXGet(), 4.0f + glutBitmapLength(GLUT_BITMAP_TIMES_ROMAN_10, pucLabel));
    }
}

// First columns (or rows) of the runs of columns (rows) of the area that hold
// white pixels, gaps of up to 5 empty lines (between characters) bridged: one
// run per label when the labels stand apart.
std::vector<int> WhiteRunStarts(const PixelBlock &block, gltest::Area area, bool bColumns) {
    constexpr int kMaxGap = 5;
    std::vector<int> aiStarts;
    const int iFirst = bColumns ? area.iX0 : area.iY0;
    const int iEnd = bColumns ? area.iX1 : area.iY1;
    int iLastWhite = iFirst - kMaxGap - 2;
    for (int i = iFirst; i < iEnd; ++i) {
        const gltest::Area line = bColumns ? gltest::Area{i, area.iY0, i + 1, area.iY1}
                                           : gltest::Area{area.iX0, i, area.iX1, i + 1};
        if (block.Count(gltest::kWhite, line) == 0) {
            continue;
        }
        if (i - iLastWhite > kMaxGap + 1) {
            aiStarts.push_back(i);
        }
        iLastWhite = i;
    }
    return aiStarts;
}

// A 255 x 250 window has a 200 x 200 plot area with the default margins: ten
// divisions of 20 pixels. x labels start 5 pixels left of their division, y
// labels sit on their division's row.
TEST(GraphTickLabels, LabelsAtEveryStepOfDivisions) {
    struct Case {
        const char *pszName;
        int iLabelStep;
        std::vector<int> aiDivisions; // the labelled divisions
    };
    const Case aCases[] = {
        {"default step 2", 2, {0, 2, 4, 6, 8, 10}},
        {"step 3", 3, {0, 3, 6, 9}},
        {"step 5", 5, {0, 5, 10}},
        {"step above the divisions", 11, {0}},
    };
    for (const Case &c : aCases) {
        SCOPED_TRACE(c.pszName);
        TestWindow window(255, 250);
        Graph graph;
        GraphInit(&graph);
        graph.dXMin = graph.dYMin = 0.0;
        graph.dXMax = graph.dYMax = 10.0;
        graph.iGridMode = 2;
        graph.iDrawLines = 0;
        graph.iXLabelStep = graph.iYLabelStep = c.iLabelStep;
        ASSERT_EQ(GraphDraw(&graph, nullptr, nullptr, 0), GRAPH_OK);
        const PixelBlock block = PixelBlock::CurrentWindowRead();
        const std::vector<int> aiColumns = WhiteRunStarts(block, {0, 0, 255, 29}, true);
        const std::vector<int> aiRows = WhiteRunStarts(block, {0, 25, 38, 250}, false);
        ASSERT_EQ(aiColumns.size(), c.aiDivisions.size());
        ASSERT_EQ(aiRows.size(), c.aiDivisions.size());
        for (size_t i = 0; i < c.aiDivisions.size(); ++i) {
            const int iDivision = c.aiDivisions[i];
            EXPECT_NEAR(aiColumns[i], 40 + 20 * iDivision - 5 + 1, 1) << "x label " << iDivision;
            EXPECT_NEAR(aiRows[i], 30 + 20 * iDivision, 1) << "y label " << iDivision;
        }
    }
}

TEST(GraphTitles, TitlesAreWrittenAsTheyStand) {
    struct Case {
        const char *pszName;
        std::string title;
        int iExpectedChars;
    };
    const Case aCases[] = {
        {"plain", "Weighted residuals", 18},
        {"percent signs are text", "100%d %s %n", 11},
        {"longer than GraphPrintf's buffer", std::string(254, 'a'), 199},
        {"unterminated field", std::string(255, 'a'), 199},
    };
    for (const Case &c : aCases) {
        SCOPED_TRACE(c.pszName);
        TestWindow window(200, 200);
        Graph graph;
        GraphInit(&graph);
        graph.iAxisWidth = 0;
        std::memcpy(graph.acPlotTitle, c.title.data(), c.title.size());
        ASSERT_EQ(GraphDraw(&graph, nullptr, nullptr, 0), GRAPH_OK);
        // The title starts at x = iMarginLeft + 4.
        EXPECT_EQ(RasterXGet(), 44.0f + static_cast<float>(c.iExpectedChars * kCharWidth));
    }
}

} // namespace
