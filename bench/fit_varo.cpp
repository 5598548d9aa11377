// The Varo library as a caller uses it: one model whose callback reads its data
// and the current parameters through the API and hands the residuals back.
// Eight profiles: either step method, analytic or numerical derivatives, each
// with the default settings or with the tight profile; and the damped step
// with forward differences and lmdif's tolerances. Every fit asks for the
// covariance, so its counts include the Jacobian at the fitted point.
#include "fitters.h"

#include "varo/varo.h"

#include <algorithm>
#include <cfloat>
#include <chrono>
#include <cmath>
#include <string>

namespace bench {
namespace {

struct VaroContext {
    const Problem &problem;
    CallbackClock clock;
    CallbackClock jacobianClock;     // the gradient callbacks alone
    std::vector<double> adParams;    // scratch: the current parameters
    std::vector<double> adResiduals; // scratch: the residual vector
    std::vector<double> adJacobian;  // column-major, at adJacobianPoint
    std::vector<double> adJacobianPoint;
    std::vector<double> adLastProgressParams; // the point of the last iteration
    long lResidualEvals = 0;
    long lJacobianEvals = 0;
    long lProgressCalls = 0; // one before the first iteration, then one per iteration
    // The counts at the last progress call: those of the fit itself, without
    // the Jacobian that a converged run adds for its standard errors.
    long lResidualEvalsAtProgress = 0;
    long lJacobianEvalsAtProgress = 0;

