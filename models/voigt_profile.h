// The Voigt profile, the convolution of a gaussian of standard deviation
// sigma and a lorentzian of half width gamma, through the Faddeeva function
// w: V(x) = Re w((x + i gamma) / (sigma sqrt 2)) / (sigma sqrt(2 pi)), as
// scipy.special.voigt_profile(x, sigma, gamma) defines it; and its exact half
// width at half maximum.
#ifndef VARO_MODELS_VOIGT_PROFILE_H
#define VARO_MODELS_VOIGT_PROFILE_H

#include <complex>

// w(z) and its derivative w'(z) = -2 z w(z) + 2i/sqrt(pi).
std::complex<double> FaddeevaW(std::complex<double> z);
std::complex<double> FaddeevaWDerivative(std::complex<double> z, std::complex<double> w);

// erfcx(y) = Re w(iy), the profile's value at 0 times sigma sqrt(2 pi) for
// y = gamma / (sigma sqrt 2), and its derivative 2 y erfcx(y) - 2/sqrt(pi).
double ScaledErfc(double dY);
double ScaledErfcDerivative(double dY, double dScaledErfc);

double VoigtProfile(double dX, double dSigma, double dGamma);

// The half width at half maximum h, V(h) = V(0)/2, and its derivatives with
// respect to sigma and gamma (implicit function theorem on the root). NaN
// unless sigma > 0 and gamma >= 0.
struct VoigtHalfWidth {
    double dValue, dBySigma, dByGamma;
};
VoigtHalfWidth VoigtHalfWidthCompute(double dSigma, double dGamma);

#endif
