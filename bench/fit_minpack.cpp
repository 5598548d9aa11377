// MINPACK's Levenberg-Marquardt drivers with their usual default settings:
// lmder with the analytic Jacobian, lmdif with forward differences. After the
// fit, the Jacobian at the point reached (analytic, or forward differences
// for lmdif) is factored with column pivoting and covar1 turns its R into the
// covariance s^2 (J^t J)^-1.
#include "fitters.h"

#include <cminpack.h>

#include <cmath>
#include <string>

namespace bench {
namespace {

struct MinpackContext {
    const Problem &problem;
    CallbackClock clock;
    CallbackClock jacobianClock;
    long lResidualEvals = 0;
    long lJacobianEvals = 0;
};

int MinpackDerivativeCallback(void *pContext, int, int, const double *adParams, double *adResiduals,
                              double *adJacobian, int iLeading, int iFlag) {
    auto &context = *static_cast<MinpackContext *>(pContext);
    CallbackClock::Scope scope(context.clock);
    if (iFlag == 1) {
        ++context.lResidualEvals;
        ResidualsCompute(context.problem, adParams, adResiduals);
    } else if (iFlag == 2) {
        CallbackClock::Scope jacobianScope(context.jacobianClock);
        ++context.lJacobianEvals;
        JacobianCompute(context.problem, adParams, adJacobian, 1, iLeading);
    }
    return 0;
}

int MinpackResidualCallback(void *pContext, int, int, const double *adParams, double *adResiduals,
                            int iFlag) {
    auto &context = *static_cast<MinpackContext *>(pContext);
    CallbackClock::Scope scope(context.clock);
    if (iFlag != 0) {
        ++context.lResidualEvals;
        ResidualsCompute(context.problem, adParams, adResiduals);
    }
    return 0;
}

// Evaluations of the fit itself, taken before the standard errors add theirs.
struct MinpackCounts {
    long lResidualEvals;
    long lJacobianEvals;
};

// info 1 to 4 are the regular ends (the tolerances were met); 5 is the
// evaluation limit; 6 to 8 say a tolerance is too small for progress.
FitOutcome MinpackOutcomeMake(int iInfo, const MinpackContext &context, MinpackCounts counts,
                              std::vector<double> adParams) {
    FitOutcome outcome;
    outcome.bConverged = iInfo >= 1 && iInfo <= 4;
    outcome.sStatus = "info " + std::to_string(iInfo);
    outcome.adParams = std::move(adParams);
    outcome.lResidualEvals = counts.lResidualEvals;
    outcome.lJacobianEvals = counts.lJacobianEvals;
    outcome.dCallbackSeconds = context.clock.Seconds();
    outcome.dJacobianSeconds = context.jacobianClock.Seconds();
    return outcome;
}

struct MinpackWork {
    std::vector<double> adResiduals, adJacobian, adDiag, adQtf, adWork1, adWork2, adWork3, adWork4;
    std::vector<int> aiPivots;
    MinpackWork(int iRows, int iParams)
        : adResiduals(iRows), adJacobian(static_cast<size_t>(iRows) * iParams), adDiag(iParams),
          adQtf(iParams), adWork1(iParams), adWork2(iParams), adWork3(iParams), adWork4(iRows),
          aiPivots(iParams) {}
};

// The tolerance that lmder1 and lmdif1 use: the square root of the machine
// precision for the relative reduction of the sum of squares and of the step.
double MinpackToleranceGet() {
    return std::sqrt(dpmpar(1));
}

// Standard errors from the Jacobian adJacobian (column-major, iRows leading
// dimension) at the point reached, whose residual sum of squares is dRss;
// empty when covar1 finds the Jacobian rank-deficient. The rank tolerance is
// 0, as GSL's examples use theirs: covar1 compares the unscaled diagonal of R,
// so any positive tolerance would judge badly scaled problems by their units.
std::vector<double> MinpackStdErrorsGet(int iRows, int iParams, double dRss,
                                        std::vector<double> &adJacobian, MinpackWork &work) {
    std::vector<double> adNorms(iParams);
    qrfac(iRows, iParams, adJacobian.data(), iRows, 1, work.aiPivots.data(), iParams,
          work.adWork1.data(), adNorms.data(), work.adWork2.data());
    for (int j = 0; j < iParams; ++j) {
        adJacobian[j + static_cast<size_t>(j) * iRows] = work.adWork1[j];
    }
    if (covar1(iRows, iParams, dRss, adJacobian.data(), iRows, work.aiPivots.data(), 0.0,
               work.adWork3.data()) != 0) {
        return {};
    }
    std::vector<double> adStdErrors(iParams);
    for (int j = 0; j < iParams; ++j) {
        adStdErrors[j] = std::sqrt(adJacobian[j + static_cast<size_t>(j) * iRows]);
    }
    return adStdErrors;
}

} // namespace

FitOutcome MinpackAnalyticFit(const Problem &problem, const std::vector<double> &adStart) {
    const int iRows = problem.RowCount();
    const int iParams = problem.ParamCount();
    MinpackContext context{problem, {}, {}, 0, 0};
    MinpackWork work(iRows, iParams);
    std::vector<double> adParams = adStart;
    int iEvals = 0;
    int iJacobians = 0;
    const int iInfo =
        lmder(&MinpackDerivativeCallback, &context, iRows, iParams, adParams.data(),
              work.adResiduals.data(), work.adJacobian.data(), iRows, MinpackToleranceGet(),
              MinpackToleranceGet(), 0.0, 100 * (iParams + 1), work.adDiag.data(), 1, 100.0, 0,
              &iEvals, &iJacobians, work.aiPivots.data(), work.adQtf.data(), work.adWork1.data(),
              work.adWork2.data(), work.adWork3.data(), work.adWork4.data());
    const MinpackCounts counts{context.lResidualEvals, context.lJacobianEvals};
    // The analytic Jacobian at the point reached, through the callback so that
    // it counts like the fit's own.
    MinpackDerivativeCallback(&context, iRows, iParams, adParams.data(), work.adResiduals.data(),
                              work.adJacobian.data(), iRows, 1);
    MinpackDerivativeCallback(&context, iRows, iParams, adParams.data(), work.adResiduals.data(),
                              work.adJacobian.data(), iRows, 2);
    const double dRss = enorm(iRows, work.adResiduals.data());
    FitOutcome outcome = MinpackOutcomeMake(iInfo, context, counts, std::move(adParams));
    outcome.adStdErrors = MinpackStdErrorsGet(iRows, iParams, dRss * dRss, work.adJacobian, work);
    return outcome;
}

FitOutcome MinpackNumericFit(const Problem &problem, const std::vector<double> &adStart) {
    const int iRows = problem.RowCount();
    const int iParams = problem.ParamCount();
    MinpackContext context{problem, {}, {}, 0, 0};
    MinpackWork work(iRows, iParams);
    std::vector<double> adParams = adStart;
    int iEvals = 0;
    const int iInfo =
        lmdif(&MinpackResidualCallback, &context, iRows, iParams, adParams.data(),
              work.adResiduals.data(), MinpackToleranceGet(), MinpackToleranceGet(), 0.0,
              200 * (iParams + 1), 0.0, work.adDiag.data(), 1, 100.0, 0, &iEvals,
              work.adJacobian.data(), iRows, work.aiPivots.data(), work.adQtf.data(),
              work.adWork1.data(), work.adWork2.data(), work.adWork3.data(), work.adWork4.data());
    const MinpackCounts counts{context.lResidualEvals, context.lJacobianEvals};
    // Forward differences at the point reached, with the fit's step (epsfcn 0).
    MinpackResidualCallback(&context, iRows, iParams, adParams.data(), work.adResiduals.data(), 1);
    fdjac2(&MinpackResidualCallback, &context, iRows, iParams, adParams.data(),
           work.adResiduals.data(), work.adJacobian.data(), iRows, 0.0, work.adWork4.data());
    const double dRss = enorm(iRows, work.adResiduals.data());
    FitOutcome outcome = MinpackOutcomeMake(iInfo, context, counts, std::move(adParams));
    outcome.adStdErrors = MinpackStdErrorsGet(iRows, iParams, dRss * dRss, work.adJacobian, work);
    return outcome;
}

} // namespace bench
