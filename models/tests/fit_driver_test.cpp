// The fit driver: what a model or a progress hook throws ends the fit with a
// status and a message instead of unwinding through the library; every
// evaluation is counted; a polynomial baseline far from x = 0 fits; a formula
// model, whose parser is not safe on several threads, fits alike on many.
#include <atomic>
#include <cmath>
#include <new>
#include <ostream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "models/fit_driver.h"
#include "models/model_grammar.h"
#include "models/terms.h"

namespace {

// A gaussian whose evaluation number iThrowAt throws (0: never).
class ThrowingTerm final : public PeakTerm {
  public:
    ThrowingTerm(int iThrowAt, bool bOutOfMemory)
        : iThrowAt(iThrowAt), bOutOfMemory(bOutOfMemory) {}

    std::unique_ptr<ModelTerm> Clone() const override {
        return std::make_unique<ThrowingTerm>(iThrowAt, bOutOfMemory);
    }
    std::vector<std::string> ParamBaseNames() const override { return gaussian->ParamBaseNames(); }
    void Evaluate(const double *adParams, std::span<const double> adX, double *adValues,
                  double *adColumns) const override {
        if (++iNoCalls == iThrowAt) {
            if (bOutOfMemory) {
                throw std::bad_alloc();
            }
            throw std::runtime_error("the model broke");
        }
        gaussian->Evaluate(adParams, adX, adValues, adColumns);
    }
    void StartFromShape(double, double, double, double *) const override {}
    int CallsGet() const { return iNoCalls; }

