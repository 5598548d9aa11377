// The benchmark harness: fits the reference problems and the demo-like
// problems with every fitter and writes the Markdown report and chart data.
#include "demo_problems.h"
#include "report.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

namespace {

using namespace bench;

struct Options {
    std::string sNistDir = VARO_BENCH_DATA_DIR "/nist";
    std::string sDataDir = VARO_BENCH_DATA_DIR;
    std::string sGaussLarge; // a generated large data file; empty: made here
    std::string sReport;     // empty: standard output
    std::string sChartData;
    std::string sBounded = VARO_BENCH_BOUNDED_REFERENCE; // the bounded fits' reference file
    std::string sOnlyProblem;                            // empty: every problem
    bool bSmoke = false;                                 // one small problem, one short repetition
    int iThreadedFits = 1000;                            // independent fits per thread count
    RunPlan plan;
};

constexpr int kLargeRows = 10000;
constexpr const char *kSmokeProblem = "Misra1a";
constexpr int kSmokeThreadedFits = 4;

bool OptionsParse(int argc, char **argv, Options &options) {
    for (int i = 1; i < argc; ++i) {
        const std::string sArg = argv[i];
        const bool bHasValue = i + 1 < argc;
        if (sArg == "--smoke") {
            options.bSmoke = true;
            options.plan.timing = TimingPlan{1, 1e-4};
            options.iThreadedFits = kSmokeThreadedFits;
        } else if (bHasValue && sArg == "--nist") {
            options.sNistDir = argv[++i];
        } else if (bHasValue && sArg == "--data") {
            options.sDataDir = argv[++i];
        } else if (bHasValue && sArg == "--gauss-large") {
            options.sGaussLarge = argv[++i];
        } else if (bHasValue && sArg == "--report") {
            options.sReport = argv[++i];
        } else if (bHasValue && sArg == "--bounded") {
            options.sBounded = argv[++i];
        } else if (bHasValue && sArg == "--chart-data") {
            options.sChartData = argv[++i];
        } else if (bHasValue && sArg == "--problem") {
            options.sOnlyProblem = argv[++i];
        } else if (bHasValue && sArg == "--repetitions") {
            options.plan.timing.iRepetitions = std::max(1, std::atoi(argv[++i]));
        } else if (bHasValue && sArg == "--threaded-fits") {
            options.iThreadedFits = std::max(1, std::atoi(argv[++i]));
        } else {
            std::cerr << "usage: " << argv[0]
                      << " [--smoke] [--nist DIR] [--data DIR] [--gauss-large FILE]"
                         " [--report FILE] [--chart-data FILE] [--bounded FILE] [--repetitions N]"
                         " [--problem NAME]"
                         " [--threaded-fits N]\n";
            return false;
        }
    }
    return true;
}

bool ProblemSelected(const Options &options, const std::string &sName) {
    return options.sOnlyProblem.empty() || options.sOnlyProblem == sName;
}

void ProblemRun(const Problem &problem, int iStart, const RunPlan &plan,
                std::vector<FitRecord> &aRecords) {
    for (int iFitter = 0; iFitter < kFitterCount; ++iFitter) {
        aRecords.push_back(FitMeasure(problem, iStart, iFitter, plan));
        const FitRecord &record = aRecords.back();
        std::fprintf(stderr, "%-10s start %d  %-22s %-10s digits %4.1f  %10.3f ms\n",
                     problem.sName.c_str(), iStart, FittersAll()[iFitter].pszName,
                     record.outcome.sStatus.c_str(), record.dParamDigits, record.dSeconds * 1e3);
    }
}

bool NistRun(const Options &options, RunResults &results) {
    for (const ModelInfo &model : NistModelsAll()) {
        if ((options.bSmoke && std::string(model.pszName) != kSmokeProblem) ||
            !ProblemSelected(options, model.pszName)) {
            continue;
        }
        Problem problem;
        std::string sError;
        if (!NistProblemRead(options.sNistDir + "/" + model.pszName + ".dat", problem, sError)) {
            std::cerr << sError << "\n";
            return false;
        }
        for (int iStart = 1; iStart <= (options.bSmoke ? 1 : 2); ++iStart) {
            ProblemRun(problem, iStart, options.plan, results.aNist);
        }
    }
    return true;
}

// Reads a demo data file with pRead and fits it; a missing file is skipped.
void DemoFileRun(const Options &options, const RunPlan &plan, const std::string &sName,
                 bool (*pRead)(const std::string &, Problem &, std::string &),
                 RunResults &results) {
    if (!ProblemSelected(options, sName)) {
        return;
    }
    Problem problem;
    std::string sError;
    if (pRead(options.sDataDir + "/" + sName + ".dat", problem, sError)) {
        ProblemRun(problem, 1, plan, results.aDemo);
    } else {
        std::cerr << "skipped: " << sError << "\n";
    }
}

bool GaussDemoRead(const std::string &sPath, Problem &problem, std::string &sError) {
    return GaussDemoProblemRead(sPath, "GaussDemo", problem, sError);
}

// The large problem comes from a generated file when one is given, else it is
// made here in the same shape.
void GaussLargeRun(const Options &options, const RunPlan &plan, RunResults &results) {
    results.sLargeProblem = "GaussLarge";
    if (!ProblemSelected(options, results.sLargeProblem)) {
        return;
    }
    Problem problem;
    std::string sError;
    if (!options.sGaussLarge.empty() &&
        GaussDemoProblemRead(options.sGaussLarge, results.sLargeProblem, problem, sError)) {
        results.sLargeOrigin = "The large four-gaussian problem (" +
                               std::to_string(problem.RowCount()) + " rows) was read from " +
                               options.sGaussLarge + ".";
    } else {
        problem = GaussLargeProblemMake(kLargeRows);
        results.sLargeOrigin = "The large four-gaussian problem (" + std::to_string(kLargeRows) +
                               " rows) was made by the harness from the sample generator's "
                               "true parameters and noise level (that generator writes 401 "
                               "rows only).";
    }
    ProblemRun(problem, 1, plan, results.aDemo);
}

void DemoRun(const Options &options, RunResults &results) {
    RunPlan plan = options.plan;
    plan.iShareRuns = options.bSmoke ? 1 : 3;
    DemoFileRun(options, plan, "GaussDemo", &GaussDemoRead, results);
    DemoFileRun(options, plan, "ExpDemo", &ExpDemoProblemRead, results);
    if (!options.bSmoke) {
        GaussLargeRun(options, plan, results);
    }
}

// The bounded reference fits, with both step methods.
bool BoundedRun(const Options &options, RunResults &results) {
    std::vector<BoundedCase> aCases;
    std::string sError;
    if (!BoundedCasesRead(options.sBounded, options.sDataDir, aCases, sError)) {
        std::cerr << sError << "\n";
        return false;
    }
    for (BoundedCase &bounded : aCases) {
        if (!ProblemSelected(options, bounded.problem.sName)) {
            continue;
        }
        BoundedRecord record{
            bounded, FitMeasure(bounded.problem, 2, kVaroAnalyticTight, options.plan),
            FitMeasure(bounded.problem, 2, kVaroDampedAnalyticTight, options.plan)};
        std::fprintf(stderr, "%-10s %-8s bounded  rss %.10e / %.10e against %.10e\n",
                     bounded.problem.sName.c_str(), bounded.sKind.c_str(), record.eigen.dRss,
                     record.damped.dRss, bounded.dPeerRss);
        results.aBounded.push_back(std::move(record));
    }
    return true;
}

// Independent fits of the gaussian demo's problem on one thread and on two,
// with each derivative mode of the library.
void ThroughputRun(const Options &options, RunResults &results) {
    const std::string sName = "GaussDemo";
    if (!ProblemSelected(options, sName)) {
        return;
    }
    Problem problem;
    std::string sError;
    if (!GaussDemoRead(options.sDataDir + "/" + sName + ".dat", problem, sError)) {
        std::cerr << "skipped: " << sError << "\n";
        return;
    }
    for (int iFitter : {kVaroAnalytic, kVaroNumeric}) {
        for (int iThreads : {1, 2}) {
            results.aThroughput.push_back(
                ThroughputMeasure(problem, iFitter, options.iThreadedFits, iThreads));
            const ThroughputRecord &record = results.aThroughput.back();
            std::fprintf(stderr, "%-10s %d fits  %-22s %d threads  %10.3f s\n",
                         record.sProblem.c_str(), record.iFits, FittersAll()[iFitter].pszName,
                         record.iThreads, record.dSeconds);
        }
    }
}

// The smoke run checks the harness itself: the peers must solve the easy
// reference problem to six digits.
bool SmokeResultsCheck(const RunResults &results) {
    bool bSound = !results.aNist.empty();
    for (const FitRecord &record : results.aNist) {
        if (FitterIsPeer(record.iFitter) && record.dParamDigits < 6.0) {
            std::cerr << FittersAll()[record.iFitter].pszName << " reached only "
                      << record.dParamDigits << " digits on " << record.sProblem << "\n";
            bSound = false;
        }
    }
    return bSound;
}

bool OutputsWrite(const Options &options, const RunResults &results) {
    if (options.sReport.empty()) {
        ReportWrite(std::cout, results);
    } else {
        std::ofstream report(options.sReport);
        ReportWrite(report, results);
        if (!report) {
            std::cerr << "cannot write " << options.sReport << "\n";
            return false;
        }
    }
    if (!options.sChartData.empty()) {
        std::ofstream chart(options.sChartData);
        ChartDataWrite(chart, results);
        return static_cast<bool>(chart);
    }
    return true;
}

} // namespace

int main(int argc, char **argv) {
    Options options;
    if (!OptionsParse(argc, argv, options)) {
        return 2;
    }
    int iBenchmarkArgc = 1;
    benchmark::Initialize(&iBenchmarkArgc, argv);
    RunResults results;
    results.sMachine = std::to_string(std::thread::hardware_concurrency()) +
                       " cores, " VARO_BENCH_BUILD_TYPE " build, median of " +
                       std::to_string(options.plan.timing.iRepetitions) + " repetitions";
    if (!NistRun(options, results)) {
        return 1;
    }
    DemoRun(options, results);
    if (!options.bSmoke && !BoundedRun(options, results)) {
        return 1;
    }
    ThroughputRun(options, results);
    if (!OutputsWrite(options, results)) {
        return 1;
    }
    return options.bSmoke && !SmokeResultsCheck(results) ? 1 : 0;
}
