#include "plots/batch_summary.h"

#include <algorithm>
#include <cmath>

void BatchSummary::FileAdd(int iStatus, const std::string &message, double dReducedChiSquare) {
    iNoFiles++;
    if (iStatus != 0) {
        StatusCount &count = failed[iStatus];
        if (count.iNoFiles++ == 0) {
            count.firstMessage = message;
        }
        return;
    }
    iNoConverged++;
    if (std::isfinite(dReducedChiSquare)) {
        adChiSquares.push_back(dReducedChiSquare);
    }
}

double BatchSummary::ChiSquarePercentile(double dP) const {
    if (adChiSquares.empty()) {
        return NAN;
    }
    std::vector<double> adSorted = adChiSquares;
    std::sort(adSorted.begin(), adSorted.end());
    const double dPlace = std::clamp(dP, 0.0, 1.0) * static_cast<double>(adSorted.size() - 1);
    const size_t iBelow = static_cast<size_t>(std::floor(dPlace));
    const size_t iAbove = std::min(iBelow + 1, adSorted.size() - 1);
    const double dFraction = dPlace - static_cast<double>(iBelow);
    return adSorted[iBelow] + dFraction * (adSorted[iAbove] - adSorted[iBelow]);
}
