// A fit object whose models are Python callables: the bridge between the
// library's C callbacks and Python functions of the form f(x, *params).
#ifndef VARO_PYTHON_FIT_OBJECT_H
#define VARO_PYTHON_FIT_OBJECT_H

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <exception>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "varo/varo.h"

namespace varo_python {

namespace py = pybind11;
using DoubleArray = py::array_t<double, py::array::c_style | py::array::forcecast>;

// A nonzero code of the library with its message; Python sees varo.VaroError.
struct LibraryError {
    int iCode;
    std::string sMessage;
};

class FitObject;

// One model: the function, its optional Jacobian and its data. The residuals
// handed to the library are (y - f(x, *p)) * weight.
struct ModelState {
    FitObject *pOwner = nullptr;
    int iParams = 0;
    py::object fModel;
    py::object fJacobian; // None: the library forms numerical derivatives
    py::object x;
    DoubleArray adY;
    DoubleArray adWeights;
    long iModelCalls = 0;
    long iJacobianCalls = 0;
    // The last Jacobian, kept while the library asks for its columns one by
    // one at the same parameter values.
    std::vector<double> adJacobianAt;
    std::vector<double> adJacobian;
    std::vector<double> adBuffer;

    std::vector<double> ParamsGet(VaroHandle iHandle) const;
    void ResidualsHand(VaroHandle iHandle);
    void GradientHand(VaroHandle iHandle);
};

class FitObject {
  public:
    explicit FitObject(int iModels);
    ~FitObject();
    FitObject(const FitObject &) = delete;
    FitObject &operator=(const FitObject &) = delete;

    void ModelSet(int iModel, int iParams, py::object fModel, py::object x, DoubleArray adY,
                  DoubleArray adWeights, py::object fJacobian);
    void ParamSet(int iModel, int iParam, double dValue, double dLower, double dUpper, int iLink);
    void MaxIterationsSet(int iMaxIterations);
    // Sets the residual norm change and the parameter change termination values.
    void ToleranceSet(double dTolerance);
    // The termination values one by one.
    void NormChangeSet(double dValue);
    void ParamChangeSet(double dValue);
    void GaussNewtonThresholdSet(double dThreshold);
    void StepMethodSet(int iMethod);
    void LossSet(int iLoss, double dScale);
    void DifferenceSchemeSet(int iScheme);
    // 1: the covariance scaled by s^2; 2: the absolute covariance.
    void CovarianceModeSet(int iMode);
    // After this many model evaluations in all (0: no limit) the fit stops at
    // the end of the iteration that reached them, with code 10.
    void EvaluationLimitSet(long iLimit);
    // Called after the initial evaluation and every iteration with (iteration,
    // total residual norm, model evaluations so far); None: nothing is called.
    void ProgressSet(py::object fProgress);
    // Runs the fit; returns the library's code (0 on convergence). A Python
    // exception raised by a model function is raised again unchanged. The
    // interpreter lock is released during the fit and taken for each call of
    // a model function.
    int Run();

    // The fitted value, or after a failed run the value of the last completed
    // iteration (the start when none was).
    double ValueGet(int iModel, int iParam) const;
    bool AtLimitGet(int iModel, int iParam) const;
    // The residuals of model iModel, weighted, at the point of ValueGet.
    DoubleArray ResidualsGet(int iModel) const;
    // The profile-likelihood interval (low, high) of a parameter at the
    // probability dLevel, after a converged run; the model functions are
    // called for the refits as during a fit.
    std::pair<double, double> ProfileIntervalGet(int iModel, int iParam, double dLevel);
    // The covariance of the fitted parameters (iModel, iParam) and (jModel,
    // jParam); NaN when the library has no statistics for the fit.
    double CovarianceGet(int iModel, int iParam, int jModel, int jParam) const;
    double ChiSquareGet() const;
    int DegreesOfFreedomGet() const;
    int IterationsGet() const;
    long ModelCallsGet(int iModel) const;
    long JacobianCallsGet(int iModel) const;
    std::string MessageGet() const;

    void Fail(std::exception_ptr pError);
    // The progress callback's work: keeps the point reached, calls the
    // progress function, and asks to stop at the evaluation limit.
    int ProgressReport();

  private:
    VaroHandle m_iHandle = 0;
    std::vector<std::unique_ptr<ModelState>> m_models;
    std::exception_ptr m_pPending;
    int m_iLastRc = -1; // the last run's code; -1 before the first
    // Every model's parameter values and residuals at the last progress call.
    std::vector<std::vector<double>> m_lastValues;
    std::vector<std::vector<double>> m_lastResiduals;
    long m_iEvaluationLimit = 0;
    py::object m_fProgress;

    void Check(int iCode) const;
    ModelState &Model(int iModel) const;
    // Runs work with the interpreter lock released, then raises again an
    // exception a model function raised meanwhile.
    template <class Work>
    int LibraryRun(Work work);
};

} // namespace varo_python

#endif
