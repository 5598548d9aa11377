// The exponential term A*exp(-Gamma*x), evaluated through the exponential
// family's formula, with its time constant Tau = 1/Gamma.
#include <limits>

#include "models/exp_family.h"
#include "models/terms.h"

namespace {

class ExponentialTerm final : public ModelTerm {
  public:
    enum { kAmpl, kGamma };

    std::unique_ptr<ModelTerm> Clone() const override {
        return std::make_unique<ExponentialTerm>(*this);
    }
    TermKind Kind() const override { return TermKind::kDecay; }
    std::vector<std::string> ParamBaseNames() const override { return {"Ampl", "Gamma"}; }
    std::vector<std::string> DerivedBaseNames() const override { return {"Tau"}; }
    ParamRange DefaultLimits(int iParam) const override {
        return iParam == kGamma ? ParamRange{0, std::numeric_limits<double>::infinity()}
                                : ParamRange{};
    }

    void Evaluate(const double *adParams, std::span<const double> adX, double *adValues,
                  double *adColumns) const override {
        const size_t iNo = adX.size();
        for (size_t i = 0; i < iNo; i++) {
            const ExpPoint point = ExpPointCompute(adParams, adX[i]);
            adValues[i] += point.dValue;
            if (adColumns != nullptr) {
                adColumns[i] = point.dByAmpl;
                adColumns[iNo + i] = point.dByRate;
            }
        }
    }

    // dTau/dGamma = -1/Gamma^2.
    std::vector<DerivedQuantity> DerivedCompute(const double *adParams) const override {
        const double dGamma = adParams[kGamma];
        return {{1 / dGamma, {0, -1 / (dGamma * dGamma)}}};
    }
};

} // namespace

std::unique_ptr<ModelTerm> ExponentialTermMake() {
    return std::make_unique<ExponentialTerm>();
}
