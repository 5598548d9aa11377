// The incomplete beta function by its continued fraction, and Student's t
// from it: P(T <= t) = 1 - I_{nu / (nu + t^2)}(nu / 2, 1 / 2) / 2 for t > 0.
#include "numeric/distributions.h"

#include <cfloat>
#include <cmath>
#include <initializer_list>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int kFractionTermsMax = 1000;
constexpr double kTiny = 1e-300;

// The continued fraction of I_x(a, b), which converges fast for
// x < (a + 1) / (a + b + 2).
double BetaFraction(double a, double b, double x) {
    double c = 1.0;
    double d = 1.0 - (a + b) * x / (a + 1.0);
    d = 1.0 / (std::fabs(d) < kTiny ? kTiny : d);
    double dResult = d;
    for (int m = 1; m <= kFractionTermsMax; ++m) {
        for (const double dTerm : {m * (b - m) * x / ((a + 2 * m - 1) * (a + 2 * m)),
                                   -(a + m) * (a + b + m) * x / ((a + 2 * m) * (a + 2 * m + 1))}) {
            d = 1.0 + dTerm * d;
            d = 1.0 / (std::fabs(d) < kTiny ? kTiny : d);
            c = 1.0 + dTerm / c;
            c = std::fabs(c) < kTiny ? kTiny : c;
            dResult *= d * c;
            if (std::fabs(d * c - 1.0) < DBL_EPSILON) {
                return dResult;
            }
        }
    }
    return dResult;
}

// The correction of Stirling's series, ln Gamma(x) - ((x - 1/2) ln x - x +
// ln(2 pi) / 2), for x >= 10.
double StirlingCorrection(double dX) {
    const double dInverseSquare = 1.0 / (dX * dX);
    return (1.0 / 12.0 -
            dInverseSquare *
                (1.0 / 360.0 - dInverseSquare * (1.0 / 1260.0 - dInverseSquare / 1680.0))) /
           dX;
}

// ln Gamma(a + b) - ln Gamma(a) for a >= b > 0: by Stirling's series for a
// large a, where the difference of the two logarithms would lose the digits
// that they have in common.
double GammaLogRatio(double dA, double dB) {
    if (dA < 10.0) {
        return GammaLog(dA + dB) - GammaLog(dA);
    }
    return (dA - 0.5) * std::log1p(dB / dA) + dB * std::log(dA + dB) - dB +
           StirlingCorrection(dA + dB) - StirlingCorrection(dA);
}

// ln B(a, b) = ln Gamma(a) + ln Gamma(b) - ln Gamma(a + b).
double BetaLog(double dA, double dB) {
    return dA >= dB ? GammaLog(dB) - GammaLogRatio(dA, dB) : GammaLog(dA) - GammaLogRatio(dB, dA);
}

// I_x(a, b) with y = 1 - x given as well, so that neither loses digits when
// the other is close to 1.
double BetaIncompleteSplit(double dA, double dB, double dX, double dY) {
    if (dX == 0.0 || dY == 0.0) {
        return dX == 0.0 ? 0.0 : 1.0;
    }
    const double dLogX = dX < 0.5 ? std::log(dX) : std::log1p(-dY);
    const double dLogY = dY < 0.5 ? std::log(dY) : std::log1p(-dX);
    const double dFront = std::exp(dA * dLogX + dB * dLogY - BetaLog(dA, dB));
    if (dX < (dA + 1.0) / (dA + dB + 2.0)) {
        return dFront * BetaFraction(dA, dB, dX) / dA;
    }
    return 1.0 - dFront * BetaFraction(dB, dA, dY) / dB;
}

// P(T > |t|), from the incomplete beta function at x = nu / (nu + t^2).
double StudentTTail(double dT, double dNu) {
    const double dSquare = dT * dT;
    return 0.5 *
           BetaIncompleteSplit(0.5 * dNu, 0.5, dNu / (dNu + dSquare), dSquare / (dNu + dSquare));
}

} // namespace

double GammaLog(double dX) {
    static const double kCoefficients[] = {
        0.99999999999980993,  676.5203681218851,     -1259.1392167224028,
        771.32342877765313,   -176.61502916214059,   12.507343278686905,
        -0.13857109526572012, 9.9843695780195716e-6, 1.5056327351493116e-7};
    if (dX < 0.5) {
        // Reflection: Gamma(x) Gamma(1 - x) = pi / sin(pi x).
        return std::log(M_PI / std::fabs(std::sin(M_PI * dX))) - GammaLog(1.0 - dX);
    }
    const double x = dX - 1.0;
    double dSum = kCoefficients[0];
    for (int i = 1; i < 9; ++i) {
        dSum += kCoefficients[i] / (x + i);
    }
    const double t = x + 7.5;
    return 0.5 * std::log(2.0 * M_PI) + (x + 0.5) * std::log(t) - t + std::log(dSum);
}

double BetaIncompleteRegularized(double dA, double dB, double dX) {
    if (!(dA > 0.0 && dB > 0.0 && dX >= 0.0 && dX <= 1.0)) {
        return kNaN;
    }
    return BetaIncompleteSplit(dA, dB, dX, 1.0 - dX);
}

double StudentTProbability(double dT, double dNu) {
    if (!(dNu > 0.0) || std::isnan(dT)) {
        return kNaN;
    }
    const double dTail = StudentTTail(dT, dNu);
    return dT > 0.0 ? 1.0 - dTail : dTail;
}

double StudentTQuantile(double dP, double dNu) {
    if (!(dP > 0.0 && dP < 1.0 && dNu > 0.0)) {
        return kNaN;
    }
    if (dP < 0.5) {
        return -StudentTQuantile(1.0 - dP, dNu);
    }
    // The upper tail falls with t: widen until below 1 - p (exact for p of
    // 1/2 or more), then halve the bracket.
    const double dTail = 1.0 - dP;
    double dLow = 0.0;
    double dHigh = 1.0;
    while (StudentTTail(dHigh, dNu) > dTail && dHigh < DBL_MAX / 2) {
        dLow = dHigh;
        dHigh *= 2.0;
    }
    for (int i = 0; i < 2100 && dHigh - dLow > DBL_EPSILON * dHigh; ++i) {
        const double dMiddle = 0.5 * (dLow + dHigh);
        (StudentTTail(dMiddle, dNu) > dTail ? dLow : dHigh) = dMiddle;
    }
    return 0.5 * (dLow + dHigh);
}
