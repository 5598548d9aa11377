// What every peak term shares: the names of its derived quantities, its
// height, and the limits of its widths.
#ifndef VARO_MODELS_PEAK_QUANTITIES_H
#define VARO_MODELS_PEAK_QUANTITIES_H

#include <string>
#include <vector>

#include "models/model_term.h"

// Height, Area and FWHM, in this order.
inline std::vector<std::string> PeakQuantityNames() {
    return {"Height", "Area", "FWHM"};
}

// The height of a peak whose first parameter is its height (Ampl), among
// iNoParams parameters.
inline DerivedQuantity PeakHeight(double dAmpl, int iNoParams) {
    DerivedQuantity height{dAmpl, std::vector<double>(iNoParams, 0.0)};
    height.adGradient[0] = 1;
    return height;
}

// A width is kept at 0 or above; other parameters are free.
inline ParamRange WidthLimits(bool bWidth) {
    return bWidth ? ParamRange{0, std::numeric_limits<double>::infinity()} : ParamRange{};
}

#endif
