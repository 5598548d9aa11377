// Setters, getters and queries: range checks, the once-only rule, messages,
// codes, log lines and untouched out-arguments.
#include <cmath>
#include <cstring>
#include <limits>
#include <ostream>
#include <string>

#include "api_fixture.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

constexpr VaroCallback CallbackA = [](VaroHandle) { return 0; };
constexpr VaroCallback CallbackB = [](VaroHandle) { return 1; };

using CountTest = ApiTest;

TEST_F(CountTest, NumberOfModelsIsCheckedAndSetOnce) {
    struct Case {
        const char *pszName;
        int iModels;
        int iRc;
    };
    for (const Case &c : {Case{"zero", 0, 5}, Case{"negative", -1, 5}, Case{"one", 1, 0},
                          Case{"fifty", 50, 0}, Case{"fifty-one", 51, 5}}) {
        const VaroHandle iHandle = ObjectCreate();
        EXPECT_EQ(VaroNoModelsSet(iHandle, c.iModels), c.iRc) << c.pszName;
        int iModels = -3;
        EXPECT_EQ(VaroNoModelsGet(iHandle, &iModels), 0) << c.pszName;
        EXPECT_EQ(iModels, c.iRc == 0 ? c.iModels : 0) << c.pszName;
    }
    const VaroHandle iHandle = ProblemCreate(4, 1);
    for (int iAgain : {4, 7, 51}) {
        EXPECT_EQ(VaroNoModelsSet(iHandle, iAgain), 6) << "second call with " << iAgain;
        EXPECT_STREQ(VaroErrorStringGet(iHandle),
                     "For a particular VARO object, 'VaroNoModelsSet' must be called only once");
    }
}

TEST_F(CountTest, NumberOfParametersIsCheckedBeforeTheOnceOnlyRule) {
    const VaroHandle iHandle = ObjectCreate();
    ASSERT_EQ(VaroNoModelsSet(iHandle, 3), 0);
    struct Case {
        const char *pszName;
        int iModel;
        int iParams;
        int iRc;
        const char *pszError;
    };
    const Case cases[] = {
        {"model 4", 4, 5, 5, "VaroNoModelParamsSet: illegal model (4)"},
        {"no params", 1, 0, 5, "VaroNoModelParamsSet: illegal no.parameters (0)"},
        {"101 params", 1, 101, 5, "VaroNoModelParamsSet: illegal no.parameters (101)"},
        {"100 params", 1, 100, 0, ""},
        {"again, illegal count", 1, 101, 5, "VaroNoModelParamsSet: illegal no.parameters (101)"},
        {"again, same count", 1, 100, 6,
         "For a particular VARO object, 'VaroNoModelParamsSet' must be called only once"},
        {"other model", 3, 1, 0, ""},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(VaroNoModelParamsSet(iHandle, c.iModel, c.iParams), c.iRc) << c.pszName;
        if (c.iRc != 0) {
            EXPECT_STREQ(VaroErrorStringGet(iHandle), c.pszError) << c.pszName;
        }
    }
    int iParams = -1;
    EXPECT_EQ(VaroNoModelParamsGet(iHandle, 2, &iParams), 0);
    EXPECT_EQ(iParams, 0) << "a model whose count was never set";
}

// Storage for any out-argument; a refused call must leave its bytes alone.
union OutArgs {
    int i;
    double ad[2];
    void *p;
    VaroCallback pf;
};

// One per-model or per-parameter function, named as in its messages.
struct NumberedCall {
    const char *pszName;
    bool bPerParam;
    int (*pCall)(VaroHandle, int iModel, int iParam, OutArgs &out);
};

