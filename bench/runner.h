// Runs one fitter on one problem from one start: a measured fit for the
// accuracy and the evaluation counts, then the median time of repeated fits.
#ifndef VARO_BENCH_RUNNER_H
#define VARO_BENCH_RUNNER_H

#include "fitters.h"
#include "timing.h"

#include <string>

namespace bench {

struct FitRecord {
    std::string sProblem;
    int iStart = 1;  // 1 or 2 for the reference problems
    int iFitter = 0; // index into FittersAll()
    FitOutcome outcome;
    double dRss = 0.0;         // sum of squared residuals at the point reached
    double dParamDigits = 0.0; // against the certified values, when there are any
    double dRssDigits = 0.0;
    double dStdErrorDigits = -1.0; // against the certified deviations; -1: the fitter gave none
    double dSeconds = 0.0;         // median wall time per fit
    double dMeasuredSeconds = 0.0; // wall time of the fit whose outcome is kept
    double dOwnTimeShare = 0.0;    // share of a fit's time spent outside the callbacks
};

struct RunPlan {
    TimingPlan timing;
    int iShareRuns = 1; // measured fits whose median own-time share is kept
};

FitRecord FitMeasure(const Problem &problem, int iStart, int iFitter, const RunPlan &plan);

} // namespace bench

#endif
