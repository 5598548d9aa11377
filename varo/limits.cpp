// Parameters on their limits. At the start of every iteration the gradient
// decides, for each free parameter lying on one of its limits, whether it is
// held there (the negative gradient points out of the box): a held parameter
// is taken out of the iteration's normal matrix and gradient, so that both
// step methods solve for the others alone. One whose gradient points in is
// free to leave its limit; a trial direction that would still carry it out
// loses that component (the eigenvector search) or holds it for that trial
// (the damped step). The processing ends successfully only where no parameter
// lying on a limit could, released, lower the sum of squares by more than the
// termination value allows: the projected gradient is then small. A fit in
// which no parameter ever lies on a limit takes exactly the path it takes
// without these rules.
#include "varo/engine.h"

void DirectionOutwardRemove(const VaroObject *pObject, RealVector vrDirection, double dMultiplier) {
    for (int j = 1; j <= pObject->freeParamCount; ++j) {
        const ParamRecord &base = pObject->savedFreeParams[j];
        const int iSide = ParamLimitSideGet(base, base.value);
        if (iSide != 0 && iSide * dMultiplier * vrDirection[j] > 0.0) {
            vrDirection[j] = 0.0;
        }
    }
}

// A parameter on a limit whose gradient points out of the box is held there.
// One whose gradient points in is releasable when moving it in alone, by the
// Newton step of its own coordinate, would lower half the sum of squares,
// by g_j^2 / (2 H_jj), more than the decrease that ends processing, half of
// (1 - (1 - c)^2) times the sum.
void LimitStatesMark(VaroObject *pObject) {
    const double dNorm = pObject->residualNorms[0];
    const double dShrink = 1.0 - pObject->resNormChangeTermination;
    const double dEndingGain = 0.5 * (1.0 - dShrink * dShrink) * dNorm * dNorm;
    for (int j = 1; j <= pObject->freeParamCount; ++j) {
        const ParamRecord &param = pObject->freeParams[j];
        const double dGradient = pObject->gradientVector[j];
        const double dCurvature = pObject->normalMatrix[j][j];
        const double dInward = ParamLimitSideGet(param, param.value) * dGradient;
        LimitState state = kLimitStateFree;
        if (dInward < 0.0) {
            state = kLimitStateHeld;
        } else if (dInward > 0.0 && dCurvature > 0.0 &&
                   dGradient * dGradient / (2.0 * dCurvature) > dEndingGain) {
            state = kLimitStateReleasable;
        }
        pObject->limitStates[j] = state;
    }
}

void HeldParamsRemove(VaroObject *pObject) {
    const int n = pObject->freeParamCount;
    for (int j = 1; j <= n; ++j) {
        if (pObject->limitStates[j] != kLimitStateHeld) {
            continue;
        }
        for (int k = 1; k <= n; ++k) {
            pObject->normalMatrix[j][k] = 0.0;
            pObject->normalMatrix[k][j] = 0.0;
        }
        pObject->gradientVector[j] = 0.0;
    }
}

void DirectionHeldRemove(const VaroObject *pObject, RealVector vrDirection) {
    for (int j = 1; j <= pObject->freeParamCount; ++j) {
        if (pObject->limitStates[j] == kLimitStateHeld) {
            vrDirection[j] = 0.0;
        }
    }
}

bool LimitReleasePending(const VaroObject *pObject) {
    for (int j = 1; j <= pObject->freeParamCount; ++j) {
        const ParamRecord &param = pObject->freeParams[j];
        if (pObject->limitStates[j] == kLimitStateReleasable &&
            ParamLimitSideGet(param, param.value) != 0) {
            return true;
        }
    }
    return false;
}
