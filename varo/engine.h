// Internal operations of the fitting engine: residual evaluation and the
// snapshots of a point, the Jacobian, and the step search. The processing
// driver (processing.cpp) runs them once per main iteration.
#ifndef VARO_ENGINE_H
#define VARO_ENGINE_H

#include "varo/object.h"

// Name of the processing entry, the leading "%s" of its messages.
constexpr const char *kProcessingName = "VaroProcessing";
// Singular values at or below this fraction of the largest count as zero.
constexpr double kSingularCutoff = 1e-10;
// Factor by which the step search shortens a trial move.
constexpr double kStepReduction = 0.618;

// Result of GaussNewtonStep when the step was not accepted and the point of
// entry was restored; it never leaves StepSearch.
constexpr int kStepNotAccepted = 100000;

// Reports "Internal bug" and returns 1000.
int InternalBugReport(VaroObject *pObject);

// Stages of processing before and after the iterations (setup.cpp,
// work_memory.cpp); each returns 0 or its failure code.
int SetupValidate(VaroObject *pObject);
int LinkResolve(VaroObject *pObject);
int WorkMemoryAlloc(VaroObject *pObject);
int WorkMemoryFree(VaroObject *pObject);

// Residual evaluation and snapshots (residuals.cpp).
int ResidualsEvaluate(VaroObject *pObject);
int FreeParamsSave(VaroObject *pObject);
int FreeParamsRestore(VaroObject *pObject);
int ResidualsSave(VaroObject *pObject);
int ResidualsRestore(VaroObject *pObject);
// Calls the gradient callback of model iModel with yRetVectSet cleared. While
// it runs, a hand-over of any positive length is taken over, so that the
// Jacobian itself can report a gradient of the wrong length.
int GradientCallbackCall(VaroObject *pObject, int iModel);

// Robust losses (loss.cpp). ResidualNormGet gives a residual vector's norm
// under the object's loss, sqrt(s^2 sum rho((r / s)^2)), the Euclidean norm
// for the linear loss. LossWeightsApply gives, for the residuals at a point,
// the factors of the Jacobian's rows and the residuals that the step methods
// then see (all three vectors of one length).
double ResidualNormGet(const VaroObject *pObject, RealVector vrResiduals);
void LossWeightsApply(const VaroObject *pObject, RealVector vrResiduals, RealVector vrRowWeights,
                      RealVector vrWeighted);

// Jacobian, normal matrix and gradient vector (jacobian.cpp).
int JacobianCompute(VaroObject *pObject);

// Numerical derivatives (perturbation.cpp): central differences with adaptive
// perturbations, or forward differences, as the object's scheme says.
int NumericGradient(VaroObject *pObject, RealVector vrGradient);

// Step search (step_search.cpp, tovek_step.cpp).
int StepSearch(VaroObject *pObject);
int GaussNewtonStep(VaroObject *pObject);
int TovekStep(VaroObject *pObject);
double StepLimitToBounds(const VaroObject *pObject, RealVector vrDirection, double dMultiplier);
double StepLimitToParChange(const VaroObject *pObject, RealVector vrDirection, double dMultiplier);
void StepApply(VaroObject *pObject, RealVector vrDirection, double dMultiplier);
// The damped step (damped_step.cpp): DampingScalesApply rescales the normal
// matrix, the gradient vector and the parameter scales before the
// decomposition; DampedStep gives 0, or the failure of an evaluation, a
// snapshot or its own work memory.
void DampingScalesApply(VaroObject *pObject);
int DampedStep(VaroObject *pObject);

// Parameters on their limits (limits.cpp). DirectionOutwardRemove takes out of
// a trial direction (with its multiplier) every component that would carry a
// parameter on a limit out of the box. LimitStatesMark runs on the normal
// matrix and gradient of the scaled Jacobian before their decomposition;
// LimitReleasePending then tells whether a parameter that could lower the sum
// of squares by more than the termination value allows is still on its limit.
void DirectionOutwardRemove(const VaroObject *pObject, RealVector vrDirection, double dMultiplier);
void LimitStatesMark(VaroObject *pObject);
// Takes the parameters held on a limit (kLimitStateHeld) out of the normal
// matrix and gradient vector of the iteration: their rows and columns become
// 0, so that no step of the iteration moves them; DirectionHeldRemove makes
// their components of a direction exactly 0 against rounding.
void HeldParamsRemove(VaroObject *pObject);
void DirectionHeldRemove(const VaroObject *pObject, RealVector vrDirection);
bool LimitReleasePending(const VaroObject *pObject);

// Fit statistics (statistics.cpp). StatisticsClear runs when processing starts,
// StatisticsCompute after converged iterations, at the fitted point and before
// the work memory goes (0 or the failure of the extra Jacobian), and
// StatisticsRunEnd with the processing's result.
void StatisticsClear(VaroObject *pObject);
int StatisticsCompute(VaroObject *pObject);
void StatisticsRunEnd(VaroObject *pObject, int iResult);
// 0 when chi-square and the degrees of freedom of the last run exist;
// otherwise reports why not, in the name of pszName, and returns 15
// (statistics_queries.cpp).
int FitStatisticsCheck(VaroObject *pObject, const char *pszName);

#endif
