// Profile-likelihood intervals. The parameter (with every parameter linked to
// it) is fixed at trial values and the others refitted; an end of the
// interval is where the sum of squares S of the refit reaches
// S* = S0 (1 + t^2 / nu), S0 that of the best fit and t Student's quantile of
// (1 + level) / 2 at the nu degrees of freedom: the F-test of one parameter at
// the level. The refits run on the object itself, whose whole record is kept
// aside and put back afterwards, so that the callbacks see a fit like any
// other through the same handle while the fitted values, statistics, log and
// counts stay those of the best fit.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <limits>

#include "numeric/distributions.h"
#include "varo/config.h"
#include "varo/engine.h"

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
// Doublings of the step from the best value before a side is called open.
constexpr int kBracketSteps = 30;
// Refits of the root search on one side at most.
constexpr int kRootSteps = 40;
// The root search ends when the bracket is this share of the first step wide,
// or S is this share of S* away from it.
constexpr double kWidthTolerance = 1e-10;
constexpr double kLevelTolerance = 1e-12;

// One trial value of the profile: the value, the refit's sum of squares and
// the values every parameter reached (the start of the next refit).
struct ProfilePoint {
    double dValue;
    double dSquareSum;
    RealVector vrValues; // parameters of all models in turn
};

// The object as the best fit left it, put back on every exit; with the
// points' storage.
class ProfileScope {
  public:
    explicit ProfileScope(VaroObject *pObject) : m_pObject(pObject) {
        m_pSaved = static_cast<VaroObject *>(MemAlloc(sizeof(VaroObject)));
        if (m_pSaved != nullptr) {
            std::memcpy(static_cast<void *>(m_pSaved), pObject, sizeof(VaroObject));
        }
    }
    ~ProfileScope() {
        if (m_pSaved != nullptr) {
            std::memcpy(static_cast<void *>(m_pObject), m_pSaved, sizeof(VaroObject));
            MemFree(m_pSaved);
        }
        for (RealVector vrValues : {m_inner.vrValues, m_outer.vrValues}) {
            RealVectorFree(vrValues);
        }
    }
    ProfileScope(const ProfileScope &) = delete;
    ProfileScope &operator=(const ProfileScope &) = delete;

    const VaroObject *Saved() const { return m_pSaved; }
    ProfilePoint &Inner() { return m_inner; }
    ProfilePoint &Outer() { return m_outer; }

  private:
    VaroObject *m_pObject;
    VaroObject *m_pSaved = nullptr;
    ProfilePoint m_inner = {0.0, 0.0, nullptr};
    ProfilePoint m_outer = {0.0, 0.0, nullptr};
};

// What one profile is about.
struct Profile {
    int iModel;
    int iParam;
    int iLink;
    double dBest;        // the parameter's fitted value
    double dBestSquare;  // S0
    double dStep;        // the first step from it
    double dTarget;      // S*
    char acFailure[300]; // the message of a failed refit
};

int ParamsCountGet(const VaroObject *pObject) {
    int iCount = 0;
    for (int m = 1; m <= pObject->modelCount; ++m) {
        iCount += pObject->models[m].paramCount;
    }
    return iCount;
}

// True for the parameter of the profile and those linked to it.
bool ParamProfiled(const Profile &profile, int m, int j, const ParamRecord &param) {
    return (m == profile.iModel && j == profile.iParam) ||
           (profile.iLink != 0 && param.link == profile.iLink);
}

void ValuesStore(const VaroObject *pObject, RealVector vrValues) {
    int i = 0;
    for (int m = 1; m <= pObject->modelCount; ++m) {
        for (int j = 1; j <= pObject->models[m].paramCount; ++j) {
            vrValues[++i] = pObject->models[m].params[j].value;
        }
    }
}

// Sets the start of a refit: the profiled parameters fixed at dValue, every
// other parameter at its value in vrStart.
void RefitSet(VaroObject *pObject, const Profile &profile, double dValue, RealVector vrStart) {
    int i = 0;
    for (int m = 1; m <= pObject->modelCount; ++m) {
        for (int j = 1; j <= pObject->models[m].paramCount; ++j) {
            ParamRecord &param = pObject->models[m].params[j];
            param.value = vrStart[++i];
            if (ParamProfiled(profile, m, j, param)) {
                param.limitKind = kLimitFixed;
                param.lowerLimit = param.upperLimit = param.value = dValue;
            }
        }
    }
}

