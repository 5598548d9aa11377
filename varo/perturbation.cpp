// Numerical derivatives. Central differences (the default): each (model, free
// parameter) pair keeps one perturbation per side across the iterations of a
// run; a search adapts it by factors of 10 until the relative change of the
// model's residual norm lies inside an acceptance window. Forward differences:
// one evaluation a column, at a step of sqrt(eps) times the parameter's scale,
// the residuals at the current point giving the other side.
#include <algorithm>
#include <cmath>

#include "varo/engine.h"

namespace {

constexpr double kInitialPerturbation = 1e-8;
// Acceptance window of the relative norm change: sqrt(eps) / 1000 to sqrt(eps) * 10.
constexpr double kChangeWindowLow = 1.4901161193847657e-11;
constexpr double kChangeWindowHigh = 1.4901161193847656e-07;
constexpr double kAdaptationFactor = 10.0;
// Bound of a parameter without limits: half the largest double.
constexpr double kUnlimitedBound = 8.988465674311579e+307;
// The relative step of forward differences: the square root of the machine
// epsilon balances the truncation error of the difference against rounding.
constexpr double kForwardStep = 1.4901161193847656e-08;

// Puts a perturbed free parameter back on its base value on every exit.
class ValueRestoreScope {
  public:
    ValueRestoreScope(double &dValue, double dBase) : dValue(dValue), dBase(dBase) {}
    ~ValueRestoreScope() { dValue = dBase; }
    ValueRestoreScope(const ValueRestoreScope &) = delete;
    ValueRestoreScope &operator=(const ValueRestoreScope &) = delete;

