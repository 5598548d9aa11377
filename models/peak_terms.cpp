// The gaussian, lorentzian and pseudo-Voigt peaks: values, derivatives,
// starts and derived quantities (models/terms.h). The gaussian evaluates
// through the gaussian family's formula, with the standard deviation as its
// parameter in place of the variance.
#include <cmath>
#include <numbers>

#include "models/gauss_family.h"
#include "models/peak_quantities.h"
#include "models/terms.h"

namespace {

using std::numbers::ln2;
using std::numbers::pi;

// Twice the half width at half maximum of a gaussian over its standard
// deviation: 2*sqrt(2 ln 2).
const double kGaussFwhmPerSigma = 2 * std::sqrt(2 * ln2);
const double kSqrt2Pi = std::sqrt(2 * pi);

class GaussianTerm final : public PeakTerm {
  public:
    enum { kAmpl, kMean, kSigma };

    std::unique_ptr<ModelTerm> Clone() const override {
        return std::make_unique<GaussianTerm>(*this);
    }
    std::vector<std::string> ParamBaseNames() const override { return {"Ampl", "Mean", "Sigma"}; }
    std::vector<std::string> DerivedBaseNames() const override { return PeakQuantityNames(); }
    ParamRange DefaultLimits(int iParam) const override { return WidthLimits(iParam == kSigma); }

    void Evaluate(const double *adParams, std::span<const double> adX, double *adValues,
                  double *adColumns) const override {
        const double dSigma = adParams[kSigma];
        const double adFamily[3] = {adParams[kAmpl], adParams[kMean], dSigma * dSigma};
        const size_t iNo = adX.size();
        for (size_t i = 0; i < iNo; i++) {
            const GaussPoint point = GaussPointCompute(adFamily, adX[i]);
            adValues[i] += point.dValue;
            if (adColumns != nullptr) {
                adColumns[i] = point.dByAmpl;
                adColumns[iNo + i] = point.dByMean;
                adColumns[2 * iNo + i] = point.dByVar * 2 * dSigma;
            }
        }
    }

    void StartFromShape(double dHeight, double dPosition, double dHalfWidth,
                        double *adParams) const override {
        adParams[kAmpl] = dHeight;
        adParams[kMean] = dPosition;
        adParams[kSigma] = 2 * dHalfWidth / kGaussFwhmPerSigma;
    }

    // Area A*S*sqrt(2 pi), FWHM 2*sqrt(2 ln 2)*S.
    std::vector<DerivedQuantity> DerivedCompute(const double *adParams) const override {
        const double dAmpl = adParams[kAmpl];
        const double dSigma = adParams[kSigma];
        return {PeakHeight(dAmpl, 3),
                {dAmpl * dSigma * kSqrt2Pi, {dSigma * kSqrt2Pi, 0, dAmpl * kSqrt2Pi}},
                {kGaussFwhmPerSigma * dSigma, {0, 0, kGaussFwhmPerSigma}}};
    }
};

class LorentzianTerm final : public PeakTerm {
  public:
    enum { kAmpl, kMean, kGamma };

    std::unique_ptr<ModelTerm> Clone() const override {
        return std::make_unique<LorentzianTerm>(*this);
    }
    std::vector<std::string> ParamBaseNames() const override { return {"Ampl", "Mean", "Gamma"}; }
    std::vector<std::string> DerivedBaseNames() const override { return PeakQuantityNames(); }
    ParamRange DefaultLimits(int iParam) const override { return WidthLimits(iParam == kGamma); }

    // With u = (x-M)/G and q = 1/(1+u^2): dF/du = -2 A u q^2.
    void Evaluate(const double *adParams, std::span<const double> adX, double *adValues,
                  double *adColumns) const override {
        const double dAmpl = adParams[kAmpl];
        const double dGamma = adParams[kGamma];
        const size_t iNo = adX.size();
        for (size_t i = 0; i < iNo; i++) {
            const double dU = (adX[i] - adParams[kMean]) / dGamma;
            const double dQ = 1 / (1 + dU * dU);
            adValues[i] += dAmpl * dQ;
            if (adColumns != nullptr) {
                const double dByU = -2 * dAmpl * dU * dQ * dQ;
                adColumns[i] = dQ;
                adColumns[iNo + i] = -dByU / dGamma;
                adColumns[2 * iNo + i] = -dByU * dU / dGamma;
            }
        }
    }

