// Baselines: polynomials in x of degree 0 (constant) to kMaxPolynomialDegree,
// evaluated by Horner's rule; the derivative with respect to coefficient k is
// x^k.
#include <string>

#include "models/terms.h"

namespace {

class PolynomialTerm final : public BaselineTerm {
  public:
    PolynomialTerm(int iDegree, std::vector<std::string> names)
        : iDegree(iDegree), names(std::move(names)) {}

    std::unique_ptr<ModelTerm> Clone() const override {
        return std::make_unique<PolynomialTerm>(*this);
    }
    std::vector<std::string> ParamBaseNames() const override { return names; }

    void Evaluate(const double *adParams, std::span<const double> adX, double *adValues,
                  double *adColumns) const override {
        const size_t iNo = adX.size();
        for (size_t i = 0; i < iNo; i++) {
            const double dX = adX[i];
            double dValue = adParams[iDegree];
            for (int k = iDegree - 1; k >= 0; k--) {
                dValue = dValue * dX + adParams[k];
            }
            adValues[i] += dValue;
            if (adColumns == nullptr) {
                continue;
            }
            double dPower = 1;
            for (int k = 0; k <= iDegree; k++, dPower *= dX) {
                adColumns[k * iNo + i] = dPower;
            }
        }
    }

    // The line for the constant and linear coefficients, 0 for the others; a
    // constant takes the line's value in the middle of the data.
    void StartFromLine(double dIntercept, double dSlope, double dMiddle,
                       double *adParams) const override {
        adParams[0] = iDegree == 0 ? dIntercept + dSlope * dMiddle : dIntercept;
        for (int k = 1; k <= iDegree; k++) {
            adParams[k] = k == 1 ? dSlope : 0.0;
        }
    }

  private:
    int iDegree;
    std::vector<std::string> names;
};

} // namespace

std::unique_ptr<ModelTerm> ConstantTermMake() {
    return std::make_unique<PolynomialTerm>(0, std::vector<std::string>{"Const"});
}

std::unique_ptr<ModelTerm> LinearTermMake() {
    return std::make_unique<PolynomialTerm>(1, std::vector<std::string>{"Intercept", "Slope"});
}

std::unique_ptr<ModelTerm> PolynomialTermMake(int iDegree) {
    std::vector<std::string> names;
    for (int k = 0; k <= iDegree; k++) {
        names.push_back(std::string(1, 'C').append(std::to_string(k)));
    }
    return std::make_unique<PolynomialTerm>(iDegree, std::move(names));
}
