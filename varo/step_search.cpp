// Step search: decomposes the normal matrix of the scaled Jacobian and moves
// the free parameters to a point with a smaller total residual norm, by a full
// Gauss-Newton step when the norm is already small, otherwise by the Tovek step
// (tovek_step.cpp), or, when the object asks for it, by the damped step
// (damped_step.cpp). Every trial stays inside the parameter limits.
#include <cmath>

#include "varo/engine.h"

namespace {

bool ParamChangeTooLarge(double dValue, double dNewValue, double dTolerance) {
    if (std::fabs(dValue) > dTolerance) {
        return std::fabs((dValue - dNewValue) / dValue) > dTolerance;
    }
    return std::fabs(dValue - dNewValue) > dTolerance * dTolerance;
}

// Gauss-Newton change of the free parameters into vrStepDirection:
// -diag(scales) V S+ V^t Jt r, with the cut-off singular values left out.
int GaussNewtonDirectionSet(VaroObject *pObject) {
    const RealVector vrSingular = pObject->singularValues;
    const RealVector vrDirection = pObject->vrStepDirection;
    for (int i = 1; i <= pObject->freeParamCount; ++i) {
        vrDirection[i] = vrSingular[i] / vrSingular[1] > kSingularCutoff
                             ? -pObject->gradientVector[i] / vrSingular[i]
                             : 0.0;
    }
    if (RealMatrixTimesVector(pObject->normalMatrix, vrDirection, vrDirection) != 0) {
        return InternalBugReport(pObject);
    }
    DebugPrint("vrStepDirection:\n");
    RealVectorPrint(vrDirection);
    return 0;
}

// The Gauss-Newton point is not kept: back to the point of entry.
int GaussNewtonReject(VaroObject *pObject) {
    LogWrite(pObject, "Gauss-Newton step: FAILED\n");
    FreeParamsRestore(pObject);
    const int iRestored = ResidualsRestore(pObject);
    return iRestored != 0 ? iRestored : kStepNotAccepted;
}

// Decomposes the normal matrix and turns its singular vectors and the gradient
// into the quantities both steps use.
int NormalMatrixDecompose(VaroObject *pObject) {
    const int n = pObject->freeParamCount;
    DebugPrint("JtJ:\n");
    RealMatrixPrint(pObject->normalMatrix);
    if (RealMatrixSvd(pObject->normalMatrix, pObject->singularValues, nullptr, nullptr) != 0) {
        ErrorReport(pObject, "%d vector allocation error", n);
        return kRcNoMemory;
    }
    LogWrite(pObject, "SVD: Smin/Smax= %e\n",
             pObject->singularValues[n] / pObject->singularValues[1]);
    DebugPrint("V:\n");
    RealMatrixPrint(pObject->normalMatrix);
    DebugPrint("S:\n");
    RealVectorPrint(pObject->singularValues);
    if (RealMatrixTransposeTimesVector(pObject->normalMatrix, pObject->gradientVector,
                                       pObject->gradientVector) != 0) {
        return InternalBugReport(pObject);
    }
    DebugPrint("V^t*JtR:\n");
    RealVectorPrint(pObject->gradientVector);
    if (RealMatrixRowsScale(pObject->normalMatrix, pObject->paramScales) != 0) {
        return InternalBugReport(pObject);
    }
    return 0;
}

} // namespace

int StepSearch(VaroObject *pObject) {
    LogWrite(pObject, "-- Find better parameter values --\n");
    LimitStatesMark(pObject);
    HeldParamsRemove(pObject);
    if (pObject->stepMethod == kStepMethodDamped) {
        DampingScalesApply(pObject);
    }
    const int iDecomposed = NormalMatrixDecompose(pObject);
    if (iDecomposed != 0) {
        return iDecomposed;
    }
    if (pObject->stepMethod == kStepMethodDamped) {
        return DampedStep(pObject) == 0 ? 0 : InternalBugReport(pObject);
    }
    if (pObject->residualNorms[0] < pObject->gaussNewtonResNormThresh) {
        const int iResult = GaussNewtonStep(pObject);
        if (iResult == 0) {
            return 0;
        }
        if (iResult != kStepNotAccepted) {
            return InternalBugReport(pObject);
        }
    }
    const int iResult = TovekStep(pObject);
    if (iResult != 0 && iResult != kStepNotAccepted) {
        return InternalBugReport(pObject);
    }
    return 0;
}