// Refits with the parameter at dValue from the values of vrStart into point:
// 0, or the refit's result (its message kept in the profile).
int Refit(VaroObject *pObject, Profile &profile, double dValue, RealVector vrStart,
          ProfilePoint &point) {
    RefitSet(pObject, profile, dValue, vrStart);
    const int iResult = VaroProcessing(pObject->handle);
    if (iResult != 0) {
        // Cut so that the message built from it stays within the error text.
        std::snprintf(profile.acFailure, sizeof profile.acFailure, "%.299s", pObject->errorText);
        return iResult;
    }
    point.dValue = dValue;
    point.dSquareSum = pObject->residualNorms[0] * pObject->residualNorms[0];
    ValuesStore(pObject, point.vrValues);
    return 0;
}

void PointCopy(const ProfilePoint &source, ProfilePoint &destination) {
    destination.dValue = source.dValue;
    destination.dSquareSum = source.dSquareSum;
    RealVectorCopy(source.vrValues, destination.vrValues);
}

// Steps away from the best value, doubling, until a refit reaches S*
// (*pbFound) or the limit of the side was reached below it; inner is then the
// last point below S*, outer the first above.
int BracketFind(VaroObject *pObject, Profile &profile, ProfileScope &scope, int iSide,
                double dLimit, bool *pbFound) {
    ProfilePoint &inner = scope.Inner();
    ProfilePoint &outer = scope.Outer();
    *pbFound = false;
    for (int k = 0; k < kBracketSteps; ++k) {
        double dValue = profile.dBest + iSide * std::ldexp(profile.dStep, k);
        const bool bAtLimit = iSide * (dValue - dLimit) >= 0.0;
        if (bAtLimit) {
            dValue = dLimit;
        }
        const int iResult = Refit(pObject, profile, dValue, inner.vrValues, outer);
        if (iResult != 0) {
            return iResult;
        }
        if (outer.dSquareSum >= profile.dTarget) {
            *pbFound = true;
            return 0;
        }
        PointCopy(outer, inner);
        if (bAtLimit) {
            return 0;
        }
    }
    return 0;
}

// Regula falsi between inner (below S*) and outer (above), with the Illinois
// rule against a side that stays; a trial too close to an end of the bracket
// halves it instead. The end of the interval into *pdEnd.
int RootFind(VaroObject *pObject, Profile &profile, ProfileScope &scope, double *pdEnd) {
    ProfilePoint &inner = scope.Inner();
    ProfilePoint &outer = scope.Outer();
    ProfilePoint trial = {0.0, 0.0, RealVectorClone(nullptr, inner.vrValues)};
    if (trial.vrValues == nullptr) {
        ErrorReport(pObject, "%d vector allocation", ParamsCountGet(pObject));
        return kRcNoMemory;
    }
    double dInnerWeight = 1.0;
    double dOuterWeight = 1.0;
    int iResult = 0;
    for (int k = 0; k < kRootSteps; ++k) {
        const double dWidth = outer.dValue - inner.dValue;
        const double dInnerGap = (profile.dTarget - inner.dSquareSum) * dInnerWeight;
        const double dOuterGap = (outer.dSquareSum - profile.dTarget) * dOuterWeight;
        double dShare = dInnerGap / (dInnerGap + dOuterGap);
        if (!(dShare > 0.05 && dShare < 0.95)) {
            dShare = 0.5;
        }
        if (std::fabs(dWidth) <= kWidthTolerance * profile.dStep) {
            break;
        }
        iResult = Refit(pObject, profile, inner.dValue + dShare * dWidth, inner.vrValues, trial);
        if (iResult != 0) {
            break;
        }
        const bool bBelow = trial.dSquareSum < profile.dTarget;
        PointCopy(trial, bBelow ? inner : outer);
        dInnerWeight = bBelow ? 1.0 : 0.5 * dInnerWeight;
        dOuterWeight = bBelow ? 0.5 * dOuterWeight : 1.0;
        if (std::fabs(trial.dSquareSum - profile.dTarget) <= kLevelTolerance * profile.dTarget) {
            break;
        }
    }
    RealVectorFree(trial.vrValues);
    const double dGaps = outer.dSquareSum - inner.dSquareSum;
    *pdEnd = dGaps > 0.0 ? inner.dValue + (profile.dTarget - inner.dSquareSum) / dGaps *
                                              (outer.dValue - inner.dValue)
                         : inner.dValue;
    return iResult;
}

// One end of the interval, iSide -1 or +1, into *pdEnd: +-inf when the profile
// stays below S* up to the parameter's limit or the last step.
int SideFind(VaroObject *pObject, Profile &profile, ProfileScope &scope, int iSide, double *pdEnd) {
    const ParamRecord &param = scope.Saved()->models[profile.iModel].params[profile.iParam];
    const bool bLimited = param.limitKind == kLimitRange;
    const double dLimit = !bLimited   ? iSide * kInfinity
                          : iSide > 0 ? param.upperLimit
                                      : param.lowerLimit;
    ProfilePoint &inner = scope.Inner();
    inner.dValue = profile.dBest;
    inner.dSquareSum = profile.dBestSquare;
    ValuesStore(scope.Saved(), inner.vrValues);
    bool bFound = false;
    const int iResult = BracketFind(pObject, profile, scope, iSide, dLimit, &bFound);
    if (iResult != 0) {
        return iResult;
    }
    if (!bFound) {
        *pdEnd = iSide * kInfinity;
        return 0;
    }
    return RootFind(pObject, profile, scope, pdEnd);
}

