// The curves of a fit: the confidence band against the closed form of a
// straight line, with analytic derivatives and with differences; a fit
// without covariance has no band; a polynomial baseline drawn in the fit's
// domain; the terms on the baseline add up to the fitted curve.
#include <cmath>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "numeric/distributions.h"
#include "plots/fit_curves.h"
#include "plots/tests/plot_fits.h"

namespace {

struct LineCase {
    const char *pszName;
    const char *pszModel;
};

void PrintTo(const LineCase &c, std::ostream *pStream) {
    *pStream << c.pszName;
}

class LineBand : public testing::TestWithParam<LineCase> {};

// t(0.975, nu) sqrt(Var a + 2 x Cov(a, b) + x^2 Var b) at every x.
TEST_P(LineBand, IsTheClosedForm) {
    const PlotFit fit = PlotFitRun(
        GetParam().pszModel, [](double dX) { return 1.0 + 2.0 * dX; }, -1, 4, 12, 0.2);
    ASSERT_EQ(fit.outcome.iStatus, 0) << fit.outcome.message;
    const FitCurves curves = FitCurvesCompute(fit.model, fit.rows, fit.outcome, true);
    ASSERT_EQ(curves.adBand.size(), curves.adGridX.size());
    const std::vector<double> &c = fit.outcome.adCovariance;
    const double dT = StudentTQuantile(0.975, 10);
    for (size_t i = 0; i < curves.adGridX.size(); i++) {
        const double dX = curves.adGridX[i];
        const double dClosed = dT * std::sqrt(c[0] + 2 * dX * c[1] + dX * dX * c[3]);
        EXPECT_NEAR(curves.adBand[i], dClosed, 1e-7 * dClosed) << "x = " << dX;
    }
}

INSTANTIATE_TEST_SUITE_P(Derivatives, LineBand,
                         testing::Values(LineCase{"Analytic", "linear"},
                                         LineCase{"Differences", "formula:a+b*x"}),
                         [](const testing::TestParamInfo<LineCase> &info) {
                             return info.param.pszName;
                         });

TEST(FitCurves, NoBandWithoutCovariance) {
    PlotFit fit = PlotFitRun(
        "linear", [](double dX) { return 1.0 + 2.0 * dX; }, -1, 4, 12, 0.2);
    // The outcome of a fit that stopped early: values, no statistics.
    FitSettings settings;
    settings.iMaxIterations = 1;
    settings.adStartInOrder = {50.0, -30.0};
    fit.outcome = ModelFit(fit.model, fit.rows, settings);
    ASSERT_EQ(fit.outcome.iStatus, 9) << fit.outcome.message;
    const FitCurves curves = FitCurvesCompute(fit.model, fit.rows, fit.outcome, true);
    EXPECT_TRUE(curves.adBand.empty());
    EXPECT_EQ(curves.adFit.size(), curves.adGridX.size());
    EXPECT_EQ(curves.adResidual.size(), fit.rows.adTime.size());
}

// Two peaks on a polynomial in x normalised to the rows far from x = 0: the
// fitted curve is the truth, and each peak drawn on the baseline less the
// baseline sums with it to the fitted curve.
TEST(FitCurves, TermsOnThePolynomialBaselineAddUpToTheTruth) {
    const auto Truth = [](double dX) {
        const double dU = (dX - 550.0) / 150.0;
        return 40 * std::exp(-0.5 * std::pow((dX - 500) / 12, 2)) +
               25 * std::exp(-0.5 * std::pow((dX - 610) / 15, 2)) + 10 + 3 * dU - 4 * dU * dU;
    };
    const PlotFit fit = PlotFitRun("gauss:2+poly:2", Truth, 400, 700, 301, 0.0);
    ASSERT_EQ(fit.outcome.iStatus, 0) << fit.outcome.message;
    const FitCurves curves = FitCurvesCompute(fit.model, fit.rows, fit.outcome, true);
    ASSERT_EQ(curves.terms.size(), 2u);
    ASSERT_EQ(curves.adBaseline.size(), curves.adGridX.size());
    for (size_t i = 0; i < curves.adGridX.size(); i += 7) {
        const double dSum = curves.terms[0][i] + curves.terms[1][i] - curves.adBaseline[i];
        EXPECT_NEAR(curves.adFit[i], Truth(curves.adGridX[i]), 1e-3) << curves.adGridX[i];
        EXPECT_NEAR(dSum, curves.adFit[i], 1e-9 * std::fabs(curves.adFit[i]) + 1e-12);
    }
}

} // namespace
