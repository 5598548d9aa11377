// The damped (Levenberg-Marquardt) step: trial steps in the decomposition of
// the normal matrix that the step search already holds, so that every new
// damping value lambda costs O(n^2) and no new factorisation.
//
// The scale s_j of free parameter j is the largest magnitude its value has had
// in the run (the magnitude itself, or the scale the Jacobian gives a zero
// value, whichever is larger). Taken from the current value alone, as the
// eigenvector search does, the scale of a parameter whose value passes near 0
// would shrink towards 0, and the damping, which grows with the change in
// units of the scale, would hold the parameter there. In units of the scaled
// free parameters (parameter j divided by s_j), with V and S the eigenvectors
// and eigenvalues of the normal matrix of the scaled Jacobian J~ and
// b = V^t J~^t r, the step is -V (S + lambda)^-1 b. lambda follows Nielsen's
// rule (see varo.h); an iteration tries larger lambda until a trial lowers the
// total norm. A parameter whose trial would leave its limits is held on the
// limit and the step of the others solved again.
#include <algorithm>
#include <cfloat>
#include <cmath>

#include "varo/engine.h"
#include "varo/held_step.h"

namespace {

// lambda of the first iteration, as a share of the largest eigenvalue.
constexpr double kDampingStartShare = 1e-4;
// Bounds of lambda, as shares of the largest eigenvalue: below the floor the
// damping vanishes in rounding; above the ceiling every step is rounding.
constexpr double kDampingFloorShare = DBL_EPSILON;
constexpr double kDampingCeilingShare = 1.0 / (DBL_EPSILON * DBL_EPSILON);
// Trials of one iteration at most; lambda passes its ceiling long before.
constexpr int kDampingTrialsMax = 50;
// A step whose predicted decrease of the sum of squares is below this share
// of it is lost in the rounding of the sum: the iteration makes no trial.
constexpr double kPredictedDecreaseMin = DBL_EPSILON;
// Nielsen's smallest reduction factor of lambda after an accepted step.
constexpr double kDampingReductionMin = 1.0 / 3.0;

// The decomposition of one iteration, in units of the scaled parameters.
struct DampedSystem {
    int n;
    RealMatrix v;                          // column i: eigenvector i
    double adEigen[kMaxFreeParams + 1];    // eigenvalues, rounding below 0 lifted to 0
    double adGradient[kMaxFreeParams + 1]; // b
    double dLargest;                       // the largest eigenvalue
};

// One trial: its step in scaled units, the parameters held on a limit, and the
// predicted decrease of the sum of squares as a share of the old one.
struct DampedTrial {
    double lambda;
    double adStep[kMaxFreeParams + 1];
    double adInverse[kMaxFreeParams + 1];  // 1 / (eigenvalue + lambda)
    double adFreeStep[kMaxFreeParams + 1]; // -V (S + lambda)^-1 b: no parameter held
    bool abHeld[kMaxFreeParams + 1];
    double adHeldValue[kMaxFreeParams + 1]; // the limit a held parameter lies on
    double dPredicted;
};

// Turns the eigenvectors back from changes of the free parameters into
// changes of the scaled parameters (the step search scaled their rows).
void DampedSystemSet(VaroObject *pObject, DampedSystem &system) {
    system.n = pObject->freeParamCount;
    system.v = pObject->normalMatrix;
    for (int j = 1; j <= system.n; ++j) {
        const double dScale = pObject->paramScales[j];
        for (int i = 1; i <= system.n; ++i) {
            system.v[j][i] /= dScale;
        }
    }
    for (int i = 1; i <= system.n; ++i) {
        system.adEigen[i] = std::max(pObject->singularValues[i], 0.0);
        system.adGradient[i] = pObject->gradientVector[i];
    }
    system.dLargest = system.adEigen[1];
}

// lambda at the start of an iteration: the first iteration starts afresh, a
// later one goes on from the last, brought within the bounds of this one.
double DampingStartGet(const VaroObject *pObject, const DampedSystem &system) {
    const double dFloor = std::max(kDampingFloorShare * system.dLargest, DBL_MIN);
    const double dLambda = pObject->dampingLambda;
    if (pObject->currentIteration <= 1 || !(dLambda <= kDampingCeilingShare * system.dLargest)) {
        return std::max(kDampingStartShare * system.dLargest, dFloor);
    }
    return std::max(dLambda, dFloor);
}

// Holds on its limit every parameter there whose gradient points out of the
// box; the others on a limit are free to move in. True when one was held.
bool OutwardParamsHold(const VaroObject *pObject, DampedTrial &trial) {
    bool bHeld = false;
    for (int j = 1; j <= pObject->freeParamCount; ++j) {
        trial.abHeld[j] = pObject->limitStates[j] == kLimitStateHeld;
        if (trial.abHeld[j]) {
            trial.adHeldValue[j] = pObject->savedFreeParams[j].value;
            bHeld = true;
        }
    }
    return bHeld;
}

// Holds every limited parameter whose trial value would leave its limits on
// the limit it would cross. True when a parameter was added.
bool HeldParamsAdd(const VaroObject *pObject, DampedTrial &trial) {
    bool bAdded = false;
    for (int j = 1; j <= pObject->freeParamCount; ++j) {
        const ParamRecord &base = pObject->savedFreeParams[j];
        if (base.limitKind == kLimitNone || trial.abHeld[j]) {
            continue;
        }
        const double dEnd = base.value + pObject->paramScales[j] * trial.adStep[j];
        if (dEnd < base.lowerLimit || dEnd > base.upperLimit) {
            trial.abHeld[j] = true;
            trial.adHeldValue[j] = dEnd < base.lowerLimit ? base.lowerLimit : base.upperLimit;
            bAdded = true;
        }
    }
    return bAdded;
}

// The step with the held parameters on their limits: minimises the damped
// model over the other parameters. False when the system cannot be solved; 3
// in *piResult when its scratch was not obtained.
bool HeldTrialStepSolve(VaroObject *pObject, const DampedSystem &system, DampedTrial &trial,
                        HeldStepScratch &scratch, int *piResult) {
    double adTarget[kMaxFreeParams + 1];
    for (int j = 1; j <= system.n; ++j) {
        adTarget[j] = trial.abHeld[j] ? (trial.adHeldValue[j] - pObject->savedFreeParams[j].value) /
                                            pObject->paramScales[j]
                                      : 0.0;
    }
    const HeldStepProblem problem = {system.n,         system.v,     trial.adInverse,
                                     trial.adFreeStep, trial.abHeld, adTarget};
    const int iResult = HeldStepSolve(pObject, problem, scratch, trial.adStep);
    if (iResult == kRcNoMemory) {
        *piResult = kRcNoMemory;
    }
    return iResult == 0;
}

// The predicted decrease of the sum of squares, as a share of dOld squared:
// -2 y^t b - y^t S y with y = V^t step.
double PredictedDecreaseGet(const DampedSystem &system, const DampedTrial &trial, double dOld) {
    double dPredicted = 0.0;
    for (int i = 1; i <= system.n; ++i) {
        double y = 0.0;
        for (int l = 1; l <= system.n; ++l) {
            y += system.v[l][i] * trial.adStep[l];
        }
        y /= dOld;
        dPredicted -= y * (2.0 * system.adGradient[i] / dOld + system.adEigen[i] * y);
    }
    return dPredicted;
}

// The step of trial.lambda in scaled units, every limited parameter kept within
// its limits. False when no finite step was found (*piResult then says
// whether it is a failure).
bool TrialStepSet(VaroObject *pObject, const DampedSystem &system, DampedTrial &trial,
                  HeldStepScratch &scratch, int *piResult) {
    const int n = system.n;
    for (int i = 1; i <= n; ++i) {
        trial.adInverse[i] = 1.0 / (system.adEigen[i] + trial.lambda);
    }
    for (int l = 1; l <= n; ++l) {
        double dSum = 0.0;
        for (int i = 1; i <= n; ++i) {
            dSum += system.v[l][i] * trial.adInverse[i] * system.adGradient[i];
        }
        trial.adFreeStep[l] = -dSum;
        trial.adStep[l] = -dSum;
    }
    // Each round after the first holds at least one more parameter, so n
    // rounds suffice.
    bool bHeldMore = OutwardParamsHold(pObject, trial);
    for (int iRound = 0; iRound < n && (bHeldMore || HeldParamsAdd(pObject, trial)); ++iRound) {
        bHeldMore = false;
        if (!HeldTrialStepSolve(pObject, system, trial, scratch, piResult)) {
            return false;
        }
    }
    for (int l = 1; l <= n; ++l) {
        if (!std::isfinite(trial.adStep[l])) {
            return false;
        }
    }
    return true;
}

// Puts the trial point into the free parameters: held parameters exactly on
// their limit, the others clamped so that rounding cannot leave a limit.
void TrialPointApply(VaroObject *pObject, const DampedTrial &trial) {
    for (int j = 1; j <= pObject->freeParamCount; ++j) {
        const ParamRecord &base = pObject->savedFreeParams[j];
        double dValue =
            trial.abHeld[j] ? trial.adHeldValue[j] : pObject->vrStepDirection[j] + base.value;
        if (base.limitKind != kLimitNone) {
            dValue = std::min(std::max(dValue, base.lowerLimit), base.upperLimit);
        }
        pObject->freeParams[j].value = dValue;
    }
}

// Nielsen's factor for lambda after an accepted step of ratio dRatio.
double DampingReductionGet(double dRatio) {
    if (!(dRatio > 0.0) || !std::isfinite(dRatio)) {
        return 1.0;
    }
    const double dCentred = 2.0 * dRatio - 1.0;
    return std::max(kDampingReductionMin, 1.0 - dCentred * dCentred * dCentred);
}

void TrialLineWrite(VaroObject *pObject, const DampedTrial &trial, double dRatio, double dNew,
                    double dOld, bool bAccepted) {
    LogWrite(pObject,
             "Damped step: lambda= %e, ratio= %e, <new res.norm>/<old res. norm> = "
             "<%.4e>/<%.4e>: %s\n",
             trial.lambda, dRatio, dNew, dOld, bAccepted ? "ACCEPTED" : "REJECTED");
}

// Evaluates the trial whose step lies in vrStepDirection. 0 with *pbAccepted,
// or the failure of the evaluation or of the restore.
int TrialEvaluate(VaroObject *pObject, const DampedTrial &trial, double dOld, bool *pbAccepted) {
    TrialPointApply(pObject, trial);
    const int iEvaluated = ResidualsEvaluate(pObject);
    if (iEvaluated != 0) {
        return iEvaluated;
    }
    const double dNew = pObject->residualNorms[0];
    const double dQuotient = dNew / dOld;
    const double dRatio = (1.0 - dQuotient * dQuotient) / trial.dPredicted;
    *pbAccepted = dNew < dOld;
    TrialLineWrite(pObject, trial, dRatio, dNew, dOld, *pbAccepted);
    if (*pbAccepted) {
        pObject->dampingLambda = trial.lambda * DampingReductionGet(dRatio);
        return 0;
    }
    FreeParamsRestore(pObject);
    return ResidualsRestore(pObject);
}

// What one trial came to: a larger lambda is to be tried, the trial point was
// kept, or the iteration ends at the point it started from.
enum class TrialOutcome { kRejected, kAccepted, kEnded };

// True when the trial holds on its limit a parameter whose gradient points
// into the box: a larger lambda turns the step towards the gradient, which
// releases it.
bool ReleasableParamHeld(const VaroObject *pObject, const DampedTrial &trial) {
    for (int j = 1; j <= pObject->freeParamCount; ++j) {
        if (trial.abHeld[j] && pObject->limitStates[j] == kLimitStateReleasable) {
            return true;
        }
    }
    return false;
}

// A trial too small to count ends the iteration, unless it holds a parameter
// that a larger lambda would release.
TrialOutcome SmallTrialEnd(VaroObject *pObject, const DampedTrial &trial, const char *pszWhat) {
    if (ReleasableParamHeld(pObject, trial)) {
        LogWrite(pObject,
                 "Damped step: lambda= %e, %s with a parameter held on a limit: REJECTED\n",
                 trial.lambda, pszWhat);
        return TrialOutcome::kRejected;
    }
    LogWrite(pObject, "Damped step: %s at lambda= %e\n", pszWhat, trial.lambda);
    pObject->dampingLambda = trial.lambda;
    return TrialOutcome::kEnded;
}

// One trial at trial.lambda: 0 with *pOutcome, or the failure of its work
// memory, of the evaluation or of the restore.
int TrialRun(VaroObject *pObject, const DampedSystem &system, DampedTrial &trial,
             HeldStepScratch &scratch, double dOld, TrialOutcome *pOutcome) {
    *pOutcome = TrialOutcome::kRejected;
    int iResult = 0;
    if (!TrialStepSet(pObject, system, trial, scratch, &iResult)) {
        if (iResult == 0) {
            LogWrite(pObject, "Damped step: lambda= %e, step not finite: REJECTED\n", trial.lambda);
        }
        return iResult;
    }
    for (int j = 1; j <= system.n; ++j) {
        pObject->vrStepDirection[j] = pObject->paramScales[j] * trial.adStep[j];
    }
    if (StepLimitToParChange(pObject, pObject->vrStepDirection, 1.0) == 1.0) {
        *pOutcome = SmallTrialEnd(pObject, trial, "INSIGNIFICANT STEP");
        return 0;
    }
    trial.dPredicted = PredictedDecreaseGet(system, trial, dOld);
    if (!(trial.dPredicted > kPredictedDecreaseMin)) {
        *pOutcome = SmallTrialEnd(pObject, trial, "INSIGNIFICANT DECREASE");
        return 0;
    }
    bool bAccepted = false;
    iResult = TrialEvaluate(pObject, trial, dOld, &bAccepted);
    *pOutcome = bAccepted ? TrialOutcome::kAccepted : TrialOutcome::kRejected;
    return iResult;
}

} // namespace

