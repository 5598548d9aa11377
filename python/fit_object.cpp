#include "fit_object.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <utility>

namespace varo_python {

namespace {

// A positive callback result asks the library to stop the processing.
constexpr int kStop = 1;
constexpr int kStatisticsUnavailable = 15;
// The largest parameter change termination value the library takes.
constexpr double kParamChangeMax = 0.1;

// glibc's malloc serves a block above its mmap threshold (128 KiB at first)
// from pages of its own and returns them when it is freed; freeing such a
// block raises the threshold to its size. The arrays a vectorised model
// function makes at every evaluation are as long as the data, so without a
// larger block freed before, each of them would fault in fresh pages at every
// call. One block of the size of the fit's Jacobian and residuals, obtained
// and freed untouched, lets them come from the heap. Other allocators ignore
// this.
void MallocThresholdRaise(size_t iBytes) {
    constexpr size_t kThresholdMax = 32u << 20;
    void *volatile pBlock = std::malloc(std::min(iBytes, kThresholdMax));
    std::free(pBlock);
}

ModelState *StateOf(VaroHandle iHandle) {
    int iModel = 0;
    void *pData = nullptr;
    if (VaroCurrentModelGet(iHandle, &iModel) != 0 ||
        VaroModelDataPointerGet(iHandle, iModel, &pData) != 0) {
        return nullptr;
    }
    return static_cast<ModelState *>(pData);
}

// Runs one callback's work holding the interpreter lock, which the fit does
// not hold while the library computes; a C++ or Python exception is kept by
// the fit object and stops the processing, since it must not cross the
// library.
template <class Work>
int CallbackRun(VaroHandle iHandle, Work work) {
    ModelState *pState = StateOf(iHandle);
    if (pState == nullptr) {
        return kStop;
    }
    py::gil_scoped_acquire lock;
    try {
        work(*pState);
        return 0;
    } catch (...) {
        pState->pOwner->Fail(std::current_exception());
        return kStop;
    }
}

int ModelCallback(VaroHandle iHandle) {
    return CallbackRun(iHandle, [iHandle](ModelState &state) { state.ResidualsHand(iHandle); });
}

int GradientCallback(VaroHandle iHandle) {
    return CallbackRun(iHandle, [iHandle](ModelState &state) { state.GradientHand(iHandle); });
}

// The fit object of a handle, through the state of its first model.
int ProgressCallback(VaroHandle iHandle) {
    void *pData = nullptr;
    if (VaroModelDataPointerGet(iHandle, 1, &pData) != 0 || pData == nullptr) {
        return kStop;
    }
    return static_cast<ModelState *>(pData)->pOwner->ProgressReport();
}

py::tuple ArgumentsMake(const py::object &x, const std::vector<double> &adParams) {
    py::tuple arguments(adParams.size() + 1);
    arguments[0] = x;
    for (size_t i = 0; i < adParams.size(); ++i) {
        arguments[i + 1] = py::float_(adParams[i]);
    }
    return arguments;
}

void VectorHand(VaroHandle iHandle, const std::vector<double> &adValues) {
    const int iCode =
        VaroCbReturnVectSet(iHandle, adValues.data(), static_cast<int>(adValues.size()));
    if (iCode != 0) {
        throw LibraryError{iCode, VaroErrorStringGet(iHandle)};
    }
}

} // namespace

std::vector<double> ModelState::ParamsGet(VaroHandle iHandle) const {
    std::vector<double> adParams(iParams);
    int iModel = 0;
    VaroCurrentModelGet(iHandle, &iModel);
    for (int j = 0; j < iParams; ++j) {
        // 1000 reports a value outside its limits; the value is delivered all the same.
        VaroParamCurValueGet(iHandle, iModel, j + 1, &adParams[j]);
    }
    return adParams;
}

void ModelState::ResidualsHand(VaroHandle iHandle) {
    ++iModelCalls;
    const DoubleArray adModel(fModel(*ArgumentsMake(x, ParamsGet(iHandle))));
    const py::ssize_t iCount = adY.size();
    if (adModel.size() != iCount) {
        throw py::value_error("the model function returned " + std::to_string(adModel.size()) +
                              " values for " + std::to_string(iCount) + " data points");
    }
    adBuffer.resize(iCount);
    const double *pModel = adModel.data();
    const double *pY = adY.data();
    const double *pWeight = adWeights.data();
    for (py::ssize_t i = 0; i < iCount; ++i) {
        adBuffer[i] = (pY[i] - pModel[i]) * pWeight[i];
    }
    VectorHand(iHandle, adBuffer);
}

void ModelState::GradientHand(VaroHandle iHandle) {
    int iParam = 0;
    if (VaroCurrentParamNumGet(iHandle, &iParam) != 0) {
        throw LibraryError{1000, "the library asked for a derivative without a parameter"};
    }
    const std::vector<double> adParams = ParamsGet(iHandle);
    const py::ssize_t iCount = adY.size();
    if (adJacobian.empty() || adParams != adJacobianAt) {
        ++iJacobianCalls;
        const DoubleArray adValues(fJacobian(*ArgumentsMake(x, adParams)));
        if (adValues.size() != iCount * iParams ||
            (adValues.ndim() == 2 && adValues.shape(0) != iCount)) {
            throw py::value_error("the Jacobian function must return an array of shape (" +
                                  std::to_string(iCount) + ", " + std::to_string(iParams) + ")");
        }
        adJacobian.assign(adValues.data(), adValues.data() + adValues.size());
        adJacobianAt = adParams;
    }
    // The residuals fall where the model rises.
    adBuffer.resize(iCount);
    const double *pWeight = adWeights.data();
    for (py::ssize_t i = 0; i < iCount; ++i) {
        adBuffer[i] = -adJacobian[i * iParams + (iParam - 1)] * pWeight[i];
    }
    VectorHand(iHandle, adBuffer);
}

FitObject::FitObject(int iModels) {
    const int iCode = VaroObjectCreate(&m_iHandle);
    if (iCode != 0) {
        throw LibraryError{iCode, iCode == 2 ? "all fit objects are in use"
                                             : "the fit object could not be created"};
    }
    try {
        Check(VaroNoModelsSet(m_iHandle, iModels));
        Check(VaroCovarianceSet(m_iHandle, 1));
        Check(VaroProgressCallbackSet(m_iHandle, ProgressCallback));
    } catch (...) {
        VaroObjectDelete(m_iHandle);
        throw;
    }
    m_models.resize(iModels);
}

FitObject::~FitObject() {
    VaroObjectDelete(m_iHandle);
}

void FitObject::Check(int iCode) const {
    if (iCode != 0) {
        throw LibraryError{iCode, VaroErrorStringGet(m_iHandle)};
    }
}

ModelState &FitObject::Model(int iModel) const {
    if (iModel < 1 || iModel > static_cast<int>(m_models.size()) || !m_models[iModel - 1]) {
        throw py::index_error("no model " + std::to_string(iModel));
    }
    return *m_models[iModel - 1];
}

void FitObject::ModelSet(int iModel, int iParams, py::object fModel, py::object x, DoubleArray adY,
                         DoubleArray adWeights, py::object fJacobian) {
    if (adY.size() != adWeights.size() || adY.size() < 1) {
        throw py::value_error("the data and their weights must have the same positive length");
    }
    Check(VaroNoModelParamsSet(m_iHandle, iModel, iParams));
    auto pState = std::make_unique<ModelState>();
    pState->pOwner = this;
    pState->iParams = iParams;
    pState->fModel = std::move(fModel);
    pState->fJacobian = std::move(fJacobian);
    pState->x = std::move(x);
    pState->adY = std::move(adY);
    pState->adWeights = std::move(adWeights);
    Check(VaroModelDataPointerSet(m_iHandle, iModel, pState.get()));
    Check(VaroModelCallbackSet(m_iHandle, iModel, ModelCallback));
    if (!pState->fJacobian.is_none()) {
        Check(VaroGradientCallbackSet(m_iHandle, iModel, GradientCallback));
    }
    m_models[iModel - 1] = std::move(pState);
}

void FitObject::ParamSet(int iModel, int iParam, double dValue, double dLower, double dUpper,
                         int iLink) {
    Check(VaroParamIniValueSet(m_iHandle, iModel, iParam, dValue));
    // Limits that cannot be ordered remove the limits.
    const bool bLimited = std::isfinite(dLower) || std::isfinite(dUpper);
    const double dNone = std::numeric_limits<double>::quiet_NaN();
    Check(VaroParamLimitsSet(m_iHandle, iModel, iParam, bLimited ? dLower : dNone,
                             bLimited ? dUpper : dNone));
    Check(VaroParamLinkSet(m_iHandle, iModel, iParam, iLink));
}

void FitObject::MaxIterationsSet(int iMaxIterations) {
    Check(VaroMaxNoIterationsSet(m_iHandle, iMaxIterations));
}

void FitObject::ToleranceSet(double dTolerance) {
    Check(VaroResNormChangeTerminationSet(m_iHandle, dTolerance));
    Check(VaroParValChangeTerminationSet(m_iHandle, std::min(dTolerance, kParamChangeMax)));
}

void FitObject::NormChangeSet(double dValue) {
    Check(VaroResNormChangeTerminationSet(m_iHandle, dValue));
}

void FitObject::ParamChangeSet(double dValue) {
    Check(VaroParValChangeTerminationSet(m_iHandle, dValue));
}

void FitObject::LossSet(int iLoss, double dScale) {
    Check(VaroLossSet(m_iHandle, iLoss, dScale));
}

void FitObject::DifferenceSchemeSet(int iScheme) {
    Check(VaroDifferenceSchemeSet(m_iHandle, iScheme));
}

void FitObject::CovarianceModeSet(int iMode) {
    Check(VaroCovarianceSet(m_iHandle, iMode));
}

void FitObject::EvaluationLimitSet(long iLimit) {
    m_iEvaluationLimit = iLimit;
}

void FitObject::ProgressSet(py::object fProgress) {
    m_fProgress = std::move(fProgress);
}

int FitObject::ProgressReport() {
    long iEvaluations = 0;
    for (size_t m = 0; m < m_models.size(); ++m) {
        const ModelState &state = *m_models[m];
        m_lastValues[m].resize(state.iParams);
        for (int j = 0; j < state.iParams; ++j) {
            // 1000 reports a value outside its limits; it is delivered all the same.
            VaroParamCurValueGet(m_iHandle, static_cast<int>(m) + 1, j + 1, &m_lastValues[m][j]);
        }
        iEvaluations += state.iModelCalls;
        m_lastResiduals[m].resize(static_cast<size_t>(state.adY.size()));
        double dNorm = 0.0;
        VaroModelResidualsGet(m_iHandle, static_cast<int>(m) + 1, &dNorm,
                              m_lastResiduals[m].data());
    }
    if (m_fProgress && !m_fProgress.is_none()) {
        int iIteration = 0;
        double dNorm = 0.0;
        VaroCurrentIterationGet(m_iHandle, &iIteration);
        VaroModelResidualsGet(m_iHandle, 0, &dNorm, nullptr);
        py::gil_scoped_acquire lock;
        try {
            m_fProgress(iIteration, dNorm, iEvaluations);
        } catch (...) {
            Fail(std::current_exception());
            return kStop;
        }
    }
    return m_iEvaluationLimit > 0 && iEvaluations >= m_iEvaluationLimit ? kStop : 0;
}

void FitObject::GaussNewtonThresholdSet(double dThreshold) {
    Check(VaroGaussNewtonResNormThreshSet(m_iHandle, dThreshold));
}

void FitObject::StepMethodSet(int iMethod) {
    Check(VaroStepMethodSet(m_iHandle, iMethod));
}

int FitObject::Run() {
    for (size_t i = 0; i < m_models.size(); ++i) {
        Model(static_cast<int>(i) + 1);
    }
    m_lastValues.assign(m_models.size(), {});
    m_lastResiduals.assign(m_models.size(), {});
    size_t iValues = 0;
    for (const auto &pState : m_models) {
        iValues += static_cast<size_t>(pState->adY.size()) * (pState->iParams + 2);
    }
    MallocThresholdRaise(iValues * sizeof(double));
    const int iCode = LibraryRun([this] { return VaroProcessing(m_iHandle); });
    m_iLastRc = iCode;
    return iCode;
}

template <class Work>
int FitObject::LibraryRun(Work work) {
    m_pPending = nullptr;
    int iCode = 0;
    {
        // Fits on other Python threads run while this one's library work does.
        py::gil_scoped_release unlock;
        iCode = work();
    }
    if (m_pPending) {
        std::exception_ptr pError = m_pPending;
        m_pPending = nullptr;
        std::rethrow_exception(pError);
    }
    return iCode;
}

std::pair<double, double> FitObject::ProfileIntervalGet(int iModel, int iParam, double dLevel) {
    Model(iModel);
    // The refits are no part of the fit: no evaluation limit, no progress
    // function, and the fit's last point stays, whatever happens.
    struct RefitScope {
        FitObject &fit;
        std::vector<std::vector<double>> lastValues = fit.m_lastValues;
        std::vector<std::vector<double>> lastResiduals = fit.m_lastResiduals;
        long iLimit = std::exchange(fit.m_iEvaluationLimit, 0);
        py::object fProgress = std::exchange(fit.m_fProgress, py::none());
        ~RefitScope() {
            fit.m_lastValues = std::move(lastValues);
            fit.m_lastResiduals = std::move(lastResiduals);
            fit.m_iEvaluationLimit = iLimit;
            fit.m_fProgress = std::move(fProgress);
        }
    } scope{*this};
    double dLow = 0.0;
    double dHigh = 0.0;
    Check(LibraryRun(
        [&] { return VaroProfileIntervalGet(m_iHandle, iModel, iParam, dLevel, &dLow, &dHigh); }));
    return {dLow, dHigh};
}

void FitObject::Fail(std::exception_ptr pError) {
    if (!m_pPending) {
        m_pPending = std::move(pError);
    }
}

double FitObject::ValueGet(int iModel, int iParam) const {
    Model(iModel);
    const size_t m = static_cast<size_t>(iModel) - 1;
    const bool bLastIterate = m_iLastRc != 0 && m < m_lastValues.size() && iParam >= 1 &&
                              iParam <= static_cast<int>(m_lastValues[m].size());
    if (bLastIterate) {
        return m_lastValues[m][iParam - 1];
    }
    double dValue = 0.0;
    const int iCode = VaroParamCurValueGet(m_iHandle, iModel, iParam, &dValue);
    if (iCode != 1000) {
        Check(iCode);
    }
    return dValue;
}

DoubleArray FitObject::ResidualsGet(int iModel) const {
    Model(iModel);
    const size_t m = static_cast<size_t>(iModel) - 1;
    const std::vector<double> adResiduals =
        m < m_lastResiduals.size() ? m_lastResiduals[m] : std::vector<double>{};
    DoubleArray residuals(static_cast<py::ssize_t>(adResiduals.size()));
    std::copy(adResiduals.begin(), adResiduals.end(), residuals.mutable_data());
    return residuals;
}

bool FitObject::AtLimitGet(int iModel, int iParam) const {
    double dLower = 0.0;
    double dUpper = 0.0;
    Check(VaroParamLimitsGet(m_iHandle, iModel, iParam, &dLower, &dUpper));
    const double dValue = ValueGet(iModel, iParam);
    return dLower < dUpper && (dValue == dLower || dValue == dUpper);
}

double FitObject::CovarianceGet(int iModel, int iParam, int jModel, int jParam) const {
    double dValue = 0.0;
    const int iCode = VaroParamCovarianceGet(m_iHandle, iModel, iParam, jModel, jParam, &dValue);
    if (iCode == kStatisticsUnavailable) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    Check(iCode);
    return dValue;
}

double FitObject::ChiSquareGet() const {
    double dValue = 0.0;
    const int iCode = VaroChiSquareGet(m_iHandle, &dValue);
    if (iCode == kStatisticsUnavailable) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    Check(iCode);
    return dValue;
}

int FitObject::DegreesOfFreedomGet() const {
    int iValue = 0;
    const int iCode = VaroDegreesOfFreedomGet(m_iHandle, &iValue);
    if (iCode == kStatisticsUnavailable) {
        return 0;
    }
    Check(iCode);
    return iValue;
}

int FitObject::IterationsGet() const {
    int iValue = 0;
    Check(VaroCurrentIterationGet(m_iHandle, &iValue));
    return iValue;
}

long FitObject::ModelCallsGet(int iModel) const {
    return Model(iModel).iModelCalls;
}

long FitObject::JacobianCallsGet(int iModel) const {
    return Model(iModel).iJacobianCalls;
}

std::string FitObject::MessageGet() const {
    return VaroErrorStringGet(m_iHandle);
}

} // namespace varo_python
