// The fit object and the internal services every part of the library uses:
// handle lookup, error reporting, the log file and the release of the
// object's containers.
#ifndef VARO_OBJECT_H
#define VARO_OBJECT_H

#include <cstdio>

#include "numeric/numeric.h"
#include "varo/varo.h"

constexpr int kMaxObjects = 100;
constexpr int kMaxModels = 50;
constexpr int kMaxParams = 100;
constexpr int kMaxFreeParams = 100;
constexpr int kErrorTextLength = 500;

// Return codes of the public functions, shared by every part of the library.
constexpr int kRcNoObject = 1;
constexpr int kRcTableFull = 2;
constexpr int kRcNoMemory = 3;
constexpr int kRcNotReleased = 4;
constexpr int kRcOutOfRange = 5;
constexpr int kRcSetTwice = 6;
constexpr int kRcProcessingFailed = 8;
constexpr int kRcIterationLimit = 9;
constexpr int kRcStopped = 10;
constexpr int kRcWhileProcessing = 11;
constexpr int kRcLogFileNotOpened = 12;
constexpr int kRcNoVector = 13;
constexpr int kRcGradientLength = 14;
constexpr int kRcNoStatistics = 15;
constexpr int kRcInternal = 1000;

// Object states.
constexpr int kStateConfiguring = 0;
constexpr int kStateProcessing = 1;
constexpr int kStateFinished = 2;

// What the fit statistics of an object hold (statistics.cpp). Chi-square and
// the degrees of freedom exist from kStatisticsCovarianceOff on.
constexpr int kStatisticsNever = 0;      // the object has not been processed
constexpr int kStatisticsProcessing = 1; // cleared by the running processing
constexpr int kStatisticsRunFailed = 2;  // the last processing returned nonzero
constexpr int kStatisticsCovarianceOff = 3;
constexpr int kStatisticsNoDegreesOfFreedom = 4;
constexpr int kStatisticsRankDeficient = 5;
constexpr int kStatisticsComplete = 6;

// Step methods of the step search.
constexpr int kStepMethodEigen = 0;
constexpr int kStepMethodDamped = 1;

// Schemes of numerical derivatives (perturbation.cpp).
constexpr int kDifferenceCentral = 0;
constexpr int kDifferenceForward = 1;

// Covariance settings: off, scaled by s^2, absolute (J^t J)^-1.
constexpr int kCovarianceOff = 0;
constexpr int kCovarianceScaled = 1;
constexpr int kCovarianceAbsolute = 2;

// Robust losses applied to every residual (loss.cpp).
constexpr int kLossLinear = 0;
constexpr int kLossSoftL1 = 1;
constexpr int kLossHuber = 2;
constexpr int kLossCauchy = 3;
constexpr int kLossArctan = 4;

// Parameter limit kinds.
constexpr int kLimitNone = 0;
constexpr int kLimitRange = 1;
constexpr int kLimitFixed = 2;

// A free parameter and its limits, as the gradient at the start of an
// iteration sees them: inside the box (or free to leave a limit it lies on),
// on a limit with the gradient pointing out of the box, or on a limit with the
// gradient pointing in strongly enough to lower the norm beyond the
// termination value once released.
enum LimitState : unsigned char { kLimitStateFree, kLimitStateHeld, kLimitStateReleasable };

struct ParamRecord {
    double value;
    int limitKind;
    double lowerLimit;
    double upperLimit;
    int link;
    int freeIndex;
};

// +1 when dValue lies on the upper limit of a parameter limited to a range,
// -1 on its lower limit, 0 otherwise (inside, without limits, or fixed).
inline int ParamLimitSideGet(const ParamRecord &param, double dValue) {
    if (param.limitKind != kLimitRange) {
        return 0;
    }
    return dValue == param.upperLimit ? 1 : dValue == param.lowerLimit ? -1 : 0;
}

struct ModelRecord {
    void *dataPointer;
    int paramCount;
    ParamRecord params[kMaxParams + 1];
    VaroCallback modelCallback;
    VaroCallback gradientCallback;
};

