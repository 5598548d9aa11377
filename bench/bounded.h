// Bounded versions of the reference problems: the limits of every fit and the
// constrained minimum that a trust-region reflective fitter reaches, read from
// the reference file that bench/nist_bounded.py writes.
#ifndef VARO_BENCH_BOUNDED_H
#define VARO_BENCH_BOUNDED_H

#include "problem.h"

#include <string>
#include <vector>

namespace bench {

// One bounded fit: the problem with its limits set, from its second start.
struct BoundedCase {
    Problem problem;
    std::string sKind;   // "inside" or "on-limit"
    double dPeerRss;     // the peer's sum of squares at its constrained minimum
    long lPeerResiduals; // its residual and Jacobian evaluations
    long lPeerJacobians;
    double dPeerMillis; // its time, as the reference script measured it
};

// Reads the reference file; the data files come from sDataDir. False with a
// message for a file that cannot be read or names an unknown problem.
bool BoundedCasesRead(const std::string &sPath, const std::string &sDataDir,
                      std::vector<BoundedCase> &aCases, std::string &sError);

} // namespace bench

#endif
