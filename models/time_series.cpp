// Time-ordered rows and their noise level.
#include "models/time_series.h"

#include <algorithm>
#include <cmath>

TimeSeries TimeSeriesFromRows(const DataRows &rows) {
    std::vector<size_t> aiOrder;
    for (size_t i = 0; i < rows.adTime.size(); i++) {
        if (rows.adWeight[i] != 0) {
            aiOrder.push_back(i);
        }
    }
    const auto ByTime = [&](size_t i, size_t j) { return rows.adTime[i] < rows.adTime[j]; };
    // Files are mostly in time order already: that costs one pass.
    if (!std::is_sorted(aiOrder.begin(), aiOrder.end(), ByTime)) {
        std::stable_sort(aiOrder.begin(), aiOrder.end(), ByTime);
    }
    TimeSeries series;
    series.adTime.reserve(aiOrder.size());
    series.adData.reserve(aiOrder.size());
    for (size_t i : aiOrder) {
        series.adTime.push_back(rows.adTime[i]);
        series.adData.push_back(rows.adData[i]);
    }
    return series;
}

double NoiseSigmaEstimate(const TimeSeries &series) {
    const std::vector<double> &adData = series.adData;
    if (adData.size() < 3) {
        return 0.0;
    }
    std::vector<double> adSecond;
    for (size_t i = 1; i + 1 < adData.size(); i++) {
        adSecond.push_back(std::fabs(adData[i - 1] - 2 * adData[i] + adData[i + 1]));
    }
    const auto middle = adSecond.begin() + adSecond.size() / 2;
    std::nth_element(adSecond.begin(), middle, adSecond.end());
    return *middle / (0.6745 * std::sqrt(6.0));
}
