// Allocation failure everywhere: for each configuration, the n-th allocation
// of the wrappers is made to fail, for n = 1, 2, ... until a run no longer
// reaches it. Every failure must come back as a code of the header's table
// with its message, leave no block behind and the parameters as they were,
// and the same object must then fit to the same values, bit for bit, as one
// that never failed.
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <unistd.h>
#include <vector>

#include "numeric/fault_injection.h"
#include "numeric/numeric.h"
#include "varo/varo.h"

namespace {

struct SweepConfig {
    const char *name;
    bool bArmSetUp; // failures during creation and configuration, else during processing
    bool bAnalytic;
    bool bLogFile;
    bool bLinksAndLimits;
    bool bStartOnLimits; // amplitudes start on a limit: one leaves it, one ends on the other
    bool bCovariance;
    int iStepMethod;
    int iLoss = 0;   // the robust loss, 0 linear
    int iScheme = 0; // the difference scheme, 0 central
};

// Shown as the configuration's name where a test reports its parameter.
void PrintTo(const SweepConfig &c, std::ostream *pStream) {
    *pStream << c.name;
}

// Later features join the sweep with one row each.
const SweepConfig kSweepConfigs[] = {
    {"CreationAndConfiguration", true, true, true, true, false, true, 1},
    {"ProcessingAnalytic", false, true, false, false, false, false, 0},
    {"ProcessingNumerical", false, false, false, false, false, false, 0},
    {"ProcessingWithLogFile", false, true, true, false, false, false, 0},
    {"ProcessingWithLinksAndLimits", false, false, false, true, false, false, 0},
    {"ProcessingWithCovariance", false, false, false, false, false, true, 0},
    {"ProcessingDampedStep", false, true, false, true, false, false, 1},
    {"ProcessingOnLimits", false, false, false, false, true, true, 0},
    {"ProcessingDampedOnLimits", false, true, false, false, true, true, 1},
    {"ProcessingRobustLoss", false, true, false, true, false, true, 0, 1},
    {"ProcessingDampedRobustForward", false, false, false, false, false, true, 1, 3, 1},
};

constexpr int kPoints = 8;
constexpr int kModels = 2;
constexpr int kParams = 2;

// The models differ in length, so the Jacobian's block is resized between
// them.
int PointsOf(int m) {
    return m == 1 ? kPoints : kPoints - 3;
}

double TimeOf(int i) {
    return 0.5 * i;
}

// Model m: a e^(-b t), fitted to samples of 2 e^(-0.7 t) (model 1) and
// 3 e^(-0.7 t) (model 2), each with a small wiggle so no fit is exact.
double Sample(int m, int i) {
    return (m == 1 ? 2.0 : 3.0) * std::exp(-0.7 * TimeOf(i)) + 0.01 * std::sin(3.0 * i);
}

bool ParamsGet(VaroHandle iHandle, int m, double *pA, double *pB) {
    return VaroParamCurValueGet(iHandle, m, 1, pA) == 0 &&
           VaroParamCurValueGet(iHandle, m, 2, pB) == 0;
}

// A callback whose hand-over fails passes the failure on as a stop.
int ModelCallback(VaroHandle iHandle) {
    int m = 0;
    double a = 0.0, b = 0.0;
    if (VaroCurrentModelGet(iHandle, &m) != 0 || !ParamsGet(iHandle, m, &a, &b)) {
        return 1;
    }
    double adResiduals[kPoints];
    for (int i = 0; i < PointsOf(m); ++i) {
        adResiduals[i] = a * std::exp(-b * TimeOf(i)) - Sample(m, i);
    }
    return VaroCbReturnVectSet(iHandle, adResiduals, PointsOf(m));
}

int GradientCallback(VaroHandle iHandle) {
    int m = 0, j = 0;
    double a = 0.0, b = 0.0;
    if (VaroCurrentModelGet(iHandle, &m) != 0 || VaroCurrentParamNumGet(iHandle, &j) != 0 ||
        !ParamsGet(iHandle, m, &a, &b)) {
        return 1;
    }
    double adGradient[kPoints];
    for (int i = 0; i < PointsOf(m); ++i) {
        const double e = std::exp(-b * TimeOf(i));
        adGradient[i] = j == 1 ? e : -a * TimeOf(i) * e;
    }
    return VaroCbReturnVectSet(iHandle, adGradient, PointsOf(m));
}

std::string LogPath() {
    return testing::TempDir() + "varo_sweep_" + std::to_string(getpid()) + ".log";
}

// Creates and configures the object; the first nonzero code, if any.
int ProblemSetUp(const SweepConfig &config, VaroHandle *piHandle) {
    int iRc = VaroObjectCreate(piHandle);
    if (iRc != 0) {
        return iRc;
    }
    const VaroHandle h = *piHandle;
    if (config.bLogFile && (iRc = VaroLogFileOpen(h, LogPath().c_str())) != 0) {
        return iRc;
    }
    if ((iRc = VaroNoModelsSet(h, kModels)) != 0 ||
        (iRc = VaroCovarianceSet(h, config.bCovariance ? 1 : 0)) != 0 ||
        (iRc = VaroStepMethodSet(h, config.iStepMethod)) != 0 ||
        (iRc = VaroLossSet(h, config.iLoss, 0.05)) != 0 ||
        (iRc = VaroDifferenceSchemeSet(h, config.iScheme)) != 0) {
        return iRc;
    }
    for (int m = 1; m <= kModels; ++m) {
        if ((iRc = VaroNoModelParamsSet(h, m, kParams)) != 0 ||
            (iRc = VaroModelCallbackSet(h, m, ModelCallback)) != 0 ||
            (iRc = VaroGradientCallbackSet(h, m, config.bAnalytic ? GradientCallback : nullptr)) !=
                0 ||
            (iRc = VaroParamIniValueSet(h, m, 1, 1.0)) != 0 ||
            (iRc = VaroParamIniValueSet(h, m, 2, 0.3)) != 0) {
            return iRc;
        }
        if (config.bLinksAndLimits && ((iRc = VaroParamLinkSet(h, m, 2, 1)) != 0 ||
                                       (iRc = VaroParamLimitsSet(h, m, 1, 0.0, 2.5)) != 0)) {
            return iRc;
        }
        // Model 1's amplitude 2 lies inside the limits, model 2's 3 beyond them.
        if (config.bStartOnLimits && (iRc = VaroParamLimitsSet(h, m, 1, 1.0, 2.5)) != 0) {
            return iRc;
        }
    }
    return 0;
}

std::vector<double> ValuesGet(VaroHandle iHandle) {
    std::vector<double> values;
    for (int m = 1; m <= kModels; ++m) {
        for (int j = 1; j <= kParams; ++j) {
            double dValue = 0.0;
            EXPECT_EQ(0, VaroParamCurValueGet(iHandle, m, j, &dValue));
            values.push_back(dValue);
        }
    }
    return values;
}

// The fitted values, and their standard errors when the covariance is on.
std::vector<double> ResultsGet(VaroHandle iHandle, const SweepConfig &config) {
    std::vector<double> results = ValuesGet(iHandle);
    for (int m = 1; m <= kModels && config.bCovariance; ++m) {
        for (int j = 1; j <= kParams; ++j) {
            double dStdError = 0.0;
            EXPECT_EQ(0, VaroParamStdErrorGet(iHandle, m, j, &dStdError));
            results.push_back(dStdError);
        }
    }
    return results;
}

std::vector<double> ReferenceFit(const SweepConfig &config) {
    VaroHandle h = 0;
    EXPECT_EQ(0, ProblemSetUp(config, &h));
    EXPECT_EQ(0, VaroProcessing(h));
    const std::vector<double> values = ResultsGet(h, config);
    EXPECT_EQ(0, VaroObjectDelete(h));
    return values;
}

bool CodeInTable(int iRc) {
    for (int iCode : {1, 2, 3, 4, 5, 6, 8, 9, 10, 11, 12, 13, 14, 1000}) {
        if (iRc == iCode) {
            return true;
        }
    }
    return false;
}

class AllocationFailure : public testing::TestWithParam<SweepConfig> {
  protected:
    void TearDown() override {
        MemFailureArm(0);
        std::remove(LogPath().c_str());
    }
};

TEST_P(AllocationFailure, EveryFailureIsReportedReleasedAndRecoverable) {
    const SweepConfig &config = GetParam();
    const std::vector<double> reference = ReferenceFit(config);
    long iFailed = 0;
    for (long n = 1;; ++n) {
        SCOPED_TRACE("allocation " + std::to_string(n));
        const long iBase = MemLiveBlockCount();
        VaroHandle h = 0;
        std::vector<double> before;
        int iRc = 0;
        if (config.bArmSetUp) {
            MemFailureArm(n);
            iRc = ProblemSetUp(config, &h);
        } else {
            ASSERT_EQ(0, ProblemSetUp(config, &h));
            before = ValuesGet(h);
            MemFailureArm(n);
            iRc = VaroProcessing(h);
        }
        const bool bReached = MemAllocationCountGet() >= n;
        MemFailureArm(0);
        if (!bReached) {
            EXPECT_EQ(0, iRc);
            EXPECT_EQ(0, VaroObjectDelete(h));
            break;
        }
        ++iFailed;
        EXPECT_TRUE(CodeInTable(iRc)) << iRc;
        if (h != 0) {
            EXPECT_STRNE("", VaroErrorStringGet(h)) << iRc;
        }
        if (!config.bArmSetUp) {
            EXPECT_EQ(before, ValuesGet(h));
            EXPECT_EQ(iBase + 1, MemLiveBlockCount()) << "only the object itself is left";
        }
        // The same object, completed where the failure stopped its set-up.
        if (h == 0 || (config.bArmSetUp && iRc != 0)) {
            if (h != 0) {
                EXPECT_EQ(0, VaroObjectDelete(h));
                EXPECT_EQ(iBase, MemLiveBlockCount());
            }
            ASSERT_EQ(0, ProblemSetUp(config, &h));
        }
        EXPECT_EQ(0, VaroProcessing(h));
        EXPECT_EQ(reference, ResultsGet(h, config));
        EXPECT_EQ(0, VaroObjectDelete(h));
        EXPECT_EQ(iBase, MemLiveBlockCount());
        if (HasFailure()) {
            break;
        }
    }
    EXPECT_GT(iFailed, 0) << "the sweep reached no allocation";
    RecordProperty("allocationPointsFailed", static_cast<int>(iFailed));
    std::printf("%s: %ld allocation points failed\n", config.name, iFailed);
}

INSTANTIATE_TEST_SUITE_P(Sweep, AllocationFailure, testing::ValuesIn(kSweepConfigs),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace

namespace {

// The profile interval of model 1's rate after a converged fit.
int IntervalGet(VaroHandle iHandle, double *pdLow, double *pdHigh) {
    return VaroProfileIntervalGet(iHandle, 1, 2, 0.95, pdLow, pdHigh);
}

// Every allocation of a profile interval made to fail in turn: a code of the
// table, no block left, the fit's values as they were, and then the same
// interval as a call that never failed.
TEST(AllocationFailure, ProfileIntervalFailsCleanlyAtEveryPoint) {
    const SweepConfig config = {"Profile", false, true, false, true, false, true, 1};
    VaroHandle h = 0;
    ASSERT_EQ(0, ProblemSetUp(config, &h));
    ASSERT_EQ(0, VaroProcessing(h));
    double adReference[2] = {};
    ASSERT_EQ(0, IntervalGet(h, &adReference[0], &adReference[1]));
    const std::vector<double> fitted = ResultsGet(h, config);
    long iFailed = 0;
    for (long n = 1;; ++n) {
        SCOPED_TRACE("allocation " + std::to_string(n));
        const long iBase = MemLiveBlockCount();
        double adEnds[2] = {-1.0, -1.0};
        MemFailureArm(n);
        const int iRc = IntervalGet(h, &adEnds[0], &adEnds[1]);
        const bool bReached = MemAllocationCountGet() >= n;
        MemFailureArm(0);
        EXPECT_EQ(iBase, MemLiveBlockCount());
        EXPECT_EQ(fitted, ResultsGet(h, config));
        if (!bReached) {
            EXPECT_EQ(0, iRc);
            break;
        }
        ++iFailed;
        EXPECT_TRUE(CodeInTable(iRc)) << iRc;
        EXPECT_STRNE("", VaroErrorStringGet(h));
        ASSERT_EQ(0, IntervalGet(h, &adEnds[0], &adEnds[1]));
        EXPECT_EQ(adReference[0], adEnds[0]);
        EXPECT_EQ(adReference[1], adEnds[1]);
        if (HasFailure()) {
            break;
        }
    }
    EXPECT_GT(iFailed, 0);
    std::printf("ProfileInterval: %ld allocation points failed\n", iFailed);
    EXPECT_EQ(0, VaroObjectDelete(h));
}

} // namespace
