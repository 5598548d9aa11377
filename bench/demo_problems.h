// The problems shaped like the demo programs' own: four gaussians on the
// gaussian demo's data, the same shape on a large data set, and two decaying
// exponentials on the exponential demo's data, each from the demos' default
// start values.
#ifndef VARO_BENCH_DEMO_PROBLEMS_H
#define VARO_BENCH_DEMO_PROBLEMS_H

#include "problem.h"

#include <string>

namespace bench {

// The gaussian demo's twelve default start values (amplitude, mean and
// standard deviation of each term; the model takes the variance).
std::vector<double> GaussDemoStartGet();

// The first two (amplitude, rate) pairs of the exponential demo's default
// start values, as its "2 exponents" problem takes them.
std::vector<double> ExpDemoStartGet();

bool GaussDemoProblemRead(const std::string &sPath, const std::string &sName, Problem &problem,
                          std::string &sError);
bool ExpDemoProblemRead(const std::string &sPath, Problem &problem, std::string &sError);

// The gaussian demo data's shape on iRows rows: the sample generator's four
// terms and noise level on its time axis 100..900, with seeded noise that is
// the same on every platform. Used when no generated file is given.
Problem GaussLargeProblemMake(int iRows);

} // namespace bench

#endif
