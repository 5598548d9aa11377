// The Voigt peak A * Re w(z) / erfcx(y), z = (x - M + iG) c, c = 1/(S sqrt 2),
// y = G c: the Voigt profile scaled to the height A at its centre. Its
// derivatives follow from w'(z) = -2 z w + 2i/sqrt(pi) and
// erfcx'(y) = 2 y erfcx(y) - 2/sqrt(pi).
#include <cmath>
#include <numbers>

#include "models/peak_quantities.h"
#include "models/terms.h"
#include "models/voigt_profile.h"

namespace {

using std::numbers::sqrt2;

const double kSqrt2Pi = std::sqrt(2 * std::numbers::pi);

class VoigtTerm final : public PeakTerm {
  public:
    enum { kAmpl, kMean, kSigma, kGamma };

    std::unique_ptr<ModelTerm> Clone() const override { return std::make_unique<VoigtTerm>(*this); }
    std::vector<std::string> ParamBaseNames() const override {
        return {"Ampl", "Mean", "Sigma", "Gamma"};
    }
    std::vector<std::string> DerivedBaseNames() const override { return PeakQuantityNames(); }
    ParamRange DefaultLimits(int iParam) const override {
        return WidthLimits(iParam == kSigma || iParam == kGamma);
    }

    void Evaluate(const double *adParams, std::span<const double> adX, double *adValues,
                  double *adColumns) const override {
        const double dAmpl = adParams[kAmpl];
        const double dSigma = adParams[kSigma];
        const double dC = 1 / (dSigma * sqrt2);
        const double dY = adParams[kGamma] * dC;
        const double dCentre = ScaledErfc(dY);
        const double dCentreByY = ScaledErfcDerivative(dY, dCentre);
        const double dCentreBySigma = dCentreByY * (-dY / dSigma);
        const double dCentreByGamma = dCentreByY * dC;
        const size_t iNo = adX.size();
        for (size_t i = 0; i < iNo; i++) {
            const std::complex<double> z((adX[i] - adParams[kMean]) * dC, dY);
            const std::complex<double> w = FaddeevaW(z);
            const double dShape = w.real() / dCentre;
            adValues[i] += dAmpl * dShape;
            if (adColumns == nullptr) {
                continue;
            }
            const std::complex<double> wPrime = FaddeevaWDerivative(z, w);
            // d(Re w)/dq for z's dependence on M, S and G.
            const double dWByMean = (wPrime * -dC).real();
            const double dWBySigma = (wPrime * (-z / dSigma)).real();
            const double dWByGamma = (wPrime * std::complex<double>(0, dC)).real();
            adColumns[i] = dShape;
            adColumns[iNo + i] = dAmpl * dWByMean / dCentre;
            adColumns[2 * iNo + i] = dAmpl * (dWBySigma - dShape * dCentreBySigma) / dCentre;
            adColumns[3 * iNo + i] = dAmpl * (dWByGamma - dShape * dCentreByGamma) / dCentre;
        }
    }

    // Equal sigma and gamma: the full width is then about 3.6013 sigma.
    void StartFromShape(double dHeight, double dPosition, double dHalfWidth,
                        double *adParams) const override {
        adParams[kAmpl] = dHeight;
        adParams[kMean] = dPosition;
        adParams[kSigma] = 2 * dHalfWidth / 3.6013;
        adParams[kGamma] = adParams[kSigma];
    }

    // Area A / V(0) = A S sqrt(2 pi) / erfcx(y); FWHM twice the exact half
    // width of the profile.
    std::vector<DerivedQuantity> DerivedCompute(const double *adParams) const override {
        const double dAmpl = adParams[kAmpl];
        const double dSigma = adParams[kSigma];
        const double dC = 1 / (dSigma * sqrt2);
        const double dY = adParams[kGamma] * dC;
        const double dCentre = ScaledErfc(dY);
        const double dCentreByY = ScaledErfcDerivative(dY, dCentre);
        const double dUnitArea = dSigma * kSqrt2Pi / dCentre;
        const double dArea = dAmpl * dUnitArea;
        const VoigtHalfWidth half = VoigtHalfWidthCompute(dSigma, adParams[kGamma]);
        return {PeakHeight(dAmpl, 4),
                {dArea,
                 {dUnitArea, 0, dArea / dSigma + dArea * dCentreByY * dY / (dSigma * dCentre),
                  -dArea * dCentreByY * dC / dCentre}},
                {2 * half.dValue, {0, 0, 2 * half.dBySigma, 2 * half.dByGamma}}};
    }
};

} // namespace

std::unique_ptr<ModelTerm> VoigtTermMake() {
    return std::make_unique<VoigtTerm>();
}