  private:
    double &dValue;
    double dBase;
};

double &PerturbationRef(VaroObject *pObject, int iDirection) {
    const RealMatrix perturbations =
        iDirection > 0 ? pObject->plusPerturbations : pObject->minusPerturbations;
    return perturbations[pObject->currentModel][pObject->currentFreeParam];
}

// Change of model iModel's residual norm at the perturbed point: relative to
// its norm at the current point, or absolute where that norm is 0.
double NormChangeGet(const VaroObject *pObject, int iModel) {
    const double dNorm = ResidualNormGet(pObject, pObject->cbReturnVector);
    const double dBaseNorm = pObject->savedResidualNorms[iModel];
    if (dBaseNorm == 0.0) {
        return std::fabs(dNorm);
    }
    return std::fabs(dNorm - dBaseNorm) / dBaseNorm;
}

// Calls the callback of model iModel at the perturbed point: 0 with its
// residuals in cbReturnVector, the callback's nonzero result, or 13 when it
// handed over no vector.
int PerturbedModelCall(VaroObject *pObject, int iModel) {
    pObject->yRetVectSet = 0;
    const int iResult = pObject->models[iModel].modelCallback(pObject->handle);
    if (iResult != 0) {
        return iResult;
    }
    return pObject->yRetVectSet ? 0 : kRcNoVector;
}

// Residuals of one side of the difference: those at the perturbed point, or,
// when that side was not evaluated (a parameter on its limit), those at the
// current point.
RealVector SideResidualsGet(VaroObject *pObject, int iDirection) {
    if (PerturbationRef(pObject, iDirection) == 0.0) {
        return pObject->residuals[pObject->currentModel];
    }
    return pObject->cbReturnVector;
}

// Completes the perturbation pair of (currentModel, currentFreeParam): a missing
// side mirrors the other, and a new pair starts from a small relative step.
int PerturbationInit(VaroObject *pObject) {
    double &dPlus = PerturbationRef(pObject, +1);
    double &dMinus = PerturbationRef(pObject, -1);
    if (dPlus != 0.0 && dMinus != 0.0) {
        return 0;
    }
    if (dPlus != 0.0) {
        dMinus = -dPlus;
    } else if (dMinus != 0.0) {
        dPlus = -dMinus;
    } else {
        const double dValue = pObject->freeParams[pObject->currentFreeParam].value;
        dPlus = dValue != 0.0 ? dValue * kInitialPerturbation : kInitialPerturbation;
        dMinus = -dPlus;
    }
    return 0;
}

// Adapts the perturbation of one side (iDirection +1 or -1). The perturbation
// kept is the one last evaluated (0 when none could be), and cbReturnVector
// holds the model's residuals there; the free parameter is back on its base
// value on every exit. Returns 0, the model callback's nonzero result, 13 for a
// missing hand-over or 1000.
int PerturbationSearch(VaroObject *pObject, int iDirection) {
    const int iModel = pObject->currentModel;
    const ParamRecord &saved = pObject->savedFreeParams[pObject->currentFreeParam];
    const double dBase = saved.value;
    const double dUpper = saved.limitKind != kLimitNone ? saved.upperLimit : kUnlimitedBound;
    const double dLower = saved.limitKind != kLimitNone ? saved.lowerLimit : -kUnlimitedBound;
    double &dValue = pObject->freeParams[pObject->currentFreeParam].value;
    double h = PerturbationRef(pObject, iDirection);
    int iParam = 0;
    if (VaroCurrentParamNumGet(pObject->handle, &iParam) != 0) {
        return InternalBugReport(pObject);
    }
    ValueRestoreScope restore(dValue, dBase);
    bool bIncreased = false;
    bool bClipped = false;
    double dPrevious = 0.0;
    // The perturbation at which cbReturnVector was last filled; 0 while none was.
    double dEvaluated = 0.0;
    for (;;) {
        if (dBase + h > dUpper || dBase + h < dLower) {
            if (bClipped) {
                break;
            }
            h = (dBase + h > dUpper ? dUpper : dLower) - dBase;
            bClipped = true;
        }
        // A perturbation that is zero, or not finite even after the cut at
        // a limit (a non-finite base value), cannot be evaluated or adapted.
        if (h == 0.0 || !std::isfinite(h)) {
            break;
        }
        dValue = std::clamp(dBase + h, dLower, dUpper);
        const int iResult = PerturbedModelCall(pObject, iModel);
        if (iResult != 0) {
            return iResult;
        }
        dEvaluated = h;
        const double dChange = NormChangeGet(pObject, iModel);
        if (dChange == 0.0) {
            LogWrite(pObject,
                     "No sensitivity to the parameter %d for the model %d, perturbation=%e\n",
                     iParam, iModel, h);
            break;
        }
        if (bIncreased && dChange <= dPrevious) {
            LogWrite(pObject,
                     "Inverse or no sensitivity to the parameter %d for the model %d, "
                     "perturbation=%e\n",
                     iParam, iModel, h);
            break;
        }
        if (dChange < kChangeWindowLow) {
            h *= kAdaptationFactor;
            bIncreased = true;
        } else if (dChange > kChangeWindowHigh) {
            if (bIncreased) {
                LogWrite(pObject, "Not continues problem for the parameter %d of the model %d\n",
                         iParam, iModel);
                break;
            }
            h /= kAdaptationFactor;
        } else {
            break;
        }
        dPrevious = dChange;
    }
    PerturbationRef(pObject, iDirection) = dEvaluated;
    return 0;
}

// The step of a forward difference from dBase: upward, or downward when that
// would cross the upper bound; in a box narrower than the step on both sides,
// to the farther bound.
double ForwardStepGet(double dBase, double dScale, double dLower, double dUpper) {
    const double h = kForwardStep * dScale;
    if (dBase + h <= dUpper) {
        return h;
    }
    if (dBase - h >= dLower) {
        return -h;
    }
    return dUpper - dBase >= dBase - dLower ? dUpper - dBase : dLower - dBase;
}

// The column by forward differences: (r(x + h) - r(x)) / h, with the step h as
// it is represented at x. A step that cannot be taken (0, or a base value that
// is not finite) leaves a zero column.
int ForwardGradient(VaroObject *pObject, RealVector vrGradient) {
    const int iModel = pObject->currentModel;
    const int k = pObject->currentFreeParam;
    const ParamRecord &saved = pObject->savedFreeParams[k];
    const double dBase = saved.value;
    const double dUpper = saved.limitKind != kLimitNone ? saved.upperLimit : kUnlimitedBound;
    const double dLower = saved.limitKind != kLimitNone ? saved.lowerLimit : -kUnlimitedBound;
    double &dValue = pObject->freeParams[k].value;
    ValueRestoreScope restore(dValue, dBase);
    dValue = std::clamp(dBase + ForwardStepGet(dBase, pObject->paramScales[k], dLower, dUpper),
                        dLower, dUpper);
    const double dStep = dValue - dBase;
    if (dStep == 0.0 || !std::isfinite(dStep)) {
        return RealVectorFill(vrGradient, 0.0) == 0 ? 0 : InternalBugReport(pObject);
    }
    const int iResult = PerturbedModelCall(pObject, iModel);
    if (iResult != 0) {
        return iResult;
    }
    if (RealVectorCombine(pObject->cbReturnVector, 2, pObject->residuals[iModel], vrGradient) !=
            0 ||
        RealVectorScale(vrGradient, 1.0 / dStep) != 0) {
        return InternalBugReport(pObject);
    }
    return 0;
}

} // namespace

int NumericGradient(VaroObject *pObject, RealVector vrGradient) {
    if (pObject->differenceScheme == kDifferenceForward) {
        return ForwardGradient(pObject, vrGradient);
    }
    PerturbationInit(pObject);
    int iResult = PerturbationSearch(pObject, +1);
    if (iResult != 0) {
        return iResult;
    }
    if (RealVectorCopy(SideResidualsGet(pObject, +1), vrGradient) != 0) {
        return InternalBugReport(pObject);
    }
    iResult = PerturbationSearch(pObject, -1);
    if (iResult != 0) {
        return iResult;
    }
    if (RealVectorCombine(vrGradient, 2, SideResidualsGet(pObject, -1), vrGradient) != 0) {
        return InternalBugReport(pObject);
    }
    // Both sides unevaluated leaves a zero difference and no divisor.
    const double dSpan = PerturbationRef(pObject, +1) - PerturbationRef(pObject, -1);
    if (dSpan != 0.0 && RealVectorScale(vrGradient, 1.0 / dSpan) != 0) {
        return InternalBugReport(pObject);
    }
    return 0;
}
