// A straight line a + b x (with an optional offset) fitted to a few points,
// and the closed form of its weighted linear regression: the reference of the
// statistics and interval tests.
#ifndef VARO_TESTS_LINE_FIXTURE_H
#define VARO_TESTS_LINE_FIXTURE_H

#include <cmath>

#include "engine_fixture.h"

namespace engine_test {

// Settings under which a fit runs to its minimum.
inline void TightSettingsSet(VaroHandle iHandle) {
    VaroResNormChangeTerminationSet(iHandle, 1e-15);
    VaroStabVsSpeedSet(iHandle, 1e-15);
    VaroParValChangeTerminationSet(iHandle, 1e-15);
    VaroGaussNewtonResNormThreshSet(iHandle, 1e300);
}

struct LineData {
    Values x;
    Values y;
    Values w; // weights of the residuals
};

// y = 1 + 2x with a little deterministic noise; weights 1 or varying.
inline LineData LineDataMake(int iCount, double dFirstX, bool bWeighted) {
    LineData data;
    for (int i = 0; i < iCount; ++i) {
        const double x = dFirstX + 0.5 * i;
        data.x.push_back(x);
        data.y.push_back(1.0 + 2.0 * x + 0.05 * std::sin(3.7 * i + 0.3));
        data.w.push_back(bWeighted ? 1.0 / (0.2 + 0.1 * (i % 4)) : 1.0);
    }
    return data;
}

// r_i = w_i (p[0] + p[1] x_i + p[2] - y_i), with an offset p[2] only when the
// model has a third parameter. Analytical derivatives when asked.
inline TestModel LineModel(const LineData &data, Values initial, bool bAnalytical) {
    TestModel model(std::move(initial));
    model.residuals = [data](const Values &p) {
        Values r(data.x.size());
        const double dOffset = p.size() > 2 ? p[2] : 0.0;
        for (size_t i = 0; i < r.size(); ++i) {
            r[i] = data.w[i] * (p[0] + p[1] * data.x[i] + dOffset - data.y[i]);
        }
        return r;
    };
    if (bAnalytical) {
        model.derivative = [data](const Values &, int j) {
            Values g(data.x.size());
            for (size_t i = 0; i < g.size(); ++i) {
                g[i] = data.w[i] * (j == 2 ? data.x[i] : 1.0);
            }
            return g;
        };
    }
    return model;
}

// The closed form of weighted linear regression: (J^t J)^-1 and s^2.
struct LineFit {
    double dIntercept, dSlope, dChiSquare;
    double dVarIntercept, dVarSlope, dCovariance; // of (J^t J)^-1
    double dVariance;                             // s^2
};

inline LineFit LineFitCompute(const LineData &data) {
    double s = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (size_t i = 0; i < data.x.size(); ++i) {
        const double w = data.w[i] * data.w[i];
        s += w;
        sx += w * data.x[i];
        sy += w * data.y[i];
        sxx += w * data.x[i] * data.x[i];
        sxy += w * data.x[i] * data.y[i];
    }
    const double d = s * sxx - sx * sx;
    LineFit fit{(sxx * sy - sx * sxy) / d, (s * sxy - sx * sy) / d, 0, sxx / d, s / d, -sx / d, 0};
    for (size_t i = 0; i < data.x.size(); ++i) {
        const double r = data.w[i] * (fit.dIntercept + fit.dSlope * data.x[i] - data.y[i]);
        fit.dChiSquare += r * r;
    }
    fit.dVariance = fit.dChiSquare / (static_cast<double>(data.x.size()) - 2.0);
    return fit;
}

} // namespace engine_test

#endif
