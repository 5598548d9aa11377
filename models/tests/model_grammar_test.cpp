// The --model grammar: the names a model gets, and the position and reason
// of each kind of fault.
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "models/model_grammar.h"

namespace {

struct GrammarCase {
    const char *pszText;
    std::vector<std::string> params;
    std::vector<std::string> derived;
};

void PrintTo(const GrammarCase &c, std::ostream *pStream) {
    *pStream << c.pszText;
}

class ValidModel : public testing::TestWithParam<GrammarCase> {};

TEST_P(ValidModel, NamesPeaksByNumberAndBaselinesAsTheyAre) {
    const GrammarCase &c = GetParam();
    Model model;
    std::string error;
    ASSERT_TRUE(ModelParse(c.pszText, &model, &error)) << error;
    EXPECT_EQ(model.ParamNames(), c.params);
    EXPECT_EQ(model.DerivedNames(), c.derived);
}

INSTANTIATE_TEST_SUITE_P(
    Grammar, ValidModel,
    testing::Values(GrammarCase{"gauss:2",
                                {"Ampl1", "Mean1", "Sigma1", "Ampl2", "Mean2", "Sigma2"},
                                {"Height1", "Area1", "FWHM1", "Height2", "Area2", "FWHM2"}},
                    GrammarCase{"voigt+linear",
                                {"Ampl1", "Mean1", "Sigma1", "Gamma1", "Intercept", "Slope"},
                                {"Height1", "Area1", "FWHM1"}},
                    GrammarCase{"exp:2+const",
                                {"Ampl1", "Gamma1", "Ampl2", "Gamma2", "Const"},
                                {"Tau1", "Tau2"}},
                    GrammarCase{" lorentz:1 + pvoigt:1 + poly:2 ",
                                {"Ampl1", "Mean1", "Gamma1", "Ampl2", "Mean2", "Gamma2", "Eta2",
                                 "C0", "C1", "C2"},
                                {"Height1", "Area1", "FWHM1", "Height2", "Area2", "FWHM2"}},
                    GrammarCase{"gauss+formula:a*x+b",
                                {"Ampl1", "Mean1", "Sigma1", "a", "b"},
                                {"Height1", "Area1", "FWHM1"}},
                    GrammarCase{"formula:A*exp(-x/tau)+C", {"A", "tau", "C"}, {}}));

struct FaultCase {
    const char *pszText;
    const char *pszMessage; // what the message ends with
};

void PrintTo(const FaultCase &c, std::ostream *pStream) {
    *pStream << c.pszText;
}

class FaultyModel : public testing::TestWithParam<FaultCase> {};

TEST_P(FaultyModel, IsRefusedWithItsPosition) {
    const FaultCase &c = GetParam();
    Model model;
    std::string error;
    ASSERT_FALSE(ModelParse(c.pszText, &model, &error));
    EXPECT_TRUE(error.ends_with(c.pszMessage)) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Grammar, FaultyModel,
    testing::Values(
        FaultCase{"gauss:0", "N from 1 to 10 at position 1"},
        FaultCase{"gauss:11", "N from 1 to 10 at position 1"},
        FaultCase{"gauss:2x", "N from 1 to 10 at position 1"},
        FaultCase{"", "formula:EXPR) at position 1"},
        FaultCase{"gauss:2+lorentzz:1", "formula:EXPR) at position 9"},
        FaultCase{"gauss+", "formula:EXPR) at position 7"},
        FaultCase{"linear + poly:6", "K from 1 to 5 at position 10"},
        FaultCase{"linear+const:2", "const takes no count at position 8"},
        FaultCase{"const+const", "the name 'Const' is taken by another term at position 7"},
        FaultCase{"gauss+formula:Ampl1*x",
                  "the name 'Ampl1' is taken by another term at position 15"},
        FaultCase{"formula:A*exp(-x/tau", "at position 21"},
        FaultCase{"formula:2*x+", "at position 13"},
        FaultCase{"formula:2*x", "no parameters (variables other than x) at position 9"},
        FaultCase{"voigt:10+pvoigt:10+gauss:10", "more than 100 parameters at position 20"}));

} // namespace
