// Axes of the pictures drawn without a display: a range with round tick
// values, a panel that maps data to picture coordinates, and the binning of
// many points into one stroke per column of the picture.
#ifndef VARO_PLOTS_PLOT_SCALE_H
#define VARO_PLOTS_PLOT_SCALE_H

#include <span>
#include <string>
#include <vector>

// The range an axis shows and its ticks, 1, 2 or 5 times a power of ten
// apart, all inside the range.
struct AxisScale {
    double dLow = 0.0;
    double dHigh = 1.0;
    double dTickStep = 0.5;
    std::vector<double> adTicks;
};

// An axis over [dLow, dHigh], widened by dPadding times its width on each
// side, with about iNoTicks ticks. A range of no width gets one around its
// value; one that is not finite shows [0, 1].
AxisScale AxisScaleMake(double dLow, double dHigh, double dPadding, int iNoTicks);

// A tick's label: as many decimals as the step needs, no more; exponent
// form for very large or small numbers.
std::string TickLabel(double dValue, double dStep);

// A rectangle of the picture (left, top, width and height in picture units,
// y growing downwards) showing x and y over their scales.
struct PanelFrame {
    double dLeft = 0.0;
    double dTop = 0.0;
    double dWidth = 1.0;
    double dHeight = 1.0;
    AxisScale x;
    AxisScale y;

    // Picture coordinates of a data point; values far outside the panel are
    // brought to within a few panel sizes of it, so that a curve that
    // overflows still draws as a steep line and never leaves the range the
    // drawing library computes in. NaN stays NaN.
    double XMap(double dX) const;
    double YMap(double dY) const;
};

// Points binned by the picture column of their x: the least and the largest
// y of each column that holds any, at the x of the column's middle (all in
// data units). For points too many to draw one by one.
struct ColumnSpan {
    double dX;
    double dYLow;
    double dYHigh;
};
std::vector<ColumnSpan> PointColumnsBin(std::span<const double> adX, std::span<const double> adY,
                                        const PanelFrame &frame);

#endif