const NumberedCall kNumberedCalls[] = {
    {"VaroModelCallbackSet", false,
     [](VaroHandle h, int m, int, OutArgs &) { return VaroModelCallbackSet(h, m, CallbackA); }},
    {"VaroModelCallbackGet", false,
     [](VaroHandle h, int m, int, OutArgs &o) { return VaroModelCallbackGet(h, m, &o.pf); }},
    {"VaroGradientCallbackSet", false,
     [](VaroHandle h, int m, int, OutArgs &) { return VaroGradientCallbackSet(h, m, CallbackA); }},
    {"VaroGradientCallbackGet", false,
     [](VaroHandle h, int m, int, OutArgs &o) { return VaroGradientCallbackGet(h, m, &o.pf); }},
    {"VaroModelDataPointerSet", false,
     [](VaroHandle h, int m, int, OutArgs &o) { return VaroModelDataPointerSet(h, m, &o); }},
    {"VaroModelDataPointerGet", false,
     [](VaroHandle h, int m, int, OutArgs &o) { return VaroModelDataPointerGet(h, m, &o.p); }},
    {"VaroParamLinkSet", true,
     [](VaroHandle h, int m, int j, OutArgs &) { return VaroParamLinkSet(h, m, j, 3); }},
    {"VaroParamLinkGet", true,
     [](VaroHandle h, int m, int j, OutArgs &o) { return VaroParamLinkGet(h, m, j, &o.i); }},
    {"VaroParamIniValueSet", true,
     [](VaroHandle h, int m, int j, OutArgs &) { return VaroParamIniValueSet(h, m, j, 2.0); }},
    {"VaroParamCurValueGet", true,
     [](VaroHandle h, int m, int j, OutArgs &o) { return VaroParamCurValueGet(h, m, j, o.ad); }},
    {"VaroParamLimitsSet", true,
     [](VaroHandle h, int m, int j, OutArgs &) { return VaroParamLimitsSet(h, m, j, 0.0, 9.0); }},
    {"VaroParamLimitsGet", true,
     [](VaroHandle h, int m, int j, OutArgs &o) {
         return VaroParamLimitsGet(h, m, j, &o.ad[0], &o.ad[1]);
     }},
    {"VaroParamAtLimitGet", true,
     [](VaroHandle h, int m, int j, OutArgs &o) { return VaroParamAtLimitGet(h, m, j, &o.i); }},
};

using NumberCheckTest = ApiTest;

TEST_F(NumberCheckTest, ModelAndParameterNumbersAreChecked) {
    struct Numbers {
        int iModels; // models of the problem, 2 parameters each
        int iModel;
        int iParam;
        const char *pszMessage; // after the function's name; null when accepted
        bool bParamOnly;        // refused by the per-parameter functions only
    };
    const Numbers cases[] = {
        {0, 1, 1, ": illegal model (1)", false},
        {2, 0, 1, ": illegal model (0)", false},
        {2, 3, 1, ": illegal model (3)", false},
        {2, -4, 1, ": illegal model (-4)", false},
        {2, 2, 0, ": illegal parameter number (0)", true},
        {2, 2, 3, ": illegal parameter number (3)", true},
        {2, 2, 2, nullptr, false},
    };
    for (const Numbers &n : cases) {
        const VaroHandle iHandle = n.iModels > 0 ? ProblemCreate(n.iModels, 2) : ObjectCreate();
        for (const NumberedCall &c : kNumberedCalls) {
            const bool bRefused = n.pszMessage != nullptr && (c.bPerParam || !n.bParamOnly);
            OutArgs out;
            std::memset(&out, 0xA5, sizeof out);
            OutArgs before = out;
            EXPECT_EQ(c.pCall(iHandle, n.iModel, n.iParam, out), bRefused ? 5 : 0)
                << c.pszName << " model " << n.iModel << " param " << n.iParam;
            if (bRefused) {
                EXPECT_EQ(VaroErrorStringGet(iHandle), std::string(c.pszName) + n.pszMessage);
                EXPECT_EQ(std::memcmp(&out, &before, sizeof out), 0) << c.pszName << " wrote";
            }
        }
    }
}

TEST_F(NumberCheckTest, UnknownHandleIsRefused) {
    const VaroHandle iGone = ObjectCreate();
    ASSERT_EQ(VaroObjectDelete(iGone), 0);
    OutArgs out;
    std::memset(&out, 0xA5, sizeof out);
    OutArgs before = out;
    for (const NumberedCall &c : kNumberedCalls) {
        EXPECT_EQ(c.pCall(iGone, 1, 1, out), 1) << c.pszName;
    }
    EXPECT_EQ(VaroCurrentParamNumGet(iGone, &out.i), 1);
    EXPECT_EQ(VaroStabVsSpeedSet(iGone, 0.5), 1);
    EXPECT_EQ(VaroModelResidualsGet(iGone, 0, out.ad, nullptr), 1);
    EXPECT_EQ(VaroProgressCallbackGet(iGone, &out.pf), 1);
    EXPECT_EQ(std::memcmp(&out, &before, sizeof out), 0) << "an out-argument was written";
    EXPECT_EQ(VaroNoModelsGet(iGone, &out.i), 1);
    EXPECT_EQ(out.i, 0) << "the model count getter clears its out-argument";
    out.i = 9;
    EXPECT_EQ(VaroNoModelParamsGet(iGone, 1, &out.i), 1);
    EXPECT_EQ(out.i, 0) << "the parameter count getter clears its out-argument";
}

