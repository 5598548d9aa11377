// The Voigt profile and its half width. The half width solves
// F(h) = Re w(z(h)) - erfcx(y) / 2 = 0 with z(h) = (h + i gamma) c,
// c = 1 / (sigma sqrt 2), y = gamma c, by Newton steps kept inside a bracket:
// the full width of a Voigt profile lies between the larger of its gaussian's
// and its lorentzian's and their sum.
#include "models/voigt_profile.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "models/faddeeva.h"

namespace {

using std::numbers::inv_sqrtpi;
using std::numbers::ln2;
using std::numbers::pi;
using std::numbers::sqrt2;

constexpr int kMaxRootSteps = 200;
constexpr int kMaxBracketWidenings = 60;

struct HalfWidthEquation {
    double dSigma, dGamma, dC, dY, dErfcxY;

    // F(h) and dF/dh.
    double Value(double dH, double *pdByH) const {
        const std::complex<double> z(dH * dC, dGamma * dC);
        const std::complex<double> w = FaddeevaW(z);
        *pdByH = (FaddeevaWDerivative(z, w) * dC).real();
        return w.real() - dErfcxY / 2;
    }
};

// Newton steps from dStart, replaced by bisection whenever a step would leave
// the bracket [dLow, dHigh] in which F changes sign from + to -.
double RootFind(const HalfWidthEquation &equation, double dLow, double dHigh, double dStart) {
    double dH = dStart;
    for (int iStep = 0; iStep < kMaxRootSteps && dHigh - dLow > 1e-15 * dHigh; iStep++) {
        double dByH = 0;
        const double dF = equation.Value(dH, &dByH);
        if (dF == 0) {
            return dH;
        }
        (dF > 0 ? dLow : dHigh) = dH;
        const double dNext = dH - dF / dByH;
        const bool bInside = dNext > dLow && dNext < dHigh;
        const double dNew = bInside ? dNext : (dLow + dHigh) / 2;
        if (std::fabs(dNew - dH) <= 1e-15 * dH) {
            return dNew;
        }
        dH = dNew;
    }
    return dH;
}

} // namespace

std::complex<double> FaddeevaW(std::complex<double> z) {
    double dRe = 0, dIm = 0;
    FaddeevaCompute(z.real(), z.imag(), &dRe, &dIm);
    return {dRe, dIm};
}

std::complex<double> FaddeevaWDerivative(std::complex<double> z, std::complex<double> w) {
    return -2.0 * z * w + std::complex<double>(0, 2 * inv_sqrtpi);
}

double ScaledErfc(double dY) {
    return ScaledErfcCompute(dY);
}

double ScaledErfcDerivative(double dY, double dScaledErfc) {
    return 2 * dY * dScaledErfc - 2 * inv_sqrtpi;
}

double VoigtProfile(double dX, double dSigma, double dGamma) {
    const double dC = 1 / (dSigma * sqrt2);
    return FaddeevaW({dX * dC, dGamma * dC}).real() / (dSigma * std::sqrt(2 * pi));
}

VoigtHalfWidth VoigtHalfWidthCompute(double dSigma, double dGamma) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    if (!(dSigma > 0) || !(dGamma >= 0) || !std::isfinite(dSigma) || !std::isfinite(dGamma)) {
        return {kNaN, kNaN, kNaN};
    }
    const double dC = 1 / (dSigma * sqrt2);
    const double dY = dGamma * dC;
    const HalfWidthEquation equation{dSigma, dGamma, dC, dY, ScaledErfc(dY)};
    const double dGaussHalf = dSigma * std::sqrt(2 * ln2);
    double dLow = std::max(dGaussHalf, dGamma);
    double dHigh = dGaussHalf + dGamma;
    double dByH = 0;
    // Rounding may put the root a hair outside the bracket's ends.
    for (int i = 0; i < kMaxBracketWidenings && equation.Value(dLow, &dByH) < 0; i++) {
        dLow /= 2;
    }
    for (int i = 0; i < kMaxBracketWidenings && equation.Value(dHigh, &dByH) > 0; i++) {
        dHigh *= 2;
    }
    // Olivero's approximation of the full width, good to about 2e-4.
    const double dFwhmG = 2 * dGaussHalf;
    const double dFwhmL = 2 * dGamma;
    const double dEstimate =
        (0.5346 * dFwhmL + std::sqrt(0.2166 * dFwhmL * dFwhmL + dFwhmG * dFwhmG)) / 2;
    const double dH = RootFind(equation, dLow, dHigh, std::clamp(dEstimate, dLow, dHigh));

    // dh/dq = -(dF/dq) / (dF/dh), z depending on sigma through c and on gamma.
    const std::complex<double> z(dH * dC, dY);
    const std::complex<double> wPrime = FaddeevaWDerivative(z, FaddeevaW(z));
    const double dErfcxPrime = ScaledErfcDerivative(dY, equation.dErfcxY);
    const double dFByH = (wPrime * dC).real();
    const double dFBySigma = (wPrime * (-z / dSigma)).real() - dErfcxPrime * (-dY / dSigma) / 2;
    const double dFByGamma = (wPrime * std::complex<double>(0, dC)).real() - dErfcxPrime * dC / 2;
    return {dH, -dFBySigma / dFByH, -dFByGamma / dFByH};
}
