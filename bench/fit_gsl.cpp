// GSL's nonlinear least-squares driver: trust region with Levenberg-Marquardt
// steps, analytic Jacobian, the library's default parameters and the
// tolerances of its documented examples; the standard errors come from
// gsl_multifit_nlinear_covar on the Jacobian at the point reached.
#include "fitters.h"

#include <gsl/gsl_blas.h>
#include <gsl/gsl_errno.h>
#include <gsl/gsl_multifit_nlinear.h>

#include <cmath>
#include <memory>
#include <string>

namespace bench {
namespace {

struct GslContext {
    const Problem &problem;
    CallbackClock clock;
    CallbackClock jacobianClock;
};

int GslResidualCallback(const gsl_vector *pParams, void *pContext, gsl_vector *pResiduals) {
    auto &context = *static_cast<GslContext *>(pContext);
    CallbackClock::Scope scope(context.clock);
    ResidualsCompute(context.problem, pParams->data, pResiduals->data);
    return GSL_SUCCESS;
}

int GslJacobianCallback(const gsl_vector *pParams, void *pContext, gsl_matrix *pJacobian) {
    auto &context = *static_cast<GslContext *>(pContext);
    CallbackClock::Scope scope(context.clock);
    CallbackClock::Scope jacobianScope(context.jacobianClock);
    JacobianCompute(context.problem, pParams->data, pJacobian->data,
                    static_cast<int>(pJacobian->tda), 1);
    return GSL_SUCCESS;
}

struct WorkspaceRelease {
    void operator()(gsl_multifit_nlinear_workspace *pWork) const {
        gsl_multifit_nlinear_free(pWork);
    }
};

struct MatrixRelease {
    void operator()(gsl_matrix *pMatrix) const { gsl_matrix_free(pMatrix); }
};

// s^2 (J^t J)^-1 with s^2 = chi-square / (n - p), as the library's examples
// form it (relative rank tolerance 0); empty without memory or degrees of
// freedom.
std::vector<double> GslStdErrorsGet(gsl_multifit_nlinear_workspace *pWork, size_t iRows,
                                    size_t iParams) {
    std::unique_ptr<gsl_matrix, MatrixRelease> pCovariance(gsl_matrix_alloc(iParams, iParams));
    if (!pCovariance || iRows <= iParams ||
        gsl_multifit_nlinear_covar(gsl_multifit_nlinear_jac(pWork), 0.0, pCovariance.get()) !=
            GSL_SUCCESS) {
        return {};
    }
    double dChiSquare = 0.0;
    gsl_blas_ddot(gsl_multifit_nlinear_residual(pWork), gsl_multifit_nlinear_residual(pWork),
                  &dChiSquare);
    const double dVariance = dChiSquare / static_cast<double>(iRows - iParams);
    std::vector<double> adStdErrors(iParams);
    for (size_t j = 0; j < iParams; ++j) {
        adStdErrors[j] = std::sqrt(dVariance * gsl_matrix_get(pCovariance.get(), j, j));
    }
    return adStdErrors;
}

constexpr size_t kMaxIterations = 1000;
constexpr double kStepTolerance = 1e-8;
constexpr double kGradientTolerance = 1e-8;

} // namespace

FitOutcome GslAnalyticFit(const Problem &problem, const std::vector<double> &adStart) {
    gsl_set_error_handler_off();
    const size_t iRows = problem.adY.size();
    const size_t iParams = adStart.size();
    GslContext context{problem, {}, {}};
    gsl_multifit_nlinear_fdf fdf{};
    fdf.f = &GslResidualCallback;
    fdf.df = &GslJacobianCallback;
    fdf.n = iRows;
    fdf.p = iParams;
    fdf.params = &context;
    gsl_multifit_nlinear_parameters parameters = gsl_multifit_nlinear_default_parameters();
    parameters.trs = gsl_multifit_nlinear_trs_lm;
    std::unique_ptr<gsl_multifit_nlinear_workspace, WorkspaceRelease> pWork(
        gsl_multifit_nlinear_alloc(gsl_multifit_nlinear_trust, &parameters, iRows, iParams));
    FitOutcome outcome;
    if (!pWork) {
        outcome.sStatus = "no memory";
        outcome.adParams = adStart;
        return outcome;
    }
    gsl_vector_const_view start = gsl_vector_const_view_array(adStart.data(), iParams);
    gsl_multifit_nlinear_init(&start.vector, &fdf, pWork.get());
    int iInfo = 0;
    const int iStatus =
        gsl_multifit_nlinear_driver(kMaxIterations, kStepTolerance, kGradientTolerance, 0.0,
                                    nullptr, nullptr, &iInfo, pWork.get());
    const gsl_vector *pParams = gsl_multifit_nlinear_position(pWork.get());
    outcome.adParams.assign(pParams->data, pParams->data + iParams);
    outcome.adStdErrors = GslStdErrorsGet(pWork.get(), iRows, iParams);
    outcome.bConverged = iStatus == GSL_SUCCESS;
    outcome.sStatus = iStatus == GSL_SUCCESS ? "info " + std::to_string(iInfo)
                                             : std::string(gsl_strerror(iStatus));
    outcome.lResidualEvals = static_cast<long>(fdf.nevalf);
    outcome.lJacobianEvals = static_cast<long>(fdf.nevaldf);
    outcome.lIterations = static_cast<long>(gsl_multifit_nlinear_niter(pWork.get()));
    outcome.dCallbackSeconds = context.clock.Seconds();
    outcome.dJacobianSeconds = context.jacobianClock.Seconds();
    return outcome;
}

} // namespace bench
