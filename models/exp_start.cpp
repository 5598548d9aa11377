// Start values of a sum of decaying exponentials from the data, by peeling:
// where the slower terms have not yet died out the slowest one dominates the
// tail, so a straight line through the logarithm of the tail gives its rate
// and amplitude; it is subtracted and the next term sought in the earlier
// part of the data.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "models/exp_family.h"
#include "models/time_series.h"

namespace {

enum { kAmpl, kGamma };

// Values below this many noise deviations are left out of the logarithm.
constexpr double kNoiseMultiple = 3.0;
constexpr size_t kMinLinePoints = 3;

struct LineFit {
    bool bFound;
    double dSlope, dIntercept;
};

// Weighted straight line y = a + b*t through the points in [iFirst, iLast)
// with |r| above dThreshold and the sign iSign, y = log|r| weighted by r^2
// (the logarithm of a value with constant noise has a deviation ~ 1/|r|).
LineFit LogLineFit(const TimeSeries &series, const std::vector<double> &adValues, size_t iFirst,
                   size_t iLast, double dThreshold, double dSign) {
    double dS = 0, dSt = 0, dSy = 0, dStt = 0, dSty = 0;
    size_t iNoPoints = 0;
    for (size_t i = iFirst; i < iLast; i++) {
        const double dValue = dSign * adValues[i];
        if (dValue <= dThreshold) {
            continue;
        }
        const double dW = dValue * dValue;
        const double dT = series.adTime[i];
        const double dY = std::log(dValue);
        dS += dW;
        dSt += dW * dT;
        dSy += dW * dY;
        dStt += dW * dT * dT;
        dSty += dW * dT * dY;
        iNoPoints++;
    }
    const double dDet = dS * dStt - dSt * dSt;
    if (iNoPoints < kMinLinePoints || !(dDet > 0)) {
        return {false, 0, 0};
    }
    return {true, (dS * dSty - dSt * dSy) / dDet, (dStt * dSy - dSt * dSty) / dDet};
}

// The sign that most of the weight of [iFirst, iLast) has.
double SignOfSum(const std::vector<double> &adValues, size_t iFirst, size_t iLast) {
    double dSum = 0;
    for (size_t i = iFirst; i < iLast; i++) {
        dSum += adValues[i];
    }
    return dSum < 0 ? -1.0 : 1.0;
}

// The last point of [0, iEnd) standing out of the noise, plus one; 0 if none.
size_t SignalEnd(const std::vector<double> &adValues, size_t iEnd, double dThreshold) {
    while (iEnd > 0 && std::fabs(adValues[iEnd - 1]) <= dThreshold) {
        iEnd--;
    }
    return iEnd;
}

} // namespace

void ExpStartValuesFind(const DataRows &rows, int iNoTerms, double *adShown) {
    ExpStartValuesFromSeries(TimeSeriesFromRows(rows), iNoTerms, adShown);
}

void ExpStartValuesFromSeries(const TimeSeries &series, int iNoTerms, double *adShown) {
    const size_t iNo = series.adTime.size();
    std::vector<double> adValues = series.adData;
    double dDataMax = 0;
    for (double dValue : adValues) {
        dDataMax = std::max(dDataMax, std::fabs(dValue));
    }
    const double dThreshold =
        std::max(kNoiseMultiple * NoiseSigmaEstimate(series), 1e-12 * dDataMax);
    const double dLastTime = iNo > 0 ? series.adTime.back() : 0.0;
    size_t iEnd = iNo;
    // Slowest term first, stored last.
    for (int iTerm = iNoTerms - 1; iTerm >= 0; iTerm--) {
        double *adTerm = &adShown[2 * iTerm];
        const size_t iSignalEnd = SignalEnd(adValues, iEnd, dThreshold);
        // The tail: the later half of the signal's time span, or all of it for
        // the fastest term.
        size_t iFirst = 0;
        if (iTerm > 0 && iSignalEnd > 0) {
            const double dMiddle = (series.adTime.front() + series.adTime[iSignalEnd - 1]) / 2;
            while (iFirst < iSignalEnd && series.adTime[iFirst] < dMiddle) {
                iFirst++;
            }
        }
        const double dSign = SignOfSum(adValues, iFirst, iSignalEnd);
        const LineFit line = LogLineFit(series, adValues, iFirst, iSignalEnd, dThreshold, dSign);
        if (line.bFound && line.dSlope < 0 && std::isfinite(line.dIntercept)) {
            adTerm[kAmpl] = dSign * std::exp(line.dIntercept);
            adTerm[kGamma] = -line.dSlope;
        } else {
            // Term k falls to 10^-k of its start by the last row.
            const double dRate = (iTerm + 1) * std::numbers::ln10 / dLastTime;
            adTerm[kAmpl] = iNo > 0 ? adValues.front() / iNoTerms : 0.0;
            adTerm[kGamma] = std::isfinite(dRate) && dRate > 0 ? dRate : 1.0;
        }
        if (!std::isfinite(adTerm[kAmpl])) {
            adTerm[kAmpl] = 0.0;
        }
        for (size_t i = 0; i < iNo; i++) {
            adValues[i] -= ExpTermValue(adTerm, series.adTime[i]);
        }
        if (iFirst > 0) {
            iEnd = iFirst;
        }
    }
}