    void StartFromShape(double dHeight, double dPosition, double dHalfWidth,
                        double *adParams) const override {
        adParams[kAmpl] = dHeight;
        adParams[kMean] = dPosition;
        adParams[kGamma] = dHalfWidth;
    }

    // Area pi*A*G, FWHM 2*G.
    std::vector<DerivedQuantity> DerivedCompute(const double *adParams) const override {
        const double dAmpl = adParams[kAmpl];
        const double dGamma = adParams[kGamma];
        return {PeakHeight(dAmpl, 3),
                {pi * dAmpl * dGamma, {pi * dGamma, 0, pi * dAmpl}},
                {2 * dGamma, {0, 0, 2}}};
    }
};

// A gaussian and a lorentzian of the same half width G, mixed in the
// fraction Eta (the lorentzian's).
class PseudoVoigtTerm final : public PeakTerm {
  public:
    enum { kAmpl, kMean, kGamma, kEta };

    std::unique_ptr<ModelTerm> Clone() const override {
        return std::make_unique<PseudoVoigtTerm>(*this);
    }
    std::vector<std::string> ParamBaseNames() const override {
        return {"Ampl", "Mean", "Gamma", "Eta"};
    }
    std::vector<std::string> DerivedBaseNames() const override { return PeakQuantityNames(); }
    ParamRange DefaultLimits(int iParam) const override {
        return iParam == kEta ? ParamRange{0, 1} : WidthLimits(iParam == kGamma);
    }

    // With u = (x-M)/G, g = exp(-ln2 u^2) and l = 1/(1+u^2):
    // dF/du = A * ((1-Eta) * (-2 ln2 u g) + Eta * (-2 u l^2)).
    void Evaluate(const double *adParams, std::span<const double> adX, double *adValues,
                  double *adColumns) const override {
        const double dAmpl = adParams[kAmpl];
        const double dGamma = adParams[kGamma];
        const double dEta = adParams[kEta];
        const size_t iNo = adX.size();
        for (size_t i = 0; i < iNo; i++) {
            const double dU = (adX[i] - adParams[kMean]) / dGamma;
            const double dG = std::exp(-ln2 * dU * dU);
            const double dL = 1 / (1 + dU * dU);
            const double dShape = (1 - dEta) * dG + dEta * dL;
            adValues[i] += dAmpl * dShape;
            if (adColumns != nullptr) {
                const double dByU =
                    dAmpl * ((1 - dEta) * (-2 * ln2 * dU * dG) + dEta * (-2 * dU * dL * dL));
                adColumns[i] = dShape;
                adColumns[iNo + i] = -dByU / dGamma;
                adColumns[2 * iNo + i] = -dByU * dU / dGamma;
                adColumns[3 * iNo + i] = dAmpl * (dL - dG);
            }
        }
    }

    void StartFromShape(double dHeight, double dPosition, double dHalfWidth,
                        double *adParams) const override {
        adParams[kAmpl] = dHeight;
        adParams[kMean] = dPosition;
        adParams[kGamma] = dHalfWidth;
        adParams[kEta] = 0.5;
    }

    // Area A*G*((1-Eta)*sqrt(pi/ln2) + Eta*pi), FWHM 2*G: both parts have
    // their half maximum at u = 1.
    std::vector<DerivedQuantity> DerivedCompute(const double *adParams) const override {
        const double dAmpl = adParams[kAmpl];
        const double dGamma = adParams[kGamma];
        const double dEta = adParams[kEta];
        const double dGaussArea = std::sqrt(pi / ln2);
        const double dUnitArea = (1 - dEta) * dGaussArea + dEta * pi;
        return {PeakHeight(dAmpl, 4),
                {dAmpl * dGamma * dUnitArea,
                 {dGamma * dUnitArea, 0, dAmpl * dUnitArea, dAmpl * dGamma * (pi - dGaussArea)}},
                {2 * dGamma, {0, 0, 2, 0}}};
    }
};

} // namespace

std::unique_ptr<ModelTerm> GaussianTermMake() {
    return std::make_unique<GaussianTerm>();
}

std::unique_ptr<ModelTerm> LorentzianTermMake() {
    return std::make_unique<LorentzianTerm>();
}

std::unique_ptr<ModelTerm> PseudoVoigtTermMake() {
    return std::make_unique<PseudoVoigtTerm>();
}