// The first step: the t-quantile times the standard error when the covariance
// is there, else a hundredth of the value (or of 1).
double FirstStepGet(const VaroObject *pObject, const ParamRecord &param, double dQuantile) {
    if (pObject->statisticsStatus == kStatisticsComplete) {
        const int k = param.freeIndex;
        const double dError = std::sqrt(pObject->covariance[k][k]);
        if (dError > 0.0 && std::isfinite(dError)) {
            return dQuantile * dError;
        }
    }
    return 1e-2 * (param.value != 0.0 ? std::fabs(param.value) : 1.0);
}

// Refusals of a call: 0, or 15 after reporting why there is no interval.
int ProfileCheck(VaroObject *pObject, const ParamRecord &param, int iModel, int iParam) {
    const int iResult = FitStatisticsCheck(pObject, "VaroProfileIntervalGet");
    if (iResult != 0) {
        return iResult;
    }
    if (param.limitKind == kLimitFixed) {
        ErrorReport(pObject, "VaroProfileIntervalGet: parameter %d of model %d is fixed", iParam,
                    iModel);
        return kRcNoStatistics;
    }
    if (pObject->degreesOfFreedom <= 0) {
        ErrorReport(pObject, "VaroProfileIntervalGet: the degrees of freedom (%d) are not positive",
                    pObject->degreesOfFreedom);
        return kRcNoStatistics;
    }
    return 0;
}

int ProfileRun(VaroObject *pObject, Profile &profile, double *pdLow, double *pdHigh) {
    ProfileScope scope(pObject);
    const int iCount = ParamsCountGet(pObject);
    scope.Inner().vrValues = RealVectorAlloc(iCount);
    scope.Outer().vrValues = RealVectorAlloc(iCount);
    if (scope.Saved() == nullptr || scope.Inner().vrValues == nullptr ||
        scope.Outer().vrValues == nullptr) {
        profile.acFailure[0] = '\0';
        return kRcNoMemory;
    }
    // The refits write no trace and compute no covariance of their own.
    pObject->logFile = nullptr;
    pObject->covarianceCompute = kCovarianceOff;
    int iResult = SideFind(pObject, profile, scope, -1, pdLow);
    if (iResult == 0) {
        iResult = SideFind(pObject, profile, scope, +1, pdHigh);
    }
    return iResult;
}

} // namespace

int VaroProfileIntervalGet(VaroHandle iHandle, int iModel, int iParam, double dLevel, double *pdLow,
                           double *pdHigh) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    const ParamRecord *pParam = ParamRecordFind(pObject, __func__, iModel, iParam);
    if (pParam == nullptr) {
        return kRcOutOfRange;
    }
    if (!(dLevel > 0.0 && dLevel < 1.0)) {
        ErrorReport(pObject, "%s: illegal level (%e), it must lie between 0 and 1", __func__,
                    dLevel);
        return kRcOutOfRange;
    }
    int iResult = ProfileCheck(pObject, *pParam, iModel, iParam);
    if (iResult != 0) {
        return iResult;
    }
    const double dNu = pObject->degreesOfFreedom;
    const double dQuantile = StudentTQuantile(0.5 * (1.0 + dLevel), dNu);
    const double dBestSquare = pObject->residualNorms[0] * pObject->residualNorms[0];
    Profile profile = {iModel,
                       iParam,
                       pParam->link,
                       pParam->value,
                       dBestSquare,
                       FirstStepGet(pObject, *pParam, dQuantile),
                       dBestSquare * (1.0 + dQuantile * dQuantile / dNu),
                       ""};
    double dLow = 0.0;
    double dHigh = 0.0;
    iResult = ProfileRun(pObject, profile, &dLow, &dHigh);
    if (iResult == kRcNoMemory && profile.acFailure[0] == '\0') {
        ErrorReport(pObject, "%s: memory for the refits was not obtained", __func__);
        return iResult;
    }
    if (iResult != 0) {
        ErrorReport(pObject, "%s: a refit returned %d: %s", __func__, iResult, profile.acFailure);
        return iResult;
    }
    *pdLow = dLow;
    *pdHigh = dHigh;
    LogWrite(pObject, "== %s, Model %d, Param. %d, Level=%e, Interval=[%e,%e]\n", __func__, iModel,
             iParam, dLevel, dLow, dHigh);
    return 0;
}