using RecordTest = ApiTest;

TEST_F(RecordTest, CallbacksPointersAndLinksRoundTrip) {
    const VaroHandle iHandle = ProblemCreate(2, 2);
    ASSERT_EQ(VaroModelCallbackSet(iHandle, 2, CallbackB), 0);
    ASSERT_EQ(VaroGradientCallbackSet(iHandle, 1, CallbackA), 0);
    ASSERT_EQ(VaroProgressCallbackSet(iHandle, CallbackB), 0);
    ASSERT_EQ(VaroModelDataPointerSet(iHandle, 2, &createdHandles), 0);
    ASSERT_EQ(VaroParamLinkSet(iHandle, 2, 1, -8), 0);
    OutArgs aOut[6];
    VaroModelCallbackGet(iHandle, 2, &aOut[0].pf);
    VaroGradientCallbackGet(iHandle, 1, &aOut[1].pf);
    VaroGradientCallbackGet(iHandle, 2, &aOut[2].pf);
    VaroProgressCallbackGet(iHandle, &aOut[3].pf);
    VaroModelDataPointerGet(iHandle, 2, &aOut[4].p);
    VaroParamLinkGet(iHandle, 2, 1, &aOut[5].i);
    EXPECT_EQ(aOut[0].pf, CallbackB);
    EXPECT_EQ(aOut[1].pf, CallbackA);
    EXPECT_EQ(aOut[2].pf, nullptr) << "callbacks are kept per model";
    EXPECT_EQ(aOut[3].pf, CallbackB);
    EXPECT_EQ(aOut[4].p, &createdHandles);
    EXPECT_EQ(aOut[5].i, -8);
}

TEST_F(RecordTest, LimitsSetTheirKindAndRefuseReversedIntervals) {
    struct Case {
        const char *pszName;
        double dLower, dUpper;
        int iRc, iKind;
        double dGotLower, dGotUpper;
    };
    const Case cases[] = {
        {"range", -1.0, 2.0, 0, kLimitRange, -1.0, 2.0},
        {"fixed", 3.0, 3.0, 0, kLimitFixed, 3.0, 3.0},
        {"reversed keeps the old", 2.0, 1.0, 5, kLimitRange, 0.0, 10.0},
        {"NaN removes the limits", kNaN, 1.0, 0, kLimitNone, 1.0, -1.0},
    };
    for (const Case &c : cases) {
        const VaroHandle iHandle = ProblemCreate(1, 2);
        ASSERT_EQ(VaroParamLimitsSet(iHandle, 1, 2, 0.0, 10.0), 0);
        EXPECT_EQ(VaroParamLimitsSet(iHandle, 1, 2, c.dLower, c.dUpper), c.iRc) << c.pszName;
        EXPECT_EQ(ObjectFromHandle(iHandle)->models[1].params[2].limitKind, c.iKind) << c.pszName;
        double adGot[2] = {};
        EXPECT_EQ(VaroParamLimitsGet(iHandle, 1, 2, &adGot[0], &adGot[1]), 0);
        EXPECT_EQ(adGot[0], c.dGotLower) << c.pszName;
        EXPECT_EQ(adGot[1], c.dGotUpper) << c.pszName;
        EXPECT_STREQ(VaroErrorStringGet(iHandle),
                     c.iRc == 0 ? ""
                                : "VaroParamLimitsSet: lower limit cannot exceed the upper one ");
        EXPECT_EQ(VaroParamLimitsGet(iHandle, 1, 1, &adGot[0], &adGot[1]), 0);
        EXPECT_EQ(adGot[0] - adGot[1], 2.0) << "a parameter never limited reads as [1, -1]";
    }
}

