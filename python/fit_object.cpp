#include "fit_object.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace varo_python {

namespace {

// A positive callback result asks the library to stop the processing.
constexpr int kStop = 1;
constexpr int kStatisticsUnavailable = 15;
// The largest parameter change termination value the library takes.
constexpr double kParamChangeMax = 0.1;

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
    m_pPending = nullptr;
    int iCode = 0;
    {
        // Fits on other Python threads run while this one's library work does.
        py::gil_scoped_release unlock;
        iCode = VaroProcessing(m_iHandle);
    }
    if (m_pPending) {
        std::exception_ptr pError = m_pPending;
        m_pPending = nullptr;
        std::rethrow_exception(pError);
    }
    return iCode;
}

void FitObject::Fail(std::exception_ptr pError) {
    if (!m_pPending) {
        m_pPending = std::move(pError);
    }
}

double FitObject::ValueGet(int iModel, int iParam) const {
    double dValue = 0.0;
    const int iCode = VaroParamCurValueGet(m_iHandle, iModel, iParam, &dValue);
    if (iCode != 1000) {
        Check(iCode);
    }
    return dValue;
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
