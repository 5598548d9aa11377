// Independent fits of one problem spread over several threads, each fit with a
// fit object of its own, as a caller with many data sets runs them: the wall
// time of all fits and the report rows that compare thread counts.
#ifndef VARO_BENCH_THROUGHPUT_H
#define VARO_BENCH_THROUGHPUT_H

#include "fitters.h"

#include <ostream>
#include <string>
#include <vector>

namespace bench {

struct ThroughputRecord {
    std::string sProblem;
    int iFitter = 0; // index into FittersAll()
    int iFits = 0;
    int iThreads = 0;
    double dSeconds = 0.0;          // wall time of all fits
    double dCpuSeconds = 0.0;       // processor time of the process meanwhile, all threads together
    double dProcessorsUsable = 0.0; // what iThreads busy threads got just before (see the table)
    int iDiffering = 0;             // fits whose point differs, bit for bit, from the fit run alone
};

// Runs iFits fits of the problem from its first start with one fitter on
// iThreads threads, which take the next fit as soon as they finish one, after
// measuring the processors that iThreads busy threads get from the machine.
ThroughputRecord ThroughputMeasure(const Problem &problem, int iFitter, int iFits, int iThreads);

// The table of the records, each with its fits per second and its speed-up
// over the record of the same problem and fitter on one thread.
void ThroughputTableWrite(std::ostream &out, const std::vector<ThroughputRecord> &aRecords);

// The verdict on the speed-up of every record on two threads (target 1.8).
void ThroughputTargetWrite(std::ostream &out, const std::vector<ThroughputRecord> &aRecords);

} // namespace bench

#endif