TEST_F(RecordTest, InitialValueIsLockedWhileProcessing) {
    const VaroHandle iHandle = ProblemCreate(1, 1);
    VaroObject *pObject = ObjectFromHandle(iHandle);
    ASSERT_EQ(VaroParamIniValueSet(iHandle, 1, 1, 4.0), 0);
    pObject->state = kStateProcessing;
    EXPECT_EQ(VaroParamIniValueSet(iHandle, 1, 1, 9.0), 11);
    EXPECT_STREQ(VaroErrorStringGet(iHandle),
                 "VaroParamIniValueSet: Initial value cannot be set while processing");
    EXPECT_EQ(VaroParamIniValueSet(iHandle, 7, 1, 9.0), 11) << "the lock is checked first";
    EXPECT_EQ(pObject->models[1].params[1].value, 4.0);
    pObject->state = kStateFinished;
    EXPECT_EQ(VaroParamIniValueSet(iHandle, 1, 1, 9.0), 0);
    EXPECT_EQ(pObject->models[1].params[1].value, 9.0);
}

TEST_F(RecordTest, CurrentValueFollowsTheStateAndChecksTheLimits) {
    const VaroHandle iHandle = ProblemCreate(1, 3);
    VaroObject *pObject = ObjectFromHandle(iHandle);
    const double adValues[4] = {0.0, 5.0, 2.0, -1.0};
    for (int j = 1; j <= 3; ++j) {
        ASSERT_EQ(VaroParamIniValueSet(iHandle, 1, j, adValues[j]), 0);
    }
    ASSERT_EQ(VaroParamLimitsSet(iHandle, 1, 2, 2.0, 2.0), 0);
    ASSERT_EQ(VaroParamLimitsSet(iHandle, 1, 3, 0.0, 1.0), 0);
    pObject->models[1].params[1].freeIndex = 2;
    pObject->models[1].params[2].freeIndex = 1;
    pObject->freeParams[1].value = 40.0;
    pObject->freeParams[2].value = 50.0;
    struct Case {
        const char *pszName;
        int iState, iParam;
        double dExpected;
        int iRc;
    };
    const Case cases[] = {
        {"configuring: own value", kStateConfiguring, 1, 5.0, 0},
        {"processing: trial value", kStateProcessing, 1, 50.0, 0},
        {"processing, fixed: own value", kStateProcessing, 2, 2.0, 0},
        {"finished: own value", kStateFinished, 1, 5.0, 0},
        {"outside the limits: delivered and 1000", kStateConfiguring, 3, -1.0, 1000},
    };
    for (const Case &c : cases) {
        pObject->state = c.iState;
        double dValue = 0.0;
        EXPECT_EQ(VaroParamCurValueGet(iHandle, 1, c.iParam, &dValue), c.iRc) << c.pszName;
        EXPECT_EQ(dValue, c.dExpected) << c.pszName;
    }
    EXPECT_STREQ(VaroErrorStringGet(iHandle),
                 "VaroParamCurValueGet: parameter value (-1.000000e+00) is out of limits");
}

// A numerical setting, a value to set, the expected code and message.
struct SettingCase {
    int (*pSet)(VaroHandle, double);
    int (*pGet)(VaroHandle, double *);
    double dValue;
    const char *pszError; // null when accepted
};

#define VARO_SETTING(name) Varo##name##Set, Varo##name##Get
const SettingCase kSettingCases[] = {
    {VARO_SETTING(GaussNewtonResNormThresh), 0.0, nullptr},
    {VARO_SETTING(GaussNewtonResNormThresh), -0.001,
     "VaroGaussNewtonResNormThreshSet: illegal threshold (-1.000000e-03)"},
    {VARO_SETTING(GaussNewtonResNormThresh), kNaN,
     "VaroGaussNewtonResNormThreshSet: illegal threshold (nan)"},
    {VARO_SETTING(ResNormChangeTermination), 1.0, nullptr},
    {VARO_SETTING(ResNormChangeTermination), 0.0,
     "VaroResNormChangeTerminationSet: illegal residual norm change termination value "
     "(0.000000e+00)"},
    {VARO_SETTING(ResNormChangeTermination), 1.5,
     "VaroResNormChangeTerminationSet: illegal residual norm change termination value "
     "(1.500000e+00)"},
    {VARO_SETTING(ResNormChangeTermination), kNaN,
     "VaroResNormChangeTerminationSet: illegal residual norm change termination value (nan)"},
    {VARO_SETTING(ParValChangeTermination), 0.1, nullptr},
    {VARO_SETTING(ParValChangeTermination), 0.11,
     "VaroParValChangeTerminationSet: illegal parameter change termination value (1.100000e-01)"},
    {VARO_SETTING(ParValChangeTermination), 0.0,
     "VaroParValChangeTerminationSet: illegal parameter change termination value (0.000000e+00)"},
    {VARO_SETTING(ParValChangeTermination), kNaN,
     "VaroParValChangeTerminationSet: illegal parameter change termination value (nan)"},
    {VARO_SETTING(StabVsSpeed), 1.0, nullptr},
    {VARO_SETTING(StabVsSpeed), 1e-4, nullptr},
    {VARO_SETTING(StabVsSpeed), 1.01,
     "VaroStabVsSpeedSet: illegal stability vs. speed value (1.010000e+00)"},
    {VARO_SETTING(StabVsSpeed), kNaN,
     "VaroStabVsSpeedSet: illegal stability vs. speed value (nan)"},
    {VARO_SETTING(StabVsSpeed), 5e-5,
     "VaroStabVsSpeedSet: stability vs. speed value (5.000000e-05) must be greater than\n"
     "residual norm change termination value (1.000000e-04)"},
};
#undef VARO_SETTING

