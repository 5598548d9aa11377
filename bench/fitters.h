// The fitters under comparison, all driven through one signature: fit a
// problem from a start vector and report what a caller would see.
#ifndef VARO_BENCH_FITTERS_H
#define VARO_BENCH_FITTERS_H

#include "problem.h"

#include <chrono>
#include <span>
#include <string>
#include <vector>

namespace bench {

struct FitOutcome {
    bool bConverged = false;         // the fitter reported a regular end
    std::string sStatus;             // the fitter's own code, as text
    std::vector<double> adParams;    // the point reached
    std::vector<double> adStdErrors; // standard errors there; empty when not computed
    long lResidualEvals = 0;         // residual vector evaluations (numerical Jacobians included)
    long lJacobianEvals = 0;         // analytic Jacobian evaluations
    long lIterations = 0;            // main iterations, where the fitter tells them
    double dCallbackSeconds = 0.0;   // wall time spent inside the caller's callbacks
    double dJacobianSeconds = 0.0;   // the part of it spent forming analytic Jacobians
};

struct Fitter {
    const char *pszName;
    FitOutcome (*pFit)(const Problem &problem, const std::vector<double> &adStart);
};

// Accumulates the wall time of the callbacks of one fit; the fitter's own
// time is the fit's total minus this.
class CallbackClock {
  public:
    class Scope {
      public:
        explicit Scope(CallbackClock &clock, std::chrono::steady_clock::time_point start =
                                                 std::chrono::steady_clock::now())
            : m_clock(clock), m_start(start) {}
        ~Scope() { m_clock.m_seconds += std::chrono::steady_clock::now() - m_start; }
        Scope(const Scope &) = delete;
        Scope &operator=(const Scope &) = delete;

      private:
        CallbackClock &m_clock;
        std::chrono::steady_clock::time_point m_start;
    };
    double Seconds() const { return m_seconds.count(); }

  private:
    std::chrono::duration<double> m_seconds{0.0};
};

FitOutcome MinpackAnalyticFit(const Problem &problem, const std::vector<double> &adStart);
FitOutcome MinpackNumericFit(const Problem &problem, const std::vector<double> &adStart);
FitOutcome GslAnalyticFit(const Problem &problem, const std::vector<double> &adStart);
FitOutcome VaroAnalyticFit(const Problem &problem, const std::vector<double> &adStart);
FitOutcome VaroNumericFit(const Problem &problem, const std::vector<double> &adStart);
FitOutcome VaroAnalyticTightFit(const Problem &problem, const std::vector<double> &adStart);
FitOutcome VaroNumericTightFit(const Problem &problem, const std::vector<double> &adStart);
FitOutcome VaroDampedAnalyticFit(const Problem &problem, const std::vector<double> &adStart);
FitOutcome VaroDampedNumericFit(const Problem &problem, const std::vector<double> &adStart);
FitOutcome VaroDampedAnalyticTightFit(const Problem &problem, const std::vector<double> &adStart);
FitOutcome VaroDampedNumericTightFit(const Problem &problem, const std::vector<double> &adStart);
// Damped, forward differences, lmdif's tolerances.
FitOutcome VaroDampedForwardFit(const Problem &problem, const std::vector<double> &adStart);

// Every fitter in report order: the library's nine profiles (two step
// methods), then the peers.
std::span<const Fitter> FittersAll();

// Positions in FittersAll().
enum FitterIndex {
    kVaroAnalytic,
    kVaroNumeric,
    kVaroAnalyticTight,
    kVaroNumericTight,
    kVaroDampedAnalytic,
    kVaroDampedNumeric,
    kVaroDampedAnalyticTight,
    kVaroDampedNumericTight,
    kVaroDampedForward,
    kMinpackAnalytic,
    kMinpackNumeric,
    kGslAnalytic,
    kFitterCount
};

// True for the peers the library is compared with.
constexpr bool FitterIsPeer(int iFitter) {
    return iFitter >= kMinpackAnalytic;
}

} // namespace bench

#endif
