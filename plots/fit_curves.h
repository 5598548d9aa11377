// What the picture of one fit shows, in data units: the rows read, the
// fitted curve (the last iterate after a fit that failed), its 95 %
// confidence band, each term, the baseline and the residuals. Computed from
// the model, the rows and the fit driver's outcome; no drawing here.
#ifndef VARO_PLOTS_FIT_CURVES_H
#define VARO_PLOTS_FIT_CURVES_H

#include <vector>

#include "models/data_file.h"
#include "models/fit_driver.h"
#include "models/model.h"

// Points of the curves across the rows' x range.
constexpr int kCurvePoints = 800;
// The probability of the confidence band.
constexpr double kBandLevel = 0.95;

// How the residuals are scaled.
enum class ResidualScale {
    kPlain,    // data - fit (every weight 1)
    kSigma,    // (data - fit) / sigma
    kWeighted, // weight * (data - fit), weights read from the file
};

struct FitCurves {
    // The rows read; adSigma (1 / weight) only when the file gives standard
    // deviations. A row of weight 0 was not fitted (abFitted 0).
    std::vector<double> adX, adY, adSigma;
    std::vector<char> abFitted;
    // The curves at adGridX, kCurvePoints x values evenly across the rows;
    // all empty when the fit reached no values.
    std::vector<double> adGridX, adFit;
    // Half the width of the confidence band at adGridX: Student's t quantile
    // of (1 + kBandLevel) / 2 at the degrees of freedom times
    // sqrt(diag(J C J^T)), J the model's derivatives by the parameters
    // (central differences where it has none) and C the covariance. Empty
    // when the outcome has no covariance or no degrees of freedom.
    std::vector<double> adBand;
    // Each term other than baselines, on top of the baseline, when the model
    // has two or more of them (a lone term is the fitted curve itself); the
    // sum of the baseline terms when the model has one beside other terms.
    std::vector<std::vector<double>> terms;
    std::vector<double> adBaseline;
    // The residuals of the rows fitted, at their x, scaled as residualScale
    // says; what chi-square sums the squares of.
    std::vector<double> adResidualX, adResidual;
    ResidualScale residualScale = ResidualScale::kPlain;
};

// The curves of model fitted to rows with outcome; the band, the terms and
// the baseline only when bParts (a thumbnail shows the data, the fit and the
// residuals alone). The model is the one the fit was given: the outcome's
// domain is set on a copy where a term uses one.
FitCurves FitCurvesCompute(const Model &model, const DataRows &rows, const FitOutcome &outcome,
                           bool bParts);

#endif