using SettingTest = ApiTest;

TEST_F(SettingTest, NumericalSettingsCheckTheirRanges) {
    for (const SettingCase &c : kSettingCases) {
        const VaroHandle iHandle = ObjectCreate();
        double dBefore = 0.0;
        double dAfter = 0.0;
        ASSERT_EQ(c.pGet(iHandle, &dBefore), 0);
        EXPECT_EQ(c.pSet(iHandle, c.dValue), c.pszError == nullptr ? 0 : 5) << c.pszError;
        ASSERT_EQ(c.pGet(iHandle, &dAfter), 0);
        EXPECT_EQ(dAfter, c.pszError == nullptr ? c.dValue : dBefore) << c.dValue;
        EXPECT_STREQ(VaroErrorStringGet(iHandle), c.pszError != nullptr ? c.pszError : "");
    }
}

TEST_F(SettingTest, IterationLimitAcceptsMinusOneAndAbove) {
    for (int iValue : {-1, 0, 250, -2, -100}) {
        const VaroHandle iHandle = ObjectCreate();
        ASSERT_EQ(VaroMaxNoIterationsSet(iHandle, 17), 0);
        EXPECT_EQ(VaroMaxNoIterationsSet(iHandle, iValue), iValue >= -1 ? 0 : 5) << iValue;
        int iMax = 0;
        EXPECT_EQ(VaroMaxNoIterationsGet(iHandle, &iMax), 0);
        EXPECT_EQ(iMax, iValue >= -1 ? iValue : 17) << iValue;
    }
}

// A setting that is 0 (the default) or 1 and may not change while processing.
struct ChoiceSetting {
    const char *pszName;   // without "Set"/"Get"
    const char *pszNoun;   // of the messages and log lines
    const char *pszLocked; // the message of a set while processing
    int (*pSet)(VaroHandle, int);
    int (*pGet)(VaroHandle, int *);
};

void PrintTo(const ChoiceSetting &c, std::ostream *pStream) {
    *pStream << c.pszName;
}

const ChoiceSetting kChoiceSettings[] = {
    {"VaroStepMethod", "step method", "Step method cannot be set while processing",
     VaroStepMethodSet, VaroStepMethodGet},
    {"VaroDifferenceScheme", "difference scheme",
     "the difference scheme cannot be set while processing", VaroDifferenceSchemeSet,
     VaroDifferenceSchemeGet},
};

class ChoiceSettingTest : public ApiTest, public testing::WithParamInterface<ChoiceSetting> {};

