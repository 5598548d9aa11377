// Residual evaluation and the hand-over of callback vectors.
#include <gtest/gtest.h>
#include <ostream>

#include "engine_fixture.h"

namespace engine_test {
namespace {

// A model callback that makes a scripted series of hand-overs in one call.
struct HandOverCase {
    const char *name;
    std::vector<Values> vectors;
    std::vector<int> lengths;
    std::vector<int> expected;
    int iProcessing; // no iterations allowed: 9 after a good evaluation, else 8
    double dNorm;
    const char *message;
};

// Shown as the case's name where a test reports its parameter.
void PrintTo(const HandOverCase &c, std::ostream *pStream) {
    *pStream << c.name;
}

const HandOverCase *pScript = nullptr;
std::vector<int> scriptResults;
std::string scriptError;

int ScriptedModel(VaroHandle iHandle) {
    for (size_t i = 0; i < pScript->vectors.size(); ++i) {
        scriptResults.push_back(
            VaroCbReturnVectSet(iHandle, pScript->vectors[i].data(), pScript->lengths[i]));
    }
    scriptError = VaroErrorStringGet(iHandle);
    return 0;
}

#define LENGTH_MESSAGE(length)                                                                     \
    "VaroCbReturnVectSet: return vector length (" length                                           \
    ") must be positive and\nthe same for one "                                                    \
    "model"

const HandOverCase kHandOverCases[] = {
    {"Single", {{3.0, 4.0}}, {2}, {0}, 9, 5.0, ""},
    {"SecondInOneCallKeepsTheFirst",
     {{3.0, 4.0}, {1.0, 1.0}},
     {2, 2},
     {0, 1000},
     9,
     5.0,
     "VaroCbReturnVectSet: yRetVectSet is not FALSE"},
    {"ZeroLength", {{1.0}}, {0}, {5}, 8, 0.0, LENGTH_MESSAGE("0")},
    {"NegativeLength", {{1.0}}, {-3}, {5}, 8, 0.0, LENGTH_MESSAGE("-3")},
    {"RefusedThenTaken", {{1.0}, {0.0, 2.0}}, {0, 2}, {5, 0}, 9, 2.0, ""},
};

class HandOver : public testing::TestWithParam<HandOverCase> {};

TEST_P(HandOver, FollowsTheRulesOfOneCall) {
    pScript = &GetParam();
    scriptResults.clear();
    VaroHandle iHandle = 0;
    ASSERT_EQ(0, VaroObjectCreate(&iHandle));
    VaroNoModelsSet(iHandle, 1);
    VaroNoModelParamsSet(iHandle, 1, 1);
    VaroModelCallbackSet(iHandle, 1, ScriptedModel);
    VaroMaxNoIterationsSet(iHandle, 0);
    EXPECT_EQ(pScript->iProcessing, VaroProcessing(iHandle));
    EXPECT_EQ(pScript->expected, scriptResults);
    if (pScript->message[0] != '\0') {
        EXPECT_EQ(pScript->message, scriptError);
    }
    double dNorm = -1.0;
    VaroModelResidualsGet(iHandle, 1, &dNorm, nullptr);
    EXPECT_EQ(pScript->dNorm, dNorm);
    VaroObjectDelete(iHandle);
}

INSTANTIATE_TEST_SUITE_P(Engine, HandOver, testing::ValuesIn(kHandOverCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(ResidualEvaluation, ModelsOfDifferentLengthsAddUpToTheTotalNorm) {
    TestModel first{{0.0}, [](const Values &) { return Values{3.0}; }};
    TestModel second{{0.0}, [](const Values &) { return Values{0.0, 4.0, 0.0}; }};
    FitProblem problem({&first, &second});
    VaroMaxNoIterationsSet(problem.Handle(), 0);
    EXPECT_EQ(9, VaroProcessing(problem.Handle()));
    EXPECT_EQ((Values{3.0, 4.0, 5.0}), (Values{problem.Norm(1), problem.Norm(2), problem.Norm(0)}));
    ASSERT_EQ(1u, second.calls.size());
    EXPECT_EQ(1, first.calls[0].iModel);
    EXPECT_EQ(2, second.calls[0].iModel);
    EXPECT_EQ(0, second.calls[0].iIteration);
}

TEST(ResidualEvaluation, ModelChangingItsLengthWithinARunIsRefused) {
    TestModel model{{1.0}};
    // Three residuals at the initial point, four at every later one.
    model.residuals = [&model](const Values &p) {
        return model.calls.empty() ? Values{p[0], 1.0, 1.0} : Values{p[0], 1.0, 1.0, 1.0};
    };
    FitProblem problem({&model});
    // The first perturbed evaluation of the Jacobian hands over nothing usable.
    EXPECT_EQ(13, VaroProcessing(problem.Handle()));
    ASSERT_EQ(2u, model.calls.size());
    EXPECT_EQ(0, model.calls[0].iHandOverRc);
    EXPECT_EQ(5, model.calls[1].iHandOverRc);
    EXPECT_EQ(LENGTH_MESSAGE("4"), problem.ErrorText());
}

const double adOneValue[] = {1.0};
int LengthTooLargeGradient(VaroHandle iHandle) {
    scriptResults.push_back(VaroCbReturnVectSet(iHandle, adOneValue, 1000000000));
    scriptError = VaroErrorStringGet(iHandle);
    return 0;
}

TEST(ResidualEvaluation, HandOverTooLongToHoldReleasesTheOldVector) {
    TestModel model{{1.0}, [](const Values &p) { return Values{p[0], 2.0}; }};
    FitProblem problem({&model});
    VaroGradientCallbackSet(problem.Handle(), 1, LengthTooLargeGradient);
    scriptResults.clear();
    testing::internal::CaptureStdout();
    EXPECT_EQ(13, VaroProcessing(problem.Handle()));
    // No leak banner: the vector of the earlier hand-over was released.
    EXPECT_EQ("", testing::internal::GetCapturedStdout());
    EXPECT_EQ(std::vector<int>{3}, scriptResults);
    EXPECT_EQ("VaroCbReturnVectSet: memory allocation for 1000000000 double elements", scriptError);
}

TEST(ResidualEvaluation, UnknownHandleIsRefused) {
    const double adValues[] = {1.0};
    EXPECT_EQ(1, VaroCbReturnVectSet(0, adValues, 1));
}

} // namespace
} // namespace engine_test
