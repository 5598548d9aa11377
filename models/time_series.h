// The rows that start values are found from: by increasing time, rows of
// weight 0 (masked out of the fit) left aside.
#ifndef VARO_MODELS_TIME_SERIES_H
#define VARO_MODELS_TIME_SERIES_H

#include <vector>

#include "models/data_file.h"

struct TimeSeries {
    std::vector<double> adTime;
    std::vector<double> adData;
};

TimeSeries TimeSeriesFromRows(const DataRows &rows);

// Standard deviation of the noise from the second differences of the data,
// which a smooth signal hardly reaches: median |d(i-1) - 2 d(i) + d(i+1)|
// over 0.6745 * sqrt(6). 0 with fewer than three rows.
double NoiseSigmaEstimate(const TimeSeries &series);

#endif