// Each case sets 1 first, then the value; a refused value leaves 1.
TEST_P(ChoiceSettingTest, IsZeroOrOneAndLockedWhileProcessing) {
    const ChoiceSetting &setting = GetParam();
    const std::string set = std::string(setting.pszName) + "Set";
    const std::string get = std::string(setting.pszName) + "Get";
    for (int iValue : {0, 1, 2, -1}) {
        const bool bLegal = iValue == 0 || iValue == 1;
        const VaroHandle iHandle = ObjectCreate();
        int iGot = -7;
        ASSERT_EQ(setting.pGet(iHandle, &iGot), 0);
        EXPECT_EQ(iGot, 0) << "the default";
        ASSERT_EQ(setting.pSet(iHandle, 1), 0);
        EXPECT_EQ(setting.pSet(iHandle, iValue), bLegal ? 0 : 5) << iValue;
        EXPECT_EQ(VaroErrorStringGet(iHandle), bLegal ? ""
                                                      : set + ": illegal " + setting.pszNoun +
                                                            " (" + std::to_string(iValue) + ")");
        ASSERT_EQ(setting.pGet(iHandle, &iGot), 0);
        EXPECT_EQ(iGot, bLegal ? iValue : 1);
    }
    const VaroHandle iHandle = ObjectCreate();
    const std::string path = LogPath(setting.pszName);
    ASSERT_EQ(VaroLogFileOpen(iHandle, path.c_str()), 0);
    VaroObject *pObject = ObjectFromHandle(iHandle);
    pObject->state = kStateProcessing;
    EXPECT_EQ(setting.pSet(iHandle, 1), 11);
    EXPECT_EQ(VaroErrorStringGet(iHandle), set + ": " + setting.pszLocked);
    int iGot = -7;
    ASSERT_EQ(setting.pGet(iHandle, &iGot), 0);
    EXPECT_EQ(iGot, 0);
    pObject->state = kStateFinished;
    EXPECT_EQ(setting.pSet(iHandle, 1), 0);
    EXPECT_EQ(setting.pGet(iHandle, &iGot), 0);
    const std::string line = std::string(" ") + setting.pszNoun;
    EXPECT_EQ(LogBodyRead(path), "== " + set + "," + line + " 1\n" + set + ": " +
                                     setting.pszLocked + "\n== " + get + "," + line + " 0\n== " +
                                     set + "," + line + " 1\n== " + get + "," + line + " 1\n");
    EXPECT_EQ(setting.pSet(0, 1), 1);
}

INSTANTIATE_TEST_SUITE_P(Settings, ChoiceSettingTest, testing::ValuesIn(kChoiceSettings),
                         [](const auto &info) { return std::string(info.param.pszName); });

// Each case sets soft_l1 with scale 2 first, then the value; a refused value
// leaves that.
TEST_F(SettingTest, LossIsAKnownKindWithAFinitePositiveScale) {
    const struct {
        int iLoss;
        double dScale;
        const char *pszError; // null when accepted
    } kCases[] = {
        {0, 1.0, nullptr},
        {4, 1e-300, nullptr},
        {5, 1.0, "VaroLossSet: illegal loss (5)"},
        {-1, 1.0, "VaroLossSet: illegal loss (-1)"},
        {2, 0.0, "VaroLossSet: illegal loss scale (0.000000e+00), it must be finite and positive"},
        {2, -3.0,
         "VaroLossSet: illegal loss scale (-3.000000e+00), it must be finite and positive"},
        {2, kNaN, "VaroLossSet: illegal loss scale (nan), it must be finite and positive"},
        {2, HUGE_VAL, "VaroLossSet: illegal loss scale (inf), it must be finite and positive"},
    };
    for (const auto &c : kCases) {
        const VaroHandle iHandle = ObjectCreate();
        int iLoss = -7;
        double dScale = 0.0;
        ASSERT_EQ(VaroLossGet(iHandle, &iLoss, &dScale), 0);
        EXPECT_EQ(iLoss, 0) << "the default";
        EXPECT_EQ(dScale, 1.0) << "the default";
        ASSERT_EQ(VaroLossSet(iHandle, 1, 2.0), 0);
        EXPECT_EQ(VaroLossSet(iHandle, c.iLoss, c.dScale), c.pszError == nullptr ? 0 : 5)
            << c.iLoss << " " << c.dScale;
        EXPECT_STREQ(VaroErrorStringGet(iHandle), c.pszError == nullptr ? "" : c.pszError);
        ASSERT_EQ(VaroLossGet(iHandle, &iLoss, &dScale), 0);
        EXPECT_EQ(iLoss, c.pszError == nullptr ? c.iLoss : 1);
        EXPECT_EQ(dScale, c.pszError == nullptr ? c.dScale : 2.0);
    }
    const VaroHandle iHandle = ObjectCreate();
    const std::string path = LogPath("loss");
    ASSERT_EQ(VaroLossSet(iHandle, 3, 0.5), 0);
    ASSERT_EQ(VaroLogFileOpen(iHandle, path.c_str()), 0);
    VaroObject *pObject = ObjectFromHandle(iHandle);
    pObject->state = kStateProcessing;
    EXPECT_EQ(VaroLossSet(iHandle, 1, 1.0), 11);
    pObject->state = kStateFinished;
    int iLoss = 0;
    double dScale = 0.0;
    EXPECT_EQ(VaroLossGet(iHandle, &iLoss, &dScale), 0);
    EXPECT_EQ(iLoss, 3) << "refused while processing";
    EXPECT_EQ(LogBodyRead(path), "== VaroLossSet, loss 1, scale 1.000000e+00\n"
                                 "VaroLossSet: the loss cannot be set while processing\n"
                                 "== VaroLossGet, loss 3, scale 5.000000e-01\n");
    EXPECT_EQ(VaroLossSet(0, 1, 1.0), 1);
}

