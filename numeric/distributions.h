// Distributions of the fit statistics: the regularised incomplete beta
// function and Student's t, its cumulative probability and its quantile. Not
// part of the public API.
#ifndef VARO_NUMERIC_DISTRIBUTIONS_H
#define VARO_NUMERIC_DISTRIBUTIONS_H

// The logarithm of the gamma function for dX > 0 (Lanczos' approximation, to
// about 15 digits); unlike the C library's lgamma it writes no global state.
double GammaLog(double dX);

// I_x(a, b), the regularised incomplete beta function, for a, b > 0 and x in
// [0, 1] (the continued fraction, evaluated by Lentz's method); NaN outside.
double BetaIncompleteRegularized(double dA, double dB, double dX);

// P(T <= t) for Student's t with dNu > 0 degrees of freedom.
double StudentTProbability(double dT, double dNu);

// The t with P(T <= t) = dP, for dP in (0, 1) and dNu > 0; NaN otherwise.
// Found by bisection on the probability to the resolution of the doubles.
double StudentTQuantile(double dP, double dNu);

#endif
