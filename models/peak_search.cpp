// The peak search of the automatic start values.
#include "models/peak_search.h"

#include <algorithm>
#include <cmath>

namespace {

// Half width of the moving average: 1 point in 200, at least 1.
constexpr size_t kSmoothingDivisor = 200;
// Walking down a flank stops when the data rise this fraction of the peak's
// height above the lowest value met: a valley between two peaks.
constexpr double kValleyRise = 0.1;
// A flank that does not fall below this fraction of the height says nothing
// about the width.
constexpr double kShallowFraction = 0.95;

// The half width that one flank (iDirection -1 or +1) of the peak at iPeak
// suggests, the values taken times dSign so that the peak points up; 0 when
// the flank says nothing.
double FlankHalfWidth(const std::vector<double> &adTime, const std::vector<double> &adValues,
                      size_t iPeak, int iDirection, double dSign) {
    const double dHeight = dSign * adValues[iPeak];
    const double dHalf = dHeight / 2;
    double dLowest = dHeight;
    double dDistance = 0.0;
    size_t j = iPeak;
    while ((iDirection < 0 && j > 0) || (iDirection > 0 && j + 1 < adValues.size())) {
        const size_t iPrev = j;
        j = iDirection < 0 ? j - 1 : j + 1;
        const double dValue = dSign * adValues[j];
        if (dValue <= dHalf) {
            const double dPrev = dSign * adValues[iPrev];
            const double dFraction = (dPrev - dHalf) / (dPrev - dValue);
            const double dCrossing = adTime[iPrev] + dFraction * (adTime[j] - adTime[iPrev]);
            dLowest = dHalf;
            dDistance = std::fabs(dCrossing - adTime[iPeak]);
            break;
        }
        if (dValue < dLowest) {
            dLowest = dValue;
            dDistance = std::fabs(adTime[j] - adTime[iPeak]);
        } else if (dValue > dLowest + kValleyRise * dHeight) {
            break;
        }
    }
    const double dFraction = dLowest / dHeight;
    if (!(dFraction < kShallowFraction) || dDistance <= 0) {
        return 0.0;
    }
    // A gaussian falling to dFraction at dDistance has its half maximum at
    // dDistance * sqrt(ln 2 / ln(1 / dFraction)).
    return dDistance * std::sqrt(std::log(2.0) / std::log(1 / dFraction));
}

} // namespace

std::vector<double> MovingAverage(const std::vector<double> &adData) {
    const size_t iNo = adData.size();
    const size_t iHalf = std::max<size_t>(1, iNo / kSmoothingDivisor);
    std::vector<double> adSmooth(iNo);
    // The window [i - iHalf, i + iHalf] cut at the ends, its sum kept as it slides.
    double dSum = 0.0;
    size_t iLast = 0; // one past the window's last point
    for (size_t i = 0; i < iNo; i++) {
        const size_t iFirst = i >= iHalf ? i - iHalf : 0;
        for (; iLast < iNo && iLast <= i + iHalf; iLast++) {
            dSum += adData[iLast];
        }
        if (i > iHalf) {
            dSum -= adData[iFirst - 1];
        }
        adSmooth[i] = dSum / static_cast<double>(iLast - iFirst);
    }
    return adSmooth;
}

PeakShape LargestPeakFind(const std::vector<double> &adTime, const std::vector<double> &adValues,
                          double dFallback) {
    const size_t iPeak = static_cast<size_t>(
        std::max_element(adValues.begin(), adValues.end(),
                         [](double a, double b) { return std::fabs(a) < std::fabs(b); }) -
        adValues.begin());
    const double dHeight = adValues[iPeak];
    PeakShape peak{dHeight, adTime[iPeak], dFallback};
    if (dHeight == 0 || !std::isfinite(dHeight)) {
        return peak;
    }
    const double dSign = dHeight < 0 ? -1.0 : 1.0;
    const double dLeft = FlankHalfWidth(adTime, adValues, iPeak, -1, dSign);
    const double dRight = FlankHalfWidth(adTime, adValues, iPeak, +1, dSign);
    if (dLeft > 0 && dRight > 0) {
        peak.dHalfWidth = std::min(dLeft, dRight);
    } else if (dLeft > 0 || dRight > 0) {
        peak.dHalfWidth = std::max(dLeft, dRight);
    }
    return peak;
}
