// Median wall time of a repeated fit, measured with the benchmark library:
// each repetition runs the fit as often as needed to last a minimum time, and
// the median over the repetitions is reported.
#ifndef VARO_BENCH_TIMING_H
#define VARO_BENCH_TIMING_H

#include <functional>
#include <string>

namespace bench {

struct TimingPlan {
    int iRepetitions = 5;
    double dMinSecondsPerRepetition = 0.01;
};

// Seconds per fit (median over the repetitions); negative when the benchmark
// library reported an error.
double FitTimeMeasure(const std::string &sName, const std::function<void()> &fit,
                      const TimingPlan &plan);

} // namespace bench

#endif
