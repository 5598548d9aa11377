// A small picture of one fit for a row of the report: the data binned per
// column, the fitted curve (the last iterate of a fit that failed) and a
// strip of residuals below, as an inline SVG element. It holds no ids, text
// or scripts, so that a page can hold a thousand of them.
#ifndef VARO_PLOTS_FIT_THUMBNAIL_H
#define VARO_PLOTS_FIT_THUMBNAIL_H

#include <string>

#include "plots/fit_curves.h"

constexpr int kThumbnailWidth = 128;
constexpr int kThumbnailHeight = 72;

// The <svg> element of the curves, kThumbnailWidth by kThumbnailHeight
// pixels, on the scales of the full picture (PictureLayoutMake); empty when
// there are no data.
std::string FitThumbnailSvg(const FitCurves &curves, bool bConverged);

#endif
