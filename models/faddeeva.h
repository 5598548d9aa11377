/* The Faddeeva function and the scaled complementary error function of
 * libcerf, behind a C interface of real numbers: libcerf's header declares C99
 * complex numbers, which C++ does not have. */
#ifndef VARO_MODELS_FADDEEVA_H
#define VARO_MODELS_FADDEEVA_H

#ifdef __cplusplus
extern "C" {
#endif

/* w(z) = exp(-z^2) erfc(-iz) at z = dRe + i dIm, into *pdWRe + i *pdWIm. */
void FaddeevaCompute(double dRe, double dIm, double *pdWRe, double *pdWIm);

/* erfcx(x) = exp(x^2) erfc(x), which is w(ix) for real x. */
double ScaledErfcCompute(double dX);

#ifdef __cplusplus
}
#endif

#endif
