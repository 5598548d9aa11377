/* Graph widget: plots one series of (x, y) points into the current GLUT window
 * with immediate-mode OpenGL, and writes bitmap text.
 *
 * A plot consists of a plot area inside fixed pixel margins, optional axes
 * through the data origin with tick marks or a dotted grid, numeric tick labels
 * in the margins, a title above the plot area, a caption at the bottom left of
 * the window, and the series as points, as a connected line, or both.
 *
 * Usage: fill a Graph record with GraphInit, change the fields you need and
 * call GraphDraw once per series. Several series share one set of axes when
 * they are drawn in a row with the same record: the first draw whose range is
 * automatic writes that range back into the record, and the later draws use it
 * as a fixed range. The widget owns no window and keeps no state between calls
 * apart from what GraphDraw writes back into the record.
 *
 * All functions run on the GLUT thread only, inside display callbacks or code
 * called from them. */
#ifndef VARO_GRAPH_GRAPH_H
#define VARO_GRAPH_GRAPH_H

#ifdef __cplusplus
extern "C" {
#endif

/* Return codes of GraphDraw. */
#define GRAPH_OK 0               /* drawn */
#define GRAPH_WINDOW_TOO_SMALL 1 /* window under 50 x 50 pixels, or none: nothing drawn */
#define GRAPH_INVALID_ARGUMENT 2 /* null record, negative count, or null arrays: nothing drawn */

/* Description of one plot. Owned by the caller, as a rule a local of one
 * display callback initialised with GraphInit at every redraw. Colours are
 * red, green, blue in 0.0 .. 1.0. Defaults are those stored by GraphInit. */
typedef struct Graph {
    int iAxisWidth;          /* line width in pixels of axes and ticks; <= 0: no axes, ticks,
                                grid or tick labels (default 1) */
    float afAxisColor[3];    /* axes, ticks, grid, tick labels, title, caption (white) */
    int iTickLength;         /* tick mark length in pixels of the whole window (4) */
    int iXDivisions;         /* divisions of the x range; ticks and grid at 0..iXDivisions (10) */
    int iYDivisions;         /* the same for y (10) */
    int iGridMode;           /* 0: tick marks on the axes; 1: dotted grid across the plot area;
                                other: neither (0) */
    double dXMin, dXMax;     /* fixed x range when dXMin < dXMax; otherwise taken from the data
                                and written back here in single precision (0.0, 0.0) */
    double dYMin, dYMax;     /* the same for y (0.0, 0.0) */
    int iDrawLines;          /* 1: connect the points with a line strip (1) */
    int iSmoothLines;        /* nonzero: antialiased data line (0) */
    int iDrawPoints;         /* 1: draw each point (0) */
    float fPointSize;        /* point size in pixels (1.0) */
    float afDataColor[3];    /* colour of points and line (yellow) */
    int iMarginLeft;         /* pixels between the window's left edge and the plot area (40) */
    int iMarginRight;        /* pixels right of the plot area (15) */
    int iMarginBottom;       /* pixels below the plot area (30) */
    int iMarginTop;          /* pixels above the plot area (20) */
    char acXLabelFormat[11]; /* printf format of one x tick label, one double argument
                                ("%.1f") */
    char acYLabelFormat[11]; /* the same for y ("%7.1f") */
    int iXLabelStep;         /* every iXLabelStep-th x division is labelled (2) */
    int iYLabelStep;         /* the same for y (2) */
    char acPlotTitle[255];   /* text above the plot area (empty) */
    char acXTitle[255];      /* caption at the bottom left of the window (empty) */
} Graph;

/* GraphInit: sets every byte of the record to zero, then stores the defaults
 * listed with the fields.
 *   pGraph  O: the record to fill; a null pointer is ignored.
 * Returns 0. */
int GraphInit(Graph *pGraph);

/* GraphDraw: draws one series into the current GLUT window, which the caller
 * has made current (glutSetWindow) and cleared; the caller swaps the buffers
 * afterwards. On return the projection matrix is the current matrix mode and
 * holds the plot area's data frame. When the margins leave no plot area (as
 * the defaults do in a 50 x 50 window) only the tick labels, the title and the
 * caption are drawn.
 *   pGraph  I/O: the plot description. A range whose minimum is not below its
 *           maximum is taken from the data (non-finite values are ignored) and
 *           written back into dXMin/dXMax or dYMin/dYMax in single precision.
 *           A range of one value is widened around that value before it is
 *           written back, so that a later draw with the record has a proper
 *           range. With no data and no fixed range the plot frame is drawn over
 *           0 .. 1 and nothing is written back.
 *   adX     I: x values, indexed 0 .. iCount-1 (plain array, not a RealVector).
 *   adY     I: y values, indexed 0 .. iCount-1.
 *   iCount  I: number of points, 0 or more.
 * Divisions and label steps below 1 are taken as 1. Tick labels longer than
 * 19 characters are cut to 19; a label format that is not a single floating
 * conversion (f, e, g, a in either case, with flags, width and precision)
 * writes no labels. Titles are written as they stand.
 * Returns GRAPH_OK (0) when drawn, GRAPH_WINDOW_TOO_SMALL (1) when the window
 * is narrower or lower than 50 pixels or no GLUT window is current, and
 * GRAPH_INVALID_ARGUMENT (2) for a null record, a negative count, or a null
 * array with a positive count. Nothing is drawn when the result is not 0.
 * Callers print "Graph error %d\n" with a nonzero result and go on. */
int GraphDraw(Graph *pGraph, const double *adX, const double *adY, int iCount);

/* GraphPrintf: writes printf-formatted text with a GLUT bitmap font.
 *   fX, fY     I: start of the text in the current projection's coordinates.
 *   pFont      I: a GLUT bitmap font, e.g. GLUT_BITMAP_9_BY_15.
 *   pszFormat  I: printf format followed by its arguments. The formatted text
 *              is cut to 199 characters.
 * A null font or format, or GLUT not yet initialised, writes nothing. */
void GraphPrintf(float fX, float fY, void *pFont, const char *pszFormat, ...);

#ifdef __cplusplus
}
#endif

#endif
