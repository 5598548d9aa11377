// The picture of one fit, PNG or SVG, drawn with cairo without a display:
// a title with the file's name, its status and reduced chi-square (and the
// message of a fit that failed); a panel of the data (with error bars when
// the file gives sigmas), the 95 % confidence band, the fitted curve (the
// last iterate of a fit that failed), each term and the baseline; below it a
// panel of the residuals.
#ifndef VARO_PLOTS_FIT_PICTURE_H
#define VARO_PLOTS_FIT_PICTURE_H

#include <string>

#include "plots/fit_curves.h"
#include "plots/plot_scale.h"

enum class PictureFormat { kPng, kSvg };

// The picture's size: pixels of a PNG, points of an SVG.
constexpr int kPictureWidth = 800;
constexpr int kPictureHeight = 600;
// Rows up to this many are drawn as dots (with error bars); more as one
// stroke per column of the picture from their least to their largest value.
constexpr int kMaxDots = 2000;

// What the title says.
struct FitCaption {
    std::string name; // the file's name
    int iStatus = 0;  // 0 converged, else the record's status
    std::string message;
    double dReducedChiSquare = 0.0; // NaN when not available
};

// Where the two panels lie and what they show: the data panel spans the
// rows' x and y (with their error bars), and the curves as far as they stay
// within half the data's height of it; the residual panel, below, the same x
// and the residuals symmetric about 0.
struct PictureLayout {
    PanelFrame data;
    PanelFrame residuals;
};
PictureLayout PictureLayoutMake(const FitCurves &curves);

// Draws the picture into the file path (replacing it). Returns an empty text,
// or why the picture could not be written. Safe to call from several threads
// at once.
std::string FitPictureWrite(const FitCurves &curves, const FitCaption &caption,
                            PictureFormat format, const std::string &path);

#endif
