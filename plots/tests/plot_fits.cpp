#include "plots/tests/plot_fits.h"

#include <cmath>

#include <gtest/gtest.h>

#include "models/model_grammar.h"
#include "plots/drawing_caches.h"

PlotFit PlotFitRun(const std::string &modelText, const std::function<double(double)> &Truth,
                   double dLow, double dHigh, int iNoRows, double dNoise) {
    PlotFit fit;
    std::string error;
    EXPECT_TRUE(ModelParse(modelText, &fit.model, &error)) << error;
    for (int i = 0; i < iNoRows; i++) {
        const double dX = dLow + (dHigh - dLow) * i / (iNoRows - 1);
        fit.rows.adTime.push_back(dX);
        fit.rows.adData.push_back(Truth(dX) + dNoise * std::sin(12.9898 * i + 0.7));
        fit.rows.adWeight.push_back(dNoise > 0 ? 1.0 / dNoise : 1.0);
    }
    fit.rows.bSigmaGiven = dNoise > 0;
    fit.outcome = ModelFit(fit.model, fit.rows, FitSettings());
    return fit;
}

namespace {

// Frees the drawing library's caches after the last test, for the leak
// checker.
class DrawingCachesEnvironment : public testing::Environment {
  public:
    void TearDown() override { DrawingCachesRelease(); }
};

const testing::Environment *const pCachesEnvironment =
    testing::AddGlobalTestEnvironment(new DrawingCachesEnvironment);

} // namespace
