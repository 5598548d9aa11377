/* libcerf's complex functions for the C++ code of the models layer. */
#include "models/faddeeva.h"

#include <cerf.h>
#include <complex.h>

void FaddeevaCompute(double dRe, double dIm, double *pdWRe, double *pdWIm) {
    const double _Complex w = w_of_z(CMPLX(dRe, dIm));
    *pdWRe = creal(w);
    *pdWIm = cimag(w);
}

double ScaledErfcCompute(double dX) {
    return erfcx(dX);
}
