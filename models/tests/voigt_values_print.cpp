// Reads lines "x sigma gamma" from standard input and prints, for each, the
// Voigt profile and the Voigt term of height 1 centred at 0 there, to 17
// digits, for the comparison with SciPy (voigt_scipy_check.py).
#include <cstdio>
#include <vector>

#include "models/terms.h"
#include "models/voigt_profile.h"

int main() {
    const std::unique_ptr<ModelTerm> pTerm = VoigtTermMake();
    double dX = 0, dSigma = 0, dGamma = 0;
    while (std::scanf("%lf %lf %lf", &dX, &dSigma, &dGamma) == 3) {
        const double adParams[4] = {1, 0, dSigma, dGamma};
        const std::vector<double> adX = {dX};
        double dTerm = 0;
        pTerm->Evaluate(adParams, adX, &dTerm, nullptr);
        std::printf("%.17g %.17g\n", VoigtProfile(dX, dSigma, dGamma), dTerm);
    }
    return 0;
}
