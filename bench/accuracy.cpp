// Log relative errors against certified values.
#include "accuracy.h"

#include <algorithm>
#include <cmath>

namespace bench {

double ValueDigitsCompute(double dValue, double dCertified) {
    const double dError = std::fabs(dValue - dCertified);
    if (std::isnan(dError)) {
        return 0.0;
    }
    if (dError == 0.0) {
        return kDigitsCap;
    }
    const double dScale = dCertified == 0.0 ? 1.0 : std::fabs(dCertified);
    // Written so that an error of exactly the value's size gives +0, not -0.
    const double dDigits = -std::log10(dError / dScale);
    return dDigits > 0.0 ? std::min(dDigits, kDigitsCap) : 0.0;
}

double ParamsDigitsCompute(std::span<const double> adValues, std::span<const double> adCertified) {
    if (adValues.size() != adCertified.size() || adValues.empty()) {
        return 0.0;
    }
    double dDigits = kDigitsCap;
    for (size_t i = 0; i < adValues.size(); ++i) {
        dDigits = std::min(dDigits, ValueDigitsCompute(adValues[i], adCertified[i]));
    }
    return dDigits;
}

} // namespace bench
