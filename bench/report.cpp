// The Markdown report: summary and targets first, then the tables of every fit.
#include "report.h"

#include "accuracy.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

namespace bench {

std::string NumberFormat(const char *pszFormat, double dValue) {
    char acBuffer[64];
    std::snprintf(acBuffer, sizeof acBuffer, pszFormat, dValue);
    return acBuffer;
}

std::string VerdictFormat(bool bMet) {
    return bMet ? "**met**" : "**missed**";
}

namespace {

constexpr double kTightTargetDigits = 4.0;
constexpr double kOwnShareTarget = 0.10;
constexpr double kLmderRatioTarget = 2.0;
// The damped step method's targets: fits of the tight analytic profile with 4
// and 6 correct digits, and the large problem against MINPACK.
constexpr int kDampedFourDigitsTarget = 52;
constexpr int kDampedSixDigitsTarget = 48;
constexpr double kDampedLmderTimeTarget = 1.2;
constexpr double kDampedLmderEvalsTarget = 2.0;
constexpr double kDampedLmdifTimeTarget = 1.5;
// Forward differences with the damped step against lmdif: at most its time on
// the large problem.
constexpr double kForwardLmdifTimeTarget = 1.0;
// A bounded fit reaches the peer's constrained minimum within this share of
// its sum of squares.
constexpr double kBoundedRssTolerance = 1e-6;

std::string MillisFormat(double dSeconds) {
    return dSeconds < 0.0 ? "error" : NumberFormat("%.3f", dSeconds * 1e3);
}

double MedianCompute(std::vector<double> adValues) {
    if (adValues.empty()) {
        return 0.0;
    }
    std::sort(adValues.begin(), adValues.end());
    const size_t iMiddle = adValues.size() / 2;
    return adValues.size() % 2 != 0 ? adValues[iMiddle]
                                    : 0.5 * (adValues[iMiddle - 1] + adValues[iMiddle]);
}

template <class Quantity>
double FitterMedianCompute(const std::vector<FitRecord> &aRecords, int iFitter, Quantity quantity) {
    std::vector<double> adValues;
    for (const FitRecord &record : aRecords) {
        if (record.iFitter == iFitter) {
            adValues.push_back(quantity(record));
        }
    }
    return MedianCompute(adValues);
}

const FitRecord *RecordFind(const std::vector<FitRecord> &aRecords, const std::string &sProblem,
                            int iFitter, int iStart = 1) {
    for (const FitRecord &record : aRecords) {
        if (record.sProblem == sProblem && record.iFitter == iFitter && record.iStart == iStart) {
            return &record;
        }
    }
    return nullptr;
}

constexpr double kSolvedNormFactor = 1.01;

// The smallest finite residual norm any fitter reached on a problem.
double BestNormFind(const std::vector<FitRecord> &aRecords, const std::string &sProblem) {
    double dBest = std::numeric_limits<double>::infinity();
    for (const FitRecord &record : aRecords) {
        if (record.sProblem == sProblem && std::isfinite(record.dRss)) {
            dBest = std::min(dBest, std::sqrt(record.dRss));
        }
    }
    return dBest;
}

// The fastest peer among those that solved the problem (final norm within 1 %
// of the best norm of any fitter); without one, the peer with the smallest
// norm; null when no peer ran on it.
const FitRecord *FastestPeerFind(const std::vector<FitRecord> &aRecords,
                                 const std::string &sProblem) {
    const double dSolvedNorm = kSolvedNormFactor * BestNormFind(aRecords, sProblem);
    const FitRecord *pFastest = nullptr;
    const FitRecord *pClosest = nullptr;
    for (int iFitter = 0; iFitter < kFitterCount; ++iFitter) {
        const FitRecord *pRecord = RecordFind(aRecords, sProblem, iFitter);
        if (!FitterIsPeer(iFitter) || pRecord == nullptr) {
            continue;
        }
        const double dNorm = std::sqrt(pRecord->dRss);
        if (dNorm <= dSolvedNorm &&
            (pFastest == nullptr || pRecord->dSeconds < pFastest->dSeconds)) {
            pFastest = pRecord;
        }
        if (pClosest == nullptr || !(std::sqrt(pClosest->dRss) <= dNorm)) {
            pClosest = pRecord;
        }
    }
    return pFastest != nullptr ? pFastest : pClosest;
}

void NistSummaryWrite(std::ostream &out, const RunResults &results) {
    const int iFits = static_cast<int>(results.aNist.size()) / kFitterCount;
    out << "### Reference problems (" << iFits << " fits per fitter)\n\n"
        << "| Fitter | >= 4 digits | >= 6 digits | regular end | median residual evals "
           "| median Jacobian evals | median time (ms) |\n"
        << "|---|---:|---:|---:|---:|---:|---:|\n";
    for (int iFitter = 0; iFitter < kFitterCount; ++iFitter) {
        const auto &aNist = results.aNist;
        const int iRegular = static_cast<int>(
            std::count_if(aNist.begin(), aNist.end(), [&](const FitRecord &record) {
                return record.iFitter == iFitter && record.outcome.bConverged;
            }));
        out << "| " << FittersAll()[iFitter].pszName << " | "
            << FitsWithDigitsCount(aNist, iFitter, 4.0) << " | "
            << FitsWithDigitsCount(aNist, iFitter, 6.0) << " | " << iRegular << " | "
            << FitterMedianCompute(aNist, iFitter,
                                   [](const FitRecord &r) { return r.outcome.lResidualEvals; })
            << " | "
            << FitterMedianCompute(aNist, iFitter,
                                   [](const FitRecord &r) { return r.outcome.lJacobianEvals; })
            << " | "
            << MillisFormat(FitterMedianCompute(aNist, iFitter,
                                                [](const FitRecord &r) { return r.dSeconds; }))
            << " |\n";
    }
    out << "\n";
}

// Per fitter: how many fits gave standard errors, how many of them reach 4 and
// 6 digits, and the same among the fits whose parameters reached 6 digits,
// where the point is the certified minimum and the comparison is fair.
void StdErrorSummaryWrite(std::ostream &out, const RunResults &results) {
    out << "### Standard errors on the reference problems\n\n"
        << "Correct digits of the standard errors s^2 (J^t J)^-1 at the point each fit reached "
           "against the certified standard deviations. Varo: VaroParamStdErrorGet with the "
           "covariance on; MINPACK: covar1 on the pivoted QR factors of the Jacobian at the "
           "point reached (forward differences for lmdif); GSL: gsl_multifit_nlinear_covar; "
           "both with rank tolerance 0. Varo's 4-digit check in the tests excepts Lanczos1, "
           "whose certified residual sum of squares (1.4e-25) lies at the edge of what double "
           "precision residuals resolve. A rank-deficient Jacobian gives none.\n\n"
        << "| Fitter | given | >= 4 digits | >= 6 digits | fits with >= 6 parameter digits | "
           "of those, standard errors >= 4 digits | lowest digits of those |\n"
        << "|---|---:|---:|---:|---:|---:|---:|\n";
    for (int iFitter = 0; iFitter < kFitterCount; ++iFitter) {
        int iGiven = 0, iFour = 0, iSix = 0, iAccurate = 0, iAccurateFour = 0;
        double dLowest = kDigitsCap;
        for (const FitRecord &record : results.aNist) {
            if (record.iFitter != iFitter) {
                continue;
            }
            const double dDigits = std::max(record.dStdErrorDigits, 0.0);
            iGiven += record.dStdErrorDigits >= 0.0 ? 1 : 0;
            iFour += dDigits >= 4.0 ? 1 : 0;
            iSix += dDigits >= 6.0 ? 1 : 0;
            if (record.dParamDigits >= 6.0) {
                ++iAccurate;
                iAccurateFour += dDigits >= 4.0 ? 1 : 0;
                dLowest = std::min(dLowest, dDigits);
            }
        }
        out << "| " << FittersAll()[iFitter].pszName << " | " << iGiven << " | " << iFour << " | "
            << iSix << " | " << iAccurate << " | " << iAccurateFour << " | "
            << (iAccurate > 0 ? NumberFormat("%.1f", dLowest) : std::string("-")) << " |\n";
    }
    out << "\n";
}

void DemoRatiosWrite(std::ostream &out, const RunResults &results) {
    out << "### Demo-like problems: Varo / fastest peer, same run\n\n"
        << "The fastest peer among those whose final residual norm lies within 1 % of the "
           "smallest norm any fitter reached on the problem.\n\n"
        << "| Problem | fastest peer | peer time (ms) | Varo analytic / peer | Varo numerical / "
           "peer | Varo analytic / lmder | Varo norm / peer norm | Varo own-time share | Varo "
           "damped analytic / peer | Varo damped numerical / peer |\n"
        << "|---|---|---:|---:|---:|---:|---:|---:|---:|---:|\n";
    std::vector<std::string> asProblems;
    for (const FitRecord &record : results.aDemo) {
        if (std::find(asProblems.begin(), asProblems.end(), record.sProblem) == asProblems.end()) {
            asProblems.push_back(record.sProblem);
        }
    }
    for (const std::string &sProblem : asProblems) {
        const FitRecord *pPeer = FastestPeerFind(results.aDemo, sProblem);
        const FitRecord *pAnalytic = RecordFind(results.aDemo, sProblem, kVaroAnalytic);
        const FitRecord *pNumeric = RecordFind(results.aDemo, sProblem, kVaroNumeric);
        const FitRecord *pLmder = RecordFind(results.aDemo, sProblem, kMinpackAnalytic);
        const FitRecord *pDamped = RecordFind(results.aDemo, sProblem, kVaroDampedAnalytic);
        const FitRecord *pDampedNumeric = RecordFind(results.aDemo, sProblem, kVaroDampedNumeric);
        if (pPeer == nullptr || pAnalytic == nullptr || pNumeric == nullptr || pLmder == nullptr ||
            pDamped == nullptr || pDampedNumeric == nullptr) {
            continue;
        }
        out << "| " << sProblem << " | " << FittersAll()[pPeer->iFitter].pszName << " | "
            << MillisFormat(pPeer->dSeconds) << " | "
            << NumberFormat("%.2f", pAnalytic->dSeconds / pPeer->dSeconds) << " | "
            << NumberFormat("%.2f", pNumeric->dSeconds / pPeer->dSeconds) << " | "
            << NumberFormat("%.2f", pAnalytic->dSeconds / pLmder->dSeconds) << " | "
            << NumberFormat("%.4f", std::sqrt(pAnalytic->dRss / pPeer->dRss)) << " | "
            << NumberFormat("%.1f %%", 100.0 * pAnalytic->dOwnTimeShare) << " | "
            << NumberFormat("%.2f", pDamped->dSeconds / pPeer->dSeconds) << " | "
            << NumberFormat("%.2f", pDampedNumeric->dSeconds / pPeer->dSeconds) << " |\n";
    }
    out << "\n";
}

// The fits where the tight profile stays below 4 digits, with its status and
// evaluations and the best peer's digits on the same fit.
void TightShortfallWrite(std::ostream &out, const RunResults &results, int iBestPeer) {
    out << "- Fits of Varo analytic tight below 4 digits (status, digits of the parameters and of "
           "the residual sum of squares, residual and Jacobian evaluations; "
        << FittersAll()[iBestPeer].pszName << "'s digits):";
    const char *pszSeparator = " ";
    for (const FitRecord &record : results.aNist) {
        if (record.iFitter != kVaroAnalyticTight || record.dParamDigits >= kTightTargetDigits) {
            continue;
        }
        const FitRecord *pPeer =
            RecordFind(results.aNist, record.sProblem, iBestPeer, record.iStart);
        out << pszSeparator << record.sProblem << "/" << record.iStart << " ("
            << record.outcome.sStatus << ", " << NumberFormat("%.1f", record.dParamDigits) << ", "
            << NumberFormat("%.1f", record.dRssDigits) << ", " << record.outcome.lResidualEvals
            << "/" << record.outcome.lJacobianEvals << "; "
            << (pPeer == nullptr ? std::string("-") : NumberFormat("%.1f", pPeer->dParamDigits))
            << ")";
        pszSeparator = ", ";
    }
    out << (*pszSeparator == ' ' ? " none.\n" : ".\n");
    if (*pszSeparator != ' ') {
        out << "  A status rc 0 with the residual sum of squares off the certified one means the "
               "run ended on the termination test: an iteration lowered the norm by less than "
               "the termination fraction, because neither the Gauss-Newton step nor any "
               "eigenvector move of the step search found a better point (a flat or "
               "ill-conditioned region away from the certified minimum; the method has no "
               "damping to leave it).\n";
    }
}

void TightTargetWrite(std::ostream &out, const RunResults &results) {
    const int iTight = FitsWithDigitsCount(results.aNist, kVaroAnalyticTight, kTightTargetDigits);
    const int iTightNumeric =
        FitsWithDigitsCount(results.aNist, kVaroNumericTight, kTightTargetDigits);
    int iBestPeer = kMinpackAnalytic;
    for (int iFitter = kMinpackAnalytic; iFitter < kFitterCount; ++iFitter) {
        if (FitsWithDigitsCount(results.aNist, iFitter, kTightTargetDigits) >
            FitsWithDigitsCount(results.aNist, iBestPeer, kTightTargetDigits)) {
            iBestPeer = iFitter;
        }
    }
    const int iPeer = FitsWithDigitsCount(results.aNist, iBestPeer, kTightTargetDigits);
    out << "- Tight profile, 4 correct digits on the reference problems: Varo analytic tight "
        << iTight << ", Varo numerical tight " << iTightNumeric << ", best peer ("
        << FittersAll()[iBestPeer].pszName << ") " << iPeer << ": "
        << VerdictFormat(iTight >= iPeer);
    if (iTight < iPeer) {
        out << " by " << iPeer - iTight << " fits";
    }
    out << ".\n";
    TightShortfallWrite(out, results, iBestPeer);
}

// Where one measured fit spent its time: evaluations and the time in the
// residual callbacks, in the Jacobian callbacks and in the fitter itself.
void TimeSplitWrite(std::ostream &out, const char *pszName, const FitRecord &record) {
    const FitOutcome &outcome = record.outcome;
    out << pszName << " " << outcome.lResidualEvals << " residual evaluations in "
        << MillisFormat(outcome.dCallbackSeconds - outcome.dJacobianSeconds) << " ms, "
        << outcome.lJacobianEvals << " Jacobians in " << MillisFormat(outcome.dJacobianSeconds)
        << " ms, own time " << MillisFormat(record.dMeasuredSeconds - outcome.dCallbackSeconds)
        << " ms";
    if (outcome.lIterations > 0) {
        out << " in " << outcome.lIterations << " iterations";
    }
}

void LargeTargetsWrite(std::ostream &out, const RunResults &results) {
    const FitRecord *pVaro = RecordFind(results.aDemo, results.sLargeProblem, kVaroAnalytic);
    const FitRecord *pLmder = RecordFind(results.aDemo, results.sLargeProblem, kMinpackAnalytic);
    if (pVaro == nullptr || pLmder == nullptr) {
        out << "- Large four-gaussian problem: not run.\n";
        return;
    }
    const double dShare = pVaro->dOwnTimeShare;
    out << "- " << results.sLargeProblem << ", library's own time outside the callbacks "
        << NumberFormat("%.1f %%", 100.0 * dShare)
        << " of the fit (target below 10 %): " << VerdictFormat(dShare < kOwnShareTarget) << ".\n";
    const double dRatio = pVaro->dSeconds / pLmder->dSeconds;
    out << "- " << results.sLargeProblem << ", Varo analytic " << MillisFormat(pVaro->dSeconds)
        << " ms against MINPACK lmder " << MillisFormat(pLmder->dSeconds) << " ms, ratio "
        << NumberFormat("%.2f", dRatio)
        << " (target at most 2): " << VerdictFormat(dRatio <= kLmderRatioTarget) << ".\n"
        << "- Where the time goes, one measured fit each: ";
    TimeSplitWrite(out, "Varo", *pVaro);
    out << "; ";
    TimeSplitWrite(out, "lmder", *pLmder);
    out << ". Varo's callbacks alone take "
        << NumberFormat("%.2f", pVaro->outcome.dCallbackSeconds / pLmder->dMeasuredSeconds)
        << " times lmder's whole fit.\n";
}

// A count against its target: met, or missed by how many fits.
std::string CountVerdictFormat(int iCount, int iTarget) {
    return VerdictFormat(iCount >= iTarget) +
           (iCount >= iTarget ? "" : " by " + std::to_string(iTarget - iCount) + " fits");
}

void DampedNistTargetWrite(std::ostream &out, const RunResults &results) {
    const int iFour = FitsWithDigitsCount(results.aNist, kVaroDampedAnalyticTight, 4.0);
    const int iSix = FitsWithDigitsCount(results.aNist, kVaroDampedAnalyticTight, 6.0);
    out << "- Varo damped analytic tight, reference problems: " << iFour
        << " fits with 4 correct digits (target " << kDampedFourDigitsTarget
        << "): " << CountVerdictFormat(iFour, kDampedFourDigitsTarget) << "; " << iSix
        << " with 6 (target " << kDampedSixDigitsTarget
        << "): " << CountVerdictFormat(iSix, kDampedSixDigitsTarget) << ".\n"
        << "- Its fits below 6 digits (status, digits of the parameters and of the residual sum "
           "of squares, residual and Jacobian evaluations):";
    const char *pszSeparator = " ";
    for (const FitRecord &record : results.aNist) {
        if (record.iFitter != kVaroDampedAnalyticTight || record.dParamDigits >= 6.0) {
            continue;
        }
        out << pszSeparator << record.sProblem << "/" << record.iStart << " ("
            << record.outcome.sStatus << ", " << NumberFormat("%.1f", record.dParamDigits) << ", "
            << NumberFormat("%.1f", record.dRssDigits) << ", " << record.outcome.lResidualEvals
            << "/" << record.outcome.lJacobianEvals << ")";
        pszSeparator = ", ";
    }
    out << (*pszSeparator == ' ' ? " none.\n" : ".\n");
    if (*pszSeparator != ' ') {
        out << "  rc 9 means the iteration limit (100 iterations per free parameter) was reached "
               "while each iteration still lowered the norm, in a long curved valley; rc 0 with "
               "the residual sum of squares off the certified one means the run converged to "
               "another local minimum or stopped in a flat region.\n";
    }
}

// The damped profile against a MINPACK driver on the large problem: the time
// ratio, and the residual evaluations of both.
void DampedLargeRatioWrite(std::ostream &out, const RunResults &results, int iDamped, int iPeer,
                           double dTarget) {
    const FitRecord *pDamped = RecordFind(results.aDemo, results.sLargeProblem, iDamped);
    const FitRecord *pPeer = RecordFind(results.aDemo, results.sLargeProblem, iPeer);
    if (pDamped == nullptr || pPeer == nullptr) {
        return;
    }
    const double dRatio = pDamped->dSeconds / pPeer->dSeconds;
    const FitOutcome &damped = pDamped->outcome;
    out << "- " << results.sLargeProblem << ", " << FittersAll()[iDamped].pszName << " "
        << MillisFormat(pDamped->dSeconds) << " ms against " << FittersAll()[iPeer].pszName << " "
        << MillisFormat(pPeer->dSeconds) << " ms, ratio " << NumberFormat("%.2f", dRatio)
        << " (target at most " << NumberFormat("%.1f", dTarget)
        << "): " << VerdictFormat(dRatio <= dTarget) << "; " << damped.lResidualEvals
        << " residual evaluations and " << damped.lJacobianEvals << " Jacobians in "
        << damped.lIterations << " iterations against " << pPeer->outcome.lResidualEvals << " and "
        << pPeer->outcome.lJacobianEvals << ".\n";
    if (iPeer == kMinpackAnalytic) {
        const double dEvals = static_cast<double>(damped.lResidualEvals) /
                              static_cast<double>(std::max(1L, pPeer->outcome.lResidualEvals));
        out << "- " << results.sLargeProblem << ", " << FittersAll()[iDamped].pszName
            << " residual evaluations / lmder's " << NumberFormat("%.2f", dEvals)
            << " (target at most " << NumberFormat("%.1f", kDampedLmderEvalsTarget)
            << "): " << VerdictFormat(dEvals <= kDampedLmderEvalsTarget) << ".\n";
    } else if (iDamped == kVaroDampedNumeric && dRatio > dTarget && damped.lIterations > 0) {
        // The numerical Jacobian is the one both step methods share: central
        // differences with adaptive perturbations against lmdif's forward ones.
        const double dPerIteration =
            static_cast<double>(damped.lResidualEvals) / static_cast<double>(damped.lIterations);
        out << "  Why: the library's numerical Jacobian, shared by both step methods, takes "
               "central differences with adaptive perturbations, at least two evaluations per "
               "parameter; here "
            << NumberFormat("%.1f", dPerIteration)
            << " residual evaluations per iteration, against lmdif's forward differences, one "
               "per parameter.\n";
    }
}

void DampedTargetsWrite(std::ostream &out, const RunResults &results) {
    out << "### Targets of the damped step method\n\n"
           "Times are medians of one run in which every fitter ran beside the others on a "
           "shared machine; the ratios compare fits of that run.\n\n";
    DampedNistTargetWrite(out, results);
    DampedLargeRatioWrite(out, results, kVaroDampedAnalytic, kMinpackAnalytic,
                          kDampedLmderTimeTarget);
    DampedLargeRatioWrite(out, results, kVaroDampedNumeric, kMinpackNumeric,
                          kDampedLmdifTimeTarget);
    const int iForward = FitsWithDigitsCount(results.aNist, kVaroDampedForward, 4.0);
    const int iLmdif = FitsWithDigitsCount(results.aNist, kMinpackNumeric, 4.0);
    out << "- " << FittersAll()[kVaroDampedForward].pszName
        << " (forward differences, lmdif's tolerances), reference problems: " << iForward
        << " fits with 4 correct digits against lmdif's " << iLmdif
        << " (target: at least as many): " << CountVerdictFormat(iForward, iLmdif) << ".\n";
    DampedLargeRatioWrite(out, results, kVaroDampedForward, kMinpackNumeric,
                          kForwardLmdifTimeTarget);
    out << "\n";
}

// A bounded fit reached the peer's constrained minimum.
bool BoundedReached(const FitRecord &record, const BoundedCase &bounded) {
    return record.outcome.bConverged &&
           (record.dRss - bounded.dPeerRss) / bounded.dPeerRss <= kBoundedRssTolerance;
}

std::string BoundedCellsFormat(const FitRecord &record, const BoundedCase &bounded) {
    return NumberFormat("%.10e", record.dRss) + (BoundedReached(record, bounded) ? "" : " *") +
           " | " + std::to_string(record.outcome.lResidualEvals) + "/" +
           std::to_string(record.outcome.lJacobianEvals) + " | " + MillisFormat(record.dSeconds);
}

void BoundedWrite(std::ostream &out, const RunResults &results) {
    if (results.aBounded.empty()) {
        return;
    }
    int iEigen = 0;
    int iDamped = 0;
    for (const BoundedRecord &record : results.aBounded) {
        iEigen += BoundedReached(record.eigen, record.bounded);
        iDamped += BoundedReached(record.damped, record.bounded);
    }
    const int iFits = static_cast<int>(results.aBounded.size());
    out << "### Bounded reference problems\n\n"
           "Each problem from its second start with two kinds of limits (bench/nist_bounded.py): "
           "*inside*, every parameter starting on one of its limits with the certified value "
           "in the middle of its box; *on-limit*, one limit half-way between the start and the "
           "certified value of the parameter that starts farthest from it, so that the "
           "constrained minimum lies on that limit. The peer is SciPy's "
           "least_squares(method='trf') with ftol = xtol = gtol = 1e-15 and the exact Jacobian; "
           "its time, measured by that script in Python, includes the interpreter. Varo: the "
           "tight analytic profiles of both step methods. A fit counts as reached when it "
           "converged within "
        << NumberFormat("%.0e", kBoundedRssTolerance)
        << " of the peer's sum of squares (`*` marks the others). Reached: eigenvector search "
        << iEigen << " of " << iFits << ", damped step " << iDamped << " of " << iFits
        << ".\n\n| Problem | Limits | trf RSS | trf evals | trf ms | eigen RSS | eigen evals | "
           "eigen ms | damped RSS | damped evals | damped ms |\n"
           "|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n";
    for (const BoundedRecord &record : results.aBounded) {
        const BoundedCase &bounded = record.bounded;
        out << "| " << bounded.problem.sName << " | " << bounded.sKind << " | "
            << NumberFormat("%.10e", bounded.dPeerRss) << " | " << bounded.lPeerResiduals << "/"
            << bounded.lPeerJacobians << " | " << NumberFormat("%.3f", bounded.dPeerMillis) << " | "
            << BoundedCellsFormat(record.eigen, bounded) << " | "
            << BoundedCellsFormat(record.damped, bounded) << " |\n";
    }
    out << "\nEvaluations are residual/Jacobian evaluations.\n\n";
}

// A table of one figure per reference fit: a row per problem and start, a
// column per fitter; Cell gives the text of one fit.
template <class Cell>
void NistFitTableWrite(std::ostream &out, const RunResults &results, Cell cell) {
    out << "| Problem | Start |";
    for (const Fitter &fitter : FittersAll()) {
        out << " " << fitter.pszName << " |";
    }
    out << "\n|---|---:|";
    for (int iFitter = 0; iFitter < kFitterCount; ++iFitter) {
        out << "---:|";
    }
    out << "\n";
    // One row per problem and start, in the order the first fitter met them.
    for (const FitRecord &row : results.aNist) {
        if (row.iFitter != 0) {
            continue;
        }
        out << "| " << row.sProblem << " | " << row.iStart << " |";
        for (int iFitter = 0; iFitter < kFitterCount; ++iFitter) {
            const FitRecord *pRecord = RecordFind(results.aNist, row.sProblem, iFitter, row.iStart);
            out << " " << (pRecord == nullptr ? std::string("-") : cell(*pRecord)) << " |";
        }
        out << "\n";
    }
    out << "\n";
}

void NistDigitsTableWrite(std::ostream &out, const RunResults &results) {
    out << "## Reference problems: correct digits of the parameters\n\n"
        << "Smallest log relative error over the parameters (0 to 11); `*` marks a fit that "
           "did not end regularly (status in the tables below).\n\n";
    NistFitTableWrite(out, results, [](const FitRecord &record) {
        return NumberFormat("%.1f", record.dParamDigits) + (record.outcome.bConverged ? "" : "*");
    });
}

void NistStdErrorTableWrite(std::ostream &out, const RunResults &results) {
    out << "## Reference problems: correct digits of the standard errors\n\n"
        << "Smallest log relative error over the parameters' standard errors against the "
           "certified standard deviations (0 to 11); `-` where the fitter gave none; `*` marks "
           "a fit whose parameters have fewer than 6 correct digits.\n\n";
    NistFitTableWrite(out, results, [](const FitRecord &record) {
        return record.dStdErrorDigits < 0.0 ? std::string("-")
                                            : NumberFormat("%.1f", record.dStdErrorDigits) +
                                                  (record.dParamDigits >= 6.0 ? "" : "*");
    });
}

// One fitter's table: digits for the reference problems (bDigits), residual
// norm, own-time share and iterations for the demo-like problems.
void FitterDetailWrite(std::ostream &out, const std::vector<FitRecord> &aRecords, int iFitter,
                       bool bDigits) {
    out << "### " << FittersAll()[iFitter].pszName << "\n\n| Problem | "
        << (bDigits ? "Start | status | param digits | RSS digits | "
                    : "status | residual norm | own-time share | iterations | ")
        << "residual evals | Jacobian evals | median time (ms) |\n"
        << "|---|---|---|---:|---:|---:|---:|---:|\n";
    for (const FitRecord &record : aRecords) {
        if (record.iFitter != iFitter) {
            continue;
        }
        const long lIterations = record.outcome.lIterations;
        out << "| " << record.sProblem << " | "
            << (bDigits ? std::to_string(record.iStart) + " | " + record.outcome.sStatus + " | " +
                              NumberFormat("%.1f", record.dParamDigits) + " | " +
                              NumberFormat("%.1f", record.dRssDigits)
                        : record.outcome.sStatus + " | " +
                              NumberFormat("%.6e", std::sqrt(record.dRss)) + " | " +
                              NumberFormat("%.1f %%", 100.0 * record.dOwnTimeShare) + " | " +
                              (lIterations > 0 ? std::to_string(lIterations) : "-"))
            << " | " << record.outcome.lResidualEvals << " | " << record.outcome.lJacobianEvals
            << " | " << MillisFormat(record.dSeconds) << " |\n";
    }
    out << "\n";
}

void MethodNotesWrite(std::ostream &out) {
    out << "## How the fits are made\n\n"
        << "- Every fitter minimises the same residuals r_i = w_i (y_i - f(b; x_i)) computed by "
           "the same code; each model is written once over the number type, and its exact "
           "Jacobian comes from forward-mode dual numbers. Varo asks for one Jacobian column "
           "per call; the harness computes the whole Jacobian at the first request at a point "
           "and serves the other columns from it, so every fitter pays the same per Jacobian.\n"
        << "- Varo default: the library's default settings. Varo tight: residual-norm change "
           "and parameter change termination values of 2.2e-16 (the machine epsilon, at which "
           "1 - c still differs from 1) and a Gauss-Newton threshold of the largest double, so "
           "that the "
           "Gauss-Newton step is tried in every iteration; the other settings stay at their "
           "defaults. Numerical profiles register no gradient callback. Varo damped: the same "
           "four profiles with the damped step method (VaroStepMethodSet 1).\n"
        << "- MINPACK: lmder and lmdif with ftol = xtol = sqrt(machine precision), gtol = 0, "
           "mode 1, factor 100, maxfev 100(n+1) and 200(n+1), as lmder1 and lmdif1 use them. "
           "GSL: gsl_multifit_nlinear trust region with Levenberg-Marquardt steps, default "
           "parameters, xtol = gtol = 1e-8, ftol = 0, at most 1000 iterations.\n"
        << "- Every fit ends with its standard errors, and its times include them: Varo's "
           "one more Jacobian at the fitted point, MINPACK's one more Jacobian (analytic, or "
           "forward differences for lmdif) and QR factorisation, GSL's factorisation of the "
           "Jacobian it holds. Its evaluation counts are those of the fit itself.\n"
        << "- Correct digits: -log10 of the relative error against the certified value (the "
           "absolute error for a certified 0), between 0 and 11; a fit's figure is its worst "
           "parameter. A fit that did not end regularly is judged at the point it reached "
           "(Varo: the point of its last completed iteration).\n"
        << "- Times: median over repetitions of the wall time of one whole fit (set-up "
           "included), measured with the benchmark library. Own-time share: 1 - (time inside "
           "the callbacks) / (time of the fit), the median of three measured fits; library "
           "calls made from inside a callback (parameter queries, hand-over of a vector) count "
           "as callback time.\n"
        << "- Demo-like problems: four gaussians on data/GaussDemo.dat from the gaussian "
           "demo's default start values; two exponentials on data/ExpDemo.dat (the shape its "
           "generator wrote) from the first two pairs of the exponential demo's default start "
           "values; the large problem has the gaussian data's shape on 10000 rows.\n\n";
}

} // namespace

int FitsWithDigitsCount(const std::vector<FitRecord> &aRecords, int iFitter, double dDigits) {
    return static_cast<int>(
        std::count_if(aRecords.begin(), aRecords.end(), [&](const FitRecord &r) {
            return r.iFitter == iFitter && r.dParamDigits >= dDigits;
        }));
}

void ReportWrite(std::ostream &out, const RunResults &results) {
    out << "# Benchmark results\n\nWritten by `scripts/bench`; " << results.sMachine
        << ". Chart: [nist_digits.png](nist_digits.png).\n\n## Summary\n\n";
    NistSummaryWrite(out, results);
    StdErrorSummaryWrite(out, results);
    DemoRatiosWrite(out, results);
    ThroughputTableWrite(out, results.aThroughput);
    out << "### Targets\n\n";
    TightTargetWrite(out, results);
    LargeTargetsWrite(out, results);
    ThroughputTargetWrite(out, results.aThroughput);
    out << "\n";
    DampedTargetsWrite(out, results);
    BoundedWrite(out, results);
    out << results.sLargeOrigin << "\n\n";
    MethodNotesWrite(out);
    NistDigitsTableWrite(out, results);
    NistStdErrorTableWrite(out, results);
    out << "## Reference problems per fitter\n\n";
    for (int iFitter = 0; iFitter < kFitterCount; ++iFitter) {
        FitterDetailWrite(out, results.aNist, iFitter, true);
    }
    out << "## Demo-like problems per fitter\n\n";
    for (int iFitter = 0; iFitter < kFitterCount; ++iFitter) {
        FitterDetailWrite(out, results.aDemo, iFitter, false);
    }
}

void ChartDataWrite(std::ostream &out, const RunResults &results) {
    for (int iFitter = 0; iFitter < kFitterCount; ++iFitter) {
        out << '"' << FittersAll()[iFitter].pszName << "\" "
            << FitsWithDigitsCount(results.aNist, iFitter, 4.0) << " "
            << FitsWithDigitsCount(results.aNist, iFitter, 6.0) << "\n";
    }
}

} // namespace bench
