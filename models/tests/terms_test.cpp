// The built-in terms: every analytic derivative, of the values and of the
// derived quantities, against central differences; and each peak's derived
// quantities against the shape itself (its height at the centre, half of it
// at FWHM/2 from the centre, its integral).
#include <cmath>
#include <functional>
#include <numbers>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "models/terms.h"

namespace {

struct TermCase {
    const char *pszName;
    std::function<std::unique_ptr<ModelTerm>()> Make;
    std::vector<double> adParams;
    double dFirstX, dLastX;
};

// Shown as the case's name where a test reports its parameter.
void PrintTo(const TermCase &c, std::ostream *pStream) {
    *pStream << c.pszName;
}

std::vector<double> Grid(double dFirst, double dLast, int iNo) {
    std::vector<double> adX;
    for (int i = 0; i < iNo; i++) {
        adX.push_back(dFirst + (dLast - dFirst) * i / (iNo - 1));
    }
    return adX;
}

std::vector<double> Values(const ModelTerm &term, const std::vector<double> &adParams,
                           const std::vector<double> &adX) {
    std::vector<double> adValues(adX.size(), 0.0);
    term.Evaluate(adParams.data(), adX, adValues.data(), nullptr);
    return adValues;
}

std::vector<double> DerivedValues(const ModelTerm &term, const std::vector<double> &adParams) {
    std::vector<double> adValues;
    for (const DerivedQuantity &quantity : term.DerivedCompute(adParams.data())) {
        adValues.push_back(quantity.dValue);
    }
    return adValues;
}

// Central difference of Function (a vector of the parameters) in parameter j.
std::vector<double>
CentralDifference(const std::function<std::vector<double>(const std::vector<double> &)> &Function,
                  std::vector<double> adParams, size_t j) {
    const double dStep = 1e-6 * std::max(1.0, std::fabs(adParams[j]));
    adParams[j] += dStep;
    const std::vector<double> adUp = Function(adParams);
    adParams[j] -= 2 * dStep;
    std::vector<double> adDifference = Function(adParams);
    for (size_t i = 0; i < adDifference.size(); i++) {
        adDifference[i] = (adUp[i] - adDifference[i]) / (2 * dStep);
    }
    return adDifference;
}

class AnalyticDerivatives : public testing::TestWithParam<TermCase> {};

TEST_P(AnalyticDerivatives, AgreeWithCentralDifferences) {
    const TermCase &c = GetParam();
    const std::unique_ptr<ModelTerm> pTerm = c.Make();
    const std::vector<double> adX = Grid(c.dFirstX, c.dLastX, 41);
    const size_t iNo = adX.size();
    ASSERT_EQ(pTerm->ParamBaseNames().size(), c.adParams.size());
    std::vector<double> adValues(iNo, 0.0);
    std::vector<double> adColumns(iNo * c.adParams.size());
    pTerm->Evaluate(c.adParams.data(), adX, adValues.data(), adColumns.data());
    EXPECT_EQ(adValues, Values(*pTerm, c.adParams, adX)) << "values alone and with derivatives";
    const std::vector<DerivedQuantity> derived = pTerm->DerivedCompute(c.adParams.data());
    ASSERT_EQ(derived.size(), pTerm->DerivedBaseNames().size());
    for (size_t j = 0; j < c.adParams.size(); j++) {
        const std::vector<double> adNumeric = CentralDifference(
            [&](const std::vector<double> &adParams) { return Values(*pTerm, adParams, adX); },
            c.adParams, j);
        for (size_t i = 0; i < iNo; i++) {
            EXPECT_NEAR(adColumns[j * iNo + i], adNumeric[i], 1e-6 * (1 + std::fabs(adNumeric[i])))
                << pTerm->ParamBaseNames()[j] << " at x = " << adX[i];
        }
        const std::vector<double> adDerivedNumeric = CentralDifference(
            [&](const std::vector<double> &adParams) { return DerivedValues(*pTerm, adParams); },
            c.adParams, j);
        for (size_t k = 0; k < derived.size(); k++) {
            EXPECT_NEAR(derived[k].adGradient[j], adDerivedNumeric[k],
                        1e-6 * (1 + std::fabs(adDerivedNumeric[k])))
                << pTerm->DerivedBaseNames()[k] << " by " << pTerm->ParamBaseNames()[j];
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Terms, AnalyticDerivatives,
    testing::Values(TermCase{"Gaussian", GaussianTermMake, {3, 1.5, 0.7}, -1.5, 4.5},
                    TermCase{"Lorentzian", LorentzianTermMake, {2, -1, 0.4}, -4, 2},
                    TermCase{"VoigtMostlyGaussian", VoigtTermMake, {2.5, 0.3, 0.5, 0.005}, -2, 2.5},
                    TermCase{"VoigtEven", VoigtTermMake, {-1.5, 0, 1, 1}, -5, 5},
                    TermCase{"VoigtMostlyLorentzian", VoigtTermMake, {2.5, 0.3, 0.02, 2.0}, -8, 8},
                    TermCase{"PseudoVoigt", PseudoVoigtTermMake, {4, 2, 0.8, 0.3}, -1, 5},
                    TermCase{"Exponential", ExponentialTermMake, {5, 0.7}, 0, 6},
                    TermCase{"Constant", ConstantTermMake, {2}, -3, 3},
                    TermCase{"Linear", LinearTermMake, {1, -0.5}, -3, 3},
                    TermCase{"Polynomial5",
                             [] { return PolynomialTermMake(5); },
                             {1, -2, 0.5, 0.1, -0.03, 0.002},
                             -3,
                             3},
                    TermCase{"Polynomial3OnADomain",
                             [] {
                                 std::unique_ptr<ModelTerm> pTerm = PolynomialTermMake(3);
                                 pTerm->DomainSet(400, 700);
                                 return pTerm;
                             },
                             {20, -3, 2, 0.5},
                             380,
                             720}),
    [](const testing::TestParamInfo<TermCase> &info) { return info.param.pszName; });

class PeakQuantities : public testing::TestWithParam<TermCase> {};

// Height, Area and FWHM of the shape as evaluated; the area by Simpson's
// rule in x = Mean + h tan(t), which keeps the heavy tails finite.
TEST_P(PeakQuantities, DescribeTheShape) {
    const TermCase &c = GetParam();
    const std::unique_ptr<ModelTerm> pTerm = c.Make();
    ASSERT_EQ(pTerm->DerivedBaseNames(), (std::vector<std::string>{"Height", "Area", "FWHM"}));
    const std::vector<double> adDerived = DerivedValues(*pTerm, c.adParams);
    const double dHeight = adDerived[0], dArea = adDerived[1], dFwhm = adDerived[2];
    const double dMean = c.adParams[1];
    const std::vector<double> adAtCentre = Values(*pTerm, c.adParams, {dMean});
    const std::vector<double> adAtHalf =
        Values(*pTerm, c.adParams, {dMean - dFwhm / 2, dMean + dFwhm / 2});
    EXPECT_DOUBLE_EQ(dHeight, adAtCentre[0]);
    for (double dValue : adAtHalf) {
        EXPECT_NEAR(dValue, dHeight / 2, 1e-10 * std::fabs(dHeight));
    }
    const int iNoIntervals = 20000;
    const double dLimit = std::numbers::pi / 2 * (1 - 1e-9);
    std::vector<double> adT = Grid(-dLimit, dLimit, iNoIntervals + 1);
    std::vector<double> adX;
    for (double dT : adT) {
        adX.push_back(dMean + dFwhm / 2 * std::tan(dT));
    }
    const std::vector<double> adValues = Values(*pTerm, c.adParams, adX);
    double dIntegral = 0;
    for (int i = 0; i <= iNoIntervals; i++) {
        const double dWeight = (i == 0 || i == iNoIntervals) ? 1 : (i % 2 == 1 ? 4 : 2);
        const double dSecant = 1 / std::cos(adT[i]);
        dIntegral += dWeight * adValues[i] * dFwhm / 2 * dSecant * dSecant;
    }
    dIntegral *= (adT[1] - adT[0]) / 3;
    EXPECT_NEAR(dIntegral, dArea, 1e-6 * std::fabs(dArea));
}

INSTANTIATE_TEST_SUITE_P(
    Peaks, PeakQuantities,
    testing::Values(TermCase{"Gaussian", GaussianTermMake, {3, 1.5, 0.7}, 0, 0},
                    TermCase{"Lorentzian", LorentzianTermMake, {2, -1, 0.4}, 0, 0},
                    TermCase{"VoigtMostlyGaussian", VoigtTermMake, {2.5, 0.3, 0.5, 0.005}, 0, 0},
                    TermCase{"VoigtEven", VoigtTermMake, {-1.5, 0, 1, 1}, 0, 0},
                    TermCase{"VoigtMostlyLorentzian", VoigtTermMake, {2.5, 0.3, 0.02, 2.0}, 0, 0},
                    TermCase{"PseudoVoigt", PseudoVoigtTermMake, {4, 2, 0.8, 0.3}, 0, 0}),
    [](const testing::TestParamInfo<TermCase> &info) { return info.param.pszName; });

} // namespace
