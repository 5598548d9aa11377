// Independent fits on several threads and their report rows.
#include "throughput.h"

#include "report.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <thread>

namespace bench {
namespace {

constexpr double kSpeedUpTarget = 1.8;
constexpr int kTargetThreads = 2;

bool BitsEqual(const std::vector<double> &a, const std::vector<double> &b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](double x, double y) {
               return std::bit_cast<std::uint64_t>(x) == std::bit_cast<std::uint64_t>(y);
           });
}

// The record of the same problem and fitter on one thread, or null.
const ThroughputRecord *SingleThreadFind(const std::vector<ThroughputRecord> &aRecords,
                                         const ThroughputRecord &record) {
    for (const ThroughputRecord &other : aRecords) {
        if (other.sProblem == record.sProblem && other.iFitter == record.iFitter &&
            other.iThreads == 1) {
            return &other;
        }
    }
    return nullptr;
}

// Fits per second of the record over those of its one-thread record; 0 when
// there is none.
double SpeedUpCompute(const std::vector<ThroughputRecord> &aRecords,
                      const ThroughputRecord &record) {
    const ThroughputRecord *pSingle = SingleThreadFind(aRecords, record);
    if (pSingle == nullptr || record.dSeconds <= 0.0 || pSingle->iFits == 0) {
        return 0.0;
    }
    return (record.iFits / record.dSeconds) / (pSingle->iFits / pSingle->dSeconds);
}

struct ThreadsTiming {
    double dSeconds;    // wall time
    double dCpuSeconds; // processor time of the process, all threads together
};

// Runs work on iThreads threads at once and waits for them all.
ThreadsTiming ThreadsRun(int iThreads, const std::function<void()> &work) {
    const std::clock_t iCpuStart = std::clock();
    const auto start = std::chrono::steady_clock::now();
    {
        std::vector<std::jthread> threads;
        for (int i = 0; i < iThreads; ++i) {
            threads.emplace_back(work);
        }
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    return {elapsed.count(), static_cast<double>(std::clock() - iCpuStart) / CLOCKS_PER_SEC};
}

// The processors that iThreads busy threads get from the machine as it is
// loaded now: their processor time over the wall time of a short spin. Below
// iThreads, the machine (other work, a processor quota) bounds the speed-up.
double ProcessorsUsableMeasure(int iThreads) {
    constexpr long kSpinSteps = 50000000;
    const ThreadsTiming timing = ThreadsRun(iThreads, [] {
        volatile double dSum = 0.0;
        for (long k = 0; k < kSpinSteps; ++k) {
            dSum = dSum + 1.0;
        }
    });
    return timing.dSeconds > 0.0 ? timing.dCpuSeconds / timing.dSeconds : 0.0;
}

} // namespace

ThroughputRecord ThroughputMeasure(const Problem &problem, int iFitter, int iFits, int iThreads) {
    const Fitter &fitter = FittersAll()[iFitter];
    const std::vector<double> &adStart = problem.aadStarts.front();
    const std::vector<double> adAlone = fitter.pFit(problem, adStart).adParams;
    std::atomic<int> iNext{0};
    std::atomic<int> iDiffering{0};
    ThroughputRecord record{problem.sName, iFitter, iFits, iThreads};
    record.dProcessorsUsable = ProcessorsUsableMeasure(iThreads);
    const ThreadsTiming timing = ThreadsRun(iThreads, [&] {
        while (iNext.fetch_add(1) < iFits) {
            if (!BitsEqual(fitter.pFit(problem, adStart).adParams, adAlone)) {
                ++iDiffering;
            }
        }
    });
    record.dSeconds = timing.dSeconds;
    record.dCpuSeconds = timing.dCpuSeconds;
    record.iDiffering = iDiffering.load();
    return record;
}

void ThroughputTableWrite(std::ostream &out, const std::vector<ThroughputRecord> &aRecords) {
    if (aRecords.empty()) {
        return;
    }
    out << "### Independent fits on several threads\n\n"
        << "Each fit has a fit object of its own; the threads take the next fit as soon as "
           "they finish one. Speed-up: fits per second against the same fits on one thread. "
           "Processor time per fit: the process's processor time over the run, all threads "
           "together, divided by the fits; it stays the same on more threads when the fits do "
           "not hinder each other, whatever else loads the machine. Processors usable: the "
           "processor time that as many busy threads got over the wall time of a short spin "
           "just before the fits, which bounds the speed-up. Differing: fits whose point "
           "differs, bit for bit, from the same fit run alone.\n\n"
        << "| Problem | Fitter | fits | threads | wall time (s) | fits per second | speed-up "
           "| processor time per fit (ms) | processors usable | differing |\n"
           "|---|---|---:|---:|---:|---:|---:|---:|---:|---:|\n";
    for (const ThroughputRecord &record : aRecords) {
        out << "| " << record.sProblem << " | " << FittersAll()[record.iFitter].pszName << " | "
            << record.iFits << " | " << record.iThreads << " | "
            << NumberFormat("%.3f", record.dSeconds) << " | "
            << NumberFormat("%.1f", record.iFits / record.dSeconds) << " | "
            << NumberFormat("%.2f", SpeedUpCompute(aRecords, record)) << " | "
            << NumberFormat("%.3f", 1e3 * record.dCpuSeconds / record.iFits) << " | "
            << NumberFormat("%.2f", record.dProcessorsUsable) << " | " << record.iDiffering
            << " |\n";
    }
    out << "\n";
}

void ThroughputTargetWrite(std::ostream &out, const std::vector<ThroughputRecord> &aRecords) {
    for (const ThroughputRecord &record : aRecords) {
        if (record.iThreads != kTargetThreads) {
            continue;
        }
        const double dSpeedUp = SpeedUpCompute(aRecords, record);
        const bool bMet = dSpeedUp >= kSpeedUpTarget && record.iDiffering == 0;
        out << "- " << record.sProblem << ", " << FittersAll()[record.iFitter].pszName << ", "
            << record.iFits << " independent fits on " << kTargetThreads << " threads: speed-up "
            << NumberFormat("%.2f", dSpeedUp) << " over one thread (target at least "
            << NumberFormat("%.1f", kSpeedUpTarget) << "; "
            << NumberFormat("%.2f", record.dProcessorsUsable) << " processors usable)";
        if (record.iDiffering != 0) {
            out << ", " << record.iDiffering << " fits differ from the fit run alone";
        }
        out << ": " << VerdictFormat(bMet) << ".\n";
    }
}

} // namespace bench