// One zero-filled block from MemAlloc: describing a problem never allocates.
// Entry 0 of the per-model and per-parameter arrays stays empty, except
// residualNorms[0] and savedResidualNorms[0], which hold the total norm.
struct VaroObject {
    int handle;
    int state;
    int modelCount;
    ModelRecord models[kMaxModels + 1];
    VaroCallback progressCallback;
    int maxIterations;
    double resNormChangeTermination;
    double parValChangeTermination;
    double gaussNewtonResNormThresh;
    double stabVsSpeed;
    std::FILE *logFile;
    int currentIteration;
    int currentModel;
    int currentFreeParam;
    RealVector cbReturnVector;
    int yRetVectSet;
    int freeParamCount;
    ParamRecord freeParams[kMaxFreeParams + 1];
    RealVector residuals[kMaxModels + 1];
    double residualNorms[kMaxModels + 1];
    ParamRecord savedFreeParams[kMaxFreeParams + 1];
    RealVector savedResiduals[kMaxModels + 1];
    double savedResidualNorms[kMaxModels + 1];
    RealMatrix plusPerturbations;
    RealMatrix minusPerturbations;
    RealMatrix normalMatrix;
    RealVector gradientVector;
    RealVector paramScales;
    RealVector singularValues;
    RealVector vrStepDirection;
    // The Jacobian's block of one model, held transposed (one row per free
    // parameter), and under a robust loss its row weights and the residuals
    // the step methods see: work memory kept from one Jacobian to the next of
    // a run, so that a long residual vector is not obtained anew each time.
    RealMatrix jacobianBlock;
    RealVector lossRowWeights;
    RealVector lossWeightedResiduals;
    char errorText[kErrorTextLength + 1];
    // VaroCurrentParamNumGet scans the current model's parameters from this
    // number on (0 or 1: from the first). The Jacobian raises it to ask a
    // gradient callback about each parameter that shares one free parameter.
    int currentParamScanStart;
    // Fit statistics: the setting, and the results of the last processing
    // that returned 0, indexed by free parameter (statistics.cpp).
    int covarianceCompute;
    int statisticsStatus;
    int statisticsRunResult; // the result of the last processing when it failed
    double chiSquare;
    int degreesOfFreedom;
    int covarianceSize;             // free parameters of the run the covariance belongs to
    double statisticsSingularRatio; // Smin/Smax of the normal matrix at the fitted point
    double covariance[kMaxFreeParams + 1][kMaxFreeParams + 1];
    // The step method (kStepMethodEigen or kStepMethodDamped), and what the
    // damped step carries from one main iteration to the next: its damping
    // and the largest scale each free parameter has had in the run.
    int stepMethod;
    double dampingLambda;
    double dampingScales[kMaxFreeParams + 1];
    // The robust loss of every residual and its scale (kLossLinear: plain
    // least squares).
    int lossKind;
    double lossScale;
    // The scheme of numerical derivatives.
    int differenceScheme;
    // What each free parameter's gradient at the start of the running
    // iteration says of its limits (limits.cpp).
    LimitState limitStates[kMaxFreeParams + 1];
};

// Length of a vector, kept in its cell 0.
inline int VectorLengthGet(RealVector v) {
    return static_cast<int>(v[0]);
}

// The live object named by iHandle, or null for 0 and for unknown handles.
VaroObject *ObjectFromHandle(VaroHandle iHandle);
// Records a formatted message in errorText and the log file; always returns 0.
int ErrorReport(VaroObject *pObject, const char *pszFormat, ...)
    __attribute__((format(printf, 2, 3)));
// Writes one formatted piece to the log file, if one is open, and flushes it.
int LogWrite(VaroObject *pObject, const char *pszFormat, ...) __attribute__((format(printf, 2, 3)));
// Releases every container the object holds (work_memory.cpp); false when a
// release failed, the field concerned then keeping its container.
bool ObjectContainersRelease(VaroObject *pObject);

#endif
