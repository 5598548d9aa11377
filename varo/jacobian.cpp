// The Jacobian of all residuals with respect to the free parameters, formed one
// model block at a time and accumulated at once into the normal matrix of the
// scaled Jacobian and its gradient vector. Derivatives come from a model's
// gradient callback, which may decline, or from central differences.
#include <cfloat>
#include <cmath>

#include "varo/engine.h"

namespace {

// Gradient callback result meaning "differentiate this column numerically".
constexpr int kGradientDeclined = -1;

// Restores the scan start of VaroCurrentParamNumGet to "from the first
// parameter" when a gradient column is done.
class ParamScanScope {
  public:
    explicit ParamScanScope(VaroObject *pObject) : pObject(pObject) {}
    ~ParamScanScope() { pObject->currentParamScanStart = 0; }
    ParamScanScope(const ParamScanScope &) = delete;
    ParamScanScope &operator=(const ParamScanScope &) = delete;

  private:
    VaroObject *pObject;
};

// Scales: each free parameter's magnitude, or for a zero value the geometric
// mean of the nonzero magnitudes taken over all n parameters.
void ParamScalesSet(VaroObject *pObject) {
    const int n = pObject->freeParamCount;
    double dProduct = 1.0;
    double dLogSum = 0.0;
    for (int k = 1; k <= n; ++k) {
        if (pObject->freeParams[k].value != 0.0) {
            dProduct *= std::fabs(pObject->freeParams[k].value);
            dLogSum += std::log(std::fabs(pObject->freeParams[k].value));
        }
    }
    // A product that overflowed or underflowed would give a zero-valued
    // parameter a scale of infinity or 0; the mean of the logarithms is the
    // same geometric mean without that loss.
    const double dMean = std::isfinite(dProduct) && dProduct >= DBL_MIN
                             ? std::pow(dProduct, 1.0 / n)
                             : std::exp(dLogSum / n);
    for (int k = 1; k <= n; ++k) {
        const double dMagnitude = std::fabs(pObject->freeParams[k].value);
        pObject->paramScales[k] = dMagnitude > 0.0 ? dMagnitude : dMean;
    }
}

// True when some parameter of model iModel is mapped to free parameter iFreeParam.
bool ModelUsesFreeParam(const VaroObject *pObject, int iModel, int iFreeParam) {
    const ModelRecord &model = pObject->models[iModel];
    for (int j = 1; j <= model.paramCount; ++j) {
        if (model.params[j].freeIndex == iFreeParam) {
            return true;
        }
    }
    return false;
}

// Asks the gradient callback of model iModel about every parameter of the
// model mapped to free parameter iFreeParam and adds the derivatives, since a
// change of the free parameter moves all of them. kGradientDeclined when the
// callback declines.
int AnalyticGradientCompute(VaroObject *pObject, int iModel, int iFreeParam,
                            RealVector vrGradient) {
    const ModelRecord &model = pObject->models[iModel];
    const int iRows = VectorLengthGet(vrGradient);
    ParamScanScope scope(pObject);
    bool bFirst = true;
    for (int j = 1; j <= model.paramCount; ++j) {
        if (model.params[j].freeIndex != iFreeParam) {
            continue;
        }
        pObject->currentParamScanStart = j;
        const int iResult = GradientCallbackCall(pObject, iModel);
        if (iResult > 0) {
            return kRcStopped;
        }
        if (iResult < 0) {
            return kGradientDeclined;
        }
        if (!pObject->yRetVectSet) {
            return kRcNoVector;
        }
        if (VectorLengthGet(pObject->cbReturnVector) != iRows) {
            ErrorReport(pObject,
                        "Gradient and residual vectors for the model %d are of different length",
                        iModel);
            return kRcGradientLength;
        }
        const int iFailed =
            bFirst ? RealVectorCopy(pObject->cbReturnVector, vrGradient)
                   : RealVectorCombine(vrGradient, 1, pObject->cbReturnVector, vrGradient);
        if (iFailed != 0) {
            return InternalBugReport(pObject);
        }
        bFirst = false;
    }
    return 0;
}

// Column iFreeParam of model iModel's block, unscaled, into vrGradient.
int GradientColumnCompute(VaroObject *pObject, int iModel, int iFreeParam, RealVector vrGradient) {
    if (pObject->models[iModel].gradientCallback != nullptr) {
        const int iResult = AnalyticGradientCompute(pObject, iModel, iFreeParam, vrGradient);
        if (iResult != kGradientDeclined) {
            return iResult;
        }
    }
    return NumericGradient(pObject, vrGradient);
}

// Under a robust loss: multiplies column i of the transposed block (residual
// i) by its row weight and gives the residuals the step methods see; null
// when the work vectors were not obtained (reported).
RealVector LossWeightsSet(VaroObject *pObject, int iModel) {
    const RealVector vrResiduals = pObject->residuals[iModel];
    const int iRows = VectorLengthGet(vrResiduals);
    pObject->lossRowWeights = RealVectorResize(pObject->lossRowWeights, iRows);
    pObject->lossWeightedResiduals = RealVectorResize(pObject->lossWeightedResiduals, iRows);
    if (pObject->lossRowWeights == nullptr || pObject->lossWeightedResiduals == nullptr) {
        ErrorReport(pObject, "%d vector allocation", iRows);
        return nullptr;
    }
    LossWeightsApply(pObject, vrResiduals, pObject->lossRowWeights, pObject->lossWeightedResiduals);
    for (int k = 1; k <= pObject->freeParamCount; ++k) {
        const RealVector vrRow = pObject->jacobianBlock[k];
        for (int i = 1; i <= iRows; ++i) {
            vrRow[i] *= pObject->lossRowWeights[i];
        }
    }
    return pObject->lossWeightedResiduals;
}

// Forms the block of model iModel and adds it into the normal matrix and the
// gradient vector. Row k of the transposed block is the scaled derivative of
// the model's residuals with respect to free parameter k; the sums run in the
// same order as over the columns of the block itself.
int ModelBlockAdd(VaroObject *pObject, int iModel) {
    const int n = pObject->freeParamCount;
    const int iRows = VectorLengthGet(pObject->residuals[iModel]);
    pObject->jacobianBlock = RealMatrixResize(pObject->jacobianBlock, n, iRows);
    if (pObject->jacobianBlock == nullptr) {
        ErrorReport(pObject, "%dx%d jacobian or %d gradient allocation error", iRows, n, iRows);
        return kRcNoMemory;
    }
    for (int k = 1; k <= n; ++k) {
        pObject->currentFreeParam = k;
        RealVector vrDerivative = pObject->jacobianBlock[k];
        // A parameter the model does not use has a zero derivative; every other
        // row is written whole by its derivative.
        if (!ModelUsesFreeParam(pObject, iModel, k)) {
            if (RealVectorFill(vrDerivative, 0.0) != 0) {
                return kRcInternal;
            }
            continue;
        }
        const int iResult = GradientColumnCompute(pObject, iModel, k, vrDerivative);
        if (iResult != 0) {
            return iResult;
        }
        if (RealVectorScale(vrDerivative, pObject->paramScales[k]) != 0) {
            return InternalBugReport(pObject);
        }
    }
    RealVector vrResiduals = pObject->residuals[iModel];
    if (pObject->lossKind != kLossLinear &&
        (vrResiduals = LossWeightsSet(pObject, iModel)) == nullptr) {
        return kRcNoMemory;
    }
    if (RealMatrixRowsGramAdd(pObject->normalMatrix, pObject->jacobianBlock) != 0 ||
        RealMatrixTimesVectorAdd(pObject->gradientVector, pObject->jacobianBlock, vrResiduals) !=
            0) {
        return InternalBugReport(pObject);
    }
    return 0;
}

int ModelBlocksAdd(VaroObject *pObject) {
    for (pObject->currentModel = 1; pObject->currentModel <= pObject->modelCount;
         ++pObject->currentModel) {
        const int iResult = ModelBlockAdd(pObject, pObject->currentModel);
        if (iResult != 0) {
            return iResult;
        }
    }
    // currentModel keeps the last model differentiated.
    pObject->currentModel = pObject->modelCount;
    return 0;
}

} // namespace

int JacobianCompute(VaroObject *pObject) {
    LogWrite(pObject, "-- Compute Jacobian --\n");
    if (RealMatrixFill(pObject->normalMatrix, 0.0) != 0 ||
        RealVectorFill(pObject->gradientVector, 0.0) != 0) {
        return kRcInternal;
    }
    ParamScalesSet(pObject);
    FreeParamsSave(pObject);
    const int iSaved = ResidualsSave(pObject);
    if (iSaved != 0) {
        return iSaved;
    }
    const int iResult = ModelBlocksAdd(pObject);
    // The point, its residuals and norms are exactly those at entry, whatever
    // happened while perturbing.
    FreeParamsRestore(pObject);
    const int iRestored = ResidualsRestore(pObject);
    return iResult != 0 ? iResult : iRestored;
}
