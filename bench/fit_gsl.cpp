// GSL's nonlinear least-squares driver: trust region with Levenberg-Marquardt
// steps, analytic Jacobian, the library's default parameters and the
// tolerances of its documented examples.
#include "fitters.h"

#include <gsl/gsl_errno.h>
#include <gsl/gsl_multifit_nlinear.h>

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
