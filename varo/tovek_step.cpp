// The Tovek step: moves along the eigenvectors of the normal matrix one at a
// time, largest eigenvalue first, each move starting from its Gauss-Newton
// component and shortened by factors of 0.618 while shorter moves help, until
// the total norm has fallen by the fraction that stabVsSpeed demands.
#include <cmath>

#include "varo/engine.h"

namespace {

// What the trials along one eigenvector came to.
enum class EigenOutcome { Continue, Success };

struct EigenTrials {
    int iEigen;
    int iStepReduction;
};

void RatioLineWrite(VaroObject *pObject, double dNew, double dOld) {
    LogWrite(pObject, "  <new res.norm>/<old res. norm> = <%.4e>/<%.4e> = %f\n", dNew, dOld,
             dNew / dOld);
}

void SuccessLineWrite(VaroObject *pObject, const EigenTrials &trials) {
    LogWrite(pObject, "Tovek step: SUCCESS on %3d eigen vector after %d step reductions\n",
             trials.iEigen, trials.iStepReduction);
}

// Direction of eigenvector i in units of the free parameters, and the
// multiplier of its Gauss-Newton component.
double EigenDirectionSet(VaroObject *pObject, int i) {
    for (int j = 1; j <= pObject->freeParamCount; ++j) {
        pObject->vrStepDirection[j] = -pObject->normalMatrix[j][i];
    }
    return pObject->gradientVector[i] / pObject->singularValues[i];
}

// Trials along eigenvector trials.iEigen from the current point. Returns 0 or
// the failure of an evaluation or snapshot; *pOutcome says whether the
// demanded decrease of the total norm dOld was reached.
int EigenTrialsRun(VaroObject *pObject, double dOld, EigenTrials &trials, EigenOutcome *pOutcome) {
    const RealVector vrDirection = pObject->vrStepDirection;
    const double dAccept = (1.0 - pObject->stabVsSpeed) * dOld;
    *pOutcome = EigenOutcome::Continue;
    // The base of this eigenvector's trials, with its residuals, so that the
    // point and its residuals can always be restored together.
    FreeParamsSave(pObject);
    int iResult = ResidualsSave(pObject);
    if (iResult != 0) {
        return iResult;
    }
    double t = EigenDirectionSet(pObject, trials.iEigen);
    DirectionHeldRemove(pObject, vrDirection);
    DirectionOutwardRemove(pObject, vrDirection, t);
    t = StepLimitToBounds(pObject, vrDirection, t);
    const double r = StepLimitToParChange(pObject, vrDirection, t);
    const double dBase = pObject->residualNorms[0];
    double dBest = dBase;
    double dBestMultiplier = 0.0;
    bool bBetterFound = false;
    // t shrinks by the same products that gave r, so it reaches r after as many
    // reductions as the parameter-change cut made (r = t: no trial at all).
    while (std::fabs(r) < std::fabs(t)) {
        StepApply(pObject, vrDirection, t);
        iResult = ResidualsEvaluate(pObject);
        if (iResult != 0) {
            return iResult;
        }
        const double dNew = pObject->residualNorms[0];
        if (dAccept > dNew) {
            *pOutcome = EigenOutcome::Success;
            return 0;
        }
        // A tie with the base before any better point counts as worse.
        if (dNew > dBase || (!bBetterFound && dNew == dBase)) {
            t *= kStepReduction;
            ++trials.iStepReduction;
        } else if (dNew < dBest) {
            iResult = ResidualsSave(pObject);
            if (iResult != 0) {
                return iResult;
            }
            dBest = dNew;
            dBestMultiplier = t;
            bBetterFound = true;
            t *= kStepReduction;
            ++trials.iStepReduction;
        } else {
            // Back to the best point of this eigenvector, or to the base when
            // none was better (a NaN norm).
            iResult = ResidualsRestore(pObject);
            if (iResult != 0) {
                return iResult;
            }
            if (bBetterFound) {
                StepApply(pObject, vrDirection, dBestMultiplier);
            } else {
                FreeParamsRestore(pObject);
            }
            break;
        }
    }
    return 0;
}

} // namespace

int TovekStep(VaroObject *pObject) {
    const int n = pObject->freeParamCount;
    LogWrite(pObject, "-- Tovek step --\n");
    if (VectorLengthGet(pObject->singularValues) != n ||
        VectorLengthGet(pObject->gradientVector) != n) {
        return InternalBugReport(pObject);
    }
    const double dOld = pObject->residualNorms[0];
    EigenTrials last = {0, 0};
    for (int i = 1; i <= n; ++i) {
        if (pObject->singularValues[i] / pObject->singularValues[1] <= kSingularCutoff) {
            break;
        }
        EigenTrials trials = {i, 0};
        EigenOutcome outcome = EigenOutcome::Continue;
        const int iResult = EigenTrialsRun(pObject, dOld, trials, &outcome);
        if (iResult != 0) {
            return iResult;
        }
        if (outcome == EigenOutcome::Success) {
            SuccessLineWrite(pObject, trials);
            RatioLineWrite(pObject, pObject->residualNorms[0], dOld);
            return 0;
        }
        last = trials;
    }
    const double dCurrent = pObject->residualNorms[0];
    if ((1.0 - pObject->resNormChangeTermination) * dOld < dCurrent) {
        LogWrite(pObject, "Tovek step: INSIGNIFICANT PROGRESS\n");
    } else {
        SuccessLineWrite(pObject, last);
    }
    RatioLineWrite(pObject, dCurrent, dOld);
    return 0;
}
