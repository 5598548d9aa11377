// One fitter on one problem: accuracy, counts, time and the own-time share.
#include "runner.h"

#include "accuracy.h"

#include <algorithm>
#include <chrono>
#include <vector>

namespace bench {

FitRecord FitMeasure(const Problem &problem, int iStart, int iFitter, const RunPlan &plan) {
    const Fitter &fitter = FittersAll()[iFitter];
    const std::vector<double> &adStart = problem.aadStarts[iStart - 1];
    FitRecord record;
    record.sProblem = problem.sName;
    record.iStart = iStart;
    record.iFitter = iFitter;
    std::vector<double> adShares;
    for (int iRun = 0; iRun < std::max(1, plan.iShareRuns); ++iRun) {
        const auto start = std::chrono::steady_clock::now();
        FitOutcome outcome = fitter.pFit(problem, adStart);
        const std::chrono::duration<double> total = std::chrono::steady_clock::now() - start;
        adShares.push_back(total.count() > 0.0
                               ? std::max(0.0, 1.0 - outcome.dCallbackSeconds / total.count())
                               : 0.0);
        if (iRun == 0) {
            record.outcome = std::move(outcome);
            record.dMeasuredSeconds = total.count();
        }
    }
    std::sort(adShares.begin(), adShares.end());
    record.dOwnTimeShare = adShares[adShares.size() / 2];
    record.dRss = ResidualSquareSumCompute(problem, record.outcome.adParams.data());
    if (!problem.adCertified.empty()) {
        record.dParamDigits = ParamsDigitsCompute(record.outcome.adParams, problem.adCertified);
        record.dRssDigits = ValueDigitsCompute(record.dRss, problem.dCertifiedRss);
    }
    if (!problem.adCertifiedStdErrors.empty() && !record.outcome.adStdErrors.empty()) {
        record.dStdErrorDigits =
            ParamsDigitsCompute(record.outcome.adStdErrors, problem.adCertifiedStdErrors);
    }
    const std::string sName = problem.sName + "/" + std::to_string(iStart) + "/" + fitter.pszName;
    record.dSeconds = FitTimeMeasure(
        sName, [&] { fitter.pFit(problem, adStart); }, plan.timing);
    return record;
}

} // namespace bench