TEST_F(SettingTest, StabilityIsComparedOnlyWhenItIsSet) {
    const VaroHandle iHandle = ObjectCreate();
    ASSERT_EQ(VaroResNormChangeTerminationSet(iHandle, 0.5), 0);
    EXPECT_EQ(VaroStabVsSpeedSet(iHandle, 0.4), 5);
    EXPECT_EQ(VaroStabVsSpeedSet(iHandle, 0.5), 0);
    EXPECT_EQ(VaroResNormChangeTerminationSet(iHandle, 0.9), 0)
        << "a later termination value is not compared with the stability value";
}

using QueryTest = ApiTest;

TEST_F(QueryTest, CurrentParameterIsTheFirstOfTheFreeParameter) {
    const VaroHandle iHandle = ProblemCreate(2, 4);
    VaroObject *pObject = ObjectFromHandle(iHandle);
    const int aiFreeIndex[] = {0, 5, 2, 5, 6}; // model 2: parameters 1 and 3 share 5
    for (int j = 1; j <= 4; ++j) {
        pObject->models[2].params[j].freeIndex = aiFreeIndex[j];
    }
    struct Case {
        const char *pszName;
        int iModel, iFreeParam, iScanStart, iExpected;
    };
    const Case cases[] = {
        {"first of two linked", 2, 5, 0, 1},
        {"second of two linked", 2, 5, 2, 3},
        {"single parameter", 2, 6, 0, 4},
        {"no match", 2, 7, 0, -1},
        {"scan start beyond the match", 2, 5, 4, -1},
        {"other model has no such free parameter", 1, 5, 0, -1},
        {"model after the last", 3, 5, 0, -1},
    };
    for (const Case &c : cases) {
        pObject->currentModel = c.iModel;
        pObject->currentFreeParam = c.iFreeParam;
        pObject->currentParamScanStart = c.iScanStart;
        int iParam = 0;
        EXPECT_EQ(VaroCurrentParamNumGet(iHandle, &iParam), c.iExpected > 0 ? 0 : 1000)
            << c.pszName;
        EXPECT_EQ(iParam, c.iExpected) << c.pszName;
    }
    EXPECT_STREQ(VaroErrorStringGet(iHandle),
                 "VaroCurrentParamNumGet: internal bug, no model parameter found");
}

TEST_F(QueryTest, ResidualsAreCopiedOnlyWhileTheVectorExists) {
    const VaroHandle iHandle = ProblemCreate(2, 1);
    VaroObject *pObject = ObjectFromHandle(iHandle);
    const double adNorms[3] = {5.0, 3.0, 4.0};
    std::memcpy(pObject->residualNorms, adNorms, sizeof adNorms);
    pObject->residuals[2] = RealVectorAlloc(3); // released by the deletion
    for (int i = 1; i <= 3; ++i) {
        pObject->residuals[2][i] = 10.0 * i;
    }
    struct Case {
        const char *pszName;
        int iModel, iRc;
        double dNorm;
        double adResiduals[4];
    };
    const Case cases[] = {
        {"total norm copies nothing", 0, 0, 5.0, {-1, -1, -1, -1}},
        {"model without vector", 1, 0, 3.0, {-1, -1, -1, -1}},
        {"model with vector", 2, 0, 4.0, {10.0, 20.0, 30.0, -1}},
        {"model -1", -1, 5, -1, {-1, -1, -1, -1}},
        {"model 3", 3, 5, -1, {-1, -1, -1, -1}},
    };
    for (const Case &c : cases) {
        double dNorm = -1;
        double adResiduals[4] = {-1, -1, -1, -1};
        EXPECT_EQ(VaroModelResidualsGet(iHandle, c.iModel, &dNorm, adResiduals), c.iRc)
            << c.pszName;
        EXPECT_EQ(dNorm, c.dNorm) << c.pszName;
        EXPECT_EQ(std::memcmp(adResiduals, c.adResiduals, sizeof adResiduals), 0) << c.pszName;
    }
    EXPECT_STREQ(VaroErrorStringGet(iHandle), "VaroModelResidualsGet: illegal model number (3)");
}

using LogLineTest = ApiTest;

