// The Markdown report of a benchmark run and the data behind its chart.
#ifndef VARO_BENCH_REPORT_H
#define VARO_BENCH_REPORT_H

#include "bounded.h"
#include "runner.h"
#include "throughput.h"

#include <ostream>
#include <string>
#include <vector>

namespace bench {

// A bounded fit by both step methods beside the peer's.
struct BoundedRecord {
    BoundedCase bounded;
    FitRecord eigen;  // the eigenvector search, tight, analytic
    FitRecord damped; // the damped step, tight, analytic
};

struct RunResults {
    std::vector<FitRecord> aNist;              // every reference problem, start and fitter
    std::vector<FitRecord> aDemo;              // every demo-like problem and fitter
    std::vector<ThroughputRecord> aThroughput; // independent fits on 1 and 2 threads
    std::vector<BoundedRecord> aBounded;       // the bounded reference fits
    std::string sLargeProblem;                 // name of the large four-gaussian problem
    std::string sLargeOrigin;                  // where its data came from
    std::string sMachine;                      // a line on the machine and the build
};

// A number in printf style, for the report's tables.
std::string NumberFormat(const char *pszFormat, double dValue);

// "**met**" or "**missed**", the report's verdict on a target.
std::string VerdictFormat(bool bMet);

// Fits of one fitter that reach at least dDigits correct digits in every
// parameter.
int FitsWithDigitsCount(const std::vector<FitRecord> &aRecords, int iFitter, double dDigits);

void ReportWrite(std::ostream &out, const RunResults &results);

// One line per fitter: its name in quotes and its counts of fits with at
// least 4 and at least 6 correct digits.
void ChartDataWrite(std::ostream &out, const RunResults &results);

} // namespace bench

#endif