  private:
    std::unique_ptr<ModelTerm> gaussian = GaussianTermMake();
    int iThrowAt;
    bool bOutOfMemory;
    mutable int iNoCalls = 0;
};

// A gaussian (40, 10, 2) on 0.5 + 0.1 x with a fixed pattern of noise.
DataRows RowsMake() {
    DataRows rows;
    for (int i = 0; i < 200; i++) {
        const double dX = 0.1 * i;
        const double dOffset = (dX - 10) / 2;
        rows.adTime.push_back(dX);
        rows.adData.push_back(40 * std::exp(-dOffset * dOffset / 2) + 0.5 + 0.1 * dX +
                              0.3 * std::sin(7.3 * i));
        rows.adWeight.push_back(1.0);
    }
    return rows;
}

struct StopCase {
    const char *pszName;
    int iThrowAt;      // the model's evaluation that throws, 0: none
    bool bOutOfMemory; // it throws bad_alloc, otherwise runtime_error
    int iHookStopsAt;  // the iteration whose progress hook returns false, -1: none
    int iHookThrowsAt; // the iteration whose progress hook throws, -1: none
    int iStatus;
    const char *pszMessage;
};

void PrintTo(const StopCase &c, std::ostream *pStream) {
    *pStream << c.pszName;
}

class FitStop : public testing::TestWithParam<StopCase> {};

TEST_P(FitStop, EndsWithAStatusAndTheLastValues) {
    const StopCase &c = GetParam();
    Model model;
    ASSERT_TRUE(model.TermAdd(std::make_unique<ThrowingTerm>(c.iThrowAt, c.bOutOfMemory), "", "1",
                              nullptr));
    FitSettings settings;
    settings.adStartInOrder = {30, 9, 3};
    settings.Progress = [&c](int iIteration, std::span<const double>) {
        if (iIteration == c.iHookThrowsAt) {
            throw std::runtime_error("the hook broke");
        }
        return iIteration != c.iHookStopsAt;
    };
    const FitOutcome outcome = ModelFit(model, RowsMake(), settings);
    EXPECT_EQ(outcome.iStatus, c.iStatus);
    EXPECT_EQ(outcome.message, c.pszMessage);
    ASSERT_EQ(outcome.adValues.size(), 3u);
    EXPECT_TRUE(std::isfinite(outcome.dChiSquare));
    EXPECT_TRUE(std::isnan(outcome.adErrors[0]));
}

INSTANTIATE_TEST_SUITE_P(
    Stops, FitStop,
    testing::Values(StopCase{"OutOfMemoryAtTheFirstEvaluation", 1, true, -1, -1,
                             kFitExceptionCaught, "The fit stopped on an exception: out of memory"},
                    StopCase{"ModelThrowsLater", 6, false, -1, -1, kFitExceptionCaught,
                             "The fit stopped on an exception: the model broke"},
                    StopCase{"HookThrows", 0, false, -1, 1, kFitExceptionCaught,
                             "The fit stopped on an exception: the hook broke"},
                    StopCase{"HookStops", 0, false, 1, -1, 10, ""}),
    [](const testing::TestParamInfo<StopCase> &info) { return info.param.pszName; });

// The counts: a numerical fit asks for values alone, each evaluated once; an
// analytic one forms the columns with the values, so that it evaluates the
// model fewer times than it asks for values and columns.
TEST(FitCounts, ValuesAndColumnsAreCountedAndFormedInOnePass) {
    for (const bool bAnalytic : {true, false}) {
        Model model;
        ASSERT_TRUE(model.TermAdd(std::make_unique<ThrowingTerm>(0, false), "", "1", nullptr));
        FitSettings settings;
        settings.adStartInOrder = {30, 9, 3};
        settings.bAnalytic = bAnalytic;
        const FitOutcome outcome = ModelFit(model, RowsMake(), settings);
        ASSERT_EQ(outcome.iStatus, 0) << outcome.message;
        const int iNoCalls = dynamic_cast<const ThrowingTerm &>(model.Term(0)).CallsGet();
        if (bAnalytic) {
            EXPECT_GE(outcome.iNoColumnCalls, outcome.iIterations);
            EXPECT_GE(iNoCalls, outcome.iNoModelCalls);
            EXPECT_LT(iNoCalls, outcome.iNoModelCalls + outcome.iNoColumnCalls);
        } else {
            EXPECT_EQ(outcome.iNoColumnCalls, 0);
            EXPECT_EQ(iNoCalls, outcome.iNoModelCalls);
        }
    }
}

// A curved baseline far from x = 0, where the powers of x are all but
// parallel: the fit reaches at least the truth's chi-square.
TEST(FitBaseline, PolynomialFarFromZeroFits) {
    Model model;
    std::string error;
    ASSERT_TRUE(ModelParse("gauss+poly:3", &model, &error)) << error;
    DataRows rows;
    double dTruthChiSquare = 0;
    for (int i = 0; i <= 600; i++) {
        const double dX = 400 + 0.5 * i;
        const double dU = (dX - 550) / 150;
        const double dOffset = (dX - 520) / 6;
        const double dNoise = std::sin(7.3 * i);
        rows.adTime.push_back(dX);
        rows.adData.push_back(60 * std::exp(-dOffset * dOffset / 2) + 20 - 5 * dU + 8 * dU * dU -
                              3 * dU * dU * dU + dNoise);
        rows.adWeight.push_back(1.0);
        dTruthChiSquare += dNoise * dNoise;
    }
    const FitOutcome outcome = ModelFit(model, rows, FitSettings());
    EXPECT_EQ(outcome.iStatus, 0) << outcome.message;
    EXPECT_LE(outcome.dChiSquare, dTruthChiSquare);
    EXPECT_NEAR(outcome.adValues[model.ParamFind("C2")], 8, 0.5);
    EXPECT_EQ(outcome.dDomainLow, 400);
    EXPECT_EQ(outcome.dDomainHigh, 700);
}

TEST(FitThreads, FormulaModelFitsAlikeOnManyThreads) {
    Model model;
    std::string error;
    ASSERT_TRUE(ModelParse("formula:A*exp(-(x-M)^2/(2*S^2))+B+C*x", &model, &error)) << error;
    FitSettings settings;
    settings.adStartInOrder = {30, 9, 3, 0, 0};
    const DataRows rows = RowsMake();
    const FitOutcome serial = ModelFit(model, rows, settings);
    ASSERT_EQ(serial.iStatus, 0) << serial.message;
    constexpr int kNoThreads = 4, kNoFitsEach = 5;
    std::atomic<int> iNoDiffering = 0;
    {
        std::vector<std::jthread> threads;
        for (int t = 0; t < kNoThreads; t++) {
            threads.emplace_back([&] {
                for (int k = 0; k < kNoFitsEach; k++) {
                    const FitOutcome outcome = ModelFit(model, rows, settings);
                    iNoDiffering += outcome.adValues != serial.adValues;
                }
            });
        }
    }
    EXPECT_EQ(iNoDiffering, 0);
}

} // namespace
