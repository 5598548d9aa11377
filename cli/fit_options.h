// What varo-fit is asked to do: how files are read, the model, start values,
// differentiation, step method, limits, log folder, threads, output format and
// the files.
#ifndef VARO_CLI_FIT_OPTIONS_H
#define VARO_CLI_FIT_OPTIONS_H

#include <optional>
#include <string>
#include <vector>

#include "models/model_family.h"
#include "models/table_file.h"

enum class OutputFormat { kCsv, kJson };

struct FitOptions {
    TableOptions table;
    const ModelFamily *pFamily = nullptr;
    int iNoTerms = 0;
    std::vector<double> adStartShown; // all terms' start values; empty: found from the data
    bool bAnalytic = true;
    int iStepMethod = 1;                 // the library's: 0 eigenvector search, 1 damped
    int iMaxIterations = -1;             // the library's default
    std::optional<double> resNormChange; // the library's default where empty
    std::optional<double> parValChange;
    std::string logDir; // empty: no log files
    int iJobs = 1;
    OutputFormat format = OutputFormat::kCsv;
    std::vector<std::string> files;
};

// Exit status of a usage error.
constexpr int kUsageStatus = 2;

// Reads the command line into *pOptions. Returns -1 to go on; otherwise the
// exit status to end with: 0 after the help text was asked for and printed
// on standard output, kUsageStatus after a usage error, whose message and the
// usage text were printed on standard error.
int FitOptionsParse(int argc, char **argv, FitOptions *pOptions);

#endif
