// Timing through the benchmark library with a reporter that keeps the median.
#include "timing.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace bench {
namespace {

class MedianReporter : public benchmark::BenchmarkReporter {
  public:
    bool ReportContext(const Context &) override { return true; }
    void ReportRuns(const std::vector<Run> &aRuns) override {
        // With one repetition no aggregate is made and the single run is the median.
        for (const Run &run : aRuns) {
            const bool bMedian =
                run.run_type == Run::RT_Aggregate ? run.aggregate_name == "median" : !m_bSeen;
            if (run.error_occurred) {
                m_dSeconds = -1.0;
            } else if (bMedian) {
                m_dSeconds =
                    run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            }
            m_bSeen = true;
        }
    }
    double Seconds() const { return m_dSeconds; }

  private:
    double m_dSeconds = -1.0;
    bool m_bSeen = false;
};

} // namespace

double FitTimeMeasure(const std::string &sName, const std::function<void()> &fit,
                      const TimingPlan &plan) {
    benchmark::ClearRegisteredBenchmarks();
    benchmark::RegisterBenchmark(sName.c_str(),
                                 [&fit](benchmark::State &state) {
                                     for (auto _ : state) {
                                         fit();
                                     }
                                 })
        ->Repetitions(plan.iRepetitions)
        ->ReportAggregatesOnly(true)
        ->MinTime(plan.dMinSecondsPerRepetition)
        ->UseRealTime()
        ->Unit(benchmark::kMicrosecond);
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::ClearRegisteredBenchmarks();
    return reporter.Seconds();
}

} // namespace bench