int GaussNewtonStep(VaroObject *pObject) {
    const int n = pObject->freeParamCount;
    LogWrite(pObject, "-- Gauss-Newton step --\n");
    if (VectorLengthGet(pObject->singularValues) != n ||
        VectorLengthGet(pObject->gradientVector) != n) {
        return InternalBugReport(pObject);
    }
    FreeParamsSave(pObject);
    const int iSaved = ResidualsSave(pObject);
    if (iSaved != 0) {
        return iSaved;
    }
    const double dOld = pObject->savedResidualNorms[0];
    const int iDirection = GaussNewtonDirectionSet(pObject);
    if (iDirection != 0) {
        return iDirection;
    }
    const RealVector vrDirection = pObject->vrStepDirection;
    DirectionHeldRemove(pObject, vrDirection);
    DirectionOutwardRemove(pObject, vrDirection, 1.0);
    if (StepLimitToBounds(pObject, vrDirection, 1.0) != 1.0 ||
        StepLimitToParChange(pObject, vrDirection, 1.0) == 1.0) {
        return GaussNewtonReject(pObject);
    }
    StepApply(pObject, vrDirection, 1.0);
    const int iEvaluated = ResidualsEvaluate(pObject);
    if (iEvaluated != 0) {
        return iEvaluated;
    }
    const double dNew = pObject->residualNorms[0];
    LogWrite(pObject, "GN <new res. norm>/<old res. norm> = <%.4e>/<%.4e> = %f\n", dNew, dOld,
             dNew / dOld);
    if ((1.0 - pObject->stabVsSpeed) * dOld <= dNew) {
        return GaussNewtonReject(pObject);
    }
    LogWrite(pObject, "Gauss-Newton step: SUCCESS\n");
    return 0;
}

double StepLimitToBounds(const VaroObject *pObject, RealVector vrDirection, double dMultiplier) {
    for (int i = 1; i <= pObject->freeParamCount; ++i) {
        const ParamRecord &base = pObject->savedFreeParams[i];
        if (base.limitKind == kLimitNone) {
            continue;
        }
        const double dEnd = dMultiplier * vrDirection[i] + base.value;
        if (dEnd < base.lowerLimit) {
            dMultiplier = (base.lowerLimit - base.value) / vrDirection[i];
        } else if (dEnd > base.upperLimit) {
            dMultiplier = (base.upperLimit - base.value) / vrDirection[i];
        }
    }
    return dMultiplier;
}

double StepLimitToParChange(const VaroObject *pObject, RealVector vrDirection, double dMultiplier) {
    const double dTolerance = pObject->parValChangeTermination;
    // Returned whenever no multiplier can pass the test: the step is then
    // insignificant and makes no trial.
    const double dGiven = dMultiplier;
    for (int i = 1; i <= pObject->freeParamCount; ++i) {
        if (!std::isfinite(vrDirection[i])) {
            return dGiven;
        }
        const double dValue = pObject->freeParams[i].value;
        while (ParamChangeTooLarge(dValue, dMultiplier * vrDirection[i] + dValue, dTolerance)) {
            // Zero, an infinite multiplier and the smallest subnormal number
            // are not shortened by the factor any more.
            const double dShorter = dMultiplier * kStepReduction;
            if (dShorter == dMultiplier) {
                return dGiven;
            }
            dMultiplier = dShorter;
        }
    }
    return dMultiplier;
}

void StepApply(VaroObject *pObject, RealVector vrDirection, double dMultiplier) {
    for (int i = 1; i <= pObject->freeParamCount; ++i) {
        const ParamRecord &base = pObject->savedFreeParams[i];
        double dValue = dMultiplier * vrDirection[i] + base.value;
        // Rounding must not leave a limited parameter one unit outside a limit.
        if (base.limitKind != kLimitNone) {
            if (dValue < base.lowerLimit) {
                dValue = base.lowerLimit;
            } else if (dValue > base.upperLimit) {
                dValue = base.upperLimit;
            }
        }
        pObject->freeParams[i].value = dValue;
    }
}
