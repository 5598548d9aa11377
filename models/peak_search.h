// Peaks seen in data for the automatic start values: a light moving average,
// then the largest peak's height, position and half width at half maximum.
#ifndef VARO_MODELS_PEAK_SEARCH_H
#define VARO_MODELS_PEAK_SEARCH_H

#include <vector>

// The moving average of half width max(1, n/200) points, O(n).
std::vector<double> MovingAverage(const std::vector<double> &adData);

struct PeakShape {
    double dHeight;    // signed: a dip has a negative height
    double dPosition;  // the time of the peak's point
    double dHalfWidth; // half width at half maximum, > 0
};

// The point of largest magnitude of adValues (over adTime, in time order, not
// empty) as a peak. Each flank is walked down to half the height (the
// crossing interpolated), or to its lowest point before a valley, through
// which a gaussian gives the half width; the narrower flank counts, since the
// wider is more likely widened by a neighbour. dFallback (> 0) when neither
// flank says anything.
PeakShape LargestPeakFind(const std::vector<double> &adTime, const std::vector<double> &adValues,
                          double dFallback);

#endif