// The scaled Jacobian's column j is multiplied by the largest scale over the
// current one, and the normal matrix and gradient vector with it.
void DampingScalesApply(VaroObject *pObject) {
    const int n = pObject->freeParamCount;
    RealMatrix a = pObject->normalMatrix;
    double adFactor[kMaxFreeParams + 1];
    for (int j = 1; j <= n; ++j) {
        const double dScale = pObject->paramScales[j];
        double &dLargest = pObject->dampingScales[j];
        if (pObject->currentIteration <= 1) {
            dLargest = 0.0;
        }
        if (dScale > dLargest && std::isfinite(dScale)) {
            dLargest = dScale;
        }
        adFactor[j] = dLargest > 0.0 ? dLargest / dScale : 1.0;
        pObject->paramScales[j] = dLargest > 0.0 ? dLargest : dScale;
    }
    for (int j = 1; j <= n; ++j) {
        for (int k = 1; k <= n; ++k) {
            a[j][k] *= adFactor[j] * adFactor[k];
        }
        pObject->gradientVector[j] *= adFactor[j];
    }
}

int DampedStep(VaroObject *pObject) {
    const int n = pObject->freeParamCount;
    LogWrite(pObject, "-- Damped step --\n");
    if (VectorLengthGet(pObject->singularValues) != n ||
        VectorLengthGet(pObject->gradientVector) != n) {
        return InternalBugReport(pObject);
    }
    FreeParamsSave(pObject);
    int iResult = ResidualsSave(pObject);
    if (iResult != 0) {
        return iResult;
    }
    static_assert(kMaxFreeParams <= 100, "the trial arrays live on the stack");
    DampedSystem system;
    DampedSystemSet(pObject, system);
    const double dOld = pObject->residualNorms[0];
    const double dCeiling = kDampingCeilingShare * system.dLargest;
    HeldStepScratch scratch;
    DampedTrial trial;
    trial.lambda = DampingStartGet(pObject, system);
    double dGrowth = 2.0;
    for (int iTrial = 1; iTrial <= kDampingTrialsMax && trial.lambda <= dCeiling; ++iTrial) {
        TrialOutcome outcome = TrialOutcome::kRejected;
        iResult = TrialRun(pObject, system, trial, scratch, dOld, &outcome);
        if (iResult != 0 || outcome != TrialOutcome::kRejected) {
            return iResult;
        }
        trial.lambda *= dGrowth;
        dGrowth *= 2.0;
    }
    LogWrite(pObject, "Damped step: NO PROGRESS, lambda= %e\n", trial.lambda);
    pObject->dampingLambda = trial.lambda;
    return 0;
}
