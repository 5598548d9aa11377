// GraphDraw drawing into a real window, checked by reading the pixels back.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "graph/graph.h"
#include "graph/tests/gl_test_support.h"

namespace {

using gltest::Area;
using gltest::kBlack;
using gltest::kWhite;
using gltest::kYellow;
using gltest::PixelBlock;
using gltest::TestWindow;

// A window whose plot area, with the default margins, is 200 x 200 pixels:
// columns 40..239 and rows 30..229.
constexpr int kWidth = 255;
constexpr int kHeight = 250;
constexpr Area kPlotArea{40, 30, 240, 230};

struct Series {
    std::vector<double> adX;
    std::vector<double> adY;
};

int SeriesDraw(Graph &graph, const Series &series) {
    return GraphDraw(&graph, series.adX.data(), series.adY.data(),
                     static_cast<int>(series.adX.size()));
}

Graph GraphWithRange(double dXMin, double dXMax, double dYMin, double dYMax) {
    Graph graph;
    GraphInit(&graph);
    graph.dXMin = dXMin;
    graph.dXMax = dXMax;
    graph.dYMin = dYMin;
    graph.dYMax = dYMax;
    return graph;
}

// Pixel of a data point in a plot area of kPlotArea over the given ranges.
int ColumnOf(double dX, double dMin, double dMax) {
    return kPlotArea.iX0 + static_cast<int>((dX - dMin) / (dMax - dMin) * 200.0);
}
int RowOf(double dY, double dMin, double dMax) {
    return kPlotArea.iY0 + static_cast<int>((dY - dMin) / (dMax - dMin) * 200.0);
}

// True when the colour appears within one pixel of (iX, iY).
bool ColourNear(const PixelBlock &block, gltest::Rgb colour, int iX, int iY) {
    return block.Count(colour, {iX - 1, iY - 1, iX + 2, iY + 2}) > 0;
}

TEST(GraphDrawWindowSize, SmallWindowsDrawNothing) {
    struct Case {
        const char *pszName;
        int iWidth, iHeight;
        int iMargin; // all four margins; -1 keeps the defaults
        int iExpectedRc;
        bool bSeriesShown;
    };
    const Case aCases[] = {
        {"49 wide", 49, 100, 5, GRAPH_WINDOW_TOO_SMALL, false},
        {"49 high", 100, 49, 5, GRAPH_WINDOW_TOO_SMALL, false},
        {"50 by 50", 50, 50, 5, GRAPH_OK, true},
        // The default margins leave no plot area: labels and titles only.
        {"50 by 50 with default margins", 50, 50, -1, GRAPH_OK, false},
    };
    const Series series{{0.0, 1.0}, {0.0, 1.0}};
    for (const Case &c : aCases) {
        SCOPED_TRACE(c.pszName);
        TestWindow window(c.iWidth, c.iHeight);
        Graph graph;
        GraphInit(&graph);
        if (c.iMargin >= 0) {
            graph.iMarginLeft = graph.iMarginRight = c.iMargin;
            graph.iMarginBottom = graph.iMarginTop = c.iMargin;
        }
        std::snprintf(graph.acXTitle, sizeof graph.acXTitle, "Caption");
        EXPECT_EQ(SeriesDraw(graph, series), c.iExpectedRc);
        const PixelBlock block = PixelBlock::CurrentWindowRead();
        const int iDrawn = block.Width() * block.Height() - block.CountAll(kBlack);
        EXPECT_EQ(iDrawn > 0, c.iExpectedRc == GRAPH_OK);
        EXPECT_EQ(block.CountAll(kYellow) > 0, c.bSeriesShown);
        if (c.iExpectedRc != GRAPH_OK) {
            EXPECT_EQ(graph.dXMax, 0.0) << "range written back without drawing";
        }
    }
}

TEST(GraphDrawArguments, InvalidArgumentsDrawNothing) {
    TestWindow window(kWidth, kHeight);
    const double adValues[] = {1.0, 2.0};
    Graph graph;
    GraphInit(&graph);
    EXPECT_EQ(GraphDraw(nullptr, adValues, adValues, 2), GRAPH_INVALID_ARGUMENT);
    EXPECT_EQ(GraphDraw(&graph, adValues, adValues, -1), GRAPH_INVALID_ARGUMENT);
    EXPECT_EQ(GraphDraw(&graph, nullptr, adValues, 2), GRAPH_INVALID_ARGUMENT);
    EXPECT_EQ(GraphDraw(&graph, adValues, nullptr, 2), GRAPH_INVALID_ARGUMENT);
    EXPECT_EQ(PixelBlock::CurrentWindowRead().CountOther(kBlack, {0, 0, kWidth, kHeight}), 0);
    EXPECT_EQ(GraphDraw(&graph, nullptr, nullptr, 0), GRAPH_OK);
}

TEST(GraphDrawSeries, DataColourWhereTheSeriesLies) {
    struct Case {
        const char *pszName;
        int iDrawPoints, iDrawLines;
        bool bAtPoints, bBetweenPoints;
    };
    const Case aCases[] = {
        {"line only", 0, 1, true, true},
        {"points only", 1, 0, true, false},
        {"points and line", 1, 1, true, true},
        {"neither", 0, 0, false, false},
    };
    const Series series{{1.0, 9.0}, {1.0, 9.0}};
    for (const Case &c : aCases) {
        SCOPED_TRACE(c.pszName);
        TestWindow window(kWidth, kHeight);
        Graph graph = GraphWithRange(0.0, 10.0, 0.0, 10.0);
        graph.iAxisWidth = 0;
        graph.fPointSize = 5.0f;
        graph.iDrawPoints = c.iDrawPoints;
        graph.iDrawLines = c.iDrawLines;
        ASSERT_EQ(SeriesDraw(graph, series), GRAPH_OK);
        const PixelBlock block = PixelBlock::CurrentWindowRead();
        EXPECT_EQ(ColourNear(block, kYellow, ColumnOf(1, 0, 10), RowOf(1, 0, 10)), c.bAtPoints);
        EXPECT_EQ(ColourNear(block, kYellow, ColumnOf(9, 0, 10), RowOf(9, 0, 10)), c.bAtPoints);
        EXPECT_EQ(ColourNear(block, kYellow, ColumnOf(5, 0, 10), RowOf(5, 0, 10)),
                  c.bBetweenPoints);
        EXPECT_EQ(block.CountAll(kYellow) > 0, c.bAtPoints);
    }
}

TEST(GraphDrawAxes, AxesThroughTheDataOrigin) {
    struct Case {
        const char *pszName;
        double dXMin, dXMax, dYMin, dYMax;
        bool bYAxis, bXAxis; // vertical line at x = 0, horizontal line at y = 0
    };
    const Case aCases[] = {
        {"origin inside", -1.0, 1.0, -1.0, 1.0, true, true},
        {"origin off to the side", 1.0, 2.0, 1.0, 2.0, false, false},
        {"only y = 0 inside", 1.0, 2.0, -1.0, 3.0, false, true},
        {"only x = 0 inside", -3.0, 1.0, 1.0, 2.0, true, false},
    };
    for (const Case &c : aCases) {
        SCOPED_TRACE(c.pszName);
        TestWindow window(kWidth, kHeight);
        Graph graph = GraphWithRange(c.dXMin, c.dXMax, c.dYMin, c.dYMax);
        graph.iGridMode = 2;
        graph.iDrawLines = 0;
        ASSERT_EQ(GraphDraw(&graph, nullptr, nullptr, 0), GRAPH_OK);
        const PixelBlock block = PixelBlock::CurrentWindowRead();
        const int iColumn = ColumnOf(0.0, c.dXMin, c.dXMax);
        const int iRow = RowOf(0.0, c.dYMin, c.dYMax);
        const int iWhite = block.Count(kWhite, kPlotArea);
        if (c.bYAxis) {
            EXPECT_GE(block.Count(kWhite, {iColumn - 1, kPlotArea.iY0, iColumn + 2, kPlotArea.iY1}),
                      190);
        }
        if (c.bXAxis) {
            EXPECT_GE(block.Count(kWhite, {kPlotArea.iX0, iRow - 1, kPlotArea.iX1, iRow + 2}), 190);
        }
        // Nothing white in the plot area apart from the visible axes.
        const int iAxes = (c.bYAxis ? 200 : 0) + (c.bXAxis ? 200 : 0);
        EXPECT_LE(iWhite, iAxes * 3 / 2);
        EXPECT_GE(iWhite, iAxes * 9 / 10);
    }
}

// The white pixels of the plot area split into those near the axes of a
// -1 .. 1 by -1 .. 1 plot and those elsewhere.
struct GridPixels {
    int iTicks;      // rows 2..5 below the x axis, away from the y axis
    int iOffAxes;    // more than 5 pixels from both axes
    int iDottedLine; // on the vertical grid line of division 1, above the x axis
};

GridPixels GridPixelsCount(const PixelBlock &block) {
    const int iAxisColumn = ColumnOf(0.0, -1.0, 1.0);
    const int iAxisRow = RowOf(0.0, -1.0, 1.0);
    GridPixels pixels{};
    pixels.iTicks =
        block.Count(kWhite, {kPlotArea.iX0, iAxisRow - 5, iAxisColumn - 5, iAxisRow - 1});
    for (int iY = kPlotArea.iY0; iY < kPlotArea.iY1; ++iY) {
        for (int iX = kPlotArea.iX0; iX < kPlotArea.iX1; ++iX) {
            const bool bOff = std::abs(iX - iAxisColumn) > 5 && std::abs(iY - iAxisRow) > 5;
            pixels.iOffAxes += (bOff && block.At(iX, iY) == kWhite) ? 1 : 0;
        }
    }
    // The upper half of the line, clear of the x axis: 95 rows.
    const int iLineColumn = ColumnOf(-0.8, -1.0, 1.0);
    pixels.iDottedLine =
        block.Count(kWhite, {iLineColumn - 1, iAxisRow + 5, iLineColumn + 2, kPlotArea.iY1});
    return pixels;
}

TEST(GraphDrawGrid, GridModesDiffer) {
    struct Case {
        const char *pszName;
        int iGridMode;
        bool bTicks, bGrid;
    };
    const Case aCases[] = {
        {"mode 0: tick marks", 0, true, false},
        {"mode 1: dotted grid", 1, true, true},
        {"mode 2: axes only", 2, false, false},
        {"mode -1: axes only", -1, false, false},
    };
    for (const Case &c : aCases) {
        SCOPED_TRACE(c.pszName);
        TestWindow window(kWidth, kHeight);
        Graph graph = GraphWithRange(-1.0, 1.0, -1.0, 1.0);
        graph.iGridMode = c.iGridMode;
        ASSERT_EQ(GraphDraw(&graph, nullptr, nullptr, 0), GRAPH_OK);
        const GridPixels pixels = GridPixelsCount(PixelBlock::CurrentWindowRead());
        EXPECT_EQ(pixels.iTicks > 0, c.bTicks);
        EXPECT_EQ(pixels.iOffAxes > 0, c.bGrid);
        if (c.bGrid) {
            // A dotted line lights about every other pixel of its 95 rows.
            EXPECT_GE(pixels.iDottedLine, 30);
            EXPECT_LE(pixels.iDottedLine, 65);
        } else {
            EXPECT_EQ(pixels.iDottedLine, 0);
        }
    }
}

TEST(GraphDrawGrid, AxisWidthDecidesAxesAndLabelsButNotTitles) {
    struct Case {
        const char *pszName;
        int iAxisWidth;
        bool bFrame;
    };
    const Case aCases[] = {
        {"width 1", 1, true},
        {"width 3", 3, true},
        {"width 0", 0, false},
        {"width -1", -1, false},
    };
    const Area kLeftMargin{0, 0, 38, kHeight - 20};
    const Area kTopMargin{40, kHeight - 18, kWidth, kHeight};
    const Area kBottomMargin{40, 0, kWidth, 16};
    for (const Case &c : aCases) {
        SCOPED_TRACE(c.pszName);
        TestWindow window(kWidth, kHeight);
        Graph graph = GraphWithRange(-1.0, 1.0, -1.0, 1.0);
        graph.iAxisWidth = c.iAxisWidth;
        graph.iDrawLines = 0;
        std::snprintf(graph.acPlotTitle, sizeof graph.acPlotTitle, "Plot title");
        std::snprintf(graph.acXTitle, sizeof graph.acXTitle, "Caption");
        ASSERT_EQ(GraphDraw(&graph, nullptr, nullptr, 0), GRAPH_OK);
        const PixelBlock block = PixelBlock::CurrentWindowRead();
        EXPECT_EQ(block.Count(kWhite, kLeftMargin) > 0, c.bFrame) << "y tick labels";
        EXPECT_EQ(block.Count(kWhite, kPlotArea) > 0, c.bFrame) << "axes and ticks";
        EXPECT_GT(block.Count(kWhite, kTopMargin), 0) << "title";
        EXPECT_GT(block.Count(kWhite, kBottomMargin), 0) << "caption";
    }
}

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(GraphDrawRange, FixedRangesKeptAndAutomaticRangesWrittenBack) {
    struct Case {
        const char *pszName;
        Series series;
        double dYMin, dYMax;                 // before the draw
        double dExpectedYMin, dExpectedYMax; // after the draw
    };
    const Case aCases[] = {
        {"fixed range kept", {{0, 1, 2}, {0.0, 5.0, 2.0}}, -1.0, 1.0, -1.0, 1.0},
        {"automatic in single precision",
         {{0, 1, 2}, {0.1, 0.7, 0.3}},
         0.0,
         0.0,
         static_cast<double>(0.1f),
         static_cast<double>(0.7f)},
        {"inverted range is automatic", {{0, 1}, {-2.0, 3.0}}, 1.0, -1.0, -2.0, 3.0},
        {"equal values widened", {{0, 1, 2}, {4.0, 4.0, 4.0}}, 0.0, 0.0, 2.0, 6.0},
        {"single zero widened", {{0}, {0.0}}, 0.0, 0.0, -1.0, 1.0},
        {"non-finite values ignored", {{0, 1, 2, 3}, {1.0, kInf, kNaN, 3.0}}, 0.0, 0.0, 1.0, 3.0},
        {"beyond single precision ignored", {{0, 1, 2}, {1e300, -2.0, 2.0}}, 0, 0, -2.0, 2.0},
        {"empty series writes nothing", {{}, {}}, 0.0, 0.0, 0.0, 0.0},
    };
    for (const Case &c : aCases) {
        SCOPED_TRACE(c.pszName);
        TestWindow window(kWidth, kHeight);
        Graph graph = GraphWithRange(0.0, 0.0, c.dYMin, c.dYMax);
        EXPECT_EQ(SeriesDraw(graph, c.series), GRAPH_OK);
        EXPECT_EQ(graph.dYMin, c.dExpectedYMin);
        EXPECT_EQ(graph.dYMax, c.dExpectedYMax);
    }
}

TEST(GraphDrawRange, LaterDrawsShareTheFirstAutomaticRange) {
    TestWindow window(kWidth, kHeight);
    Graph graph;
    GraphInit(&graph);
    graph.iAxisWidth = 0;
    ASSERT_EQ(SeriesDraw(graph, {{0.0, 10.0}, {0.0, 10.0}}), GRAPH_OK);
    EXPECT_EQ(graph.dXMin, 0.0);
    EXPECT_EQ(graph.dXMax, 10.0);
    // The second series reaches above the first range: its upper half is clipped.
    graph.afDataColor[0] = 0.0f;
    graph.afDataColor[1] = 1.0f;
    graph.afDataColor[2] = 0.0f;
    ASSERT_EQ(SeriesDraw(graph, {{0.0, 20.0}, {5.0, 5.0}}), GRAPH_OK);
    EXPECT_EQ(graph.dXMax, 10.0);
    const PixelBlock block = PixelBlock::CurrentWindowRead();
    const int iRow = RowOf(5.0, 0.0, 10.0);
    EXPECT_GE(block.Count(gltest::kGreen, {kPlotArea.iX0, iRow - 1, kPlotArea.iX1, iRow + 2}), 195);
}

TEST(GraphDrawRange, DegenerateSettingsStillDraw) {
    struct Case {
        const char *pszName;
        int iXDivisions, iXLabelStep;
    };
    const Case aCases[] = {
        {"zero divisions", 0, 2},
        {"zero label step", 10, 0},
        {"negative label step", 10, -3},
    };
    for (const Case &c : aCases) {
        SCOPED_TRACE(c.pszName);
        TestWindow window(kWidth, kHeight);
        Graph graph = GraphWithRange(-1.0, 1.0, -1.0, 1.0);
        graph.iXDivisions = c.iXDivisions;
        graph.iXLabelStep = c.iXLabelStep;
        EXPECT_EQ(GraphDraw(&graph, nullptr, nullptr, 0), GRAPH_OK);
        const PixelBlock block = PixelBlock::CurrentWindowRead();
        EXPECT_GT(block.Count(kWhite, {40, 0, kWidth, 28}), 0) << "x tick labels";
    }
}

} // namespace
