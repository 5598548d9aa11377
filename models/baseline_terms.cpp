// Baselines: polynomials of degree 0 (constant) to kMaxPolynomialDegree,
// evaluated by Horner's rule; the derivative with respect to coefficient k is
// u^k. The constant and the line are polynomials in x itself (u = x); poly:K
// is one in u = (x - middle) / half width of its domain, which keeps its
// columns from growing apart and from lining up with each other as the
// powers of x do far from 0 (x^3 and x^5 over 400 to 700 are all but
// parallel), so that even a fifth degree fits.
#include <cmath>
#include <string>

#include "models/terms.h"

namespace {

class PolynomialTerm final : public BaselineTerm {
  public:
    PolynomialTerm(int iDegree, std::vector<std::string> names, bool bNormalised)
        : iDegree(iDegree), names(std::move(names)), bNormalised(bNormalised) {}

    std::unique_ptr<ModelTerm> Clone() const override {
        return std::make_unique<PolynomialTerm>(*this);
    }
    std::vector<std::string> ParamBaseNames() const override { return names; }
    bool DomainUsed() const override { return bNormalised; }

    // A domain of no width (or none that is finite) leaves u = x - middle.
    void DomainSet(double dLow, double dHigh) override {
        if (!bNormalised) {
            return;
        }
        dMiddle = std::isfinite(dLow + dHigh) ? (dLow + dHigh) / 2 : 0.0;
        const double dHalf = (dHigh - dLow) / 2;
        dHalfWidth = std::isfinite(dHalf) && dHalf > 0 ? dHalf : 1.0;
    }

    void Evaluate(const double *adParams, std::span<const double> adX, double *adValues,
                  double *adColumns) const override {
        const size_t iNo = adX.size();
        for (size_t i = 0; i < iNo; i++) {
            const double dU = (adX[i] - dMiddle) / dHalfWidth;
            double dValue = adParams[iDegree];
            for (int k = iDegree - 1; k >= 0; k--) {
                dValue = dValue * dU + adParams[k];
            }
            adValues[i] += dValue;
            if (adColumns == nullptr) {
                continue;
            }
            double dPower = 1;
            for (int k = 0; k <= iDegree; k++, dPower *= dU) {
                adColumns[k * iNo + i] = dPower;
            }
        }
    }

    // The line, a + b x = a + b (middle + half width u), for the constant and
    // linear coefficients, 0 for the others; a constant takes the line's value
    // in the middle of the data.
    void StartFromLine(double dIntercept, double dSlope, double dDataMiddle,
                       double *adParams) const override {
        if (iDegree == 0) {
            adParams[0] = dIntercept + dSlope * dDataMiddle;
            return;
        }
        adParams[0] = dIntercept + dSlope * dMiddle;
        adParams[1] = dSlope * dHalfWidth;
        for (int k = 2; k <= iDegree; k++) {
            adParams[k] = 0.0;
        }
    }

  private:
    int iDegree;
    std::vector<std::string> names;
    bool bNormalised;
    double dMiddle = 0.0, dHalfWidth = 1.0; // u = x until a domain is set
};

} // namespace

std::unique_ptr<ModelTerm> ConstantTermMake() {
    return std::make_unique<PolynomialTerm>(0, std::vector<std::string>{"Const"}, false);
}

std::unique_ptr<ModelTerm> LinearTermMake() {
    return std::make_unique<PolynomialTerm>(1, std::vector<std::string>{"Intercept", "Slope"},
                                            false);
}

std::unique_ptr<ModelTerm> PolynomialTermMake(int iDegree) {
    std::vector<std::string> names;
    for (int k = 0; k <= iDegree; k++) {
        names.push_back(std::string(1, 'C').append(std::to_string(k)));
    }
    return std::make_unique<PolynomialTerm>(iDegree, std::move(names), true);
}
