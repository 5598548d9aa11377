// Fits the tests of the drawing layer draw: a model fitted to rows made from
// a function with a fixed pattern of noise.
#ifndef VARO_PLOTS_TESTS_PLOT_FITS_H
#define VARO_PLOTS_TESTS_PLOT_FITS_H

#include <functional>
#include <string>

#include "models/data_file.h"
#include "models/fit_driver.h"
#include "models/model.h"

struct PlotFit {
    Model model;
    DataRows rows;
    FitOutcome outcome;
};

// iNoRows rows at x evenly from dLow to dHigh, y = Truth(x) plus
// dNoise times a fixed pattern in [-1, 1], and sigma dNoise (none when 0),
// fitted with the model text from automatic starts.
PlotFit PlotFitRun(const std::string &modelText, const std::function<double(double)> &Truth,
                   double dLow, double dHigh, int iNoRows, double dNoise);

#endif
