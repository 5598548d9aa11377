// Start values of a sum of gaussians from the data: the largest peak of the
// lightly smoothed data gives a term (height, position, half-width at half
// maximum); the term is subtracted and the next largest peak sought, so that
// a peak's shoulder is not taken for a peak of its own.
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "models/gauss_family.h"
#include "models/time_series.h"

namespace {

enum { kAmpl, kMean, kSigma };

// Half-width of the moving average: 1 point in 200, at least 1.
constexpr size_t kSmoothingDivisor = 200;
// Walking down a flank stops when the data rise this fraction of the peak's
// height above the lowest value met: a valley between two peaks.
constexpr double kValleyRise = 0.1;
// A flank that does not fall below this fraction of the height says nothing
// about the width.
constexpr double kShallowFraction = 0.95;

std::vector<double> MovingAverage(const std::vector<double> &adData) {
    const size_t iNo = adData.size();
    const size_t iHalf = std::max<size_t>(1, iNo / kSmoothingDivisor);
    std::vector<double> adSmooth(iNo);
    for (size_t i = 0; i < iNo; i++) {
        const size_t iFirst = i >= iHalf ? i - iHalf : 0;
        const size_t iLast = std::min(iNo - 1, i + iHalf);
        double dSum = 0.0;
        for (size_t j = iFirst; j <= iLast; j++) {
            dSum += adData[j];
        }
        adSmooth[i] = dSum / static_cast<double>(iLast - iFirst + 1);
    }
    return adSmooth;
}

// The standard deviation that one flank of the peak at iPeak suggests: the
// flank is walked down to half the height (the crossing interpolated), or to
// the lowest point before a valley, and a gaussian through that point and the
// peak gives the width. 0 when the flank says nothing.
double FlankSigma(const TimeSeries &series, const std::vector<double> &adValues, size_t iPeak,
                  int iDirection) {
    const double dHeight = adValues[iPeak];
    const double dHalf = dHeight / 2;
    double dLowest = dHeight;
    double dDistance = 0.0;
    size_t j = iPeak;
    while ((iDirection < 0 && j > 0) || (iDirection > 0 && j + 1 < adValues.size())) {
        const size_t iPrev = j;
        j = iDirection < 0 ? j - 1 : j + 1;
        const double dValue = adValues[j];
        if (dValue <= dHalf) {
            const double dFraction = (adValues[iPrev] - dHalf) / (adValues[iPrev] - dValue);
            const double dCrossing =
                series.adTime[iPrev] + dFraction * (series.adTime[j] - series.adTime[iPrev]);
            dLowest = dHalf;
            dDistance = std::fabs(dCrossing - series.adTime[iPeak]);
            break;
        }
        if (dValue < dLowest) {
            dLowest = dValue;
            dDistance = std::fabs(series.adTime[j] - series.adTime[iPeak]);
        } else if (dValue > dLowest + kValleyRise * dHeight) {
            break;
        }
    }
    const double dFraction = dLowest / dHeight;
    if (!(dFraction < kShallowFraction) || dDistance <= 0) {
        return 0.0;
    }
    return dDistance / std::sqrt(2 * std::log(1 / dFraction));
}

// The smaller of the two flanks' widths where both speak (the wider one is
// more likely widened by a neighbour), else the one that does, else dFallback.
double PeakSigma(const TimeSeries &series, const std::vector<double> &adValues, size_t iPeak,
                 double dFallback) {
    const double dLeft = FlankSigma(series, adValues, iPeak, -1);
    const double dRight = FlankSigma(series, adValues, iPeak, +1);
    if (dLeft > 0 && dRight > 0) {
        return std::min(dLeft, dRight);
    }
    if (dLeft > 0 || dRight > 0) {
        return std::max(dLeft, dRight);
    }
    return dFallback;
}

} // namespace

void GaussStartValuesFind(const DataRows &rows, int iNoTerms, double *adShown) {
    const TimeSeries series = TimeSeriesFromRows(rows);
    const size_t iNo = series.adTime.size();
    const double dSpan = iNo > 1 ? series.adTime.back() - series.adTime.front() : 0.0;
    const double dFallbackSigma = dSpan > 0 ? dSpan / (4 * iNoTerms) : 1.0;
    std::vector<double> adValues = MovingAverage(series.adData);
    for (int iTerm = 0; iTerm < iNoTerms; iTerm++) {
        double *adTerm = &adShown[3 * iTerm];
        if (iNo == 0) {
            adTerm[kAmpl] = 0.0;
            adTerm[kMean] = iTerm;
            adTerm[kSigma] = 1.0;
            continue;
        }
        const size_t iPeak = static_cast<size_t>(
            std::max_element(adValues.begin(), adValues.end()) - adValues.begin());
        adTerm[kAmpl] = adValues[iPeak];
        adTerm[kMean] = series.adTime[iPeak];
        adTerm[kSigma] = adValues[iPeak] > 0 ? PeakSigma(series, adValues, iPeak, dFallbackSigma)
                                             : dFallbackSigma;
        double adParams[3];
        GaussShownToParams(adTerm, adParams);
        for (size_t i = 0; i < iNo; i++) {
            adValues[i] -= GaussTermValue(adParams, series.adTime[i]);
        }
    }
    std::vector<std::array<double, 3>> aTerms;
    for (int iTerm = 0; iTerm < iNoTerms; iTerm++) {
        aTerms.push_back({adShown[3 * iTerm], adShown[3 * iTerm + 1], adShown[3 * iTerm + 2]});
    }
    std::stable_sort(aTerms.begin(), aTerms.end(),
                     [](const auto &a, const auto &b) { return a[kMean] < b[kMean]; });
    for (int iTerm = 0; iTerm < iNoTerms; iTerm++) {
        std::copy(aTerms[iTerm].begin(), aTerms[iTerm].end(), &adShown[3 * iTerm]);
    }
}