TEST_F(LogLineTest, ConfigurationCallsWriteTheirLines) {
    const VaroHandle iHandle = ProblemCreate(2, 3);
    const std::string path = LogPath("lines");
    ASSERT_EQ(VaroLogFileOpen(iHandle, path.c_str()), 0);
    OutArgs out;
    VaroNoModelsSet(iHandle, 5);
    VaroNoModelsGet(iHandle, &out.i);
    VaroNoModelParamsSet(iHandle, 2, 101);
    VaroNoModelParamsGet(iHandle, 2, &out.i);
    VaroNoModelParamsGet(iHandle, 0, &out.i);
    VaroProgressCallbackSet(iHandle, nullptr);
    VaroModelCallbackSet(iHandle, 3, nullptr);
    VaroGradientCallbackGet(iHandle, 1, &out.pf);
    VaroParamLinkSet(iHandle, 2, 3, 4);
    VaroParamLinkGet(iHandle, 2, 4, &out.i);
    VaroParamIniValueSet(iHandle, 1, 2, 1.5);
    VaroParamCurValueGet(iHandle, 1, 2, out.ad);
    VaroParamLimitsSet(iHandle, 1, 4, 0.0, 1.0);
    VaroParamLimitsGet(iHandle, 1, 1, &out.ad[0], &out.ad[1]);
    VaroParamAtLimitGet(iHandle, 1, 1, &out.i);
    VaroMaxNoIterationsSet(iHandle, 40);
    VaroGaussNewtonResNormThreshSet(iHandle, 0.5);
    VaroGaussNewtonResNormThreshGet(iHandle, out.ad);
    VaroResNormChangeTerminationSet(iHandle, 0.25);
    VaroStabVsSpeedSet(iHandle, 2.0);
    VaroParValChangeTerminationGet(iHandle, out.ad);
    VaroCurrentIterationGet(iHandle, &out.i); // the queries write nothing
    VaroCurrentModelGet(iHandle, &out.i);
    VaroModelResidualsGet(iHandle, 0, out.ad, nullptr);
    const char *apszExpected[] = {
        "== VaroNoModelsSet: No.models= 5",
        "For a particular VARO object, 'VaroNoModelsSet' must be called only once",
        "== VaroNoModelsGet: No.models= 2",
        "== VaroNoModelParamsSet: Model 2, No.Params=101",
        "VaroNoModelParamsSet: illegal no.parameters (101)",
        "== VaroNoModelParamsGet: Model 2, No.Params=3",
        "VaroNoModelParamsGet: illegal model number (0)",
        "== VaroProgressCallbackSet, Pointer=0",
        "== VaroModelCallbackSet, Pointer=0",
        "VaroModelCallbackSet: illegal model (3)",
        "== VaroGradientCallbackGet, Pointer=0",
        "== VaroParamLinkSet, Model 2, Param. 3, Link=4",
        "VaroParamLinkGet: illegal parameter number (4)",
        "== VaroParamIniValueSet, Model 1, Param. 2, Init.value=1.500000e+00",
        "== VaroParamCurValueGet, Model 1, Param. 2, Cur.value=1.500000e+00",
        "== VaroParamLimitsSet, Model 1, Param. 4, Limits=[0.000000e+00,1.000000e+00]",
        "VaroParamLimitsSet: illegal parameter number (4)",
        "== VaroParamLimitsGet, Model 1, Param. 1, Limits=[1.000000e+00,-1.000000e+00]",
        "== VaroParamAtLimitGet, Model 1, Param. 1, AtLimit=0",
        "== VaroMaxNoIterationsSet, Max.no.iterations=40",
        "== VaroGaussNewtonResNormThreshSet, Gauss-Newton chi-squre threshold 5.000000e-01",
        "== VaroGaussNewtonResNormThreshGet, Gauss-Newton chi-squre threshold 5.000000e-01",
        "== VaroResNormChangeTerminationSet, residual norm change termination value 2.500000e-01",
        "== VaroStabVsSpeedSet, stability vs. speed value 2.000000e+00",
        "VaroStabVsSpeedSet: illegal stability vs. speed value (2.000000e+00)",
        "== VaroParValChangeTerminationGet, parameter change termination value 1.000000e-04",
    };
    std::string expected;
    for (const char *pszLine : apszExpected) {
        expected += std::string(pszLine) + "\n";
    }
    EXPECT_EQ(LogBodyRead(path), expected);
}

} // namespace
