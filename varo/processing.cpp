// The processing entry: validates the set-up, resolves links, obtains the work
// memory, iterates Jacobian and step search until a termination condition
// holds, keeps the fit statistics, copies the fitted values back and checks
// the wrappers for leaks.
#include <cstdio>

#include "varo/engine.h"

namespace {

// Calls the progress callback, if one is set; 10 when it asks to stop.
int ProgressReport(VaroObject *pObject) {
    if (pObject->progressCallback != nullptr && pObject->progressCallback(pObject->handle) != 0) {
        return kRcStopped;
    }
    return 0;
}

int IterationLimitGet(const VaroObject *pObject) {
    return pObject->maxIterations == -1 ? 100 * pObject->freeParamCount : pObject->maxIterations;
}

int MainIterations(VaroObject *pObject) {
    if (ProgressReport(pObject) != 0) {
        return kRcStopped;
    }
    for (pObject->currentIteration = 1;; ++pObject->currentIteration) {
        LogWrite(pObject, "\n========= Main iteration: %d ===========\n",
                 pObject->currentIteration);
        const int iLimit = IterationLimitGet(pObject);
        if (pObject->currentIteration > iLimit) {
            ErrorReport(pObject,
                        "VaroProcessing: termination condition has not been reached for %d "
                        "iterations",
                        iLimit);
            return kRcIterationLimit;
        }
        int iResult = JacobianCompute(pObject);
        if (iResult != 0) {
            return iResult;
        }
        const double dOld = pObject->residualNorms[0];
        iResult = StepSearch(pObject);
        if (iResult != 0) {
            return iResult;
        }
        if (ProgressReport(pObject) != 0) {
            return kRcStopped;
        }
        // Nothing improves on residuals that are all exactly 0. The eigenvector
        // search keeps its own rule: it runs on to another end.
        if (pObject->stepMethod == kStepMethodDamped && pObject->residualNorms[0] == 0.0) {
            return 0;
        }
        // Written so that a total norm of 0 or NaN never ends the processing. A
        // parameter held on a limit that could still lower the norm keeps it going.
        if ((1.0 - pObject->resNormChangeTermination) * dOld < pObject->residualNorms[0] &&
            !LimitReleasePending(pObject)) {
            return 0;
        }
    }
}

int ResultsCopyBack(VaroObject *pObject) {
    for (int m = 1; m <= pObject->modelCount; ++m) {
        ModelRecord &model = pObject->models[m];
        for (int j = 1; j <= model.paramCount; ++j) {
            ParamRecord &param = model.params[j];
            if (param.limitKind != kLimitFixed) {
                param.value = pObject->freeParams[param.freeIndex].value;
            }
        }
    }
    return 0;
}

int ProcessingRun(VaroObject *pObject) {
    int iResult = 0;
    if (SetupValidate(pObject) != 0 || LinkResolve(pObject) != 0 || WorkMemoryAlloc(pObject) != 0) {
        iResult = kRcProcessingFailed;
    } else {
        iResult = MainIterations(pObject);
        if (iResult == 0) {
            iResult = StatisticsCompute(pObject);
        }
        if (iResult == 0 && ResultsCopyBack(pObject) != 0) {
            iResult = kRcProcessingFailed;
        }
    }
    const int iReleased = WorkMemoryFree(pObject);
    iResult = iResult != 0 ? iResult : iReleased;
    StatisticsRunEnd(pObject, iResult);
    return iResult;
}

// Every block a run obtains through the memory wrappers must be released by
// its end; more live blocks than before are announced on standard output. Fewer
// are no leak: the run released a vector handed over before it started. The
// wrappers count per thread, and a run with its callbacks stays on its
// caller's thread, so fits on other threads meanwhile do not enter the count.
void LeakCheck(long iLiveBlocksBefore) {
    const long iDifference = MemLiveBlockCount() - iLiveBlocksBefore;
    if (iDifference <= 0) {
        return;
    }
    // One call, so that banners of fits on other threads do not interleave.
    std::printf("\n"
                "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!\n"
                "!!!!! Memory leakage problem is detected !!!!!\n"
                "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!\n\a"
                "Live memory blocks after processing differ by %ld from before\n"
                "\n",
                iDifference);
    std::fflush(stdout);
}

} // namespace

int InternalBugReport(VaroObject *pObject) {
    ErrorReport(pObject, "Internal bug");
    return kRcInternal;
}

int VaroProcessing(VaroHandle iHandle) {
    const long iLiveBlocks = MemLiveBlockCount();
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    // A call from one of the object's own callbacks would reuse the work memory
    // of the running fit and, from a model callback, recurse without end.
    if (pObject->state == kStateProcessing) {
        ErrorReport(pObject, "%s: the object is already processing", __func__);
        return kRcProcessingFailed;
    }
    pObject->state = kStateProcessing;
    StatisticsClear(pObject);
    const int iResult = ProcessingRun(pObject);
    pObject->state = kStateFinished;
    LeakCheck(iLiveBlocks);
    return iResult;
}