    explicit VaroContext(const Problem &problemIn)
        : problem(problemIn), adParams(problemIn.ParamCount()), adResiduals(problemIn.adY.size()),
          adJacobian(problemIn.adY.size() * problemIn.ParamCount()) {}
};

VaroContext *VaroContextGet(VaroHandle iHandle) {
    void *pData = nullptr;
    if (VaroModelDataPointerGet(iHandle, 1, &pData) != 0) {
        return nullptr;
    }
    return static_cast<VaroContext *>(pData);
}

// Reads the current parameter values; the library's code on failure.
int VaroParamsRead(VaroHandle iHandle, VaroContext &context) {
    for (int j = 1; j <= context.problem.ParamCount(); ++j) {
        const int iRc = VaroParamCurValueGet(iHandle, 1, j, &context.adParams[j - 1]);
        if (iRc != 0) {
            return iRc;
        }
    }
    return 0;
}

int VaroModelCallback(VaroHandle iHandle) {
    const auto start = std::chrono::steady_clock::now(); // the lookup below is callback time
    VaroContext *pContext = VaroContextGet(iHandle);
    if (pContext == nullptr) {
        return 1;
    }
    CallbackClock::Scope scope(pContext->clock, start);
    ++pContext->lResidualEvals;
    const int iRc = VaroParamsRead(iHandle, *pContext);
    if (iRc != 0) {
        return iRc;
    }
    ResidualsCompute(pContext->problem, pContext->adParams.data(), pContext->adResiduals.data());
    return VaroCbReturnVectSet(iHandle, pContext->adResiduals.data(),
                               static_cast<int>(pContext->adResiduals.size()));
}

// The library asks for one Jacobian column per call; the dual-number model
// gives a whole row at once, so the full Jacobian is computed on the first
// request at a point and later columns at the same point come from it. Every
// fitter thus pays the same for a Jacobian.
int VaroGradientCallback(VaroHandle iHandle) {
    const auto start = std::chrono::steady_clock::now(); // the lookup below is callback time
    VaroContext *pContext = VaroContextGet(iHandle);
    if (pContext == nullptr) {
        return 1;
    }
    CallbackClock::Scope scope(pContext->clock, start);
    CallbackClock::Scope jacobianScope(pContext->jacobianClock, start);
    VaroContext &context = *pContext;
    int iParam = 0;
    int iRc = VaroCurrentParamNumGet(iHandle, &iParam);
    if (iRc == 0) {
        iRc = VaroParamsRead(iHandle, context);
    }
    if (iRc != 0) {
        return iRc;
    }
    const int iRows = context.problem.RowCount();
    if (context.adJacobianPoint != context.adParams) {
        ++context.lJacobianEvals;
        JacobianCompute(context.problem, context.adParams.data(), context.adJacobian.data(), 1,
                        iRows);
        context.adJacobianPoint = context.adParams;
    }
    return VaroCbReturnVectSet(iHandle, context.adJacobian.data() + (iParam - 1) * iRows, iRows);
}

int VaroProgressCallback(VaroHandle iHandle) {
    const auto start = std::chrono::steady_clock::now(); // the lookup below is callback time
    VaroContext *pContext = VaroContextGet(iHandle);
    if (pContext == nullptr) {
        return 1;
    }
    CallbackClock::Scope scope(pContext->clock, start);
    ++pContext->lProgressCalls;
    pContext->lResidualEvalsAtProgress = pContext->lResidualEvals;
    pContext->lJacobianEvalsAtProgress = pContext->lJacobianEvals;
    const int iRc = VaroParamsRead(iHandle, *pContext);
    if (iRc == 0) {
        pContext->adLastProgressParams = pContext->adParams;
    }
    return iRc;
}

// The tight profile: termination values at the machine epsilon, where 1 - c
// still differs from 1 in the norm-change test, and a Gauss-Newton threshold
// that no residual norm reaches, so that the Gauss-Newton step is tried in
// every iteration.
int VaroTightProfileSet(VaroHandle iHandle) {
    int iRc = VaroResNormChangeTerminationSet(iHandle, DBL_EPSILON);
    if (iRc == 0) {
        iRc = VaroParValChangeTerminationSet(iHandle, DBL_EPSILON);
    }
    if (iRc == 0) {
        iRc = VaroGaussNewtonResNormThreshSet(iHandle, DBL_MAX);
    }
    return iRc;
}

// The tolerances of lmdif1 and lmder1, the square root of the machine epsilon,
// as both termination values.
int VaroMinpackToleranceSet(VaroHandle iHandle) {
    const double dTolerance = std::sqrt(DBL_EPSILON);
    int iRc = VaroResNormChangeTerminationSet(iHandle, dTolerance);
    return iRc != 0 ? iRc : VaroParValChangeTerminationSet(iHandle, dTolerance);
}

// How one profile drives the library.
struct VaroProfile {
    bool bAnalytic;
    bool bTight;
    int iStepMethod;
    int iScheme = 0; // central or forward differences
    bool bMinpackTolerance = false;
};

int VaroProblemSetUp(VaroHandle iHandle, VaroContext &context, const std::vector<double> &adStart,
                     const VaroProfile &profile) {
    const int iParams = context.problem.ParamCount();
    int iRc = VaroNoModelsSet(iHandle, 1);
    iRc = iRc != 0 ? iRc : VaroNoModelParamsSet(iHandle, 1, iParams);
    iRc = iRc != 0 ? iRc : VaroModelCallbackSet(iHandle, 1, &VaroModelCallback);
    iRc = iRc != 0 ? iRc : VaroModelDataPointerSet(iHandle, 1, &context);
    iRc = iRc != 0 ? iRc : VaroProgressCallbackSet(iHandle, &VaroProgressCallback);
    iRc = iRc != 0 ? iRc : VaroCovarianceSet(iHandle, 1);
    if (iRc == 0 && profile.bAnalytic) {
        iRc = VaroGradientCallbackSet(iHandle, 1, &VaroGradientCallback);
    }
    for (int j = 1; iRc == 0 && j <= iParams; ++j) {
        iRc = VaroParamIniValueSet(iHandle, 1, j, adStart[j - 1]);
    }
    for (int j = 1; iRc == 0 && j <= static_cast<int>(context.problem.adLower.size()); ++j) {
        iRc = VaroParamLimitsSet(iHandle, 1, j, context.problem.adLower[j - 1],
                                 context.problem.adUpper[j - 1]);
    }
    if (iRc == 0 && profile.bTight) {
        iRc = VaroTightProfileSet(iHandle);
    }
    if (iRc == 0 && profile.iStepMethod != 0) {
        iRc = VaroStepMethodSet(iHandle, profile.iStepMethod);
    }
    if (iRc == 0 && profile.iScheme != 0) {
        iRc = VaroDifferenceSchemeSet(iHandle, profile.iScheme);
    }
    if (iRc == 0 && profile.bMinpackTolerance) {
        iRc = VaroMinpackToleranceSet(iHandle);
    }
    return iRc;
}

// After a success the parameters hold the fitted values; after a failure they
// keep the start, so the point of the last completed iteration is reported.
std::vector<double> VaroPointReachedGet(VaroHandle iHandle, int iProcessingRc, VaroContext &context,
                                        const std::vector<double> &adStart) {
    if (iProcessingRc == 0 && VaroParamsRead(iHandle, context) == 0) {
        return context.adParams;
    }
    return context.adLastProgressParams.empty() ? adStart : context.adLastProgressParams;
}

// The standard errors of a converged fit; empty when the library has none
// (code 15: for instance a rank-deficient Jacobian at the fitted point).
std::vector<double> VaroStdErrorsGet(VaroHandle iHandle, int iProcessingRc, int iParams) {
    std::vector<double> adStdErrors(iParams);
    for (int j = 1; iProcessingRc == 0 && j <= iParams; ++j) {
        if (VaroParamStdErrorGet(iHandle, 1, j, &adStdErrors[j - 1]) != 0) {
            return {};
        }
    }
    return iProcessingRc == 0 ? adStdErrors : std::vector<double>{};
}

FitOutcome VaroFit(const Problem &problem, const std::vector<double> &adStart,
                   const VaroProfile &profile) {
    FitOutcome outcome;
    VaroHandle iHandle = 0;
    if (VaroObjectCreate(&iHandle) != 0) {
        outcome.sStatus = "no object";
        outcome.adParams = adStart;
        return outcome;
    }
    VaroContext context(problem);
    int iRc = VaroProblemSetUp(iHandle, context, adStart, profile);
    if (iRc == 0) {
        iRc = VaroProcessing(iHandle);
    }
    outcome.bConverged = iRc == 0;
    outcome.sStatus = "rc " + std::to_string(iRc);
    outcome.adParams = VaroPointReachedGet(iHandle, iRc, context, adStart);
    outcome.adStdErrors = VaroStdErrorsGet(iHandle, iRc, problem.ParamCount());
    // A converged run ends right after its last progress call, apart from the
    // statistics; any other run is counted whole.
    outcome.lResidualEvals = iRc == 0 ? context.lResidualEvalsAtProgress : context.lResidualEvals;
    outcome.lJacobianEvals = iRc == 0 ? context.lJacobianEvalsAtProgress : context.lJacobianEvals;
    outcome.lIterations = std::max(0L, context.lProgressCalls - 1);
    outcome.dCallbackSeconds = context.clock.Seconds();
    outcome.dJacobianSeconds = context.jacobianClock.Seconds();
    VaroObjectDelete(iHandle);
    return outcome;
}

} // namespace

FitOutcome VaroAnalyticFit(const Problem &problem, const std::vector<double> &adStart) {
    return VaroFit(problem, adStart, {true, false, 0});
}

FitOutcome VaroNumericFit(const Problem &problem, const std::vector<double> &adStart) {
    return VaroFit(problem, adStart, {false, false, 0});
}

FitOutcome VaroAnalyticTightFit(const Problem &problem, const std::vector<double> &adStart) {
    return VaroFit(problem, adStart, {true, true, 0});
}

FitOutcome VaroNumericTightFit(const Problem &problem, const std::vector<double> &adStart) {
    return VaroFit(problem, adStart, {false, true, 0});
}

FitOutcome VaroDampedAnalyticFit(const Problem &problem, const std::vector<double> &adStart) {
    return VaroFit(problem, adStart, {true, false, 1});
}

FitOutcome VaroDampedNumericFit(const Problem &problem, const std::vector<double> &adStart) {
    return VaroFit(problem, adStart, {false, false, 1});
}

FitOutcome VaroDampedAnalyticTightFit(const Problem &problem, const std::vector<double> &adStart) {
    return VaroFit(problem, adStart, {true, true, 1});
}

FitOutcome VaroDampedNumericTightFit(const Problem &problem, const std::vector<double> &adStart) {
    return VaroFit(problem, adStart, {false, true, 1});
}

FitOutcome VaroDampedForwardFit(const Problem &problem, const std::vector<double> &adStart) {
    return VaroFit(problem, adStart, {false, false, 1, 1, true});
}

} // namespace bench
